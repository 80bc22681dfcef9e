// CZoneSelectDlg (dialog IDD_ZONE_SELECT, "输入页号"): asks for the AT45D041 page, the
// SSF1101 block or the AT88SC1608 zone to read.
#pragma once

#include <string>

#include "platform/dialog.h"
#include "cards/card_types.h"
#include "resources/resource.h"

class CZoneSelectDlg : public port::Dialog {
 public:
  int m_pageNumber = 0;                  // edit IDC_ZONE_PAGE, 0..2047
  std::string m_prompt;                  // static IDC_ZONE_PROMPT
  int m_setUserZone = 0;                 // check box IDC_ZONE_SET_USER_ZONE
  CardType m_cardType = CardType::None;  // set by the caller

  int templateId() const override { return IDD_ZONE_SELECT; }
  bool onInit(port::DialogControls& c) override;
  void onOK(port::DialogControls& c) override;

  // The prompt shown for a card type code.
  static std::string promptFor(CardType cardType);
};
