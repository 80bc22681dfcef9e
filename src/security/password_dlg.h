// CPasswordDlg: the small "密码输入" dialog (template IDD_PASSWORD) in which the
// memory-card commands ask for a password, zone code or erase code.
#pragma once

#include <string>

#include "platform/dialog.h"
#include "resources/resource.h"

class CPasswordDlg : public port::Dialog {
 public:
  int templateId() const override { return IDD_PASSWORD; }
  bool onInit(port::DialogControls& c) override;
  void onOK(port::DialogControls& c) override;

  // What edit IDC_PASSWORD held when the dialog closed with OK (the edit turns
  // typed letters into upper case; nothing else is filtered or cut).
  std::string m_password;

 private:
  void exchange(port::DialogControls& c, bool fromControls);
};
