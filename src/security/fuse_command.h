// Command ID_FUSE_PERSONALISATION "熔断操作(&F)": blows the personalisation fuse of an
// AT88SC102, AT88SC1604 or AT88SC1604B after the operator confirmed.
#pragma once

#include "security/command_context.h"

namespace security {

void blowPersonalisationFuse(CommandContext& ctx);

}  // namespace security
