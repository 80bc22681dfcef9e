// The counter check that opens most memory-card password commands: the
// card's error counter is read once; a negative reading means the reader is
// not ready, zero that the code is used up.
#pragma once

#include <functional>
#include <optional>

#include "security/command_context.h"

namespace security {

// The reading when the command may go on (attempts left); nothing when the
// error box was shown.
std::optional<short> counterCheck(CommandContext& ctx, const std::function<short()>& readCounter,
                                  const char* exhaustedText);

}  // namespace security
