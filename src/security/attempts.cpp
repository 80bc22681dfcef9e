#include "security/attempts.h"


namespace security {

namespace {
// Status texts are erased by drawing them again in the panel colour: this
// covers any attempts text drawn before, whatever its number.
constexpr const char* kAttemptsBlank = "剩余尝试次数：000";
}  // namespace

std::string attemptsLeftText(short counter) { return "剩余尝试次数：" + std::to_string(counter); }

std::optional<short> presentCode(CommandContext& ctx, short counter, const std::function<short()>& readCounter,
                                 const std::function<short()>& present) {
  if (!lastAttemptAccepted(ctx.shell, counter)) return std::nullopt;
  ctx.status.eraseStatus(2, kAttemptsBlank);  // an earlier count no longer holds
  const short result = present();
  if (result != 0) {
    const short left = readCounter();
    if (left >= 0) ctx.status.showStatus(2, attemptsLeftText(left));
  }
  return result;
}

}  // namespace security
