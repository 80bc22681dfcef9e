#include "security/password_dlg.h"

void CPasswordDlg::exchange(port::DialogControls& c, bool fromControls) {
  if (fromControls)
    m_password = c.text(IDC_PASSWORD);
  else
    c.setText(IDC_PASSWORD, m_password);
}

bool CPasswordDlg::onInit(port::DialogControls& c) {
  exchange(c, false);
  // The operator can type at once; the default focus handling may follow.
  c.setFocus(IDC_PASSWORD);
  return true;
}

void CPasswordDlg::onOK(port::DialogControls& c) {
  exchange(c, true);
  c.end(port::mb::kIdOk);
}
