#include "consoles/device_dlg.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/app_title.h"
#include "platform/ddx.h"

namespace {

constexpr const char* kCaption = "设备操作";
constexpr const char* kBadLength = "输入长度错误！";

void plainBox(port::DialogControls& c, const char* text) { c.messageBox(text, kAppTitle, port::mb::kOk); }

}  // namespace

bool CDeviceDlg::exchange(port::DialogControls& c, bool save) {
  ddx::Exchange dx(c, save ? ddx::Direction::Save : ddx::Direction::Load);
  dx.integer(IDC_DEVICE_BEEP_TIME, m_beepTime);
  dx.unsignedInteger(IDC_DEVICE_START, m_start);
  dx.unsignedInteger(IDC_DEVICE_LENGTH, m_length);
  dx.text(IDC_DEVICE_DATA, m_data);
  return dx.ok();
}

bool CDeviceDlg::onInit(port::DialogControls& c) {
  // Hidden again at each opening until revealed.
  c.show(kPageModeButton, false);
  pageButtonShown_ = false;
  exchange(c, false);
  return true;
}

void CDeviceDlg::onCommand(port::DialogControls& c, int id, int code) {
  if (code != port::notify::kClicked) return;
  switch (id) {
    case IDC_DEVICE_BEEP: onBeep(c); break;
    case IDC_DEVICE_WRITE: onWrite(c); break;
    case IDC_DEVICE_READ: onRead(c); break;
    default: port::Dialog::onCommand(c, id, code); break;
  }
}

void CDeviceDlg::onMouse(port::DialogControls& c, int message, port::Point p) {
  if (message != port::mouse::kRightDoubleClick) return;
  if (p.x >= 0 && p.x < 5 && p.y >= 0 && p.y < 5) {
    c.show(kPageModeButton, true);
    pageButtonShown_ = true;
  }
}

void CDeviceDlg::onOK(port::DialogControls& c) {
  // OK means the page operation mode: only from the revealed button.
  if (!pageButtonShown_) return;
  if (!exchange(c, true)) return;
  c.end(port::mb::kIdOk);
}

void CDeviceDlg::onBeep(port::DialogControls& c) {
  if (!exchange(c, true)) return;
  if (m_beepTime < 0 || m_beepTime > 255) {
    plainBox(c, "输入错误！");
    return;
  }
  if (drv_.IC_Beep(m_reader, 5, static_cast<short>(m_beepTime)) != 0) c.messageBox("蜂鸣失败", kCaption, port::mb::kOk);
}

bool CDeviceDlg::checkRange(port::DialogControls& c) {
  if (m_start > kDeviceSize) {
    plainBox(c, "输入起始地址错误！");
    return false;
  }
  // Summed in 64 bits: a huge length cannot wrap round to a small end.
  if (std::uint64_t{m_start} + m_length > kDeviceSize || m_length > kMaxTransfer) {
    plainBox(c, kBadLength);
    return false;
  }
  return true;
}

void CDeviceDlg::onWrite(port::DialogControls& c) {
  if (!exchange(c, true)) return;
  if (!checkRange(c)) return;
  if (m_data.size() > kHexBufferSize - 2) {
    plainBox(c, kBadLength);
    return;
  }
  std::array<char, kHexBufferSize> buffer{};
  std::memcpy(buffer.data(), m_data.data(), m_data.size());
  short r = drv_.IC_WriteDevice_Hex(m_reader, static_cast<short>(m_start), static_cast<short>(m_length), buffer.data());
  c.messageBox(r == 0 ? "写数据成功" : "写数据失败", kCaption, port::mb::kOk);
}

void CDeviceDlg::onRead(port::DialogControls& c) {
  if (!exchange(c, true)) return;
  if (!checkRange(c)) return;
  std::array<char, kHexBufferSize> buffer{};
  short r = drv_.IC_ReadDevice_Hex(m_reader, static_cast<short>(m_start), static_cast<short>(m_length), buffer.data());
  if (r != 0) {
    c.messageBox("读数据失败", kCaption, port::mb::kOk);
    m_data.clear();
  } else {
    const std::size_t digits = std::min<std::size_t>(2u * m_length, buffer.size() - 1);
    m_data.assign(buffer.data(), strnlen(buffer.data(), digits));
  }
  exchange(c, false);
}
