#include "security/counter_check.h"

#include "security/password_frame.h"

namespace security {

bool counterCheck(ViewContext& ctx, const std::function<short()>& readCounter, const char* exhaustedText) {
  // One reading decides both: a second call could answer differently (a
  // failing reader gives a negative value) and would pass as a good counter.
  const short counter = readCounter();
  if (counter < 0) {
    errorBox(ctx, text::kNotReady);
    return false;
  }
  if (counter == 0) {
    errorBox(ctx, exhaustedText);
    return false;
  }
  return true;
}

}  // namespace security
