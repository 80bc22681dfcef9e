#include "consoles/cpu_card_dlg.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "platform/app_title.h"
#include "platform/ddx.h"

namespace {

constexpr const char* kErrorCaption = "错误提示";
constexpr const char* kBadFormat = "数据格式错误";

// Working buffers of one command, zero-filled before each use.
constexpr std::size_t kBufferSize = 1024;
constexpr std::size_t kAnswerSize = 512;

void showErrorCode(port::DialogControls& c, short result) {
  c.messageBox("ERR_CODE=" + std::to_string(static_cast<int>(result)), kErrorCaption, port::mb::kOk);
}

void plainBox(port::DialogControls& c, const char* text) { c.messageBox(text, kAppTitle, port::mb::kOk); }

// A byte field, 0 to 255. Text that is no number at all gets the range
// message too, as every byte field does.
bool exchangeByte(ddx::Exchange& dx, port::DialogControls& c, int id, std::uint8_t& value) {
  if (dx.failed()) return false;
  if (dx.saving() && !ddx::parseInt(c.text(id))) {
    c.messageBox(ddx::format(ddx::kIntegerBetween, "0", "255"), ddx::kDefaultCaption,
                 port::mb::kOk | port::mb::kIconExclamation);
    c.setFocus(id);
    c.selectAll(id);
    return false;
  }
  int v = value;
  dx.integerRange(id, v, 0, 255);
  if (dx.failed()) return false;
  value = static_cast<std::uint8_t>(v);
  return true;
}

}  // namespace

bool CCpuCardDlg::exchange(port::DialogControls& c, bool save) {
  ddx::Exchange dx(c, save ? ddx::Direction::Save : ddx::Direction::Load);
  dx.radio({IDC_CPU_SLOT_MAIN, IDC_CPU_SLOT_SAM, IDC_CPU_SLOT_SAM1, IDC_CPU_SLOT_SAM2}, m_slot);
  return exchangeByte(dx, c, IDC_CPU_PROTOCOL, m_protocol) &&
         exchangeByte(dx, c, IDC_CPU_TIME_PARAM, m_timeParam);
}

bool CCpuCardDlg::onInit(port::DialogControls& c) {
  m_slotType = pelox::DriverType::Cpu;
  m_slot = 0;
  m_protocol = 0;
  m_timeParam = 92;
  exchange(c, false);
  return true;
}

void CCpuCardDlg::onCommand(port::DialogControls& c, int id, int code) {
  if (code != port::notify::kClicked) return;
  if (id >= IDC_CPU_SLOT_MAIN && id <= IDC_CPU_SLOT_SAM2) {
    // The radio buttons stand in the order of the slots' driver types.
    m_slotType = static_cast<pelox::DriverType>(codeOf(pelox::DriverType::Cpu) + (id - IDC_CPU_SLOT_MAIN));
    return;
  }
  switch (id) {
    case IDC_CPU_RESET: onReset(c); break;
    case IDC_CPU_SEND: onSend(c); break;
    case IDC_CPU_POWER_DOWN: onPowerDown(c); break;
    case IDC_CPU_PARAM: onSetParameters(c); break;
    default: port::Dialog::onCommand(c, id, code); break;
  }
}

void CCpuCardDlg::onReset(port::DialogControls& c) {
  if (!exchange(c, true)) return;
  if (drv_.IC_InitType(m_reader, codeOf(m_slotType)) != 0) {
    plainBox(c, "IC_InitType error");
    return;
  }
  unsigned char length = 0;
  std::array<std::uint8_t, kAnswerSize> answer{};
  short r = drv_.IC_CpuReset(m_reader, &length, answer.data());
  if (history_ != nullptr)
    history_->recordReset(apdu::Origin::Console, r,
                          apdu::Bytes(answer.begin(), r == 0 ? answer.begin() + length : answer.begin()));
  if (r != 0) {
    showErrorCode(c, r);
    return;
  }
  // The length is one byte, so the answer always fits its buffer; bound it
  // all the same.
  c.setText(IDC_CPU_ANSWER, upperHex(answer.data(), std::min<std::size_t>(length, answer.size())));
  exchange(c, false);
}

void CCpuCardDlg::onSend(port::DialogControls& c) {
  if (!exchange(c, true)) return;
  std::string typed = c.text(IDC_CPU_COMMAND);
  // Text that does not fit the command buffer is refused whole: a cut
  // command would send bytes the operator did not type.
  if (typed.size() > kCommandTextMax) {
    c.messageBox(kBadFormat, kErrorCaption, port::mb::kOk);
    return;
  }
  std::array<char, kBufferSize> commandText{};
  std::array<std::uint8_t, kBufferSize> command{};
  std::array<std::uint8_t, kBufferSize> response{};
  std::array<char, kBufferSize> responseText{};
  std::memcpy(commandText.data(), typed.data(), typed.size());
  // Two digits per byte; a trailing odd digit is ignored.
  const auto n = static_cast<short>(typed.size() / 2);
  if (drv_.hex2asc(commandText.data(), command.data(), n) < 0) {
    c.messageBox(kBadFormat, kErrorCaption, port::mb::kOk);
    return;
  }
  unsigned char responseLength = 0;
  short r = drv_.IC_CpuApdu(m_reader, n, command.data(), &responseLength, response.data());
  if (history_ != nullptr) {
    const auto answered = r == 0 ? response.begin() + responseLength : response.begin();
    history_->recordApdu(apdu::Origin::Console, apdu::Bytes(command.begin(), command.begin() + n), r,
                         apdu::Bytes(response.begin(), answered));
  }
  if (r != 0) {
    showErrorCode(c, r);
    return;
  }
  drv_.asc2hex(response.data(), responseText.data(), static_cast<short>(responseLength));
  const std::size_t digits = std::min<std::size_t>(2u * responseLength, responseText.size() - 1);
  c.setText(IDC_CPU_RESPONSE, std::string(responseText.data(), strnlen(responseText.data(), digits)));
  exchange(c, false);
}

void CCpuCardDlg::onPowerDown(port::DialogControls& c) {
  if (drv_.IC_Down(m_reader) != 0) plainBox(c, "PowerDown Error.");
}

void CCpuCardDlg::onSetParameters(port::DialogControls& c) {
  if (!exchange(c, true)) return;
  short r =
      drv_.IC_SetCpuPara(m_reader, static_cast<unsigned char>(codeOf(m_slotType)), m_protocol, m_timeParam);
  plainBox(c, r == 0 ? "设置CPU参数成功" : "设置CPU参数错误");
}
