// Presenting the user, zone and erase codes of the AT88SC102, AT88SC1604 and
// AT88SC1604B: the card-specific branches of 32800, the zone-code commands
// 32801-32804 and the erase-code commands 32781, 32788, 32798, 32799.
#pragma once

#include "view/view_context.h"

namespace security {

inline constexpr int kVerifyZoneCodeFirst = 32801;  // zone 1; 32804 is zone 4
inline constexpr int kVerifyZoneCodeLast = 32804;
inline constexpr int kVerifyEraseCodeZone1 = 32781;
inline constexpr int kVerifyEraseCodeZone2 = 32788;
inline constexpr int kVerifyEraseCodeZone3 = 32798;
inline constexpr int kVerifyEraseCodeZone4 = 32799;

// 32800 on an AT88SC102 (card type 33) and on an AT88SC1604/1604B (160, 162);
// the command's opening has already run.
void verifyUserCode102(ViewContext& ctx);
void verifyUserCode1604(ViewContext& ctx);

// Commands 32801-32804 (zone = id - 32800).
void verifyZoneCode(ViewContext& ctx, int id);
// Commands 32781, 32788, 32798, 32799 (zones 1 to 4).
void verifyEraseCode(ViewContext& ctx, int id);

// The erase range of an AT88SC102 application zone (1 or 2).
struct EraseRange {
  short address;
  short length;
};
EraseRange eraseRange102(int zone);

}  // namespace security
