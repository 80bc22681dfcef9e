// What may be written to the card: the card image only while it holds a
// successful read of the current card type, zone, page or block, and the
// operator's edits only on the image they were typed on.
#pragma once

#include "memview/card_image_state.h"
#include "memview/demo_doc.h"
#include "platform/ports.h"

namespace memview {

// Refusal of a write or an edit on an image that is not the current read.
inline constexpr const char* kReadFirst = "没有当前卡的读出数据，请先读卡！";
// The card's bytes differ from the image: it was swapped or changed.
inline constexpr const char* kOtherCard = "卡内数据与读出的不一致，请重新读卡";
inline constexpr const char* kDiscardEdits = "有尚未写入卡的修改，放弃这些修改吗？";
inline constexpr const char* kEditsDropped = "未写入的修改已放弃";

// Records that the card image now holds a successful read of the card type,
// zone and block in `st`; its bytes are the card's bytes.
void recordSuccessfulRead(CardSession& st, const CDemoDoc& doc);
// The image no longer stands for the card: another card type, a detection,
// a failed or refused read.
void forgetCardImage(CardImageState& st);
// Whether the image holds a successful read of the current card type and
// the current zone, page or block.
bool holdsCurrentRead(const CardSession& st);

// Edits typed (or loaded) and protection marks set since the last write.
bool hasPendingEdits(const CardSession& st, const CDemoDoc& doc);
// A byte typed or loaded that the card has not been found to hold yet.
inline bool isPendingByte(const CDemoDoc& doc, int address) { return doc.isEdited(address); }
// Whether the image's bytes differ from the card's bytes anywhere.
bool imageDiffersFromCard(const CardSession& st, const CDemoDoc& doc);
// The card accepted a write of `length` image bytes at `address` (and where
// it compares them, read them back): they are the card's bytes now and no
// longer pending.
void recordWritten(CardSession& st, CDemoDoc& doc, int address, int length);
// The image and the marks back to what the card holds: nothing pending.
void restoreCardBytes(CardSession& st, CDemoDoc& doc);
// Before the operator's own command replaces the image (or the program
// ends): true when there is nothing to lose or the operator agrees to
// discard the edits, which are then gone from the image at once.
bool confirmDiscardEdits(CardSession& st, CDemoDoc& doc, port::Shell& shell);

}  // namespace memview
