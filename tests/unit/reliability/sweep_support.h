// The fault sweep's machinery: one operation of the program run through the
// real CDemoView, the fake UI and the in-memory simulated reader, with or
// without one injected fault, and what the operator saw.
#pragma once

#include <cstdint>
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
  std::string zone = "1";                   // dialog 113: page, block or zone
  std::string random = "0011223344556677";  // dialog 145: Q0
  std::string seed = "FFFFFFFFFFFFFFFF";    // dialog 145: Gc
};

struct Operation {
  std::string name;
  std::string card;  // simulator card type
  int code = 0;      // the program's card type code
  std::vector<int> commands;
  std::vector<int> keys;  // pressed after the commands (F5 writes the edits)
  OperatorInput input;
  // Prepares the view before the fault is armed (a read, edits); null for
  // none. Its dialogs take the scripts first.
  std::function<void(CDemoView&)> prepare;
  // Detection: the card must come out byte-for-byte as it went in.
  bool cardMustStay = false;
};

enum class FaultKind { None, FailCall, PullCard, DropReader };
const char* faultName(FaultKind k);

struct RunResult {
  std::vector<std::string> trace;  // boxes and status-line texts, in order
  std::string stateBefore, stateAfter;
  std::vector<std::uint8_t> memoryBefore, memoryAfter;
  bool commandsPresent = true;  // the view has every command of the operation
  std::vector<std::string> calls;  // driver calls made by the commands
  std::string describe() const;
};

// Runs the operation once on a fresh reader and card; the fault (when not
// None) hits the operation's Nth driver call.
RunResult runOperation(const Operation& op, FaultKind fault, long n);

}  // namespace reliab
