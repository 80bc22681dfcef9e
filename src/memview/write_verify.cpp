// Reading written data back. A card can answer a write and not keep it (an
// SLE4442 ignores updates while its PSC is not verified, and a reader need
// not notice), so every write is compared with what the card then reads.
//
// Bytes of code, key, seed and counter zones are not compared: codes read as
// 00 until presented and counters change by themselves. A read-back that the
// card refuses right after it took the write is counted as not kept: the
// write cannot be confirmed, and the question that follows only offers a
// re-read.
#include <array>
#include <cstdint>

#include "memview/row_writes.h"

namespace memview {

namespace {

short toShort(int v) { return static_cast<short>(v); }

}  // namespace

bool RowWriter::readRuns(int rowAddress, const std::vector<RowRun>& runs, std::uint8_t* back) {
  const CardSession& st = ctx_.st;
  DriverTable& drv = ctx_.drv;
  const int h = st.readerHandle;
  for (const RowRun& run : runs) {
    const int a = rowAddress + run.offset;
    const short n = toShort(run.length);
    std::uint8_t* into = back + run.offset;
    short result = 0;
    switch (st.cardType) {
      case CardType::At88sc1608:
        result = st.zoneIndex == kAt88sc1608ConfigZone ? drv.IC_ReadConfigZone(h, toShort(a), n, into)
                                                       : drv.IC_ReadUserZone(h, toShort(a), n, into);
        break;
      case CardType::At88sc153:
        // The row's user zone is selected by the caller.
        result = a / 64 >= 3 ? drv.IC_ReadConfigZone(h, toShort(a % 64), n, into)
                             : drv.IC_ReadUserZone(h, toShort(a % 64), n, into);
        break;
      default:
        // IC_Read answers the number of bytes read on some drivers: only a
        // negative result is a failure, as for the read core.
        result = drv.IC_Read(h, toShort(a), n, into) < 0 ? short{-1} : short{0};
        break;
    }
    if (result != 0) return false;
  }
  return true;
}

bool RowWriter::rowKept(int rowAddress, const std::vector<RowRun>& runs, const std::uint8_t* row) {
  const CardSession& st = ctx_.st;
  // The AT88SC153 row's user zone is still selected by its write.
  std::array<std::uint8_t, 16> back{};
  if (!readRuns(rowAddress, runs, back.data())) return false;
  for (const RowRun& run : runs) {
    for (int i = run.offset; i < run.offset + run.length; ++i) {
      if (holdsCodeOrCounter(ctx_.catalogue, st.cardType, st.zoneIndex, rowAddress + i)) continue;
      if (back[static_cast<std::size_t>(i)] != row[i]) return false;
    }
  }
  return true;
}

// A card swapped between the read and F5 cannot be seen otherwise: the
// bytes about to be written that the operator did not type must still be
// what was read. Codes the card hides are never part of a run.
CardCheck RowWriter::rowStillOnCard(int rowAddress, const std::vector<RowRun>& runs,
                                                 const std::uint8_t* row) {
  const CardSession& st = ctx_.st;
  if (st.cardType == CardType::At88sc153 && rowAddress / 64 < 3 &&
      ctx_.drv.IC_SetUserZone(st.readerHandle, toShort(rowAddress / 64)) != 0) {
    return CardCheck::Unreadable;
  }
  std::array<std::uint8_t, 16> back{};
  if (!readRuns(rowAddress, runs, back.data())) return CardCheck::Unreadable;
  for (const RowRun& run : runs) {
    for (int i = run.offset; i < run.offset + run.length; ++i) {
      const int a = rowAddress + i;
      if (ctx_.doc.isEdited(a) || holdsCodeOrCounter(ctx_.catalogue, st.cardType, st.zoneIndex, a)) continue;
      if (back[static_cast<std::size_t>(i)] != row[i]) return CardCheck::Differs;
    }
  }
  return CardCheck::Same;
}

namespace {

// The AT45D041 page or SSF1101 block as the card holds it now; false when
// the card refuses the read.
bool readWholeImage(CardContext ctx, std::array<std::uint8_t, 1024>& back) {
  const CardSession& st = ctx.st;
  const short result =
      st.cardType == CardType::At45d041
          ? ctx.drv.IC_DirectRead(st.readerHandle, toShort(st.zoneIndex), 0, 264, back.data())
          : ctx.drv.IC_Read_1101(st.readerHandle, toShort(st.blockIndex), 0, 1024, back.data());
  return result == 0;
}

int wholeImageSize(const CardSession& st) { return st.cardType == CardType::At45d041 ? 264 : 1024; }

}  // namespace

CardCheck RowWriter::imageStillOnCard() {
  std::array<std::uint8_t, 1024> back{};
  if (!readWholeImage(ctx_, back)) return CardCheck::Unreadable;
  for (int i = 0; i < wholeImageSize(ctx_.st); ++i) {
    if (!ctx_.doc.isEdited(i) && back[static_cast<std::size_t>(i)] != ctx_.doc.byteAt(i))
      return CardCheck::Differs;
  }
  return CardCheck::Same;
}

RowOutcome RowWriter::writeWholeImage() {
  const CardSession& st = ctx_.st;
  std::array<std::uint8_t, 1024> image{};
  for (int i = 0; i < 1024; ++i) image[static_cast<std::size_t>(i)] = ctx_.doc.byteAt(i);
  const CardCheck check = imageStillOnCard();
  if (check == CardCheck::Differs) return RowOutcome::OtherCard;
  const bool ok = check == CardCheck::Same &&
                  (st.cardType == CardType::At45d041
                       ? ctx_.drv.IC_DirectWrite(st.readerHandle, toShort(st.zoneIndex), 0, 264, image.data()) == 0
                       : ctx_.drv.IC_Write_1101(st.readerHandle, toShort(st.blockIndex), 0, 1024, image.data()) == 0);
  if (!ok) return RowOutcome::Refused;
  return imageKept(image.data()) ? RowOutcome::Written : RowOutcome::NotKept;
}

bool RowWriter::imageKept(const std::uint8_t* image) {
  std::array<std::uint8_t, 1024> back{};
  if (!readWholeImage(ctx_, back)) return false;
  for (int i = 0; i < wholeImageSize(ctx_.st); ++i) {
    if (back[static_cast<std::size_t>(i)] != image[i]) return false;
  }
  return true;
}

}  // namespace memview
