#include "app/about_dlg.h"

bool CAboutDlg::onInit(port::DialogControls& c) {
  c.setText(IDC_ABOUT_TITLE, kCaption);
  c.setText(IDC_ABOUT_NOTICE, kNotice);
  c.setText(IDC_ABOUT_EXTRA, "");
  c.setCaption(kCaption);
  return true;
}
