// The counter check that opens most memory-card password commands: the
// card's error counter is read once; a negative reading means the reader is
// not ready, zero that the code is used up.
#pragma once

#include <functional>

#include "view/view_context.h"

namespace security {

// Returns true when the command may go on; otherwise the error box was shown.
bool counterCheck(ViewContext& ctx, const std::function<short()>& readCounter, const char* exhaustedText);

}  // namespace security
