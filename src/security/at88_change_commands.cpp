#include "security/at88_change_commands.h"

#include "resources/resource.h"
#include "security/at88_calls.h"
#include "security/counter_check.h"
#include "security/hex_digits.h"
#include "security/password_frame.h"

namespace security {

namespace {

// The user-code counter check of the card in the reader: every change reads
// the user code's counter, whatever code it writes.
bool userCodeCounterCheck(CommandContext& ctx) {
  const int handle = ctx.session.readerHandle;
  const At88Calls calls = at88CallsFor(ctx.drv, ctx.session.cardType);
  const auto readCounter = [&]() -> short {
    if (ctx.session.cardType == CardType::At88sc102) return ctx.drv.IC_ReadCount_102(handle);
    return calls.readCount(handle, kUserCodeIndex);
  };
  return counterCheck(ctx, readCounter, text::kCardLocked).has_value();
}

// Counter check, dialog, length and digits; the packed new code.
std::optional<std::vector<std::uint8_t>> askNewCode(CommandContext& ctx, int digits) {
  if (!userCodeCounterCheck(ctx)) return std::nullopt;
  const auto code = askPassword(ctx);
  if (!code) return std::nullopt;
  if (!checkLength(ctx, *code, digits) || !checkHexDigits(ctx, *code)) return std::nullopt;
  return PackHexDigits(*code, digits);
}

void reportChange(CommandContext& ctx, short result) {
  if (result == 0)
    reportStatus(ctx, text::kSuccess);
  else
    errorBox(ctx, text::kChangeFailed);
}

void changeCode1604(CommandContext& ctx, short index) {
  const auto bytes = askNewCode(ctx, 4);
  if (!bytes) return;
  const At88Calls calls = at88CallsFor(ctx.drv, ctx.session.cardType);
  reportChange(ctx, calls.changePass(ctx.session.readerHandle, index, bytes->data()));
}

}  // namespace

short changeIndex1604(int id) {
  const int k = id - (ID_CHANGE_ZONE1_PASSWORD - 1);
  return static_cast<short>(k <= 4 ? k : k + 6);
}

void changeUserCodeAt88(CommandContext& ctx) {
  if (ctx.session.cardType != CardType::At88sc102) {
    changeCode1604(ctx, kUserCodeIndex);
    return;
  }
  const auto bytes = askNewCode(ctx, 4);
  if (!bytes) return;
  reportChange(ctx, ctx.drv.IC_ChangePass_102(ctx.session.readerHandle, bytes->data()));
}

void changeZoneOrEraseCode(CommandContext& ctx, int id) {
  openPasswordCommand(ctx, kChangeBlanking);
  const int k = id - (ID_CHANGE_ZONE1_PASSWORD - 1);
  switch (ctx.session.cardType) {
    case CardType::At88sc1604:
    case CardType::At88sc1604b:
      changeCode1604(ctx, changeIndex1604(id));
      return;
    case CardType::At88sc102: {
      // The AT88SC102 has erase codes of zones 1 and 2 only (k = 5, 6).
      const int zone = k - 4;
      if (zone != 1 && zone != 2) break;
      const int digits = zone == 2 ? 8 : 12;
      const auto bytes = askNewCode(ctx, digits);
      if (!bytes) return;
      reportChange(ctx, ctx.drv.IC_ChangeAZPass_102(ctx.session.readerHandle, static_cast<short>(zone), bytes->data()));
      return;
    }
    default: break;
  }
  reportStatus(ctx, text::kNoFunctionStatus);
}

}  // namespace security
