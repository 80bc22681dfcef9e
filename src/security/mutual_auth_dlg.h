// CMutualAuthDlg: "双向认证操作" (template 145), the three stages of the
// AT88SC1608 / AT88SC153 mutual authentication run by hand.
#pragma once

#include <array>
#include <string>

#include "platform/dialog.h"
#include "reader/driver.h"

class CMutualAuthDlg : public port::Dialog {
 public:
  static constexpr int kTemplate = 145;
  static constexpr int kRandomEdit = 1017;
  static constexpr int kSeedEdit = 1004;
  static constexpr int kInitButton = 1013;
  static constexpr int kCardAuthButton = 1014;
  static constexpr int kHostAuthButton = 1015;
  static constexpr int kCounterLine = 1016;
  static constexpr int kTextLength = 16;  // Q0 and Gc: 16 hexadecimal digits

  // A NUL-terminated hexadecimal text exchanged with the driver.
  using HexText = std::array<char, 20>;

  explicit CMutualAuthDlg(const DriverTable& drv) : drv_(drv) {}

  int templateId() const override { return kTemplate; }
  bool onInit(port::DialogControls& c) override;
  void onCommand(port::DialogControls& c, int id, int code) override;

  std::string m_random;    // Q0, edit 1017
  std::string m_password;  // Gc, edit 1004
  int m_reader = 0;
  HexText m_gc{};
  HexText m_q0{};
  HexText m_ci{};
  HexText m_q1{};
  HexText m_q2{};

 private:
  void exchangeFromControls(port::DialogControls& c);
  void showCounter(port::DialogControls& c);
  void initialise(port::DialogControls& c);         // button 1013
  void cardAuthenticatesHost(port::DialogControls& c);  // button 1014
  void hostAuthenticatesCard(port::DialogControls& c);  // button 1015
  void message(port::DialogControls& c, const char* text, const char* caption = nullptr);

  const DriverTable& drv_;
};

// Copies at most the first 16 characters of `text` into `out`, NUL-terminated.
void copyHexText(const std::string& text, CMutualAuthDlg::HexText& out);
