#include "view/card_catalogue.h"

#include <gtest/gtest.h>

#include <string>

#include "fakes/fake_ui.h"
#include "view/app_state.h"
#include "view/view_painter.h"
#include "app/demo_doc.h"

namespace {

std::string zoneName(const CardCatalogue& cat, int code, int address) {
  const ZoneEntry* z = CardCatalogue::zoneOf(cat.findDescriptor(code), address);
  return z == nullptr ? "(none)" : z->name;
}

struct ZoneCase {
  int code;
  int address;
  const char* zone;
};

TEST(CardCatalogue, ZoneLookupsAtZoneBorders) {
  const CardCatalogue cat;
  const ZoneCase cases[] = {
      // AT88SC1604: the second zone's erase password, and its neighbours.
      {160, 1221, "应用区一"}, {160, 1222, "二区密码"}, {160, 1224, "擦除密码"}, {160, 1225, "擦除密码"},
      {160, 1226, "擦除计数"}, {160, 2006, "测试区"}, {160, 2007, "(none)"},
      // AT88SC1604B: its own map, not the 1604's.
      {162, 538, "应用区一"}, {162, 540, "二区密码"}, {162, 541, "错误计数"}, {162, 1224, "应用区三"},
      {162, 2039, "测试区"}, {162, 2040, "(none)"},
      // AT88SC102.
      {33, 12, "错误计数"}, {33, 13, "错误计数"}, {33, 14, "用户备注"}, {33, 92, "读写属性"},
      {33, 177, "测试区"}, {33, 178, "(none)"},
      // SLE4442 and SLE4428.
      {17, 31, "保护数据"}, {17, 32, "数据区域"}, {17, 256, "(none)"}, {5, 1023, "保护数据"}, {5, 1024, "(none)"},
      // One-zone maps end at the byte count itself.
      {64, 128, "数据区域"}, {64, 129, "(none)"}, {8, 52, "数据区域"}, {192, 8191, "数据区域"},
      {161, 263, "数据区域"}, {163, 1023, "数据区域"},
      // AT88SC153.
      {209, 191, "用户区三"}, {209, 192, "标识代码"}, {209, 255, "密码区域"},
      // Types without a map and unknown codes: slot 0.
      {12, 0, "(none)"}, {2, 5, "(none)"}, {34, 5, "(none)"}, {999, 0, "(none)"}, {-1, 0, "(none)"},
      {0, 0, "(none)"},
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
    EXPECT_EQ(cat.slot(i).code, codes[i]) << "slot " << i;
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
  EXPECT_EQ(CardCatalogue::zoneOf(cat.findDescriptor(160), 1224)->colour, colour::blue);
  EXPECT_EQ(CardCatalogue::zoneOf(cat.findDescriptor(33), 160)->colour, colour::white);
  EXPECT_EQ(CardCatalogue::zoneOf(cat.findDescriptor(162), 0)->colour, colour::maroon);
  EXPECT_EQ(CardCatalogue::zoneOf(cat.findDescriptor(5), 0)->colour, colour::red);
  EXPECT_EQ(CardCatalogue::zoneOf(cat.findDescriptor(17), 0)->colour, colour::yellow);
}

TEST(CardCatalogue, Build1608MapSwitchesBetweenUserAndConfigurationZone) {
  CardCatalogue cat;
  cat.build1608Map(8);
  EXPECT_EQ(cat.slot(14).code, 208);
  EXPECT_EQ(cat.slot(14).zoneCount, 6);
  EXPECT_EQ(zoneName(cat, 208, 15), "标识代码");
  EXPECT_EQ(zoneName(cat, 208, 56), "测试区域");
  EXPECT_EQ(zoneName(cat, 208, 127), "密码区域");
  EXPECT_EQ(zoneName(cat, 208, 128), "(none)");
  for (int zone : {0, 7, 9}) {
    cat.build1608Map(zone);
    EXPECT_EQ(cat.slot(14).zoneCount, 1) << zone;
    EXPECT_EQ(zoneName(cat, 208, 0), "数据区域") << zone;
    EXPECT_EQ(zoneName(cat, 208, 256), "数据区域") << zone;
  }
  // No stale configuration entries survive the switch back.
  cat.build1608Map(8);
  cat.build1608Map(0);
  EXPECT_EQ(zoneName(cat, 208, 100), "数据区域");
  EXPECT_EQ(CardCatalogue::zoneOf(cat.slot(14), 100)->colour, colour::white);
}

struct TypeCase {
  int code;
  int driverType;
  const char* caption;
  int byteCount;  // -1: keeps the current count
  int pages;
};

TEST(CardCatalogue, CardTypeTable) {
  const TypeCase cases[] = {
      {2, 2, "4406", 1024, 4},       {4, 4, "4418", 1024, 4},        {5, 4, "4428", 1024, 4},
      {6, 6, "GEMPLUS103", 256, 1},  {8, 8, "4404", 52, 1},          {13, 13, "SAM CARD", -1, 0},
      {16, 16, "4432", 256, 1},      {17, 16, "4442", 256, 1},       {32, 32, "101", 128, 1},
      {33, 32, "102", 178, 1},       {34, 32, "103", 250, 1},        {64, 64, "24C01A", 128, 1},
      {65, 64, "24C02", 256, 1},     {66, 64, "24C04", 512, 2},      {67, 64, "24C08", 1024, 4},
      {68, 64, "24C16", 2048, 8},    {160, 160, "1604A", 2007, 8},   {161, 65, "45D041", 264, 2},
      {162, 160, "1604B", 2040, 8},  {163, 66, "SSF1101", 1024, 4},  {192, 192, "24C64", 8192, 32},
      {209, 209, "153", 256, 1},     {7, 7, "未知卡型", -1, 0},      {-1, -1, "未知卡型", -1, 0},
  };
  for (const TypeCase& c : cases) {
    EXPECT_EQ(driverTypeFor(c.code), c.driverType) << c.code;
    EXPECT_EQ(captionFor(c.code, -1), c.caption) << c.code;
    EXPECT_EQ(byteCountFor(c.code, 0, 777), c.byteCount < 0 ? 777 : c.byteCount) << c.code;
    if (c.byteCount >= 0) {
      EXPECT_EQ(pageCountFor(c.byteCount), c.pages) << c.code;
    }
  }
}

TEST(CardCatalogue, CpuCaptionFollowsTheProtocol) {
  EXPECT_EQ(captionFor(12, 0), "CPU T=0");
  EXPECT_EQ(captionFor(12, 1), "CPU T=1");
  EXPECT_EQ(captionFor(12, -1), "CPU    ");
  EXPECT_EQ(captionFor(12, 2), "CPU    ");
  EXPECT_EQ(driverTypeFor(12), 12);
}

TEST(CardCatalogue, The1608ByteCountDependsOnTheZoneAtCallTime) {
  EXPECT_EQ(byteCountFor(208, 0, 0), 256);
  EXPECT_EQ(byteCountFor(208, 7, 0), 256);
  EXPECT_EQ(byteCountFor(208, 8, 0), 128);
  EXPECT_EQ(driverTypeFor(208), 208);
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
  capacityFor(st, painter, 67);
  EXPECT_EQ(st.byteCount, 1024);
  EXPECT_EQ(st.pageCount, 4);
  EXPECT_EQ(st.currentPage, 0);
  EXPECT_EQ(ui.window.screen.visibleText(589, 332), "4");
  EXPECT_EQ(ui.window.screen.visibleText(583, 332), "/");
}

TEST_F(CapacityFor, CpuCardKeepsTheByteCountButResetsThePage) {
  capacityFor(st, painter, 66);
  st.currentPage = 1;
  capacityFor(st, painter, 12);
  EXPECT_EQ(st.byteCount, 512);
  EXPECT_EQ(st.pageCount, 2);
  EXPECT_EQ(st.currentPage, 0);
}

TEST_F(CapacityFor, The1608ConfigurationZoneHas128Bytes) {
  st.zoneIndex = 8;
  capacityFor(st, painter, 208);
  EXPECT_EQ(st.byteCount, 128);
  st.zoneIndex = 3;
  capacityFor(st, painter, 208);
  EXPECT_EQ(st.byteCount, 256);
}

}  // namespace
