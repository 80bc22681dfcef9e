#include "security/user_password_commands.h"

#include "security/at88_change_commands.h"
#include "security/at88_verify_commands.h"
#include "security/attempts.h"
#include "security/counter_check.h"
#include "security/hex_digits.h"
#include "security/password_frame.h"

namespace security {

namespace {

// The SLE4442 and SLE4428 forms of the user password.
struct SleForm {
  int digits;
  short (*readCount)(const DriverTable&, int);
  short (*check)(const DriverTable&, int, const unsigned char*);
  short (*change)(const DriverTable&, int, const unsigned char*);
  bool beepBeforeRejection;  // the SLE4428 beeps before "密码错误"
  const char* changeFailed;
};

const SleForm kSle4428{
    4,
    [](const DriverTable& d, int h) { return d.IC_ReadCount_SLE4428(h); },
    [](const DriverTable& d, int h, const unsigned char* p) { return d.IC_CheckPass_SLE4428(h, p); },
    [](const DriverTable& d, int h, const unsigned char* p) { return d.IC_ChangePass_SLE4428(h, p); },
    true,
    "错误：改写密码密码没有成功！",
};

const SleForm kSle4442{
    6,
    [](const DriverTable& d, int h) { return d.IC_ReadCount_SLE4442(h); },
    [](const DriverTable& d, int h, const unsigned char* p) { return d.IC_CheckPass_SLE4442(h, p); },
    [](const DriverTable& d, int h, const unsigned char* p) { return d.IC_ChangePass_SLE4442(h, p); },
    false,
    text::kChangeFailed,
};

// A typed code, packed, with the counter reading taken before the dialog.
struct SleCode {
  std::vector<std::uint8_t> bytes;
  short counter;
};

// Counter check, dialog, length and digits; the packed code when all passed.
std::optional<SleCode> askSleCode(CommandContext& ctx, const SleForm& form) {
  const int handle = ctx.session.readerHandle;
  const auto counter = counterCheck(
      ctx, [&] { return form.readCount(ctx.drv, handle); }, text::kCardLocked);
  if (!counter) return std::nullopt;
  const auto code = askPassword(ctx);
  if (!code) return std::nullopt;
  if (!checkLength(ctx, *code, form.digits) || !checkHexDigits(ctx, *code)) return std::nullopt;
  return SleCode{PackHexDigits(*code, form.digits), *counter};
}

void verifySle(CommandContext& ctx, const SleForm& form) {
  const auto code = askSleCode(ctx, form);
  if (!code) return;
  const int handle = ctx.session.readerHandle;
  const auto result = presentCode(
      ctx, code->counter, [&] { return form.readCount(ctx.drv, handle); },
      [&] { return form.check(ctx.drv, handle, code->bytes.data()); });
  if (!result) return;
  if (*result == 0) {
    reportStatus(ctx, text::kSuccess);
  } else if (form.beepBeforeRejection) {
    beepThenErrorBox(ctx, text::kWrongPassword);
  } else {
    errorBox(ctx, text::kWrongPassword);
  }
}

// A change sends only the new code: it presents nothing and spends no attempt.
void changeSle(CommandContext& ctx, const SleForm& form) {
  const auto code = askSleCode(ctx, form);
  if (!code) return;
  if (form.change(ctx.drv, ctx.session.readerHandle, code->bytes.data()) == 0)
    reportStatus(ctx, text::kSuccess);
  else
    errorBox(ctx, form.changeFailed);
}

}  // namespace

void verifyUserPassword(CommandContext& ctx, const ReadCardCommand& readCard) {
  openPasswordCommand(ctx, kVerifyBlanking);
  switch (ctx.session.cardType) {
    case CardType::Sle4428:
      verifySle(ctx, kSle4428);
      break;
    case CardType::Sle4442:
      verifySle(ctx, kSle4442);
      break;
    case CardType::At88sc102:
      verifyUserCode102(ctx, readCard);
      break;
    case CardType::At88sc1604:
    case CardType::At88sc1604b:
      verifyUserCode1604(ctx);
      break;
    case CardType::Sle4406:
    case CardType::Sle4418:
    case CardType::Sle4404:
    case CardType::At88sc101:
    case CardType::At88sc103:
      break;
    default: errorBox(ctx, text::kNoFunction); break;
  }
}

void changeUserPassword(CommandContext& ctx) {
  openPasswordCommand(ctx, kChangeBlanking);
  switch (ctx.session.cardType) {
    case CardType::Sle4428:
      changeSle(ctx, kSle4428);
      break;
    case CardType::Sle4442:
      changeSle(ctx, kSle4442);
      break;
    case CardType::At88sc102:
    case CardType::At88sc1604:
    case CardType::At88sc1604b:
      changeUserCodeAt88(ctx);
      break;
    case CardType::Sle4406:
    case CardType::Sle4404:
    case CardType::At88sc101:
    case CardType::At88sc103:
      break;
    default: reportStatus(ctx, text::kNoFunctionStatus); break;
  }
}

}  // namespace security
