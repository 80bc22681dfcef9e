#include "security/crypto_password_commands.h"

#include "resources/resource.h"
#include "security/attempts.h"
#include "security/secret_code_dlg.h"

namespace security {

namespace {

using PasswordCall = short (*)(const DriverTable&, int handle, short set, const char* hex);

struct CryptoCommand {
  int id;
  int mode;
  bool securityCode;  // the set is fixed: the card's highest
  PasswordCall call;
  const char* caption;
  const char* success;
  const char* failure;
};

const CryptoCommand kCommands[] = {
    {ID_VERIFY_READ_PASSWORD, CSecretCodeDlg::kVerifyRead, false,
     [](const DriverTable& d, int h, short s, const char* p) { return d.IC_CheckRPassword_Hex(h, s, p); },
     "校验读密码", "校验读密码成功", "校验读密码失败"},
    {ID_VERIFY_WRITE_PASSWORD, CSecretCodeDlg::kVerifyWrite, false,
     [](const DriverTable& d, int h, short s, const char* p) { return d.IC_CheckWPassword_Hex(h, s, p); },
     "校验写密码", "校验写密码成功", "校验写密码失败"},
    {ID_VERIFY_SECURITY_CODE, CSecretCodeDlg::kVerifySecurityCode, true,
     [](const DriverTable& d, int h, short s, const char* p) { return d.IC_CheckWPassword_Hex(h, s, p); },
     "校验安全代码", "校验安全代码成功", "校验安全代码失败"},
    {ID_CHANGE_READ_PASSWORD, CSecretCodeDlg::kChangeRead, false,
     [](const DriverTable& d, int h, short s, const char* p) { return d.IC_ChangeRPassword_Hex(h, s, p); },
     "改写读密码", "改写读密码成功", "改写读密码失败"},
    {ID_CHANGE_WRITE_PASSWORD, CSecretCodeDlg::kChangeWrite, false,
     [](const DriverTable& d, int h, short s, const char* p) { return d.IC_ChangeWPassword_Hex(h, s, p); },
     "改写写密码", "改写写密码成功", "改写写密码失败"},
    {ID_CHANGE_SECURITY_CODE, CSecretCodeDlg::kChangeSecurityCode, true,
     [](const DriverTable& d, int h, short s, const char* p) { return d.IC_ChangeWPassword_Hex(h, s, p); },
     "改写安全代码", "改写安全代码成功", "改写安全代码失败"},
};

const CryptoCommand* findCommand(int id) {
  for (const auto& c : kCommands)
    if (c.id == id) return &c;
  return nullptr;
}

// The verify commands present the password; a change presents nothing.
bool presentsPassword(int mode) {
  return mode == CSecretCodeDlg::kVerifyRead || mode == CSecretCodeDlg::kVerifyWrite ||
         mode == CSecretCodeDlg::kVerifySecurityCode;
}

}  // namespace

void runCryptoPasswordCommand(CommandContext& ctx, RememberedSet& remembered, int id) {
  const CryptoCommand* command = findCommand(id);
  if (!command) return;
  const bool is153 = ctx.session.cardType == CardType::At88sc153;

  CSecretCodeDlg dlg(ctx.drv);
  dlg.m_reader = ctx.session.readerHandle;
  dlg.m_mode = command->mode;
  if (command->securityCode) {
    dlg.m_set = is153 ? 1 : 7;
  } else {
    dlg.m_set = remembered.set;
    dlg.m_setLabel = is153 ? "密码套(0-1):" : "密码套(0-7):";
  }
  if (ctx.dialogs.runModal(dlg) != port::mb::kIdOk) return;
  if (!command->securityCode) remembered.set = dlg.m_set;

  const std::string password = dlg.m_password.substr(0, CSecretCodeDlg::kPasswordLength);
  const int handle = ctx.session.readerHandle;
  const auto set = static_cast<short>(dlg.m_set);
  const auto present = [&] { return command->call(ctx.drv, handle, set, password.c_str()); };
  short result = 0;
  if (presentsPassword(command->mode)) {
    const auto readCounter = [&] { return readPasswordCounter(ctx.drv, handle, command->mode, dlg.m_set); };
    const auto presented = presentCode(ctx, readCounter(), readCounter, present);
    if (!presented) return;
    result = *presented;
  } else {
    result = present();
  }
  ctx.shell.messageBox(result == 0 ? command->success : command->failure, command->caption, port::mb::kOk);
}

}  // namespace security
