// The auto-detection command and its probe chain against a scripted driver:
// decision points, outcomes, and the bytes the probes put back.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "reader/detection.h"
#include "reader/driver_trace.h"
#include "reader/reader_fixture.h"
#include "resources/resource.h"

namespace {

using readertest::ScriptedView;
using Bytes = std::vector<std::uint8_t>;

const std::vector<long long> kWholeChain = {12, 66, 65, 209, 208, 8, 16, 4, 64, 192, 160, 32};

struct Detection : ScriptedView {
  int driverType = -1;  // the protocol last set
  Detection() {
    connected(ReaderPort::Usb);
    drv.onCall("IC_InitType", [this](const fake::DriverCall& c, const std::vector<void*>&) {
      driverType = static_cast<int>(c.ints.at(1));
    });
  }
  // A card that no probe recognises: every read answers zeros, every
  // write and the CPU reset fail.
  void unknownCard() {
    for (const char* w : {"IC_CpuReset", "IC_Write_1101", "IC_DirectWrite", "IC_WriteConfigZone", "IC_Write24",
                          "IC_Write64", "IC_Write"}) {
      drv.setDefault(w, -1);
    }
  }
  // IC_Read answers `bytes` at `address` while `type` is set.
  void readsUnder(pelox::DriverType type, int address, Bytes bytes) {
    drv.onCall("IC_Read",
               [this, type, address, bytes](const fake::DriverCall& c, const std::vector<void*>& out) {
                 if (driverType == codeOf(type) && c.ints.at(1) == address)
                   std::memcpy(out.at(0), bytes.data(), bytes.size());
               });
  }
  std::vector<long long> initTypes() const {
    std::vector<long long> v;
    for (const auto& c : drv.callsTo("IC_InitType")) v.push_back(c.ints.at(1));
    return v;
  }
  void detect() { ASSERT_TRUE(view.onCommand(ID_CARDTYPE_AUTODETECT)); }
  void expectFailureOutcome(const std::string& reason) {
    EXPECT_EQ(line(1), "检测失败") << context();
    EXPECT_EQ(line(2), reason) << context();
    const fake::DrawnText* t = ui.window.screen.textAt(layout::cardNamePos.x, layout::cardNamePos.y);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->text, "未知卡型");
    EXPECT_EQ(t->fg, colour::black);
    EXPECT_EQ(st.cardType, CardType::None);
    EXPECT_EQ(ui.menu.installedId, 2);
    EXPECT_EQ(ui.log.beeps(1), 5) << context();
    EXPECT_FALSE(ui.shell.waitCursor);
  }
};

TEST_F(Detection, NoCard) {
  drv.results("IC_Status", {1});
  detect();
  expectFailureOutcome("未插入卡");
  EXPECT_EQ(drv.count("IC_InitType"), 0) << context();
}

TEST_F(Detection, ConnectionErrorShowsABoxAndNothingElse) {
  drv.results("IC_Status", {-3});
  detect();
  EXPECT_EQ(ui.log.boxes(), (std::vector<std::string>{"提示信息|连接错误!"})) << context();
  EXPECT_EQ(ui.log.of(fake::Event::Kind::MessageBox).at(0).style, port::mb::kIconInformation);
  EXPECT_EQ(ui.log.beepCount(), 0);
  EXPECT_EQ(st.detectResult, DetectResult::ReaderFailed);
  EXPECT_EQ(st.cardType, CardType::None);
  EXPECT_EQ(ui.menu.installedId, 2);
  EXPECT_EQ(line(1), "正在自检") << "no outcome text";
  EXPECT_FALSE(ui.shell.waitCursor);
}

TEST_F(Detection, StatusAboveOneReportsTheStandingResult) {
  for (auto [standing, reason] : {std::pair{DetectResult::Undetermined, "未知卡型"},
                                  std::pair{DetectResult::ReaderFailed, "未知串口"}}) {
    ui.window.screen.clear();
    ui.log.clear();
    st.detectResult = standing;
    drv.results("IC_Status", {2});
    detect();
    expectFailureOutcome(reason);
  }
}

// The reading probes of a card they cannot tell (a 24C64, say) leave it
// undetermined, whatever an earlier detection found: a standing "no card"
// would keep a personalisation run waiting for a card that is there.
TEST_F(Detection, ReadingProbesLeaveAnUntoldCardUndetermined) {
  unknownCard();
  for (DetectResult standing : {DetectResult::NoCard, DetectResult::ReaderFailed, DetectResult::Found}) {
    st.detectResult = standing;
    const DetectionOutcome d = probeCardByReading({st, drv.table, ui.shell});
    EXPECT_EQ(d.result, DetectResult::Undetermined) << static_cast<int>(standing) << context();
    EXPECT_EQ(d.cardType, CardType::None);
  }
}

TEST_F(Detection, UnknownCardRunsTheWholeChain) {
  unknownCard();
  detect();
  EXPECT_EQ(initTypes(), kWholeChain) << context();
  expectFailureOutcome("未知卡型");
}

TEST_F(Detection, RefusedSle4404ProtocolEndsTheChain) {
  drv.results("IC_InitType", {0, 0, 0, 0, 0, -1});
  unknownCard();
  detect();
  EXPECT_EQ(initTypes(), (std::vector<long long>{12, 66, 65, 209, 208, 8})) << context();
  expectFailureOutcome("未知卡型");
}

TEST_F(Detection, ThreeByteResetAnswerIsNoCpuCard) {
  unknownCard();
  drv.setDefault("IC_CpuReset", 0);
  drv.readData("IC_CpuReset", {{0x3B, 0x02, 0x14}});
  detect();
  EXPECT_EQ(drv.count("IC_CpuGetProtocol"), 0);
  EXPECT_EQ(initTypes(), kWholeChain) << context();
}

TEST_F(Detection, CpuCardWithItsProtocol) {
  drv.setDefault("IC_CpuReset", 0);
  drv.readData("IC_CpuReset", {{0x3B, 0x80, 0x01, 0x81}});
  drv.results("IC_CpuGetProtocol", {1});
  st.byteCount = 300;
  detect();
  EXPECT_EQ(st.cardType, CardType::Cpu);
  EXPECT_EQ(st.cpuProtocol, CpuProtocol::T1);
  EXPECT_EQ(caption(), "CPU T=1");
  EXPECT_EQ(line(2), "检测成功");
  EXPECT_EQ(ui.menu.installedId, 135);
  EXPECT_EQ(initTypes(), (std::vector<long long>{12})) << "no final card type call for CPU cards";
  EXPECT_EQ(st.byteCount, 300);
  EXPECT_EQ(st.detectResult, DetectResult::Unknown);
}

TEST_F(Detection, Sle4442ByItsByteSeven) {
  unknownCard();
  readsUnder(pelox::DriverType::Sle4442, 6, {0xFF, 0x15});
  detect();
  EXPECT_EQ(st.cardType, CardType::Sle4442) << context();
  EXPECT_EQ(caption(), "4442");
  EXPECT_EQ(line(1), "");
  EXPECT_EQ(line(2), "检测成功");
  EXPECT_EQ(ui.menu.installedId, 138);
  EXPECT_EQ(initTypes().back(), 16) << "the reader is left on the card's protocol";
  EXPECT_EQ(st.pageCount, 1);
  EXPECT_EQ(portName(), "USB ");
  EXPECT_EQ(ui.log.beeps(1), 5);
}

TEST_F(Detection, At1604bByItsFirstBytesBeforeAnyWrite) {
  unknownCard();
  readsUnder(pelox::DriverType::At88sc1604, 0, {0x16, 0x04});
  detect();
  EXPECT_EQ(st.cardType, CardType::At88sc1604b) << context();
  EXPECT_EQ(caption(), "1604B");
  EXPECT_EQ(ui.menu.installedId, 141);
  EXPECT_EQ(drv.count("IC_Write"), 0) << context();
}

TEST_F(Detection, FoundTypeThatCannotBeSetAgainShowsFailure) {
  unknownCard();
  readsUnder(pelox::DriverType::Sle4428, 6, {0x00, 0x13});
  // The 13 probe calls of IC_InitType up to SLE4428 succeed, the final one fails.
  drv.results("IC_InitType", {0, 0, 0, 0, 0, 0, 0, 0, -5});
  detect();
  EXPECT_EQ(st.cardType, CardType::Sle4428);
  EXPECT_EQ(caption(), "4428");
  EXPECT_EQ(line(2), "检测失败");
  EXPECT_EQ(ui.menu.installedId, 138);
}

TEST_F(Detection, At45d041IsReadOnceMoreAfterTheOutcome) {
  unknownCard();
  drv.setDefault("IC_DirectWrite", 0);
  detect();
  EXPECT_EQ(st.cardType, CardType::At45d041);
  EXPECT_EQ(drv.count("IC_DirectRead"), 3) << context();
  EXPECT_EQ(drv.names().back(), "IC_DirectRead");
}

TEST_F(Detection, FailedRestoringWriteIsRetriedOnce) {
  unknownCard();
  drv.readData("IC_Read_1101", {{0x12, 0x34}});
  drv.results("IC_Write_1101", {0, -1, 0});
  detect();
  EXPECT_EQ(st.cardType, CardType::Ssf1101);
  const auto writes = drv.callsTo("IC_Write_1101");
  ASSERT_EQ(writes.size(), 3u) << context();
  EXPECT_EQ(writes[0].data.at(0), (Bytes{0x77, 0x70}));
  EXPECT_EQ(writes[1].data.at(0), (Bytes{0x12, 0x34}));
  EXPECT_EQ(writes[2].data.at(0), (Bytes{0x12, 0x34}));
}

TEST_F(Detection, CryptoMemoryProbesPutTheirBytesBack) {
  unknownCard();
  drv.setDefault("IC_WriteConfigZone", 0);
  drv.readData("IC_ReadConfigZone", {{0x5A}, {0xAA}});
  detect();
  EXPECT_EQ(st.cardType, CardType::At88sc153) << context();
  std::vector<Bytes> written;
  for (const auto& c : drv.callsTo("IC_WriteConfigZone")) written.push_back(c.data.at(0));
  EXPECT_EQ(written, (std::vector<Bytes>{{0xFF}, {0xAA}, {0x5A}})) << context();
}

TEST_F(Detection, At1608ProbeRestoresItsEightBytesWhenTheReadBackDiffers) {
  unknownCard();
  drv.results("IC_WriteConfigZone", {-1, 0, 0, 0});  // 153 refused, 1608 written
  const Bytes saved{1, 2, 3, 4, 5, 6, 7, 8};
  drv.readData("IC_ReadConfigZone", {{0x00}, saved, {0x31, 0x36, 0x30, 0x38, 0xAA, 0x55, 0x16, 0x09}});
  detect();
  EXPECT_NE(st.cardType, CardType::At88sc1608);
  const auto writes = drv.callsTo("IC_WriteConfigZone");
  ASSERT_EQ(writes.size(), 4u) << context();
  EXPECT_EQ(writes[3].ints, (std::vector<long long>{7, 56, 8}));
  EXPECT_EQ(writes[3].data.at(0), saved);
}

TEST_F(Detection, CryptoMemoryBytesThatCannotBeSavedAreNotWritten) {
  unknownCard();
  drv.setDefault("IC_ReadConfigZone", -1);
  drv.setDefault("IC_WriteConfigZone", 0);
  detect();
  EXPECT_EQ(drv.count("IC_WriteConfigZone"), 0) << context();
}

TEST_F(Detection, TestZonesOf1604And102AreRestored) {
  for (auto [type, address, code] : {std::tuple{pelox::DriverType::At88sc1604, 2005, CardType::At88sc1604},
                                     std::tuple{pelox::DriverType::At88sc102, 176, CardType::At88sc102}}) {
    drv.clearCalls();
    unknownCard();
    if (type == pelox::DriverType::At88sc1604)
      drv.setDefault("IC_Write", 0);
    else drv.results("IC_Write", {-1, 0, 0, 0, 0});  // 1604 refused, then the 102 writes
    readsUnder(type, address, {0xAB, 0xCD});
    detect();
    EXPECT_EQ(st.cardType, code) << context();
    const auto writes = drv.callsTo("IC_Write");
    ASSERT_GE(writes.size(), 2u) << context();
    EXPECT_EQ(writes.back().ints, (std::vector<long long>{7, address, 2}));
    EXPECT_EQ(writes.back().data.at(0), (Bytes{0xAB, 0xCD})) << context();
  }
}

// Some drivers answer IC_Read with the number of bytes read: every probe
// that tests a read takes it for a successful one.
TEST_F(Detection, ByteCountFromIcReadIsASuccessfulRead) {
  struct Row {
    const char* write;          // the probe's write call
    std::vector<int> refusals;  // results of earlier probes' writes with the same call
    CardType found;
  };
  const Row rows[] = {
      {"IC_Write64", {}, CardType::At24c64},
      {"IC_Write", {}, CardType::At88sc1604},
      {"IC_Write", {-1}, CardType::At88sc102},
  };
  for (const Row& r : rows) {
    drv.clearCalls();
    unknownCard();
    drv.setDefault("IC_Read", 2);
    drv.setDefault(r.write, 0);
    drv.results(r.write, r.refusals);
    detect();
    EXPECT_EQ(st.cardType, r.found) << context();
    EXPECT_EQ(line(2), "检测成功") << context();
  }
}

TEST_F(Detection, EscapeEndsAnEditBeforeTheRun) {
  std::vector<int> keys;
  view.keyDown = [&](int k) { keys.push_back(k); };  // an edit the key does not end
  st.editActive = 1;
  ui.window.caretCreated = true;
  ui.window.caretVisible = true;
  drv.results("IC_Status", {1});
  detect();
  EXPECT_EQ(keys, (std::vector<int>{port::vk::kEscape}));
  EXPECT_EQ(st.editActive, 0);
  EXPECT_FALSE(ui.window.caretVisible);
  EXPECT_EQ(st.viewState, ViewState::NoCardData);
  EXPECT_EQ(st.gridShown, 0);
}

// A small I2C EEPROM behind IC_Read and IC_Write24: addresses beyond the
// chip fail, except that a 24C01A takes address 128 for 0.
struct I2cChip {
  std::size_t size = 256;
  Bytes mem;
  int calls = 0;
  int failAt = 0;            // this call (reads and writes counted together) fails
  int goneFrom = 0;          // this call and all later ones fail: the reader is gone
  bool countsBytes = false;  // a read answers the number of bytes read, not 0
  bool fails() {
    ++calls;
    return calls == failAt || (goneFrom > 0 && calls >= goneFrom);
  }
  int map(int address) const {
    if (size == 128) return address < 256 ? (address & 0x7F) : -1;
    return address >= 0 && static_cast<std::size_t>(address) < size ? address : -1;
  }
};
I2cChip* g_chip = nullptr;

short chipRead(int, short address, short length, unsigned char* out) {
  if (g_chip->fails()) return -1;
  for (int i = 0; i < length; ++i) {
    const int a = g_chip->map(address + i);
    if (a < 0) return -1;
    out[i] = g_chip->mem[static_cast<std::size_t>(a)];
  }
  return g_chip->countsBytes ? length : short{0};
}
short chipWrite(int, short address, short length, const unsigned char* data) {
  if (g_chip->fails()) return -1;
  for (int i = 0; i < length; ++i) {
    if (g_chip->map(address + i) < 0) return -1;
  }
  for (int i = 0; i < length; ++i) g_chip->mem[static_cast<std::size_t>(g_chip->map(address + i))] = data[i];
  return 0;
}

struct SizeCase {
  std::size_t size;
  std::uint8_t byte0;
  CardType cardType;
  bool countsBytes = false;
};

class DetectionI2cSizes : public Detection, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(DetectionI2cSizes, FindsTheSizeAndLeavesEveryByte) {
  I2cChip chip;
  chip.size = GetParam().size;
  chip.countsBytes = GetParam().countsBytes;
  for (std::size_t i = 0; i < chip.size; ++i) chip.mem.push_back(static_cast<std::uint8_t>(i * 7 + 3));
  chip.mem[0] = GetParam().byte0;
  const Bytes before = chip.mem;
  g_chip = &chip;
  unknownCard();
  drv.table.IC_Read = &chipRead;
  drv.table.IC_Write24 = &chipWrite;
  detect();
  g_chip = nullptr;
  EXPECT_EQ(st.cardType, GetParam().cardType) << context();
  EXPECT_EQ(chip.mem, before);
}

INSTANTIATE_TEST_SUITE_P(
    Chips, DetectionI2cSizes,
    ::testing::Values(SizeCase{2048, 0x11, CardType::At24c16}, SizeCase{1024, 0x11, CardType::At24c08},
                      SizeCase{512, 0x11, CardType::At24c04}, SizeCase{256, 0x11, CardType::At24c02},
                      SizeCase{128, 0x11, CardType::At24c01a},
                      // byte 0 already holding "W" must not fool the 128 test
                      SizeCase{256, 0x57, CardType::At24c02}, SizeCase{128, 0x57, CardType::At24c01a},
                      // a driver whose reads answer the byte count
                      SizeCase{2048, 0x11, CardType::At24c16, true}, SizeCase{512, 0x11, CardType::At24c04, true},
                      SizeCase{128, 0x11, CardType::At24c01a, true}));

// One failing read or write anywhere in the probe: the chip is either found
// with its right size or reported as a failure, and every byte is back.
struct FailCase {
  SizeCase chip;
  int failAt;
};
std::vector<FailCase> failCases() {
  std::vector<FailCase> v;
  for (const SizeCase& c :
       {SizeCase{2048, 0x11, CardType::At24c16}, SizeCase{512, 0x11, CardType::At24c04},
        SizeCase{256, 0x57, CardType::At24c02}, SizeCase{128, 0x11, CardType::At24c01a}}) {
    for (int failAt = 1; failAt < 40; ++failAt) v.push_back({c, failAt});
  }
  return v;
}

class DetectionI2cFaults : public Detection, public ::testing::WithParamInterface<FailCase> {};

TEST_P(DetectionI2cFaults, FindsTheRightSizeOrFailsAndLeavesEveryByte) {
  const FailCase& f = GetParam();
  I2cChip chip;
  chip.size = f.chip.size;
  chip.failAt = f.failAt;
  for (std::size_t i = 0; i < chip.size; ++i) chip.mem.push_back(static_cast<std::uint8_t>(i * 5 + 1));
  chip.mem[0] = f.chip.byte0;
  const Bytes before = chip.mem;
  g_chip = &chip;
  unknownCard();
  drv.table.IC_Read = &chipRead;
  drv.table.IC_Write24 = &chipWrite;
  detect();
  g_chip = nullptr;
  if (st.cardType != CardType::None) {
    EXPECT_EQ(st.cardType, f.chip.cardType) << context();
    EXPECT_EQ(line(2), "检测成功");
  } else {
    EXPECT_EQ(line(1), "检测失败");
  }
  EXPECT_EQ(chip.mem, before) << context();
}

INSTANTIATE_TEST_SUITE_P(AnyCall, DetectionI2cFaults, ::testing::ValuesIn(failCases()));

// The reader gone at any call of a 24C02's probe: every probe byte left on
// the card is named with its value before and the value written, in a box
// and in the trace, and the next detection, with the reader back, puts
// back those that still hold what the probe wrote.
TEST_F(Detection, ProbeBytesLeftByAGoneReaderAreReportedAndPutBackLater) {
  const std::string trace = ::testing::TempDir() + "demo_trace_probe_bytes.txt";
  int reported = 0;
  for (int gone = 1; gone < 30; ++gone) {
    SCOPED_TRACE(gone);
    I2cChip chip;
    for (std::size_t i = 0; i < chip.size; ++i) chip.mem.push_back(static_cast<std::uint8_t>(0xA0 + i));
    chip.mem[0] = 0x21;
    const Bytes before = chip.mem;
    chip.goneFrom = gone;
    g_chip = &chip;
    ui.log.clear();
    unknownCard();
    drv.table.IC_Read = &chipRead;
    drv.table.IC_Write24 = &chipWrite;
    std::remove(trace.c_str());
    ASSERT_TRUE(installDriverTrace(drv.table, trace));
    detect();
    removeDriverTrace(drv.table);
    std::vector<std::string> left;  // each byte the probe left changed
    for (std::size_t a = 0; a < chip.size; ++a) {
      if (chip.mem[a] == before[a]) continue;
      char entry[64];
      std::snprintf(entry, sizeof entry, "地址 %04zX：原值 %02X，测试写入 %02X", a, before[a], chip.mem[a]);
      left.push_back(entry);
    }
    std::stringstream written;
    written << std::ifstream(trace).rdbuf();
    if (left.empty()) {
      EXPECT_TRUE(ui.log.boxes().empty()) << context();
    } else {
      ++reported;
      ASSERT_EQ(ui.log.boxes().size(), 1u) << context();
      const std::string shown = ui.log.boxes()[0];
      EXPECT_EQ(shown.rfind(std::string("出错警告|") + kProbeNotRestored, 0), 0u) << shown;
      std::size_t named = 0;
      for (std::size_t at = shown.find("地址 "); at != std::string::npos; at = shown.find("地址 ", at + 1)) ++named;
      EXPECT_EQ(named, left.size()) << shown;
      for (const std::string& entry : left) EXPECT_NE(shown.find(entry), std::string::npos) << entry << "\n" << shown;
      EXPECT_NE(written.str().find("# probe bytes not restored, type 64: "), std::string::npos) << written.str();
    }
    // Meanwhile one byte left was changed: it is no longer the probe's to
    // put back.
    Bytes expected = before;
    for (std::size_t a = 0; a < chip.size; ++a) {
      if (chip.mem[a] == before[a]) continue;
      chip.mem[a] = expected[a] = 0x5A;
      break;
    }
    chip.goneFrom = 0;
    const std::size_t boxes = ui.log.boxes().size();
    detect();
    EXPECT_EQ(chip.mem, expected) << context();
    EXPECT_EQ(ui.log.boxes().size(), boxes);
    EXPECT_EQ(st.cardType, CardType::At24c02);
    g_chip = nullptr;
  }
  EXPECT_GT(reported, 0) << "no call left a probe byte on the card";
}

}  // namespace
