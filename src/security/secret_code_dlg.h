// CSecretCodeDlg: the password dialog of the AT88SC1608 / AT88SC153
// (template IDD_SECRET_CODE): a password set, a six-character password and the error
// counter of the chosen password.
#pragma once

#include <string>

#include "platform/dialog.h"
#include "reader/driver.h"
#include "resources/resource.h"

class CSecretCodeDlg : public port::Dialog {
 public:
  static constexpr int kPasswordLength = 6;

  // The operation the dialog is opened for.
  enum Mode {
    kVerifyRead = 0,
    kVerifyWrite = 1,
    kVerifySecurityCode = 2,
    kChangeRead = 3,
    kChangeWrite = 4,
    kChangeSecurityCode = 5,
  };

  explicit CSecretCodeDlg(const DriverTable& drv) : drv_(drv) {}

  int templateId() const override { return IDD_SECRET_CODE; }
  bool onInit(port::DialogControls& c) override;
  void onCommand(port::DialogControls& c, int id, int code) override;
  void onOK(port::DialogControls& c) override;

  std::string m_password;
  int m_set = 0;
  std::string m_setLabel;
  int m_mode = kVerifyRead;
  int m_reader = 0;

 private:
  // Controls into members; false when the set text is not an integer (the
  // message was shown, m_set kept its value).
  bool exchangeFromControls(port::DialogControls& c);
  void showCounter(port::DialogControls& c);
  void onSetChanged(port::DialogControls& c);

  const DriverTable& drv_;
};

// The window caption of a mode ("校验读密码" ... "修改安全代码").
const char* secretCodeCaption(int mode);

// The error counter of the password a mode works on: the read password's
// for the read-password modes, the write password's for the others.
short readPasswordCounter(const DriverTable& drv, int reader, int mode, int set);
