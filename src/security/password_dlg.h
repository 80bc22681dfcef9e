// CPasswordDlg: the small "密码输入" dialog (template 102) in which the
// memory-card commands ask for a password, zone code or erase code.
#pragma once

#include <string>

#include "platform/dialog.h"

class CPasswordDlg : public port::Dialog {
 public:
  static constexpr int kTemplate = 102;
  static constexpr int kEdit = 1001;

  int templateId() const override { return kTemplate; }
  bool onInit(port::DialogControls& c) override;
  void onOK(port::DialogControls& c) override;

  // What edit 1001 held when the dialog closed with OK (the edit turns
  // typed letters into upper case; nothing else is filtered or cut).
  std::string m_password;

 private:
  void exchange(port::DialogControls& c, bool fromControls);
};
