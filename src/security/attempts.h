// Attempt counters of the cards' codes. Presenting a wrong code spends one
// attempt and a card whose counter runs out is locked for good, so the
// operator is asked before the last attempt is spent, and told how many are
// left after a code was refused.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/ports.h"
#include "security/command_context.h"

namespace security {

inline constexpr const char* kLastAttemptQuestion = "只剩最后一次尝试机会，输错将锁死此卡！是否继续？";
inline constexpr const char* kLastAttemptCaption = "操作提示";
inline constexpr unsigned kLastAttemptStyle = port::mb::kYesNo | port::mb::kIconExclamation;

// True when a code may be presented: the counter does not show exactly one
// attempt left, or the operator answered Yes to the last-attempt question.
// `asker` is anything with messageBox(text, caption, style): the shell, or
// the controls of an open dialog (the box then belongs to the dialog).
template <typename Asker>
bool lastAttemptAccepted(Asker& asker, short counter) {
  return counter != 1 ||
         asker.messageBox(kLastAttemptQuestion, kLastAttemptCaption, kLastAttemptStyle) == port::mb::kIdYes;
}

// "剩余尝试次数：N".
std::string attemptsLeftText(short counter);

// Presents a code that an attempt counter guards. `counter` is the reading
// taken before; at one attempt left the operator is asked first. An earlier
// attempts text on status line 2 is erased before the code goes out; after a
// refusal the counter is read again and the attempts left are shown there
// (nothing when that reading fails). The result of `present`,
// or nothing when the operator declined and nothing was sent.
std::optional<short> presentCode(CommandContext& ctx, short counter, const std::function<short()>& readCounter,
                                 const std::function<short()>& present);

}  // namespace security
