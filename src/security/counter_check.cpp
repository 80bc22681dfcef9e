#include "security/counter_check.h"

#include "security/password_frame.h"

namespace security {

bool counterCheck(ViewContext& ctx, const std::function<short()>& readCounter, const char* exhaustedText) {
  if (readCounter() < 0) {
    errorBox(ctx, text::kNotReady);
    return false;
  }
  if (readCounter() == 0) {
    errorBox(ctx, exhaustedText);
    return false;
  }
  return true;
}

}  // namespace security
