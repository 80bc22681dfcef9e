// Row writes by card type, split around code and counter bytes that the
// operator did not type.
#include <array>
#include <cstdint>

#include "memview/row_writes.h"

namespace memview {

namespace {

short toShort(int v) { return static_cast<short>(v); }

}  // namespace

std::vector<RowRun> rowRuns(CardContext ctx, int rowAddress, int length) {
  const CardSession& st = ctx.st;
  std::vector<RowRun> runs;
  for (int i = 0; i < length; ++i) {
    const int a = rowAddress + i;
    if (holdsCodeOrCounter(ctx.catalogue, st.cardType, st.zoneIndex, a) && !ctx.doc.isEdited(a)) continue;
    if (!runs.empty() && runs.back().offset + runs.back().length == i) {
      ++runs.back().length;
    } else {
      runs.push_back({i, 1});
    }
  }
  return runs;
}

RowOutcome RowWriter::writeRow(int rowAddress, int length) {
  const CardSession& st = ctx_.st;
  DriverTable& drv = ctx_.drv;
  const int h = st.readerHandle;
  std::array<std::uint8_t, 16> row{};
  for (int i = 0; i < 16; ++i) row[static_cast<std::size_t>(i)] = ctx_.doc.byteAt(rowAddress + i);

  // The write call of the card type for one run of the row.
  auto writeRun = [&](const RowRun& run) -> bool {
    const std::uint8_t* data = row.data() + run.offset;
    const int a = rowAddress + run.offset;
    switch (st.cardType) {
      case CardType::At88sc1608:
        if (st.zoneIndex == kAt88sc1608ConfigZone)
          return drv.IC_WriteConfigZone(h, toShort(a), toShort(run.length), data) == 0;
        return drv.IC_WriteUserZone(h, toShort(a), toShort(run.length), data) == 0;
      case CardType::At88sc153: {
        const int zone = a / 64;
        if (zone >= 3) return drv.IC_WriteConfigZone(h, toShort(a % 64), toShort(run.length), data) == 0;
        if (drv.IC_SetUserZone(h, toShort(zone)) != 0) return false;
        return drv.IC_WriteUserZone(h, toShort(a % 64), toShort(run.length), data) == 0;
      }
      default:
        return drv.IC_Write(h, toShort(a), toShort(run.length), data) == 0;
    }
  };

  const std::vector<RowRun> runs = rowRuns(ctx_, rowAddress, length);
  if (runs.empty()) return RowOutcome::Written;
  const CardCheck check = rowStillOnCard(rowAddress, runs, row.data());
  if (check == CardCheck::Differs) return RowOutcome::OtherCard;
  AliasCheck alias(ctx_, rowAddress, length);
  if (check == CardCheck::Unreadable || !alias.readBefore()) return RowOutcome::Refused;
  for (const RowRun& run : runs) {
    if (!writeRun(run)) return RowOutcome::Refused;
  }
  if (!alias.restoreChanged(aliased_)) return RowOutcome::NotKept;
  if (!aliased_.empty()) return RowOutcome::Aliased;
  if (!rowKept(rowAddress, runs, row.data())) return RowOutcome::NotKept;
  switch (st.cardType) {
    case CardType::At88sc153:
      beep(rowAddress / 64 >= 3 ? 2 : 3);
      break;
    case CardType::At88sc1604:
      beep(2);
      break;
    default:
      beep(1);
      break;
  }
  return RowOutcome::Written;
}

void RowWriter::reportAliased(int rowAddress) {
  beep(1);
  ctx_.shell.messageBox(aliasedWriteText(rowAddress, aliased_), "出错警告",
                        port::mb::kOk | port::mb::kIconExclamation);
}

}  // namespace memview
