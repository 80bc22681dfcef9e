#include "reliability/sweep_support.h"

#include <sstream>

#include "reliability/counting_driver.h"
#include "sim/sim_api.h"
#include "view/card_catalogue.h"

namespace reliab {

const char* faultName(FaultKind k) {
  switch (k) {
    case FaultKind::None: return "none";
    case FaultKind::FailCall: return "fail call";
    case FaultKind::PullCard: return "pull card at call";
    case FaultKind::DropReader: return "drop reader at call";
  }
  return "?";
}

std::string RunResult::describe() const {
  std::ostringstream s;
  s << "operator saw:";
  for (const std::string& t : trace) s << "\n    " << t;
  s << "\n  calls:";
  for (std::size_t i = 0; i < calls.size(); ++i) s << ' ' << (i + 1) << '=' << calls[i];
  return s.str();
}

namespace {

bool isStatusLine(const fake::Event& e) {
  return e.kind == fake::Event::Kind::Text && e.x == layout::statusLine1Pos.x &&
         (e.y == layout::statusLine1Pos.y || e.y == layout::statusLine2Pos.y || e.y == layout::statusLine3Pos.y);
}

// One script for whatever dialog comes: the edits it has tell which.
fake::FakeDialogRunner::Script answerDialog(const OperatorInput& in, std::size_t& nextCode) {
  return [&in, &nextCode](fake::FakeControls& c) {
    auto has = [&c](int id) { return c.controls.count(id) != 0; };
    if (has(1001)) {  // CPasswordDlg
      c.type(1001, nextCode < in.codes.size() ? in.codes[nextCode] : std::string());
      ++nextCode;
      c.click(port::mb::kIdOk);
    } else if (has(1017)) {  // CMutualAuthDlg: the three stages, then out
      c.type(1017, in.random);
      c.type(1004, in.seed);
      for (int button : {1013, 1014, 1015})
        if (!c.ended && c.controls[button].enabled && c.controls[button].visible) c.click(button);
    } else if (has(1002)) {  // CZoneSelectDlg
      c.type(1002, in.zone);
      c.click(port::mb::kIdOk);
    } else if (has(1006) && has(1007) && has(1010)) {  // CSecretCodeDlg
      c.type(1006, in.set);
      c.type(1007, in.password);
      c.click(port::mb::kIdOk);
    } else {
      c.click(port::mb::kIdOk);
    }
  };
}

}  // namespace

RunResult runOperation(const Operation& op, FaultKind fault, long n) {
  sim::TestReader::reset(op.card);
  DriverTable& drv = countingDriver();
  fake::FakeUi ui;
  AppState st;
  CDemoDoc doc;
  CDemoView view{st, doc, drv, ui.window, ui.shell, ui.menu, ui.dialogs};
  st.port = 100;
  st.readerHandle = drv.IC_InitComm(100);
  st.cardType = op.code;  // -1: detection finds it
  if (op.code >= 0) {
    st.byteCount = byteCountFor(op.code, 0, 0);
    st.pageCount = pageCountFor(st.byteCount);
  }
  st.viewState = 50;
  ui.window.paintNow = [&view, &ui] { view.onPaint(ui.window.surface()); };
  RunResult r;
  for (int command : op.commands) r.commandsPresent = r.commandsPresent && view.hasCommand(command);
  std::size_t nextCode = 0;
  for (int i = 0; i < 8; ++i) ui.dialogs.scripts.push_back(answerDialog(op.input, nextCode));
  if (op.prepare) op.prepare(view);

  r.stateBefore = sim::TestReader::stateText();
  r.memoryBefore = sim::TestReader::memory();
  sim::Faults f;
  if (fault == FaultKind::FailCall) f.failCall = n;
  if (fault == FaultKind::PullCard) f.pullAtCall = n;
  if (fault == FaultKind::DropReader) f.dropReaderAtCall = n;
  sim::TestReader::setFaults(f);
  clearCalls();
  ui.log.clear();
  for (int command : op.commands) view.onCommand(command);
  for (int key : op.keys) view.onKeyDown(key);
  r.calls = driverCalls();
  sim::TestReader::setFaults({});
  r.stateAfter = sim::TestReader::stateText();
  r.memoryAfter = sim::TestReader::memory();
  for (const fake::Event& e : ui.log.events) {
    if (e.kind == fake::Event::Kind::MessageBox) r.trace.push_back("box:" + e.caption + "|" + e.text);
    if (isStatusLine(e)) r.trace.push_back("status" + std::to_string((e.y - layout::statusLine1Pos.y) / 20 + 1) + ":" + e.text);
    if (e.kind == fake::Event::Kind::Text && e.x == layout::cardNamePos.x && e.y == layout::cardNamePos.y)
      r.trace.push_back("card:" + e.text);
  }
  return r;
}

}  // namespace reliab
