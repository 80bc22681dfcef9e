#include "security/at88_verify_commands.h"

#include "resources/resource.h"
#include "security/at88_calls.h"
#include "security/attempts.h"
#include "security/counter_check.h"
#include "security/hex_digits.h"
#include "security/password_frame.h"

namespace security {

namespace {

// Dialog, length rule and digits; the typed code when all passed.
std::optional<std::string> askCode(CommandContext& ctx, int digits) {
  auto code = askPassword(ctx);
  if (!code) return std::nullopt;
  if (!checkLength(ctx, *code, digits) || !checkHexDigits(ctx, *code)) return std::nullopt;
  return code;
}

// Length rule and digits of a code already typed.
bool codeIsWellFormed(CommandContext& ctx, const std::string& code, int digits) {
  return checkLength(ctx, code, digits) && checkHexDigits(ctx, code);
}

void reportCheck(CommandContext& ctx, short result, const char* rejection) {
  if (result == 0)
    reportStatus(ctx, text::kSuccess);
  else
    beepThenErrorBox(ctx, rejection);
}

// The card read command, as if the operator had chosen it, then success.
void rereadAndReportSuccess(CommandContext& ctx, const ReadCardCommand& readCard) {
  if (readCard) readCard();
  reportStatus(ctx, text::kSuccess);
}

int eraseZoneOf(int id) {
  switch (id) {
    case ID_VERIFY_ZONE1_ERASE_PASSWORD: return 1;
    case ID_VERIFY_ZONE2_ERASE_PASSWORD: return 2;
    case ID_VERIFY_ZONE3_ERASE_PASSWORD: return 3;
    case ID_VERIFY_ZONE4_ERASE_PASSWORD: return 4;
    default: return 0;
  }
}

// Pattern P4: an erase code of the AT88SC1604/1604B.
void verifyEraseCode1604(CommandContext& ctx, int zone) {
  const At88Calls calls = at88CallsFor(ctx.drv, ctx.session.cardType);
  const int handle = ctx.session.readerHandle;
  const short index = eraseCodeIndex(zone);
  const auto readCounter = [&] { return calls.readCount(handle, index); };
  const auto counter = counterCheck(ctx, readCounter, text::kZoneLocked);
  if (!counter) return;
  const auto code = askCode(ctx, 4);
  if (!code) return;
  const auto bytes = ParseHexPairs(*code, 2);
  const auto result =
      presentCode(ctx, *counter, readCounter, [&] { return calls.checkPass(handle, index, bytes.data()); });
  if (result) reportCheck(ctx, *result, zone == 1 ? "错误：错误密码！" : text::kWrongPassword);
}

// Pattern P5: an erase code of the AT88SC102, then the erase of its zone.
void verifyEraseCode102(CommandContext& ctx, const ReadCardCommand& readCard, int zone) {
  const int digits = zone == 1 ? 12 : 8;
  const auto code = askCode(ctx, digits);
  if (!code) return;
  const auto bytes = ParseHexPairs(*code, digits / 2);
  const int handle = ctx.session.readerHandle;
  if (ctx.drv.IC_CheckAZPass_102(handle, static_cast<short>(zone), bytes.data()) != 0) {
    beepThenErrorBox(ctx, text::kWrongPassword);
    return;
  }
  const EraseRange range = eraseRange102(zone);
  if (ctx.drv.IC_Erase_102(handle, range.address, range.length) < 0) {
    reportStatus(ctx, text::kFailure);
    return;
  }
  rereadAndReportSuccess(ctx, readCard);
}

}  // namespace

EraseRange eraseRange102(int zone) {
  // Zone 2 is erased whole (93-155); the zone-1 erase starts at 24 and leaves
  // the zone's first byte 23 as it is.
  return zone == 1 ? EraseRange{24, 62} : EraseRange{93, 63};
}

// Pattern P1.
void verifyUserCode102(CommandContext& ctx, const ReadCardCommand& readCard) {
  const int handle = ctx.session.readerHandle;
  const auto readCounter = [&] { return ctx.drv.IC_ReadCount_102(handle); };
  const auto counter = counterCheck(ctx, readCounter, text::kCardLocked);
  if (!counter) return;
  const auto code = askCode(ctx, 4);
  if (!code) return;
  const auto bytes = PackHexDigits(*code, 4);
  const auto result =
      presentCode(ctx, *counter, readCounter, [&] { return ctx.drv.IC_CheckPass_102(handle, bytes.data()); });
  if (!result) return;
  if (*result == 0)
    rereadAndReportSuccess(ctx, readCard);
  else
    beepThenErrorBox(ctx, text::kWrongPassword);
}

// Pattern P2: the dialog comes before the counter check.
void verifyUserCode1604(CommandContext& ctx) {
  const auto code = askPassword(ctx);
  if (!code) return;
  const At88Calls calls = at88CallsFor(ctx.drv, ctx.session.cardType);
  const int handle = ctx.session.readerHandle;
  const auto readCounter = [&] { return calls.readCount(handle, kUserCodeIndex); };
  const auto counter = counterCheck(ctx, readCounter, text::kCardLocked);
  if (!counter) return;
  if (!codeIsWellFormed(ctx, *code, 4)) return;
  const auto bytes = PackHexDigits(*code, 4);
  const auto result = presentCode(ctx, *counter, readCounter,
                                  [&] { return calls.checkPass(handle, kUserCodeIndex, bytes.data()); });
  if (result) reportCheck(ctx, *result, text::kWrongPassword);
}

// A zone code of the AT88SC1604/1604B. Its counter decides nothing here (a
// used-up code is refused by the card); it is read only to warn before the
// last attempt and to tell what is left after a refusal.
void verifyZoneCode(CommandContext& ctx, int id) {
  openPasswordCommand(ctx, kVerifyBlanking);
  const int zone = id - (ID_VERIFY_ZONE1_PASSWORD - 1);
  switch (ctx.session.cardType) {
    case CardType::At88sc1604:
    case CardType::At88sc1604b: {
      const auto code = askCode(ctx, 4);
      if (!code) return;
      const At88Calls calls = at88CallsFor(ctx.drv, ctx.session.cardType);
      const auto bytes = ParseHexPairs(*code, 2);
      const int handle = ctx.session.readerHandle;
      const short index = zoneCodeIndex(zone);
      const auto readCounter = [&] { return calls.readCount(handle, index); };
      const auto result = presentCode(ctx, readCounter(), readCounter,
                                      [&] { return calls.checkPass(handle, index, bytes.data()); });
      if (result) reportCheck(ctx, *result, text::kWrongPassword);
      break;
    }
    case CardType::Sle4404:
    case CardType::At88sc103:
      break;
    default: errorBox(ctx, text::kNoFunction); break;
  }
}

void verifyEraseCode(CommandContext& ctx, const ReadCardCommand& readCard, int id) {
  openPasswordCommand(ctx, kEraseBlanking);
  const int zone = eraseZoneOf(id);
  switch (ctx.session.cardType) {
    case CardType::At88sc1604:
    case CardType::At88sc1604b:
      verifyEraseCode1604(ctx, zone);
      return;
    case CardType::At88sc102:
      if (zone == 1 || zone == 2) {
        verifyEraseCode102(ctx, readCard, zone);
        return;
      }
      break;
    case CardType::Sle4404:
    case CardType::At88sc103:
      if (zone != 4) return;
      break;
    default: break;
  }
  errorBox(ctx, text::kNoFunction);
}

}  // namespace security
