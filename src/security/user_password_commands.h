// Commands 32800 "核对用户密码" and 32797 "修改用户密码": the dispatch on
// the card type and the SLE4442 / SLE4428 branches. The AT88SC102/1604/1604B
// branches live in at88_verify_commands and at88_change_commands.
#pragma once

#include "view/view_context.h"

namespace security {

inline constexpr int kVerifyUserPassword = 32800;
inline constexpr int kChangeUserPassword = 32797;

void verifyUserPassword(ViewContext& ctx);  // 32800
void changeUserPassword(ViewContext& ctx);  // 32797

}  // namespace security
