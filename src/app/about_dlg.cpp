#include "app/about_dlg.h"

bool CAboutDlg::onInit(port::DialogControls& c) {
  c.setText(kTitleText, kCaption);
  c.setText(kNoticeText, kNotice);
  c.setText(kExtraText, "");
  c.setCaption(kCaption);
  return true;
}
