#include "security/password_frame.h"

#include "security/hex_digits.h"
#include "security/password_dlg.h"
#include "view/app_state.h"
#include "view/view_painter.h"

namespace security {

namespace {
// MessageBeep type of the result beeps.
constexpr unsigned kBeepType = 1;
}  // namespace

void blankStatus(ViewContext& ctx, BlankingTexts texts) {
  ctx.painter.eraseStatus(1, texts.line1);
  ctx.painter.eraseStatus(2, texts.line2);
}

void openPasswordCommand(ViewContext& ctx, BlankingTexts texts) {
  blankStatus(ctx, texts);
  ctx.st.editActive = 0;
  ctx.st.caretInAscii = 0;
  ctx.window.hideCaret();
  ctx.painter.drawCaretInfo();
}

void beepFive(ViewContext& ctx) {
  for (int i = 0; i < 5; ++i) ctx.shell.beep(kBeepType);
}

void reportStatus(ViewContext& ctx, std::string_view text) {
  beepFive(ctx);
  ctx.painter.showStatus(2, text);
}

void errorBox(ViewContext& ctx, std::string_view text) {
  ctx.shell.messageBox(text, kErrorCaption, port::mb::kOk | port::mb::kIconExclamation);
}

void beepThenErrorBox(ViewContext& ctx, std::string_view text) {
  beepFive(ctx);
  errorBox(ctx, text);
}

std::optional<std::string> askPassword(ViewContext& ctx) {
  CPasswordDlg dlg;
  if (ctx.dialogs.runModal(dlg) != port::mb::kIdOk) return std::nullopt;
  return dlg.m_password;
}

bool checkLength(ViewContext& ctx, const std::string& code, int digits) {
  if (code.size() == static_cast<std::size_t>(digits)) return true;
  errorBox(ctx, "错误：输入密码个数必须为" + std::to_string(digits) + "个！");
  return false;
}

bool checkHexDigits(ViewContext& ctx, const std::string& code) {
  if (isHexText(code)) return true;
  errorBox(ctx, text::kNotHex);
  return false;
}

}  // namespace security
