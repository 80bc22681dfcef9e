// Commands ID_FUSE_STATE "熔丝情况" and ID_FUSE_BLOW "卡片熔丝": the FAB, CMA and PER fuses
// of AT88SC1608 and AT88SC153 cards.
#pragma once

#include <string>

#include "security/command_context.h"

namespace security {

void showFuseState(CommandContext& ctx);  // ID_FUSE_STATE
void blowNextFuse(CommandContext& ctx);   // ID_FUSE_BLOW

// The state line of a legal reading (7, 6, 4, 0), "" for any other reading.
std::string fuseStateText(int reading);

}  // namespace security
