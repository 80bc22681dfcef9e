// CCpuCardDlg: the CPU card console (template IDD_CPU_CARD). Resets a CPU
// card and shows its answer to reset, sends command APDUs typed in
// hexadecimal and shows the response, powers the card down.
#pragma once

#include <cstdint>
#include <string>

#include "apdu/apdu_history.h"
#include "apdu/hex_bytes.h"
#include "platform/dialog.h"
#include "cards/card_types.h"
#include "reader/driver.h"
#include "resources/resource.h"

class CCpuCardDlg : public port::Dialog {
 public:
  // The command text buffer holds this many characters and its zero.
  static constexpr std::size_t kCommandTextMax = 1023;

  // With a history, every reset and command goes into it.
  explicit CCpuCardDlg(DriverTable& drv, apdu::History* history = nullptr) : drv_(drv), history_(history) {}

  int templateId() const override { return IDD_CPU_CARD; }
  bool onInit(port::DialogControls& c) override;
  void onCommand(port::DialogControls& c, int id, int code) override;

  int m_reader = 0;
  pelox::DriverType m_slotType = pelox::DriverType::Cpu;  // the CPU card slot or one of the SAM slots
  int m_slot = -1;      // index of the checked radio button from IDC_CPU_SLOT_MAIN
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
  apdu::History* history_;
};
