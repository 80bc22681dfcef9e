// Commands ID_VERIFY_USER_PASSWORD "核对用户密码" and ID_CHANGE_USER_PASSWORD
// "修改用户密码": the dispatch on
// the card type and the SLE4442 / SLE4428 branches. The AT88SC102/1604/1604B
// branches live in at88_verify_commands and at88_change_commands.
#pragma once

#include "security/at88_verify_commands.h"
#include "security/command_context.h"

namespace security {

void verifyUserPassword(CommandContext& ctx, const ReadCardCommand& readCard);  // ID_VERIFY_USER_PASSWORD
void changeUserPassword(CommandContext& ctx);                                   // ID_CHANGE_USER_PASSWORD

}  // namespace security
