// Commands 32834-32839: verify and change the read and write passwords and
// the security code of AT88SC1608 and AT88SC153 cards in CSecretCodeDlg.
#pragma once

#include "view/view_context.h"

namespace security {

inline constexpr int kCryptoPasswordFirst = 32834;  // "核对读密码"
inline constexpr int kCryptoPasswordLast = 32839;   // "修改安全代码"

// The view's remembered password set: proposed by the set-based commands
// and taken from their dialog when it closes with OK.
struct RememberedSet {
  int set = 0;
};

void runCryptoPasswordCommand(ViewContext& ctx, RememberedSet& remembered, int id);

}  // namespace security
