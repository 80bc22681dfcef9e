// Every card type the readers serve, through pcscd: the program's detection
// finds it without changing it, and a row written reads back.
#include "fakes/fake_ui.h"
#include "memview/demo_doc.h"
#include "resources/resource.h"
#include "stack_fixture.h"
#include "view/app_state.h"
#include "view/demo_view.h"

namespace stacktest {
namespace {

using pelox::DriverType;

struct CardCase {
  const char* card;
  CardType found;
  DriverType type;
  short address;       // a row written and read back (-1: none)
  bool zone;           // written through the user zone functions (zone 1)
  const char* unlock;  // the code presented first, as the program's password functions take it
};

const CardCase kCards[] = {
    {"24c01a", CardType::At24c01a, DriverType::I2c, 104, false, nullptr},
    {"24c02", CardType::At24c02, DriverType::I2c, 200, false, nullptr},
    {"24c04", CardType::At24c04, DriverType::I2c, 480, false, nullptr},
    {"24c08", CardType::At24c08, DriverType::I2c, 1000, false, nullptr},
    {"24c16", CardType::At24c16, DriverType::I2c, 2000, false, nullptr},
    {"24c64", CardType::At24c64, DriverType::I2cTwoByteAddress, 8000, false, nullptr},
    {"sle4442", CardType::Sle4442, DriverType::Sle4442, 64, false, "\xFF\xFF\xFF"},
    {"sle4428", CardType::Sle4428, DriverType::Sle4428, 900, false, "\xFF\xFF"},
    {"sle4404", CardType::Sle4404, DriverType::Sle4404, 20, false, nullptr},
    {"at88sc102", CardType::At88sc102, DriverType::At88sc102, 40, false, "\xF0\xF0"},
    {"at88sc1608", CardType::At88sc1608, DriverType::At88sc1608, 32, true, nullptr},
    {"at88sc153", CardType::At88sc153, DriverType::At88sc153, 16, true, nullptr},
    {"cpu-t0", CardType::Cpu, DriverType::Cpu, -1, false, nullptr},
    {"cpu-t1", CardType::Cpu, DriverType::Cpu, -1, false, nullptr},
};

class StackCards : public StackTest, public ::testing::WithParamInterface<CardCase> {};

TEST_P(StackCards, DetectedAndWritten) {
  const CardCase& c = GetParam();
  start(c.card);
  {
    fake::FakeUi ui;
    AppState st;
    CDemoDoc doc;
    CDemoView view(st, doc, d, ui.window, ui.shell, ui.menu, ui.dialogs, ui.files);
    view.onCreate();
    const std::string before = state();
    ASSERT_TRUE(view.onCommand(ID_CARDTYPE_AUTODETECT));
    EXPECT_EQ(st.cardType, c.found) << ui.log.dump();
    // The AT88SC102's bits only clear: its probe's "WP" stays in the test zone.
    std::string after = state();
    if (c.found == CardType::At88sc102) after.replace(after.find("5750\n"), 4, "FFFF");
    EXPECT_EQ(after, before) << "the probes changed the card";
    view.onDestroy();  // closes the reader
  }
  if (c.address < 0) return;
  h = d.IC_InitComm(100);
  ASSERT_TRUE(waitForStatus(0));
  ASSERT_EQ(d.IC_InitType(h, pelox::codeOf(c.type)), 0);
  if (c.unlock && c.type == DriverType::Sle4442) {
    ASSERT_EQ(d.IC_CheckPass_SLE4442(h, reinterpret_cast<const unsigned char*>(c.unlock)), 0);
  }
  if (c.unlock && c.type == DriverType::Sle4428) {
    ASSERT_EQ(d.IC_CheckPass_SLE4428(h, reinterpret_cast<const unsigned char*>(c.unlock)), 0);
  }
  if (c.unlock && c.type == DriverType::At88sc102) {
    ASSERT_EQ(d.IC_CheckPass_102(h, reinterpret_cast<const unsigned char*>(c.unlock)), 0);
  }
  std::vector<std::uint8_t> row(16), back(16);
  for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<std::uint8_t>(0xA0 + i);
  if (c.zone) {
    ASSERT_EQ(d.IC_SetUserZone(h, 1), 0);
    ASSERT_EQ(d.IC_WriteUserZone(h, c.address, 16, row.data()), 0);
    ASSERT_EQ(d.IC_ReadUserZone(h, c.address, 16, back.data()), 0);
  } else {
    ASSERT_EQ(d.IC_Write(h, c.address, 16, row.data()), 0);
    back = read(c.address, 16);
    ASSERT_EQ(last, 0);
  }
  EXPECT_EQ(back, row);
  std::vector<std::uint8_t> memory =
      reader_->withCard([](vreader::PseudoCard& p) { return p.card().rawMemory(); });
  const std::size_t at =
      static_cast<std::size_t>(c.address + (c.zone ? (c.type == DriverType::At88sc1608 ? 256 : 64) : 0));
  EXPECT_EQ(std::vector<std::uint8_t>(memory.begin() + static_cast<long>(at),
                                      memory.begin() + static_cast<long>(at + 16)),
            row);
}

INSTANTIATE_TEST_SUITE_P(Cards, StackCards, ::testing::ValuesIn(kCards), [](const auto& param_info) {
  std::string n = param_info.param.card;
  for (char& ch : n)
    if (ch == '-') ch = '_';
  return n;
});

}  // namespace
}  // namespace stacktest
