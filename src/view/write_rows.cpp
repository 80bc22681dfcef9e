// Row writes by card type, split around code and counter bytes that the
// operator did not type.
#include <array>
#include <cstdint>
#include <cstring>

#include "app/demo_doc.h"
#include "view/app_state.h"
#include "view/card_catalogue.h"
#include "view/write_command.h"

namespace memview {

namespace {

// Zones holding codes, keys, seeds and counters: writing back what was read
// there (a code reads 00 or ff until verified) would change them.
constexpr std::array<const char*, 11> kGuardedZones = {
    "用户密码", "一区密码", "二区密码", "三区密码", "四区密码", "错误计数",
    "擦除密码", "擦除计数", "密码验证", "加密种子", "密码区域",
};

bool isGuardedZone(const ZoneEntry* zone) {
  if (zone == nullptr) return false;
  for (const char* name : kGuardedZones) {
    if (std::strcmp(zone->name, name) == 0) return true;
  }
  return false;
}

short toShort(int v) { return static_cast<short>(v); }

}  // namespace

std::vector<RowRun> rowRuns(ViewContext& ctx, int rowAddress, int length) {
  const AppState& st = ctx.st;
  ctx.catalogue.build1608Map(st.zoneIndex);
  const CardDescriptor& d = ctx.catalogue.findDescriptor(st.cardType);
  std::vector<RowRun> runs;
  for (int i = 0; i < length; ++i) {
    const int a = rowAddress + i;
    const bool guarded = isGuardedZone(CardCatalogue::zoneOf(d, a)) || (st.cardType == 5 && a >= 1021);
    if (guarded && !ctx.doc.isEdited(a)) continue;
    if (!runs.empty() && runs.back().offset + runs.back().length == i) {
      ++runs.back().length;
    } else {
      runs.push_back({i, 1});
    }
  }
  return runs;
}

bool CardWriter::writeRow(int rowAddress, int length, bool& beeped) {
  const AppState& st = ctx_.st;
  DriverTable& drv = ctx_.drv;
  const int h = st.readerHandle;
  std::array<std::uint8_t, 16> row{};
  for (int i = 0; i < 16; ++i) row[static_cast<std::size_t>(i)] = ctx_.doc.byteAt(rowAddress + i);

  // The write call of the card type for one run of the row.
  auto writeRun = [&](const RowRun& run) -> bool {
    const std::uint8_t* data = row.data() + run.offset;
    const int a = rowAddress + run.offset;
    switch (st.cardType) {
      case 208:
        if (st.zoneIndex == 8) return drv.IC_WriteConfigZone(h, toShort(a), toShort(run.length), data) == 0;
        return drv.IC_WriteUserZone(h, toShort(a), toShort(run.length), data) == 0;
      case 209: {
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
  for (const RowRun& run : runs) {
    if (!writeRun(run)) return false;
  }
  beeped = !runs.empty();
  if (!beeped) return true;
  switch (st.cardType) {
    case 209:
      beep(rowAddress / 64 >= 3 ? 2 : 3);
      break;
    case 160:
      beep(2);
      break;
    default:
      beep(1);
      break;
  }
  return true;
}

}  // namespace memview
