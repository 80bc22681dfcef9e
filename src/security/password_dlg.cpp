#include "security/password_dlg.h"

void CPasswordDlg::exchange(port::DialogControls& c, bool fromControls) {
  if (fromControls)
    m_password = c.text(kEdit);
  else
    c.setText(kEdit, m_password);
}

bool CPasswordDlg::onInit(port::DialogControls& c) {
  exchange(c, false);
  // The operator can type at once; the default focus handling may follow.
  c.setFocus(kEdit);
  return true;
}

void CPasswordDlg::onOK(port::DialogControls& c) {
  exchange(c, true);
  c.end(port::mb::kIdOk);
}
