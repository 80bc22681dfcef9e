// CAboutDlg: the About box on template 100.
#pragma once

#include "platform/dialog.h"

class CAboutDlg : public port::Dialog {
 public:
  static constexpr int kTemplate = 100;
  static constexpr int kTitleText = 1025;
  static constexpr int kNoticeText = 1026;
  static constexpr int kExtraText = 1027;
  static constexpr const char* kCaption = "pelox读写器演示程序";
  static constexpr const char* kNotice = "本程序仅供演示读写器功能，按原样提供。";

  int templateId() const override { return kTemplate; }
  bool onInit(port::DialogControls& c) override;
};
