#include "security/counter_check.h"

#include "security/password_frame.h"

namespace security {

std::optional<short> counterCheck(CommandContext& ctx, const std::function<short()>& readCounter,
                                  const char* exhaustedText) {
  // One reading decides both: a second call could answer differently (a
  // failing reader gives a negative value) and would pass as a good counter.
  const short counter = readCounter();
  if (counter < 0) {
    errorBox(ctx, text::kNotReady);
    return std::nullopt;
  }
  if (counter == 0) {
    errorBox(ctx, exhaustedText);
    return std::nullopt;
  }
  return counter;
}

}  // namespace security
