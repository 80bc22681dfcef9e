#include "security/password_frame.h"

#include "security/hex_digits.h"
#include "security/password_dlg.h"

namespace security {

namespace {
// MessageBeep type of the result beeps.
constexpr unsigned kBeepType = 1;
}  // namespace

void blankStatus(CommandContext& ctx, BlankingTexts texts) {
  ctx.status.eraseStatus(1, texts.line1);
  ctx.status.eraseStatus(2, texts.line2);
}

void openPasswordCommand(CommandContext& ctx, BlankingTexts texts) {
  blankStatus(ctx, texts);
  ctx.status.leaveEditing();
}

void beepFive(CommandContext& ctx) {
  for (int i = 0; i < 5; ++i) ctx.shell.beep(kBeepType);
}

void reportStatus(CommandContext& ctx, std::string_view text) {
  beepFive(ctx);
  ctx.status.showStatus(2, text);
}

void errorBox(CommandContext& ctx, std::string_view text) {
  ctx.shell.messageBox(text, kErrorCaption, port::mb::kOk | port::mb::kIconExclamation);
}

void beepThenErrorBox(CommandContext& ctx, std::string_view text) {
  beepFive(ctx);
  errorBox(ctx, text);
}

std::optional<std::string> askPassword(CommandContext& ctx) {
  CPasswordDlg dlg;
  if (ctx.dialogs.runModal(dlg) != port::mb::kIdOk) return std::nullopt;
  return dlg.m_password;
}

bool checkLength(CommandContext& ctx, const std::string& code, int digits) {
  if (code.size() == static_cast<std::size_t>(digits)) return true;
  errorBox(ctx, "错误：输入密码个数必须为" + std::to_string(digits) + "个！");
  return false;
}

bool checkHexDigits(CommandContext& ctx, const std::string& code) {
  if (isHexText(code)) return true;
  errorBox(ctx, text::kNotHex);
  return false;
}

}  // namespace security
