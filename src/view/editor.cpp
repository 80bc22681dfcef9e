#include "view/editor.h"

#include "memview/demo_doc.h"
#include "view/app_state.h"
#include "view/pending_edits.h"
#include "view/view_painter.h"

namespace memview {

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

bool isHexDigit(unsigned c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

void eraseEditHints(ViewPainter& painter) {
  painter.eraseStatus(1, kHintWrite);
  painter.eraseStatus(2, kHintEscape);
  painter.eraseStatus(3, kHintProtect);
}

Stop MemoryEditor::caret() {
  const AppState& st = ctx_.st;
  return {st.caretInAscii != 0, st.caretRow, st.caretCol, st.caretInAscii == 0 && st.caretOnLowDigit};
}

void MemoryEditor::moveTo(const Stop& s) {
  AppState& st = ctx_.st;
  st.caretInAscii = s.ascii ? 1 : 0;
  st.caretRow = s.row;
  st.caretCol = s.col;
  st.caretOnLowDigit = !s.ascii && s.low;
  ctx_.window.setCaretPos(pointOf(st, s));
}

void MemoryEditor::onFocus(bool gained) {
  AppState& st = ctx_.st;
  if (!gained) {
    ctx_.window.destroyCaret();
    return;
  }
  ctx_.window.createCaret(st.charWidth - 1, st.lineHeight);
  if (!st.editActive) return;
  ctx_.window.setCaretPos(pointOf(st, caret()));
  if (!caretParked) ctx_.window.showCaret();
}

void MemoryEditor::hideCaret() {
  if (!caretParked) ctx_.window.hideCaret();
}

void MemoryEditor::showCaret() {
  if (!caretParked) ctx_.window.showCaret();
}

void MemoryEditor::goToPage(int page) {
  ctx_.st.currentPage = page;
  ctx_.painter.drawGrid();
  ctx_.painter.drawCaretInfo();
}

void MemoryEditor::onChar(unsigned character) {
  // The error counter page hides the grid: nothing typed there may reach
  // bytes the operator cannot see.
  if (!ctx_.st.editActive || caretParked) return;
  if (ctx_.st.caretInAscii) {
    typeCharacter(character);
  } else {
    typeHexDigit(character);
  }
}

void MemoryEditor::storeEdited(int address, unsigned char value) {
  CDemoDoc& doc = ctx_.doc;
  doc.setByte(address, value);
  doc.markEdited(address);
  doc.recordRow(address - address % 16);
  ctx_.painter.drawCell(address, ctx_.painter.byteColour(address));
}

bool MemoryEditor::nextCell(Stop& s) {
  if (s.col < 15) {
    ++s.col;
  } else if (s.row < 15) {
    s.col = 0;
    ++s.row;
  } else if (hasNextPage()) {
    goToPage(ctx_.st.currentPage + 1);
    s.col = 0;
    s.row = 0;
  } else {
    return false;
  }
  return true;
}

void MemoryEditor::typeHexDigit(unsigned character) {
  if (!isHexDigit(character)) return;
  const char digit = static_cast<char>(character >= 'A' && character <= 'F' ? character - 'A' + 'a' : character);
  Stop s = caret();
  const int a = addressOf(ctx_.st, s);
  // A caret past the card's end (a partial last page) holds no card byte.
  if (a < 0 || a >= ctx_.st.byteCount || a >= CDemoDoc::kCells) return;
  hideCaret();
  auto cell = ctx_.doc.hexCells[static_cast<std::size_t>(a)];
  cell[s.low ? 1 : 0] = digit;
  storeEdited(a, static_cast<unsigned char>(hexValue(cell[0]) * 16 + hexValue(cell[1])));

  if (!s.low) {
    s.low = true;
  } else if (!isLastByte(a)) {
    s.low = false;
    if (!nextCell(s)) s.low = true;
  }
  moveTo(s);
  showCaret();
}

void MemoryEditor::typeCharacter(unsigned character) {
  if (character < 32 || character > 126) return;
  Stop s = caret();
  const int a = addressOf(ctx_.st, s);
  if (a < 0 || a >= ctx_.st.byteCount || a >= CDemoDoc::kCells) return;
  hideCaret();
  storeEdited(a, static_cast<unsigned char>(character));
  if (!isLastByte(a)) nextCell(s);
  moveTo(s);
  showCaret();
}

bool MemoryEditor::navigate(int key) {
  if (!ctx_.st.editActive) return false;
  AppState& st = ctx_.st;
  Stop s = caret();
  const int a = addressOf(st, s);
  switch (key) {
    case port::vk::kTab:
      s.ascii = !s.ascii;
      s.low = false;
      break;
    case port::vk::kHome:
      s.col = 0;
      s.low = false;
      break;
    case port::vk::kEnd: {
      const int rowStart = st.currentPage * 256 + s.row * 16;
      if (rowStart >= st.byteCount) return true;  // no byte in this row
      const int n = st.byteCount - rowStart;
      s.col = n >= 16 ? 15 : n - 1;
      s.low = !s.ascii;
      break;
    }
    case port::vk::kLeft:
      if (s.low) {
        s.low = false;
      } else if (s.col > 0) {
        --s.col;
        s.low = !s.ascii;
      } else if (s.row > 0) {
        --s.row;
        s.col = 15;
        s.low = !s.ascii;
      } else if (st.currentPage > 0) {
        hideCaret();
        goToPage(st.currentPage - 1);
        s.row = 15;
        s.col = 15;
        s.low = !s.ascii;
        moveTo(s);
        showCaret();
        return true;
      }
      break;
    case port::vk::kRight:
      if (isLastByte(a)) {
        if (!s.ascii) s.low = true;
        break;
      }
      if (!s.ascii && !s.low) {
        s.low = true;
      } else if (s.col < 15) {
        ++s.col;
        s.low = false;
      } else if (s.row < 15) {
        ++s.row;
        s.col = 0;
        s.low = false;
      } else if (hasNextPage()) {
        hideCaret();
        goToPage(st.currentPage + 1);
        moveTo({s.ascii, 0, 0, false});
        showCaret();
        return true;
      }
      break;
    case port::vk::kUp:
      if (s.row > 0) {
        --s.row;
      } else if (st.currentPage > 0) {
        hideCaret();
        goToPage(st.currentPage - 1);
        s.row = 15;
        moveTo(s);
        showCaret();
        return true;
      }
      break;
    case port::vk::kDown:
      if (a + 16 >= st.byteCount) break;
      if (s.row < 15) {
        ++s.row;
      } else if (hasNextPage()) {
        hideCaret();
        goToPage(st.currentPage + 1);
        s.row = 0;
        moveTo(s);
        showCaret();
        return true;
      }
      break;
    default:
      return false;
  }
  hideCaret();
  moveTo(s);
  showCaret();
  return true;
}

void MemoryEditor::pageUp() {
  AppState& st = ctx_.st;
  const bool editing = st.editActive != 0;
  if (st.cardType == CardType::Sle4442 || st.cardType == CardType::Sle4428) {
    // Before a card was read there is no page to go back to: drawing the
    // grid would show the empty image as card data and allow editing it.
    if (!st.gridShown) return;
    // Leaves the error counter page, if it is shown.
    ctx_.painter.text({60, 90}, "错误计数：11", colour::navy, colour::navy);
    if (editing) hideCaret();
    if (st.currentPage > 0) --st.currentPage;
    goToPage(st.currentPage);
    if (editing) {
      caretParked = false;
      ctx_.window.showCaret();
    }
    return;
  }
  if (st.currentPage <= 0) return;
  if (editing) hideCaret();
  goToPage(st.currentPage - 1);
  if (editing) showCaret();
}

void MemoryEditor::pageDown() {
  AppState& st = ctx_.st;
  if (!st.gridShown || !hasNextPage()) return;
  const bool editing = st.editActive != 0;
  if (editing) hideCaret();
  if (editing && st.cardType == CardType::At45d041) {
    // An AT45D041 page starts its caret at the top.
    st.currentPage += 1;
    moveTo({false, 0, 0, false});
    goToPage(st.currentPage);
  } else {
    goToPage(st.currentPage + 1);
  }
  if (editing) showCaret();
}

void MemoryEditor::askQuit() {
  if (ctx_.shell.messageBox("确认退出本演示系统吗？", "退出确认", port::mb::kYesNo | port::mb::kIconQuestion) !=
      port::mb::kIdYes) {
    return;
  }
  // Edits not yet written go only with the operator's word.
  if (askDiscardEdits(ctx_)) ctx_.shell.postQuit(0);
}

void MemoryEditor::onLButtonDown(port::Point p) {
  const port::Point tl = layout::exitHotspotTopLeft;
  const port::Point br = layout::exitHotspotBottomRight;
  if (p.x >= tl.x && p.x < br.x && p.y >= tl.y && p.y < br.y) askQuit();

  AppState& st = ctx_.st;
  if (!st.editActive || caretParked) return;
  hideCaret();
  const int w = st.charWidth;
  const int h = st.lineHeight;
  const int hx = layout::hexOrigin.x;
  const int ax = layout::asciiOrigin.x;
  const int top = layout::hexOrigin.y;
  // Full rows from this page on, and no further down than the grid: a click
  // below it (the quit button included) leaves the caret where it is.
  int fullRows = (st.byteCount - st.currentPage * 256) / 16;
  if (fullRows > 16) fullRows = 16;
  const bool inRows = p.y >= top && p.y < top + h * fullRows;
  const bool inHex = inRows && p.x >= hx && p.x < hx + 48 * w;
  const bool inAscii = inRows && p.x >= ax && p.x < ax + 16 * w;
  if (inHex || inAscii) {
    for (int i = 0; i < 16; ++i) {
      if (p.y >= top + h * i && p.y < top + h * (i + 1)) {
        st.caretRow = i;
        break;
      }
    }
    for (int j = 0; j < 16; ++j) {
      const bool hit = inHex ? (p.x >= hx - w + 3 * w * j && p.x < hx + 2 * w + 3 * w * j)
                             : (p.x >= ax + w * j && p.x < ax + w * (j + 1));
      if (hit) {
        st.caretCol = j;
        break;
      }
    }
    moveTo({inAscii, st.caretRow, st.caretCol % 16, false});
  }
  showCaret();
  ctx_.painter.drawCaretInfo();
}

}  // namespace memview
