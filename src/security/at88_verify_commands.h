// Presenting the user, zone and erase codes of the AT88SC102, AT88SC1604 and
// AT88SC1604B: the card-specific branches of ID_VERIFY_USER_PASSWORD, the
// zone-code commands ID_VERIFY_ZONE1_PASSWORD to ID_VERIFY_ZONE4_PASSWORD and
// the erase-code commands ID_VERIFY_ZONE1_ERASE_PASSWORD to
// ID_VERIFY_ZONE4_ERASE_PASSWORD.
#pragma once

#include <functional>

#include "security/command_context.h"

namespace security {

// Runs the card read command as if the operator had chosen it (the view's
// command ID_CARD_READ): the AT88SC102 commands refresh the card image with it.
using ReadCardCommand = std::function<void()>;

// ID_VERIFY_USER_PASSWORD on an AT88SC102 and on an AT88SC1604/1604B;
// the command's opening has already run.
void verifyUserCode102(CommandContext& ctx, const ReadCardCommand& readCard);
void verifyUserCode1604(CommandContext& ctx);

// Commands ID_VERIFY_ZONE1_PASSWORD to ID_VERIFY_ZONE4_PASSWORD (zones 1 to 4,
// consecutive).
void verifyZoneCode(CommandContext& ctx, int id);
// Commands ID_VERIFY_ZONE1_ERASE_PASSWORD to ID_VERIFY_ZONE4_ERASE_PASSWORD
// (zones 1 to 4).
void verifyEraseCode(CommandContext& ctx, const ReadCardCommand& readCard, int id);

// The erase range of an AT88SC102 application zone (1 or 2).
struct EraseRange {
  short address;
  short length;
};
EraseRange eraseRange102(int zone);

}  // namespace security
