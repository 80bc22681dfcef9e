// CDeviceDlg: the reader device operation dialog (template IDD_DEVICE).
// Sounds the reader's buzzer, writes and reads the reader's own device memory
// as hexadecimal text; a hidden button (revealed by a right double-click in the
// top-left corner) closes it with OK for the 24C16 page operation mode.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dialog.h"
#include "reader/driver.h"
#include "resources/resource.h"

class CDeviceDlg : public port::Dialog {
 public:
  static constexpr int kPageModeButton = 1;  // IDOK, hidden until revealed
  // Device memory: addresses 0..2048, start + length up to 2048.
  static constexpr std::uint64_t kDeviceSize = 2048;
  // The hexadecimal text buffer: 2048 characters with the terminating zero,
  // so one transfer carries at most 1023 bytes (2046 digits).
  static constexpr std::size_t kHexBufferSize = 2048;
  static constexpr std::uint32_t kMaxTransfer = (kHexBufferSize - 1) / 2;

  explicit CDeviceDlg(DriverTable& drv) : drv_(drv) {}

  int templateId() const override { return IDD_DEVICE; }
  bool onInit(port::DialogControls& c) override;
  void onCommand(port::DialogControls& c, int id, int code) override;
  void onOK(port::DialogControls& c) override;
  void onMouse(port::DialogControls& c, int message, port::Point p) override;

  int m_beepTime = 20;
  unsigned m_start = 0;
  unsigned m_length = 10;
  std::string m_data;
  int m_reader = 0;

  bool exchange(port::DialogControls& c, bool save);

  void onBeep(port::DialogControls& c);
  void onWrite(port::DialogControls& c);
  void onRead(port::DialogControls& c);

 private:
  // Checks start and length of a transfer; shows the message and returns
  // false when they are out of range.
  bool checkRange(port::DialogControls& c);

  DriverTable& drv_;
  bool pageButtonShown_ = false;
};
