// Detection of every card type on the simulated reader: the right code,
// caption and menu bar, and the card exactly as it was.
#include <gtest/gtest.h>

#include "fakes/fake_ui.h"
#include "memview/demo_doc.h"
#include "reader/detection.h"
#include "resources/resource.h"
#include "sim/sim_api.h"
#include "support/enum_print.h"
#include "view/app_state.h"
#include "view/demo_view.h"

namespace {

struct SimCase {
  const char* card;
  CardType cardType;
  const char* caption;
  int menuId;
};

const SimCase kCards[] = {
    {"cpu-t0", CardType::Cpu, "CPU T=0", 135},          {"cpu-t1", CardType::Cpu, "CPU T=1", 135},
    {"ssf1101", CardType::Ssf1101, "SSF1101", 2},       {"at45d041", CardType::At45d041, "45D041", 137},
    {"at88sc153", CardType::At88sc153, "153", 143},     {"at88sc1608", CardType::At88sc1608, "1608", 143},
    {"sle4404", CardType::Sle4404, "4404", 2},          {"sle4442", CardType::Sle4442, "4442", 138},
    {"sle4428", CardType::Sle4428, "4428", 138},        {"24c16", CardType::At24c16, "24C16", 137},
    {"24c08", CardType::At24c08, "24C08", 137},         {"24c04", CardType::At24c04, "24C04", 137},
    {"24c02", CardType::At24c02, "24C02", 137},         {"24c01a", CardType::At24c01a, "24C01A", 137},
    {"24c64", CardType::At24c64, "24C64", 137},         {"at88sc1604b", CardType::At88sc1604b, "1604B", 141},
    {"at88sc1604", CardType::At88sc1604, "1604A", 141}, {"at88sc102", CardType::At88sc102, "102", 139},
};

struct SimView {
  fake::FakeUi ui;
  DriverTable table;
  AppState st;
  CDemoDoc doc;
  std::unique_ptr<CDemoView> view;

  explicit SimView(std::string_view card, int port = 100) {
    sim::TestReader::reset(card, port);
    sim::fillDriverTable(table);
    view = std::make_unique<CDemoView>(st, doc, table, ui.window, ui.shell, ui.menu, ui.dialogs, ui.files);
    view->onCreate();
  }
  ~SimView() { view->onDestroy(); }
  std::string at(port::Point p) const { return ui.window.screen.visibleText(p.x, p.y); }
};

class SimDetection : public ::testing::TestWithParam<SimCase> {};

TEST_P(SimDetection, IdentifiesTheCardAndLeavesItUnchanged) {
  const SimCase& c = GetParam();
  SimView v(c.card);
  ASSERT_EQ(v.st.port, ReaderPort::Usb) << v.ui.log.dump();
  const std::string before = sim::TestReader::stateText();
  ASSERT_TRUE(v.view->onCommand(ID_CARDTYPE_AUTODETECT));
  EXPECT_EQ(v.st.cardType, c.cardType) << v.ui.log.dump();
  EXPECT_EQ(v.at(layout::cardNamePos), c.caption);
  EXPECT_EQ(v.at(layout::statusLine2Pos), "检测成功");
  EXPECT_EQ(v.ui.menu.installedId, c.menuId);
  EXPECT_EQ(v.ui.log.beeps(1), 5);
  EXPECT_EQ(sim::TestReader::stateText(), before) << "the probes changed the card";
  // A second run finds the same card and still changes nothing.
  ASSERT_TRUE(v.view->onCommand(ID_CARDTYPE_AUTODETECT));
  EXPECT_EQ(v.st.cardType, c.cardType);
  EXPECT_EQ(sim::TestReader::stateText(), before);
}

INSTANTIATE_TEST_SUITE_P(Cards, SimDetection, ::testing::ValuesIn(kCards), [](const auto& param_info) {
  std::string n = param_info.param.card;
  for (char& ch : n) {
    if (ch == '-') ch = '_';
  }
  return n;
});

TEST(SimDetectionEdges, NoCardInTheReader) {
  SimView v("none");
  v.view->onCommand(ID_CARDTYPE_AUTODETECT);
  EXPECT_EQ(v.st.cardType, CardType::None);
  EXPECT_EQ(v.at(layout::statusLine1Pos), "检测失败");
  EXPECT_EQ(v.at(layout::statusLine2Pos), "未插入卡");
  EXPECT_EQ(v.at(layout::cardNamePos), "未知卡型");
  EXPECT_EQ(v.ui.menu.installedId, 2);
}

TEST(SimDetectionEdges, CardsWhoseBytesLookLikeProbePatternsStayUnchanged) {
  // Byte 0 of a 24C02 holding "W", and a 24C16 whose alias bytes hold the
  // probe's own patterns.
  for (auto [card, code, address, bytes] :
       {std::tuple{"24c02", CardType::At24c02, 0, std::vector<std::uint8_t>{0x57, 0x50}},
        std::tuple{"24c01a", CardType::At24c01a, 0, std::vector<std::uint8_t>{0x57, 0x50}},
        std::tuple{"24c16", CardType::At24c16, 2046, std::vector<std::uint8_t>{0x66, 0x77}}}) {
    SimView v(card);
    sim::TestReader::setMemory(static_cast<std::size_t>(address), bytes);
    const std::string before = sim::TestReader::stateText();
    v.view->onCommand(ID_CARDTYPE_AUTODETECT);
    EXPECT_EQ(v.st.cardType, code) << card;
    EXPECT_EQ(sim::TestReader::stateText(), before) << card;
  }
}

TEST(SimDetectionEdges, SwappedCardIsFollowed) {
  SimView v("sle4442", 1);
  ASSERT_EQ(v.st.port, ReaderPort::Com2);
  v.view->onCommand(ID_CARDTYPE_AUTODETECT);
  EXPECT_EQ(v.st.cardType, CardType::Sle4442);
  EXPECT_EQ(v.ui.menu.popupCaptions("卡型选择(&T)").size(), 7u) << "serial: 设备操作 offered";
  sim::TestReader::insert("at88sc102");
  v.view->onCommand(ID_CARDTYPE_AUTODETECT);
  EXPECT_EQ(v.st.cardType, CardType::At88sc102);
  EXPECT_EQ(v.ui.menu.installedId, 139);
}

}  // namespace
