// CZoneSelectDlg (dialog 113, "输入页号"): asks for the AT45D041 page, the
// SSF1101 block or the AT88SC1608 zone to read.
#pragma once

#include <string>

#include "platform/dialog.h"
#include "reader/card_types.h"

class CZoneSelectDlg : public port::Dialog {
 public:
  static constexpr int kTemplateId = 113;
  static constexpr int kPageEdit = 1002;
  static constexpr int kPrompt = 1005;
  static constexpr int kSetUserZone = 1009;

  int m_pageNumber = 0;       // edit 1002, 0..2047
  std::string m_prompt;       // static 1005
  int m_setUserZone = 0;      // check box 1009
  CardType m_cardType = CardType::None;  // set by the caller

  int templateId() const override { return kTemplateId; }
  bool onInit(port::DialogControls& c) override;
  void onOK(port::DialogControls& c) override;

  // The prompt shown for a card type code.
  static std::string promptFor(CardType cardType);
};
