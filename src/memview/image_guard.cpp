#include "memview/image_guard.h"

#include "platform/app_title.h"

namespace memview {

void recordSuccessfulRead(CardSession& st) { st.imageSource = {true, st.cardType, st.zoneIndex, st.blockIndex}; }

void forgetCardImage(CardImageState& st) { st.imageSource.valid = false; }

bool holdsCurrentRead(const CardSession& st) {
  const CardImageState::ImageSource& s = st.imageSource;
  if (!s.valid || st.viewState != ViewState::CardData || s.cardType != st.cardType) return false;
  switch (st.cardType) {
    case CardType::Cpu:
    case CardType::Sam:
      return false;  // no memory image: their cards speak through commands
    case CardType::At88sc1608:
    case CardType::At45d041:
      return s.zoneIndex == st.zoneIndex;
    case CardType::Ssf1101:
      return s.blockIndex == st.blockIndex;
    default:
      return true;
  }
}

bool hasPendingEdits(const CardSession& st, const CDemoDoc& doc) {
  if (doc.editedRowCount > 0) return true;
  if (st.cardType == CardType::Sle4442) return st.protect4442 != st.protect4442Saved;
  if (st.cardType == CardType::Sle4428) return st.pages4428 != st.pages4428Saved;
  return false;
}

bool confirmDiscardEdits(CardSession& st, CDemoDoc& doc, port::Shell& shell) {
  if (!hasPendingEdits(st, doc)) return true;
  if (shell.messageBox(kDiscardEdits, kAppTitle, port::mb::kYesNo | port::mb::kIconQuestion) !=
      port::mb::kIdYes) {
    return false;
  }
  // Discarded: nothing of them may reach a card later. The image still
  // shows the typed values, so it is not the card's read any more.
  forgetCardImage(st);
  doc.clearRows();
  st.protect4442 = st.protect4442Saved;
  st.pages4428 = st.pages4428Saved;
  return true;
}

}  // namespace memview
