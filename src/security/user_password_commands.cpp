#include "security/user_password_commands.h"

#include "security/at88_change_commands.h"
#include "security/at88_verify_commands.h"
#include "security/counter_check.h"
#include "security/hex_digits.h"
#include "security/password_frame.h"
#include "view/app_state.h"

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

// Counter check, dialog, length and digits; the packed code when all passed.
std::optional<std::vector<std::uint8_t>> askSleCode(ViewContext& ctx, const SleForm& form) {
  const int handle = ctx.st.readerHandle;
  if (!counterCheck(ctx, [&] { return form.readCount(ctx.drv, handle); }, text::kCardLocked)) return std::nullopt;
  const auto code = askPassword(ctx);
  if (!code) return std::nullopt;
  if (!checkLength(ctx, *code, form.digits) || !checkHexDigits(ctx, *code)) return std::nullopt;
  return PackHexDigits(*code, form.digits);
}

void verifySle(ViewContext& ctx, const SleForm& form) {
  const auto bytes = askSleCode(ctx, form);
  if (!bytes) return;
  if (form.check(ctx.drv, ctx.st.readerHandle, bytes->data()) == 0) {
    reportStatus(ctx, text::kSuccess);
  } else if (form.beepBeforeRejection) {
    beepThenErrorBox(ctx, text::kWrongPassword);
  } else {
    errorBox(ctx, text::kWrongPassword);
  }
}

void changeSle(ViewContext& ctx, const SleForm& form) {
  const auto bytes = askSleCode(ctx, form);
  if (!bytes) return;
  if (form.change(ctx.drv, ctx.st.readerHandle, bytes->data()) == 0)
    reportStatus(ctx, text::kSuccess);
  else
    errorBox(ctx, form.changeFailed);
}

}  // namespace

void verifyUserPassword(ViewContext& ctx, const ReadCardCommand& readCard) {
  openPasswordCommand(ctx, kVerifyBlanking);
  switch (ctx.st.cardType) {
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

void changeUserPassword(ViewContext& ctx) {
  openPasswordCommand(ctx, kChangeBlanking);
  switch (ctx.st.cardType) {
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
