// Commands ID_VERIFY_READ_PASSWORD to ID_CHANGE_SECURITY_CODE: verify and
// change the read and write passwords and the security code of AT88SC1608
// and AT88SC153 cards in CSecretCodeDlg.
#pragma once

#include "security/command_context.h"

namespace security {

// The view's remembered password set: proposed by the set-based commands
// and taken from their dialog when it closes with OK.
struct RememberedSet {
  int set = 0;
};

void runCryptoPasswordCommand(CommandContext& ctx, RememberedSet& remembered, int id);

}  // namespace security
