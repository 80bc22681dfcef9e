// Commands 32832 "熔丝情况" and 32833 "卡片熔丝": the FAB, CMA and PER fuses
// of AT88SC1608 and AT88SC153 cards.
#pragma once

#include <string>

#include "view/view_context.h"

namespace security {

inline constexpr int kFuseState = 32832;
inline constexpr int kBlowFuse = 32833;

void showFuseState(ViewContext& ctx);  // 32832
void blowNextFuse(ViewContext& ctx);   // 32833

// The state line of a legal reading (7, 6, 4, 0), "" for any other reading.
std::string fuseStateText(int reading);

}  // namespace security
