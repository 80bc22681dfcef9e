#include "memview/image_guard.h"

#include "platform/app_title.h"

namespace memview {

void recordSuccessfulRead(CardSession& st, const CDemoDoc& doc) {
  st.imageSource = {true, st.cardType, st.zoneIndex, st.blockIndex};
  for (int a = 0; a < CDemoDoc::kCells; ++a) st.cardBytes[static_cast<std::size_t>(a)] = doc.byteAt(a);
}

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

bool imageDiffersFromCard(const CardSession& st, const CDemoDoc& doc) {
  for (int a = 0; a < st.byteCount && a < CDemoDoc::kCells; ++a) {
    if (doc.byteAt(a) != st.cardBytes[static_cast<std::size_t>(a)]) return true;
  }
  return false;
}

void recordWritten(CardSession& st, CDemoDoc& doc, int address, int length) {
  for (int a = address; a < address + length && a < CDemoDoc::kCells; ++a) {
    if (a < 0) continue;
    st.cardBytes[static_cast<std::size_t>(a)] = doc.byteAt(a);
    doc.editedBytes.reset(static_cast<std::size_t>(a));
  }
}

void restoreCardBytes(CardSession& st, CDemoDoc& doc) {
  for (int a = 0; a < CDemoDoc::kCells; ++a) doc.setByte(a, st.cardBytes[static_cast<std::size_t>(a)]);
  doc.clearRows();
  st.protect4442 = st.protect4442Saved;
  st.pages4428 = st.pages4428Saved;
}

bool confirmDiscardEdits(CardSession& st, CDemoDoc& doc, port::Shell& shell) {
  if (!hasPendingEdits(st, doc)) return true;
  if (shell.messageBox(kDiscardEdits, kAppTitle, port::mb::kYesNo | port::mb::kIconQuestion) !=
      port::mb::kIdYes) {
    return false;
  }
  // Discarded: nothing of them may reach a card later, and the image is
  // the card's again whatever the command does next (a read cancelled in
  // its dialog leaves it so).
  restoreCardBytes(st, doc);
  return true;
}

}  // namespace memview
