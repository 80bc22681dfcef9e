// CAboutDlg: the About box on template IDD_ABOUTBOX.
#pragma once

#include "platform/dialog.h"
#include "resources/resource.h"

class CAboutDlg : public port::Dialog {
 public:
  static constexpr const char* kCaption = "pelox读写器演示程序";
  static constexpr const char* kNotice = "本程序仅供演示读写器功能，按原样提供。";

  int templateId() const override { return IDD_ABOUTBOX; }
  bool onInit(port::DialogControls& c) override;
};
