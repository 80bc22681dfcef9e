#include "security/secret_code_dlg.h"

#include <climits>

#include "platform/app_title.h"
#include "platform/ddx.h"
#include "security/hex_digits.h"

namespace {

constexpr const char* kCounterLabel = "当前密码错误计数器：";
constexpr unsigned kWarning = port::mb::kOk | port::mb::kIconExclamation;

}  // namespace

const char* secretCodeCaption(int mode) {
  switch (mode) {
    case CSecretCodeDlg::kVerifyRead: return "校验读密码";
    case CSecretCodeDlg::kVerifyWrite: return "校验写密码";
    case CSecretCodeDlg::kVerifySecurityCode: return "校验安全代码";
    case CSecretCodeDlg::kChangeRead: return "修改读密码";
    case CSecretCodeDlg::kChangeWrite: return "修改写密码";
    case CSecretCodeDlg::kChangeSecurityCode: return "修改安全代码";
    default: return "密码操作";
  }
}

bool CSecretCodeDlg::exchangeFromControls(port::DialogControls& c) {
  m_password = c.text(IDC_SECRET_PASSWORD);
  const auto set = ddx::parseInt(c.text(IDC_SECRET_SET));
  if (!set) {
    c.messageBox(ddx::kNotAnInteger, kAppTitle, kWarning);
    c.setFocus(IDC_SECRET_SET);
    c.selectAll(IDC_SECRET_SET);
    return false;
  }
  m_set = *set;
  return true;
}

short readPasswordCounter(const DriverTable& drv, int reader, int mode, int set) {
  const auto s = static_cast<unsigned char>(set);
  const bool readPassword = mode == CSecretCodeDlg::kVerifyRead || mode == CSecretCodeDlg::kChangeRead;
  return readPassword ? drv.IC_ReadRPasswordCount(reader, s) : drv.IC_ReadWPasswordCount(reader, s);
}

void CSecretCodeDlg::showCounter(port::DialogControls& c) {
  const short n = readPasswordCounter(drv_, m_reader, m_mode, m_set);
  std::string line = kCounterLabel;
  if (n >= 0) line += std::to_string(n);
  c.setText(IDC_SECRET_COUNTER, line);
}

bool CSecretCodeDlg::onInit(port::DialogControls& c) {
  c.setText(IDC_SECRET_SET, std::to_string(m_set));
  c.setText(IDC_SECRET_PASSWORD, m_password);
  c.limitText(IDC_SECRET_PASSWORD, kPasswordLength);
  c.setText(IDC_SECRET_SET_LABEL, m_setLabel);
  c.setCaption(secretCodeCaption(m_mode));
  if (m_mode == kVerifySecurityCode || m_mode == kChangeSecurityCode) {
    // The security code's set is fixed.
    c.show(IDC_SECRET_SET_LABEL, false);
    c.show(IDC_SECRET_SET, false);
  }
  showCounter(c);
  return true;
}

void CSecretCodeDlg::onCommand(port::DialogControls& c, int id, int code) {
  if (id == IDC_SECRET_SET && code == port::notify::kEditChange) {
    onSetChanged(c);
    return;
  }
  port::Dialog::onCommand(c, id, code);
}

void CSecretCodeDlg::onSetChanged(port::DialogControls& c) {
  exchangeFromControls(c);  // on a non-integer m_set keeps its value
  if (m_set > 7 || m_set < 0) {
    c.messageBox("输入错误！", kAppTitle, kWarning);
    c.selectAll(IDC_SECRET_SET);
    return;
  }
  showCounter(c);
}

void CSecretCodeDlg::onOK(port::DialogControls& c) {
  // A set field that is not a number keeps the dialog open: the command
  // must not run on a set the field does not show.
  if (!exchangeFromControls(c)) return;
  // The driver takes the set as a 16-bit number: a set that does not fit
  // would reach it cut to another set's number.
  if (m_set > SHRT_MAX || m_set < SHRT_MIN) {
    c.messageBox("输入错误！", kAppTitle, kWarning);
    c.selectAll(IDC_SECRET_SET);
    return;
  }
  if (m_password.size() != static_cast<std::size_t>(kPasswordLength)) {
    c.messageBox("长度错误！", kAppTitle, kWarning);
    return;
  }
  // Only hexadecimal digits reach the card: a typo must not cost an attempt.
  if (!isHexText(m_password)) {
    c.messageBox("输入数据在0-F之间！", kAppTitle, kWarning);
    return;
  }
  c.end(port::mb::kIdOk);
}
