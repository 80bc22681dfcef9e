// The program's card type detection through the PC/SC driver, on every card
// type and both generations of the readers' answers: the card types the
// readers serve are found, the others are passed over, and no probe changes
// a card.
#include "fakes/fake_ui.h"
#include "memview/demo_doc.h"
#include "pcsc_driver/pcsc_fixture.h"
#include "resources/resource.h"
#include "support/enum_print.h"
#include "view/app_state.h"
#include "view/demo_view.h"

namespace pcsctest {
namespace {

struct DetectCase {
  const char* card;
  CardType found;  // None: the readers have no commands for it
};

const DetectCase kCards[] = {
    {"cpu-t0", CardType::Cpu},          {"cpu-t1", CardType::Cpu},
    {"at88sc153", CardType::At88sc153}, {"at88sc1608", CardType::At88sc1608},
    {"sle4404", CardType::Sle4404},     {"sle4442", CardType::Sle4442},
    {"sle4428", CardType::Sle4428},     {"24c16", CardType::At24c16},
    {"24c08", CardType::At24c08},       {"24c04", CardType::At24c04},
    {"24c02", CardType::At24c02},       {"24c01a", CardType::At24c01a},
    {"24c64", CardType::At24c64},       {"at88sc102", CardType::At88sc102},
    {"at88sc1604", CardType::None},     {"at88sc1604b", CardType::None},
    {"at45d041", CardType::None},       {"ssf1101", CardType::None},
    {"cpu-t01", CardType::Cpu},
};

class PcscDetection : public PcscTest,
                      public ::testing::WithParamInterface<std::tuple<DetectCase, vreader::Generation>> {};

TEST_P(PcscDetection, FindsTheCardAndLeavesItUnchanged) {
  const auto& [c, generation] = GetParam();
  reader.insert(c.card, generation);
  fake::FakeUi ui;
  AppState st;
  CDemoDoc doc;
  CDemoView view(st, doc, d, ui.window, ui.shell, ui.menu, ui.dialogs, ui.files);
  view.onCreate();
  ASSERT_EQ(st.port, ReaderPort::Usb) << ui.log.dump();
  const std::string before = state();
  ASSERT_TRUE(view.onCommand(ID_CARDTYPE_AUTODETECT));
  if (c.found == CardType::None) {
    EXPECT_NE(ui.window.screen.visibleText(layout::statusLine2Pos.x, layout::statusLine2Pos.y), "检测成功")
        << ui.log.dump();
  } else {
    EXPECT_EQ(st.cardType, c.found) << ui.log.dump();
  }
  // The AT88SC102's bits only clear: its probe's "WP" stays in the test
  // zone (bytes 176-177), which is there for such tests.
  std::string after = state();
  if (std::string(c.card) == "at88sc102") after.replace(after.find("5750\n"), 4, "FFFF");
  EXPECT_EQ(after, before) << "the probes changed the card";
  view.onDestroy();
}

INSTANTIATE_TEST_SUITE_P(
    Cards, PcscDetection,
    ::testing::Combine(::testing::ValuesIn(kCards),
                       ::testing::Values(vreader::Generation::Newer, vreader::Generation::Older)),
    [](const auto& param_info) {
      std::string n = std::get<0>(param_info.param).card;
      for (char& ch : n)
        if (ch == '-') ch = '_';
      return n + (std::get<1>(param_info.param) == vreader::Generation::Older ? "_older" : "_newer");
    });

}  // namespace
}  // namespace pcsctest
