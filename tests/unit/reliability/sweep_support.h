// The fault sweep's machinery: one operation of the program run through the
// real CDemoView, the fake UI and the in-memory simulated reader, with or
// without one injected fault, and what the operator saw.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/demo_doc.h"
#include "fakes/fake_ui.h"
#include "sim/config.h"
#include "view/app_state.h"
#include "view/demo_view.h"

namespace reliab {

// What the operator does in the dialogs an operation opens: the typed
// texts are taken in order by the edits that ask for them.
struct OperatorInput {
  std::vector<std::string> codes;  // password dialog 102, one per dialog
  std::string set = "0";            // dialog 144: the password set
  std::string password = "FFFFFF";  // dialog 144
  std::string random = "0011223344556677";  // dialog 145: Q0
  std::string seed = "FFFFFFFFFFFFFFFF";    // dialog 145: Gc
};

struct Operation {
  std::string name;
  std::string card;  // simulator card type
  int code = 0;      // the program's card type code
  std::vector<int> commands;
  OperatorInput input;
  // Prepares the view before the commands (a read, edits); null for none.
  std::function<void(CDemoView&, AppState&, fake::FakeUi&)> prepare;
};

enum class FaultKind { None, FailCall, PullCard, DropReader };
const char* faultName(FaultKind k);

struct RunResult {
  std::vector<std::string> trace;  // boxes and status-line texts, in order
  std::string stateBefore, stateAfter;
  std::vector<std::string> calls;  // driver calls made by the commands
  std::string describe() const;
};

// Runs the operation once on a fresh reader and card; the fault (when not
// None) hits the operation's Nth driver call.
RunResult runOperation(const Operation& op, FaultKind fault, long n);

}  // namespace reliab
