#include "security/attempts.h"

#include "view/view_painter.h"

namespace security {

std::string attemptsLeftText(short counter) { return "剩余尝试次数：" + std::to_string(counter); }

std::optional<short> presentCode(ViewContext& ctx, short counter, const std::function<short()>& readCounter,
                                 const std::function<short()>& present) {
  if (!lastAttemptAccepted(ctx.shell, counter)) return std::nullopt;
  const short result = present();
  if (result != 0) {
    const short left = readCounter();
    if (left >= 0) ctx.painter.showStatus(2, attemptsLeftText(left));
  }
  return result;
}

}  // namespace security
