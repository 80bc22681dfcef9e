// Writing new user, zone and erase codes into AT88SC102, AT88SC1604 and
// AT88SC1604B cards: the card-specific branch of ID_CHANGE_USER_PASSWORD and
// the commands ID_CHANGE_ZONE1_PASSWORD to ID_CHANGE_ZONE4_ERASE_PASSWORD.
// Only the new code is sent; the current one is never asked.
#pragma once

#include "security/command_context.h"

namespace security {

// ID_CHANGE_USER_PASSWORD on the AT88SC102, 1604 and 1604B; the command's opening has already run.
void changeUserCodeAt88(CommandContext& ctx);
// Commands ID_CHANGE_ZONE1_PASSWORD to ID_CHANGE_ZONE4_ERASE_PASSWORD
// (consecutive), with their own opening.
void changeZoneOrEraseCode(CommandContext& ctx, int id);

// k = id - (ID_CHANGE_ZONE1_PASSWORD - 1): the AT88SC1604/1604B index is k up to 4, then k + 6.
short changeIndex1604(int id);

}  // namespace security
