// Power down, version text, push-out and the firmware download hand-over.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "reader/reader_fixture.h"
#include "reader/utility_commands.h"
#include "resources/resource.h"

namespace {

using readertest::ScriptedView;
using Bytes = std::vector<std::uint8_t>;

const std::string kTitle = kAppTitle;

TEST_F(ScriptedView, PowerDownIsSilentUnlessTheDriverFails) {
  connected();
  view.onCommand(ID_CARD_POWER_DOWN);
  view.onCommand(ID_CARD_POWER_DOWN);
  EXPECT_TRUE(ui.log.events.empty()) << context();
  drv.results("IC_Down", {-1});
  view.onCommand(ID_CARD_POWER_DOWN);
  EXPECT_EQ(ui.log.boxes(), (std::vector<std::string>{"提示信息|PowerDown Error."}));
  EXPECT_EQ(ui.log.of(fake::Event::Kind::MessageBox).at(0).style, port::mb::kIconInformation);
  EXPECT_EQ(drv.callsTo("IC_Down").at(0).ints, (std::vector<long long>{7}));
}

struct VersionCase {
  const char* name;
  Bytes written;
  int result;
  std::string box;
};
const VersionCase kVersionCases[] = {
    {"plain", {'K', 'v', '3', '1', '0', ' ', 'V', '2', '.', '1', 0, 'x'}, 0, "版本号|Kv310 V2.1"},
    {"all twenty bytes, no zero", Bytes(24, 'A'), 0, "版本号|" + std::string(20, 'A')},
    {"bytes that are not UTF-8", {'V', 0xB0, 0xE6, '1'}, 0, "版本号|V??1"},
    {"driver failure", {'V'}, -3, kTitle + "|取版本号错误"},
};

class VersionText : public ScriptedView, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(VersionText, ShowsWhatTheDriverWroteWithinTheBuffer) {
  connected();
  Bytes written = GetParam().written;
  drv.results("IC_ReadVer", {GetParam().result});
  // A driver that fills exactly what the buffer holds: 20 bytes at most.
  drv.onCall("IC_ReadVer", [written](const fake::DriverCall&, const std::vector<void*>& out) {
    std::memcpy(out.at(0), written.data(), std::min<std::size_t>(written.size(), 20));
  });
  view.onCommand(ID_READER_VERSION);
  EXPECT_EQ(ui.log.boxes(), (std::vector<std::string>{GetParam().box})) << context();
  EXPECT_EQ(ui.log.of(fake::Event::Kind::MessageBox).at(0).style, port::mb::kOk);
}

INSTANTIATE_TEST_SUITE_P(Cases, VersionText, ::testing::ValuesIn(kVersionCases), [](const auto& param_info) {
  std::string n = param_info.param.name;
  for (char& ch : n) {
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  return n;
});

TEST_F(ScriptedView, PushOutShowsNothing) {
  connected();
  drv.results("IC_Pushout", {-9});
  view.onCommand(ID_CARD_PUSH_OUT);
  EXPECT_EQ(drv.names(), (std::vector<std::string>{"IC_Pushout"}));
  EXPECT_TRUE(ui.log.events.empty()) << context();
}

struct DownloadCase {
  const char* name;
  int identifyType;       // IC_InitType(253)
  int readResult;         // IC_Read of the identification
  std::uint8_t secondByte;
  std::vector<std::string> calls;  // after IC_InitType(253)
  std::vector<std::string> boxes;
  bool quits;
  bool startsTool;
};
const DownloadCase kDownloadCases[] = {
    {"no card", -134, 0, 0, {"IC_InitType"}, {"提示信息|Insert one Card into the Reader and then retry..."}, false,
     false},
    {"reader not answering", -2, 0, 0, {"IC_ExitComm"}, {"提示信息|Error occur while detecting the Reader..."}, true,
     false},
    {"identification read fails", 0, -1, 0, {"IC_Read", "IC_InitType"}, {}, false, false},
    {"reader without download", 0, 0, 'K', {"IC_Read", "IC_InitType"},
     {"提示信息|This reader can't support this function..."}, false, false},
    {"reader takes firmware", 0, 0, 'M', {"IC_Read", "IC_ExitComm"}, {}, true, true},
    {"identification read answers its byte count", 0, 2, 'M', {"IC_Read", "IC_ExitComm"}, {}, true, true},
};

class FirmwareDownload : public ScriptedView, public ::testing::WithParamInterface<DownloadCase> {};

TEST_P(FirmwareDownload, FollowsTheReadersAnswer) {
  const DownloadCase& c = GetParam();
  connected();
  st.cardType = CardType::Sle4442;
  drv.results("IC_InitType", {c.identifyType});
  drv.results("IC_Read", {c.readResult});
  drv.readData("IC_Read", {{'V', c.secondByte}});
  view.onCommand(ID_READER_FIRMWARE_DOWNLOAD);
  std::vector<std::string> names = drv.names();
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(drv.calls[0].ints, (std::vector<long long>{7, 253}));
  names.erase(names.begin());
  EXPECT_EQ(names, c.calls) << context();
  EXPECT_EQ(ui.log.boxes(), c.boxes) << context();
  for (const auto& b : ui.log.of(fake::Event::Kind::MessageBox)) EXPECT_EQ(b.style, port::mb::kIconInformation);
  // The card's own protocol is set again wherever the program goes on.
  if (drv.calls.back().name == "IC_InitType") {
    EXPECT_EQ(drv.calls.back().ints, (std::vector<long long>{7, 16}));
  }
  EXPECT_EQ(ui.log.of(fake::Event::Kind::PostQuit).size(), c.quits ? 1u : 0u) << context();
  const auto tools = ui.log.of(fake::Event::Kind::ShellExecute);
  ASSERT_EQ(tools.size(), c.startsTool ? 1u : 0u) << context();
  if (c.startsTool) {
    EXPECT_EQ(tools[0].text, "DownLoad.exe");
    EXPECT_EQ(tools[0].style, 9u);
  }
  if (c.quits) {
    EXPECT_EQ(st.readerHandle, 0) << "the closed reader is not closed twice";
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, FirmwareDownload, ::testing::ValuesIn(kDownloadCases), [](const auto& param_info) {
  std::string n = param_info.param.name;
  for (char& ch : n) {
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  return n;
});

}  // namespace
