#include "reliability/fault_rig.h"

#include <cstdio>

#include "sim/sim_api.h"
#include "view/editor_caret.h"
#include "view/view_painter.h"

namespace reliability {

namespace {

DriverTable& simTable() {
  static DriverTable table = [] {
    DriverTable t;
    sim::fillDriverTable(t);
    return t;
  }();
  return table;
}

#define PELOX_FN(ret, name, params, args, bytes) \
  ret PELOX_API rec_##name params {              \
    calls().push_back(#name);                    \
    return simTable().name args;                 \
  }
#include "reader/driver_functions.h"
#undef PELOX_FN

}  // namespace

std::vector<const char*>& calls() {
  static std::vector<const char*> names;
  return names;
}

DriverTable recordingTable() {
  DriverTable t;
#define PELOX_FN(ret, name, params, args, bytes) t.name = rec_##name;
#include "reader/driver_functions.h"
#undef PELOX_FN
  return t;
}

Rig::Rig(const char* card) {
  sim::TestReader::reset(card, 100);
  restart();
}

void Rig::closeButton() { frameWindow.destroyed = view->confirmClose(); }

void Rig::restart() {
  if (view) {
    view->onDestroy();
    view.reset();
    st = AppState{};
    doc = CDemoDoc{};
    ui.window.caretCreated = false;
    frameWindow.destroyed = false;
  }
  view = std::make_unique<CDemoView>(st, doc, table, ui.window, ui.shell, ui.menu, ui.dialogs, files);
  frame.mayClose = [this] { return view->confirmClose(); };
  ui.window.paintNow = [this] { view->onPaint(ui.window.surface()); };
  // WM_SETFOCUS and WM_KILLFOCUS, as a dialog takes and gives back the focus.
  ui.window.focusEvents = [this](bool gained) { view->onFocus(gained); };
  view->onCreate();
}

Rig::~Rig() {
  sim::TestReader::setFaults({});
  view->onDestroy();
}

void Rig::type(const std::string& chars) {
  for (char c : chars) view->onChar(static_cast<unsigned char>(c));
}

namespace {
void caretTo(Rig& r, int address) {
  r.st.currentPage = address / 256;
  r.view->painter().drawGrid();
  r.st.caretInAscii = 0;
  r.st.caretRow = (address % 256) / 16;
  r.st.caretCol = address % 16;
  r.st.caretOnLowDigit = false;
  r.ui.window.setCaretPos(memview::pointOf(r.st, {false, r.st.caretRow, r.st.caretCol, false}));
}
}  // namespace

void Rig::typeAt(int address, std::uint8_t value) {
  caretTo(*this, address);
  char hex[3];
  std::snprintf(hex, sizeof hex, "%02x", value);
  type(hex);
}

void Rig::markAt(int address) {
  caretTo(*this, address);
  key(port::vk::kSpace);
}

void Rig::dialogCommand(int id, int editId, const std::string& text) {
  ui.dialogs.scripts.push_back(fake::typeAndOk(editId, text));
  command(id);
  ui.dialogs.scripts.clear();
}

void Rig::clickCell(int row, int col, bool ascii) {
  view->onLButtonDown(memview::pointOf(st, {ascii, row, col, false}));
}

bool Rig::caretShown(port::Point& at) const {
  if (!ui.window.caretCreated || !ui.window.caretVisible) return false;
  at = ui.window.caret;
  return true;
}

void Rig::dialogTakesCaret() {
  ui.window.caretCreated = false;
  ui.window.caretVisible = false;
  ui.window.caret = {1, 1};
}

std::string CaretTakingFiles::askSavePath(const Filter& filter, std::string_view defaultName) {
  if (takesCaret) takeCaret_();
  return files_.askSavePath(filter, defaultName);
}

std::string CaretTakingFiles::askOpenPath(const Filter& filter) {
  if (takesCaret) takeCaret_();
  return files_.askOpenPath(filter);
}

std::string Rig::signature() const {
  std::string s;
  for (const std::string& box : ui.log.boxes()) s += "box(" + box + ") ";
  for (port::Point p : {layout::statusLine1Pos, layout::statusLine2Pos, layout::statusLine3Pos}) {
    s += "[" + ui.window.screen.visibleText(p.x, p.y) + "]";
  }
  return s;
}

std::vector<std::uint8_t> Rig::image() const {
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < st.byteCount && i < CDemoDoc::kCells; ++i) bytes.push_back(doc.byteAt(i));
  return bytes;
}

}  // namespace reliability
