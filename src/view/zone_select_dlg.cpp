#include "view/zone_select_dlg.h"

#include "platform/ddx.h"

std::string CZoneSelectDlg::promptFor(CardType cardType) {
  if (cardType == CardType::At88sc1608) return "(0-8)8区是控制区\n     0-7区用户区";
  if (cardType == CardType::At45d041) return "(0-2047):";
  return "(0-511):";
}

namespace {

void exchange(CZoneSelectDlg& d, ddx::Exchange& dx) {
  dx.integerRange(IDC_ZONE_PAGE, d.m_pageNumber, 0, 2047);
  dx.text(IDC_ZONE_PROMPT, d.m_prompt);
  dx.check(IDC_ZONE_SET_USER_ZONE, d.m_setUserZone);
}

}  // namespace

bool CZoneSelectDlg::onInit(port::DialogControls& c) {
  m_prompt = promptFor(m_cardType);
  c.show(IDC_ZONE_SET_USER_ZONE, m_cardType == CardType::At88sc1608);
  ddx::Exchange dx(c, ddx::Direction::Load);
  exchange(*this, dx);
  return true;
}

void CZoneSelectDlg::onOK(port::DialogControls& c) {
  ddx::Exchange dx(c, ddx::Direction::Save);
  exchange(*this, dx);
  if (dx.failed()) return;
  c.end(port::mb::kIdOk);
}
