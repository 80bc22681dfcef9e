#include "cards/card_catalogue.h"

#include <gtest/gtest.h>

#include <string>

#include "fakes/fake_ui.h"
#include "memview/demo_doc.h"
#include "support/enum_print.h"
#include "view/app_state.h"
#include "view/view_painter.h"

namespace {

std::string zoneName(const CardCatalogue& cat, CardType code, int address) {
  const ZoneEntry* z = CardCatalogue::zoneOf(cat.findDescriptor(code), address);
  return z == nullptr ? "(none)" : z->name;
}

struct ZoneCase {
  CardType code;
  int address;
  const char* zone;
};

TEST(CardCatalogue, ZoneLookupsAtZoneBorders) {
  const CardCatalogue cat;
  const ZoneCase cases[] = {
      // AT88SC1604: the second zone's erase password, and its neighbours.
      {CardType::At88sc1604, 1221, "应用区一"},
      {CardType::At88sc1604, 1222, "二区密码"},
      {CardType::At88sc1604, 1224, "擦除密码"},
      {CardType::At88sc1604, 1225, "擦除密码"},
      {CardType::At88sc1604, 1226, "擦除计数"},
      {CardType::At88sc1604, 2006, "测试区"},
      {CardType::At88sc1604, 2007, "(none)"},
      // AT88SC1604B: its own map, not the 1604's.
      {CardType::At88sc1604b, 538, "应用区一"},
      {CardType::At88sc1604b, 540, "二区密码"},
      {CardType::At88sc1604b, 541, "错误计数"},
      {CardType::At88sc1604b, 1224, "应用区三"},
      {CardType::At88sc1604b, 2039, "测试区"},
      {CardType::At88sc1604b, 2040, "(none)"},
      // AT88SC102.
      {CardType::At88sc102, 12, "错误计数"},
      {CardType::At88sc102, 13, "错误计数"},
      {CardType::At88sc102, 14, "用户备注"},
      {CardType::At88sc102, 92, "读写属性"},
      {CardType::At88sc102, 177, "测试区"},
      {CardType::At88sc102, 178, "(none)"},
      // SLE4442 and SLE4428.
      {CardType::Sle4442, 31, "保护数据"},
      {CardType::Sle4442, 32, "数据区域"},
      {CardType::Sle4442, 256, "(none)"},
      {CardType::Sle4428, 1023, "保护数据"},
      {CardType::Sle4428, 1024, "(none)"},
      // One-zone maps end at the byte count itself.
      {CardType::At24c01a, 128, "数据区域"},
      {CardType::At24c01a, 129, "(none)"},
      {CardType::Sle4404, 52, "数据区域"},
      {CardType::At24c64, 8191, "数据区域"},
      {CardType::At45d041, 263, "数据区域"},
      {CardType::Ssf1101, 1023, "数据区域"},
      // AT88SC153.
      {CardType::At88sc153, 191, "用户区三"},
      {CardType::At88sc153, 192, "标识代码"},
      {CardType::At88sc153, 255, "密码区域"},
      // Types without a map and unknown codes: slot 0.
      {CardType::Cpu, 0, "(none)"},
      {CardType::Sle4406, 5, "(none)"},
      {CardType::At88sc103, 5, "(none)"},
      {static_cast<CardType>(999), 0, "(none)"},
      {CardType::None, 0, "(none)"},
      {static_cast<CardType>(0), 0, "(none)"},
  };
  for (const ZoneCase& c : cases) {
    EXPECT_EQ(zoneName(cat, c.code, c.address), c.zone) << "code " << c.code << " address " << c.address;
  }
}

TEST(CardCatalogue, SlotsHoldTheirCodesAndZoneCounts) {
  const CardCatalogue cat;
  const int codes[17] = {0, 160, 33, 64, 65, 66, 67, 192, 5, 17, 68, 8, 161, 162, 208, 209, 163};
  const int zoneCounts[17] = {0, 23, 13, 1, 1, 1, 1, 1, 1, 2, 1, 1, 1, 26, 1, 8, 1};
  ASSERT_EQ(cat.slotCount(), 17);
  for (int i = 0; i < 17; ++i) {
    EXPECT_EQ(codeOf(cat.slot(i).code), codes[i]) << "slot " << i;
    EXPECT_EQ(cat.slot(i).zoneCount, zoneCounts[i]) << "slot " << i;
    // Zones are in address order and do not overlap.
    const CardDescriptor& d = cat.slot(i);
    for (int z = 1; z < d.zoneCount; ++z) {
      EXPECT_GT(d.zones[static_cast<std::size_t>(z)].first, d.zones[static_cast<std::size_t>(z - 1)].last)
          << "slot " << i << " zone " << z;
    }
  }
}

TEST(CardCatalogue, ZoneColoursOfTheMaps) {
  const CardCatalogue cat;
  EXPECT_EQ(CardCatalogue::zoneOf(cat.findDescriptor(CardType::At88sc1604), 1224)->colour, colour::blue);
  EXPECT_EQ(CardCatalogue::zoneOf(cat.findDescriptor(CardType::At88sc102), 160)->colour, colour::white);
  EXPECT_EQ(CardCatalogue::zoneOf(cat.findDescriptor(CardType::At88sc1604b), 0)->colour, colour::maroon);
  EXPECT_EQ(CardCatalogue::zoneOf(cat.findDescriptor(CardType::Sle4428), 0)->colour, colour::red);
  EXPECT_EQ(CardCatalogue::zoneOf(cat.findDescriptor(CardType::Sle4442), 0)->colour, colour::yellow);
}

TEST(CardCatalogue, Build1608MapSwitchesBetweenUserAndConfigurationZone) {
  CardCatalogue cat;
  cat.build1608Map(8);
  EXPECT_EQ(cat.slot(14).code, CardType::At88sc1608);
  EXPECT_EQ(cat.slot(14).zoneCount, 6);
  EXPECT_EQ(zoneName(cat, CardType::At88sc1608, 15), "标识代码");
  EXPECT_EQ(zoneName(cat, CardType::At88sc1608, 56), "测试区域");
  EXPECT_EQ(zoneName(cat, CardType::At88sc1608, 127), "密码区域");
  EXPECT_EQ(zoneName(cat, CardType::At88sc1608, 128), "(none)");
  for (int zone : {0, 7, 9}) {
    cat.build1608Map(zone);
    EXPECT_EQ(cat.slot(14).zoneCount, 1) << zone;
    EXPECT_EQ(zoneName(cat, CardType::At88sc1608, 0), "数据区域") << zone;
    EXPECT_EQ(zoneName(cat, CardType::At88sc1608, 256), "数据区域") << zone;
  }
  // No stale configuration entries survive the switch back.
  cat.build1608Map(8);
  cat.build1608Map(0);
  EXPECT_EQ(zoneName(cat, CardType::At88sc1608, 100), "数据区域");
  EXPECT_EQ(CardCatalogue::zoneOf(cat.slot(14), 100)->colour, colour::white);
}

struct TypeCase {
  CardType code;
  pelox::DriverType driverType;
  const char* caption;
  int byteCount;  // -1: keeps the current count
  int pages;
};

TEST(CardCatalogue, CardTypeTable) {
  const TypeCase cases[] = {
      {CardType::Sle4406, pelox::DriverType::Sle4406, "4406", 1024, 4},
      {CardType::Sle4418, pelox::DriverType::Sle4428, "4418", 1024, 4},
      {CardType::Sle4428, pelox::DriverType::Sle4428, "4428", 1024, 4},
      {CardType::Gpm103, pelox::DriverType::Gpm103, "GEMPLUS103", 256, 1},
      {CardType::Sle4404, pelox::DriverType::Sle4404, "4404", 52, 1},
      {CardType::Sam, pelox::DriverType::Sam, "SAM CARD", -1, 0},
      {CardType::Sle4432, pelox::DriverType::Sle4442, "4432", 256, 1},
      {CardType::Sle4442, pelox::DriverType::Sle4442, "4442", 256, 1},
      {CardType::At88sc101, pelox::DriverType::At88sc102, "101", 128, 1},
      {CardType::At88sc102, pelox::DriverType::At88sc102, "102", 178, 1},
      {CardType::At88sc103, pelox::DriverType::At88sc102, "103", 250, 1},
      {CardType::At24c01a, pelox::DriverType::I2c, "24C01A", 128, 1},
      {CardType::At24c02, pelox::DriverType::I2c, "24C02", 256, 1},
      {CardType::At24c04, pelox::DriverType::I2c, "24C04", 512, 2},
      {CardType::At24c08, pelox::DriverType::I2c, "24C08", 1024, 4},
      {CardType::At24c16, pelox::DriverType::I2c, "24C16", 2048, 8},
      {CardType::At88sc1604, pelox::DriverType::At88sc1604, "1604A", 2007, 8},
      {CardType::At45d041, pelox::DriverType::At45d041, "45D041", 264, 2},
      {CardType::At88sc1604b, pelox::DriverType::At88sc1604, "1604B", 2040, 8},
      {CardType::Ssf1101, pelox::DriverType::Ssf1101, "SSF1101", 1024, 4},
      {CardType::At24c64, pelox::DriverType::I2cTwoByteAddress, "24C64", 8192, 32},
      {CardType::At88sc153, pelox::DriverType::At88sc153, "153", 256, 1},
      {static_cast<CardType>(7), static_cast<pelox::DriverType>(7), "未知卡型", -1, 0},
      {CardType::None, pelox::DriverType::None, "未知卡型", -1, 0},
  };
  for (const TypeCase& c : cases) {
    EXPECT_EQ(driverTypeFor(c.code), c.driverType) << c.code;
    EXPECT_EQ(captionFor(c.code, CpuProtocol::Undetermined), c.caption) << c.code;
    EXPECT_EQ(byteCountFor(c.code, 0, 777), c.byteCount < 0 ? 777 : c.byteCount) << c.code;
    if (c.byteCount >= 0) {
      EXPECT_EQ(pageCountFor(c.byteCount), c.pages) << c.code;
    }
  }
}

TEST(CardCatalogue, CpuCaptionFollowsTheProtocol) {
  EXPECT_EQ(captionFor(CardType::Cpu, CpuProtocol::T0), "CPU T=0");
  EXPECT_EQ(captionFor(CardType::Cpu, CpuProtocol::T1), "CPU T=1");
  EXPECT_EQ(captionFor(CardType::Cpu, CpuProtocol::Undetermined), "CPU    ");
  EXPECT_EQ(captionFor(CardType::Cpu, static_cast<CpuProtocol>(2)), "CPU    ");
  EXPECT_EQ(driverTypeFor(CardType::Cpu), pelox::DriverType::Cpu);
}

TEST(CardCatalogue, The1608ByteCountDependsOnTheZoneAtCallTime) {
  EXPECT_EQ(byteCountFor(CardType::At88sc1608, 0, 0), 256);
  EXPECT_EQ(byteCountFor(CardType::At88sc1608, 7, 0), 256);
  EXPECT_EQ(byteCountFor(CardType::At88sc1608, 8, 0), 128);
  EXPECT_EQ(driverTypeFor(CardType::At88sc1608), pelox::DriverType::At88sc1608);
}

TEST(CardCatalogue, PageCounts) {
  const std::pair<int, int> cases[] = {{0, 0},   {52, 1},   {128, 1},  {178, 1},  {250, 1},  {256, 1},  {257, 2},
                                       {264, 2}, {512, 2},  {1024, 4}, {2007, 8}, {2040, 8}, {2048, 8}, {8192, 32}};
  for (auto [bytes, pages] : cases) EXPECT_EQ(pageCountFor(bytes), pages) << bytes;
}

// capacityFor draws the page total: checked through the screen model.
class CapacityFor : public ::testing::Test {
 protected:
  fake::FakeUi ui;
  AppState st;
  CDemoDoc doc;
  CardCatalogue cat;
  ViewPainter painter{st, doc, cat, ui.window};
};

TEST_F(CapacityFor, SetsCountsResetsThePageAndDrawsTheTotal) {
  st.currentPage = 3;
  capacityFor(st, painter, CardType::At24c08);
  EXPECT_EQ(st.byteCount, 1024);
  EXPECT_EQ(st.pageCount, 4);
  EXPECT_EQ(st.currentPage, 0);
  EXPECT_EQ(ui.window.screen.visibleText(589, 332), "4");
  EXPECT_EQ(ui.window.screen.visibleText(583, 332), "/");
}

TEST_F(CapacityFor, CpuCardKeepsTheByteCountButResetsThePage) {
  capacityFor(st, painter, CardType::At24c04);
  st.currentPage = 1;
  capacityFor(st, painter, CardType::Cpu);
  EXPECT_EQ(st.byteCount, 512);
  EXPECT_EQ(st.pageCount, 2);
  EXPECT_EQ(st.currentPage, 0);
}

TEST_F(CapacityFor, The1608ConfigurationZoneHas128Bytes) {
  st.zoneIndex = 8;
  capacityFor(st, painter, CardType::At88sc1608);
  EXPECT_EQ(st.byteCount, 128);
  st.zoneIndex = 3;
  capacityFor(st, painter, CardType::At88sc1608);
  EXPECT_EQ(st.byteCount, 256);
}

}  // namespace
