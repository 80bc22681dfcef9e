#include "security/mutual_auth_dlg.h"

#include <algorithm>
#include <cstring>

#include "platform/app_title.h"
#include "security/attempts.h"
#include "security/hex_digits.h"

namespace {

constexpr const char* kCounterLabel = "当前认证错误计数器：";

}  // namespace

void copyHexText(const std::string& text, CMutualAuthDlg::HexText& out) {
  out.fill('\0');
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(CMutualAuthDlg::kTextLength));
  std::memcpy(out.data(), text.data(), n);
}

void CMutualAuthDlg::message(port::DialogControls& c, const char* text, const char* caption) {
  c.messageBox(text, caption ? caption : kAppTitle, port::mb::kOk);
}

void CMutualAuthDlg::exchangeFromControls(port::DialogControls& c) {
  m_random = c.text(IDC_AUTH_RANDOM);
  m_password = c.text(IDC_AUTH_SEED);
}

void CMutualAuthDlg::showCounter(port::DialogControls& c) {
  const short n = drv_.IC_ReadAuthCount(m_reader);
  c.setText(IDC_AUTH_COUNTER,
            n >= 0 ? kCounterLabel + std::to_string(n) : std::string(kCounterLabel) + "    ");
}

bool CMutualAuthDlg::onInit(port::DialogControls& c) {
  c.setText(IDC_AUTH_RANDOM, m_random);
  c.setText(IDC_AUTH_SEED, m_password);
  c.limitText(IDC_AUTH_RANDOM, kTextLength);
  c.limitText(IDC_AUTH_SEED, kTextLength);
  showCounter(c);
  return true;
}

void CMutualAuthDlg::onCommand(port::DialogControls& c, int id, int code) {
  if (code == port::notify::kClicked) {
    switch (id) {
      case IDC_AUTH_INIT: initialise(c); return;
      case IDC_AUTH_CARD: cardAuthenticatesHost(c); return;
      case IDC_AUTH_HOST: hostAuthenticatesCard(c); return;
      default: break;
    }
  }
  port::Dialog::onCommand(c, id, code);
}

void CMutualAuthDlg::initialise(port::DialogControls& c) {
  exchangeFromControls(c);
  if (m_random.size() != static_cast<std::size_t>(kTextLength)) return message(c, "随机数长度错误！");
  if (!isHexText(m_random)) return message(c, "输入随机数数据在0-F之间！");
  // The initialisation is what spends an attempt of the card's counter.
  if (!security::lastAttemptAccepted(c, drv_.IC_ReadAuthCount(m_reader))) return;
  copyHexText(m_random, m_q0);
  if (drv_.IC_InitAuth_Hex(m_reader, m_q0.data()) < 0)
    message(c, "初始化认证错误");
  else
    message(c, "初始化认证成功", "初始化认证");
  showCounter(c);
}

void CMutualAuthDlg::cardAuthenticatesHost(port::DialogControls& c) {
  exchangeFromControls(c);
  if (m_password.size() != static_cast<std::size_t>(kTextLength)) return message(c, "密码长度错误！");
  if (!isHexText(m_password)) return message(c, "输入密码数据在0-F之间！");
  copyHexText(m_random, m_q0);
  copyHexText(m_password, m_gc);
  m_ci.fill('\0');
  if (drv_.IC_ReadConfigZone_Hex(m_reader, 40, 8, m_ci.data()) < 0) return message(c, "读卡CI错误！");
  m_ci.back() = '\0';
  if (drv_.SetInit_Hex(m_ci.data(), m_gc.data(), m_q0.data()) < 0) return message(c, "初始化CI，GC，Q0 错误！");
  m_q1.fill('\0');
  m_q2.fill('\0');
  const short made = drv_.Authenticate_Hex(m_q1.data(), m_q2.data());
  m_q1.back() = '\0';
  m_q2.back() = '\0';
  if (made < 0) return message(c, "生成验证数据Q1，Q2 错误！");
  if (drv_.IC_CheckAuth_Hex(m_reader, m_q1.data()) < 0)
    message(c, "卡认证主机错误！");
  else
    message(c, "卡认证主机成功", "卡认证主机");
  showCounter(c);
}

void CMutualAuthDlg::hostAuthenticatesCard(port::DialogControls& c) {
  m_ci.fill('\0');
  if (drv_.IC_ReadConfigZone_Hex(m_reader, 40, 8, m_ci.data()) < 0) return message(c, "读卡CI错误！");
  m_ci.back() = '\0';
  // Before the first Q1/Q2 of this dialog there is nothing to compare with.
  const bool haveQ2 = m_q2[0] != '\0';
  if (haveQ2 && std::strncmp(m_ci.data(), m_q2.data(), kTextLength) == 0)
    message(c, "主机认证卡成功", "主机认证卡");
  else
    message(c, "主机认证卡错误！");
}
