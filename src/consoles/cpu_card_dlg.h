// CCpuCardDlg: the CPU card console (template 127). Resets a CPU card and
// shows its answer to reset, sends command APDUs typed in hexadecimal and
// shows the response, powers the card down.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dialog.h"
#include "reader/card_types.h"
#include "reader/driver.h"

class CCpuCardDlg : public port::Dialog {
 public:
  static constexpr int kTemplate = 127;
  // Controls.
  static constexpr int kSlotRadioFirst = 1029;  // 1029..1032: main slot, SAM, SAM1, SAM2
  static constexpr int kSlotRadioLast = 1032;
  static constexpr int kResetButton = 1003;
  static constexpr int kAnswerEdit = 1004;
  static constexpr int kSendButton = 1005;
  static constexpr int kCommandEdit = 1006;
  static constexpr int kResponseEdit = 1007;
  static constexpr int kPowerDownButton = 1008;
  static constexpr int kParamButton = 1033;  // hidden
  static constexpr int kTimeParamEdit = 1034;  // hidden
  static constexpr int kProtocolEdit = 1035;   // hidden
  // The command text buffer holds this many characters and its zero.
  static constexpr std::size_t kCommandTextMax = 1023;

  explicit CCpuCardDlg(DriverTable& drv) : drv_(drv) {}

  int templateId() const override { return kTemplate; }
  bool onInit(port::DialogControls& c) override;
  void onCommand(port::DialogControls& c, int id, int code) override;

  int m_reader = 0;
  pelox::DriverType m_slotType = pelox::DriverType::Cpu;  // the CPU card slot or one of the SAM slots
  int m_slot = -1;      // index of the checked radio button from 1029
  std::uint8_t m_protocol = 0;
  std::uint8_t m_timeParam = 0;

  // Exchanges the members with the controls (save: controls -> members).
  // False when a field was refused (its message shown, focus on it).
  bool exchange(port::DialogControls& c, bool save);

  void onReset(port::DialogControls& c);
  void onSend(port::DialogControls& c);
  void onPowerDown(port::DialogControls& c);
  void onSetParameters(port::DialogControls& c);

 private:
  DriverTable& drv_;
};

// Bytes as text, two upper-case hexadecimal digits per byte, high digit first.
std::string upperHex(const std::uint8_t* bytes, std::size_t count);
