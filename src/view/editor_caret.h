// Caret stops of the memory view's edit mode: where the caret can stand in
// the hexadecimal and character grids, and which card byte it is on.
#pragma once

#include "platform/ports.h"
#include "view/app_state.h"
#include "view/painter_layout.h"

class ViewPainter;

namespace memview {

// The texts of edit mode in the status area.
inline constexpr const char* kHintWrite = "F5 : 写数据";
inline constexpr const char* kHintEscape = "ESC: 返  回";
inline constexpr const char* kHintProtect = "SPA: 加保护";

// Erases the three hints of edit mode from the status area.
void eraseEditHints(ViewPainter& painter);

// One caret stop: area, row and column on the page, high or low digit.
struct Stop {
  bool ascii = false;
  int row = 0;  // 0..15
  int col = 0;  // 0..15
  bool low = false;  // hexadecimal area only
  friend bool operator==(const Stop&, const Stop&) = default;
};

// The stop at a caret position in the given area.
inline Stop stopAt(const EditorState& st, port::Point p, bool ascii) {
  const int w = st.charWidth;
  const int h = st.lineHeight;
  Stop s;
  s.ascii = ascii;
  const int dx = p.x - (ascii ? layout::asciiOrigin.x : layout::hexOrigin.x);
  const int cell = ascii ? w : 3 * w;
  s.col = dx < 0 ? 0 : (dx / cell) % 16;
  s.low = !ascii && dx > 0 && dx % cell != 0;
  const int dy = p.y - layout::hexOrigin.y;
  s.row = dy < 0 ? 0 : (dy / h) % 16;
  return s;
}

// The pixel position of a stop.
inline port::Point pointOf(const EditorState& st, const Stop& s) {
  const int w = st.charWidth;
  const int y = layout::hexOrigin.y + st.lineHeight * s.row;
  if (s.ascii) return {layout::asciiOrigin.x + w * s.col, y};
  return {layout::hexOrigin.x + 3 * w * s.col + (s.low ? w : 0), y};
}

// Card address of the byte under a stop on the current page.
inline int addressOf(const CardImageState& st, const Stop& s) { return st.currentPage * 256 + s.row * 16 + s.col; }

}  // namespace memview
