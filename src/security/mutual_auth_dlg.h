// CMutualAuthDlg: "双向认证操作" (template IDD_MUTUAL_AUTH), the three stages
// of the AT88SC1608 / AT88SC153 mutual authentication run by hand.
#pragma once

#include <array>
#include <string>

#include "platform/dialog.h"
#include "reader/driver.h"
#include "resources/resource.h"

class CMutualAuthDlg : public port::Dialog {
 public:
  static constexpr int kTextLength = 16;  // Q0 and Gc: 16 hexadecimal digits

  // A NUL-terminated hexadecimal text exchanged with the driver.
  using HexText = std::array<char, 20>;

  explicit CMutualAuthDlg(const DriverTable& drv) : drv_(drv) {}

  int templateId() const override { return IDD_MUTUAL_AUTH; }
  bool onInit(port::DialogControls& c) override;
  void onCommand(port::DialogControls& c, int id, int code) override;

  std::string m_random;    // Q0, edit IDC_AUTH_RANDOM
  std::string m_password;  // Gc, edit IDC_AUTH_SEED
  int m_reader = 0;
  HexText m_gc{};
  HexText m_q0{};
  HexText m_ci{};
  HexText m_q1{};
  HexText m_q2{};

 private:
  void exchangeFromControls(port::DialogControls& c);
  void showCounter(port::DialogControls& c);
  void initialise(port::DialogControls& c);             // button IDC_AUTH_INIT
  void cardAuthenticatesHost(port::DialogControls& c);  // button IDC_AUTH_CARD
  void hostAuthenticatesCard(port::DialogControls& c);  // button IDC_AUTH_HOST
  void message(port::DialogControls& c, const char* text, const char* caption = nullptr);

  const DriverTable& drv_;
};

// Copies at most the first 16 characters of `text` into `out`, NUL-terminated.
void copyHexText(const std::string& text, CMutualAuthDlg::HexText& out);
