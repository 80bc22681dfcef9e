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

#include "app/demo_doc.h"
#include "view/app_state.h"
#include "view/card_catalogue.h"
#include "view/write_command.h"

namespace memview {

namespace {

short toShort(int v) { return static_cast<short>(v); }

}  // namespace

bool CardWriter::rowKept(int rowAddress, const std::vector<RowRun>& runs, const std::uint8_t* row) {
  const AppState& st = ctx_.st;
  DriverTable& drv = ctx_.drv;
  const int h = st.readerHandle;
  for (const RowRun& run : runs) {
    std::array<std::uint8_t, 16> back{};
    const int a = rowAddress + run.offset;
    const short n = toShort(run.length);
    short result = 0;
    switch (st.cardType) {
      case CardType::At88sc1608:
        result = st.zoneIndex == 8 ? drv.IC_ReadConfigZone(h, toShort(a), n, back.data())
                                   : drv.IC_ReadUserZone(h, toShort(a), n, back.data());
        break;
      case CardType::At88sc153:
        // The row's user zone is still selected by its write.
        result = a / 64 >= 3 ? drv.IC_ReadConfigZone(h, toShort(a % 64), n, back.data())
                             : drv.IC_ReadUserZone(h, toShort(a % 64), n, back.data());
        break;
      default:
        // IC_Read answers the number of bytes read on some drivers: only a
        // negative result is a failure, as for the read core.
        result = drv.IC_Read(h, toShort(a), n, back.data()) < 0 ? short{-1} : short{0};
        break;
    }
    if (result != 0) return false;
    for (int i = 0; i < run.length; ++i) {
      if (holdsCodeOrCounter(ctx_.catalogue, st.cardType, st.zoneIndex, a + i)) continue;
      if (back[static_cast<std::size_t>(i)] != row[run.offset + i]) return false;
    }
  }
  return true;
}

bool CardWriter::imageKept(const std::uint8_t* image) {
  const AppState& st = ctx_.st;
  DriverTable& drv = ctx_.drv;
  std::array<std::uint8_t, 1024> back{};
  const int size = st.cardType == CardType::At45d041 ? 264 : 1024;
  const short result = st.cardType == CardType::At45d041
                           ? drv.IC_DirectRead(st.readerHandle, toShort(st.zoneIndex), 0, 264, back.data())
                           : drv.IC_Read_1101(st.readerHandle, toShort(st.blockIndex), 0, 1024, back.data());
  if (result != 0) return false;
  for (int i = 0; i < size; ++i) {
    if (back[static_cast<std::size_t>(i)] != image[i]) return false;
  }
  return true;
}

}  // namespace memview
