// Writing new user, zone and erase codes into AT88SC102, AT88SC1604 and
// AT88SC1604B cards: the card-specific branch of 32797 and the commands
// 32820-32827. Only the new code is sent; the current one is never asked.
#pragma once

#include "view/view_context.h"

namespace security {

inline constexpr int kChangeCodeFirst = 32820;  // "修改一区密码"
inline constexpr int kChangeCodeLast = 32827;   // "修改四区擦除密码 "

// 32797 on card types 33, 160 and 162; the command's opening has already run.
void changeUserCodeAt88(ViewContext& ctx);
// Commands 32820-32827, with their own opening.
void changeZoneOrEraseCode(ViewContext& ctx, int id);

// k = id - 32819: the AT88SC1604/1604B index is k up to 4, then k + 6.
short changeIndex1604(int id);

}  // namespace security
