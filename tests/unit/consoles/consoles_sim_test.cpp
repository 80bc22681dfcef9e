// The consoles on the simulated reader: CPU cards of both protocols answer
// reset and APDUs through the console; the reader's device memory keeps
// what the device dialog writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "consoles/cpu_card_dlg.h"
#include "consoles/device_dlg.h"
#include "fakes/fake_ui.h"
#include "sim/sim_api.h"

namespace {

constexpr int kCom1 = 0;

struct SimConsole : ::testing::Test {
  fake::FakeUi ui;
  DriverTable drv;
  int handle = 0;

  void open(const char* card) {
    sim::TestReader::reset(card, kCom1);
    sim::fillDriverTable(drv);
    handle = drv.IC_InitComm(kCom1);
    ASSERT_GT(handle, 0);
  }
};

struct CpuOnSim : SimConsole {
  std::unique_ptr<CCpuCardDlg> dlg;
  std::unique_ptr<fake::FakeControls> c;

  void openConsole(const char* card) {
    open(card);
    dlg = std::make_unique<CCpuCardDlg>(drv);
    dlg->m_reader = handle;
    c = std::make_unique<fake::FakeControls>(IDD_CPU_CARD, *dlg, ui.shell);
    dlg->onInit(*c);
  }
  std::string apdu(const std::string& text) {
    c->type(1006, text);
    c->click(1005);
    return c->text(1007);
  }
};

std::vector<int> bytesOf(const std::string& hex) {
  std::vector<int> out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

TEST_F(CpuOnSim, ResetShowsAnAnswerOfTheCardsProtocol) {
  for (const char* card : {"cpu-t0", "cpu-t1"}) {
    openConsole(card);
    c->click(1003);
    const std::string atr = c->text(1004);
    ASSERT_TRUE(ui.log.boxes().empty()) << card << " " << ui.log.dump();
    ASSERT_GT(atr.size(), 6u) << card;
    EXPECT_EQ(atr.find_first_not_of("0123456789ABCDEF"), std::string::npos) << atr;
    EXPECT_EQ(atr.substr(0, 2), "3B") << atr;
    const auto b = bytesOf(atr);
    if (std::string(card) == "cpu-t1") {
      // T=1 is announced, so the answer ends in its check byte: the XOR of
      // T0 to the end is 0.
      int x = 0;
      for (std::size_t i = 1; i < b.size(); ++i) x ^= b[i];
      EXPECT_EQ(x, 0) << atr;
    }
  }
}

TEST_F(CpuOnSim, ApdusAnswerWithTheirStatusWords) {
  openConsole("cpu-t0");
  c->click(1003);
  struct Case {
    const char* command;
    const char* statusWord;
    std::size_t responseBytes;
  };
  const Case cases[] = {
      {"0084000008", "9000", 10},  // GET CHALLENGE: 8 bytes and 90 00
      {"00A4000002EEEE", "6A82", 2},  // SELECT of a file that is not there
      {"00FE000000", "6D00", 2},   // no such instruction
      {"FF84000008", "6E00", 2},   // no such class
  };
  for (const Case& k : cases) {
    const std::string response = apdu(k.command);
    EXPECT_EQ(response.size(), 2 * k.responseBytes) << k.command << " -> " << response;
    ASSERT_GE(response.size(), 4u) << k.command;
    EXPECT_EQ(response.substr(response.size() - 4), k.statusWord) << k.command << " -> " << response;
  }
  EXPECT_TRUE(ui.log.boxes().empty()) << ui.log.dump();
  c->click(1008);
  EXPECT_TRUE(ui.log.boxes().empty()) << ui.log.dump();
}

TEST_F(CpuOnSim, MemoryCardDoesNotAnswerTheReset) {
  openConsole("sle4442");
  c->setText(1004, "KEEP");
  c->click(1003);
  ASSERT_EQ(ui.log.boxes().size(), 1u) << ui.log.dump();
  EXPECT_EQ(ui.log.boxes()[0].rfind("错误提示|ERR_CODE=", 0), 0u) << ui.log.dump();
  EXPECT_EQ(c->text(1004), "KEEP");
}

TEST_F(SimConsole, DeviceMemoryKeepsWhatWasWritten) {
  open("none");
  CDeviceDlg dlg(drv);
  dlg.m_reader = handle;
  fake::FakeControls c(IDD_DEVICE, dlg, ui.shell);
  dlg.onInit(c);
  c.type(1019, "2038");
  c.type(1020, "10");
  c.type(1003, "0123456789abcdefFEDC");
  c.click(1015);
  c.type(1003, "");
  c.click(1016);
  EXPECT_EQ(c.text(1003), "0123456789ABCDEFFEDC");
  c.type(1021, "1");
  c.click(1014);
  EXPECT_EQ(ui.log.boxes(), (std::vector<std::string>{"设备操作|写数据成功"}));
  // A neighbouring read sees the same bytes at their own addresses.
  c.type(1019, "2043");
  c.type(1020, "5");
  c.click(1016);
  EXPECT_EQ(c.text(1003), "ABCDEFFEDC");
}

}  // namespace
