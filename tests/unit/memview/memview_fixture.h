// A memory view on fakes: the real CDemoView with its command modules, the
// fake UI and a driver table (scripted or the native simulator).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "cards/card_catalogue.h"
#include "fakes/fake_ui.h"
#include "fakes/scripted_driver.h"
#include "memview/demo_doc.h"
#include "memview/image_guard.h"
#include "platform/ports.h"
#include "resources/resource.h"
#include "support/enum_print.h"
#include "view/app_state.h"
#include "view/demo_view.h"
#include "view/editor_caret.h"
#include "view/view_painter.h"

namespace memview {
inline void PrintTo(const Stop& s, std::ostream* os) {
  *os << (s.ascii ? "char" : "hex") << " row " << s.row << " col " << s.col << (s.low ? " low" : "");
}
}  // namespace memview

namespace memview_test {

// A driver call as "IC_Read(7,0,256)": name and scalar arguments.
inline std::string sig(const fake::DriverCall& c) {
  std::string s = c.name + "(";
  for (std::size_t i = 0; i < c.ints.size(); ++i) s += (i ? "," : "") + std::to_string(c.ints[i]);
  return s + ")";
}

inline constexpr int kHandle = 7;

struct MemView {
  explicit MemView(DriverTable& drv)
      : view(st, doc, drv, ui.window, ui.shell, ui.menu, ui.dialogs, ui.files) {
    st.readerHandle = kHandle;
    st.port = ReaderPort::Usb;
    st.viewState = ViewState::NoCardData;
    ui.window.paintNow = [this] { view.onPaint(ui.window.surface()); };
    ui.window.focusEvents = [this](bool gained) { view.onFocus(gained); };
  }

  AppState st;
  CDemoDoc doc;
  fake::FakeUi ui;
  CDemoView view;

  ViewContext& ctx() { return view.context(); }

  // Puts a card image on screen as a successful read would, without the
  // driver: card type, sizes, bytes, grid.
  void load(CardType cardType, const std::vector<std::uint8_t>& bytes = {}) {
    st.cardType = cardType;
    st.byteCount = byteCountFor(cardType, st.zoneIndex, st.byteCount);
    st.pageCount = pageCountFor(st.byteCount);
    st.currentPage = 0;
    for (int i = 0; i < st.byteCount; ++i) {
      doc.setByte(i, i < static_cast<int>(bytes.size()) ? bytes[static_cast<std::size_t>(i)] : 0xFF);
    }
    st.viewState = ViewState::CardData;
    memview::recordSuccessfulRead(st, doc);
    view.painter().drawGrid();
  }

  void edit() { view.onCommand(ID_CARD_WRITE); }
  void key(int vk, int times = 1) {
    for (int i = 0; i < times; ++i) view.onKeyDown(vk);
  }
  void type(const std::string& s) {
    for (char c : s) view.onChar(static_cast<unsigned char>(c));
  }
  void click(int x, int y) { view.onLButtonDown({x, y}); }

  // The caret's stop as the program keeps it.
  memview::Stop caret() { return {st.caretInAscii != 0, st.caretRow, st.caretCol, st.caretOnLowDigit}; }
  int caretAddress() { return memview::addressOf(st, caret()); }
  // Puts the caret on a stop of the current page, as a click or the keys would.
  void caretTo(memview::Stop s) {
    st.caretInAscii = s.ascii ? 1 : 0;
    st.caretRow = s.row;
    st.caretCol = s.col;
    st.caretOnLowDigit = !s.ascii && s.low;
    ui.window.setCaretPos(memview::pointOf(st, s));
  }

  // The hexadecimal cell drawn for cell i of the page shown.
  const fake::DrawnText* hexCell(int i) {
    return ui.window.screen.textAt(33 + (i % 16) * 27, 32 + (i / 16) * 15);
  }
  const fake::DrawnText* charCell(int i) { return ui.window.screen.textAt(475 + (i % 16) * 9, 32 + (i / 16) * 15); }
  std::string status(int line) { return ui.window.screen.visibleText(12, 296 + 20 * (line - 1)); }
  std::string hex(int address) { return std::string(doc.hexCells[static_cast<std::size_t>(address)].data()); }
  std::vector<int> rows() {
    return std::vector<int>(doc.editedRows.begin() + 1, doc.editedRows.begin() + 1 + doc.editedRowCount);
  }
};

}  // namespace memview_test
