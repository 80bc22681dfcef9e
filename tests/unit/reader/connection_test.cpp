// Finding the reader at start-up, the port commands and closing the reader,
// against a scripted driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>

#include "reader/connection.h"
#include "reader/reader_fixture.h"

namespace {

using readertest::ScriptedView;

std::vector<long long> firstArgs(const fake::ScriptedDriver& d, const std::string& name) {
  std::vector<long long> out;
  for (const fake::DriverCall& c : d.callsTo(name)) out.push_back(c.ints.at(0));
  return out;
}

struct StartCase {
  const char* name;
  std::vector<int> initComm, status, status1;
  ReaderPort port;
  int handle;
  std::vector<long long> portsTried;
  std::vector<std::string> boxes;
};

const std::string kVersionBox = std::string("提示信息|") + kDriverVersionMessage;
const std::string kNoReaderBox = std::string("自检出错|") + kNoReaderMessage;

const StartCase kStartCases[] = {
    {"usb with a card", {5}, {0}, {}, ReaderPort::Usb, 5, {100}, {}},
    {"usb without a card", {5}, {1}, {}, ReaderPort::Usb, 5, {100}, {}},
    {"usb status 2 goes on to COM1", {5, 9}, {2, 0}, {0}, ReaderPort::Com1, 9, {100, 0}, {}},
    {"usb link error, COM1 absent, COM2 without card",
     {5, 0, 9},
     {-2, 1},
     {0},
     ReaderPort::Com2,
     9,
     {100, 0, 1},
     {}},
    {"no usb, link error on COM2, COM3 taken",
     {-1, 0, 8, 9},
     {-5, 0},
     {0},
     ReaderPort::Com3,
     9,
     {100, 0, 1, 2},
     {}},
    {"version fault on COM1 ends the search", {0, 6}, {0}, {1}, ReaderPort::None, 0, {100, 0}, {kVersionBox}},
    {"no reader anywhere", {0, 0, 0, 0, 0}, {}, {}, ReaderPort::None, 0, {100, 0, 1, 2, 3}, {kNoReaderBox}},
};

class StartupSearch : public ScriptedView, public ::testing::WithParamInterface<StartCase> {};

TEST_P(StartupSearch, FindsThePortAndReportsAsTheDriverAnswers) {
  const StartCase& c = GetParam();
  drv.results("IC_InitComm", c.initComm);
  drv.results("IC_Status", c.status);
  drv.results("IC_Status_1", c.status1);
  view.onCreate();
  EXPECT_EQ(st.port, c.port) << context();
  EXPECT_EQ(st.readerHandle, c.handle) << context();
  EXPECT_EQ(firstArgs(drv, "IC_InitComm"), c.portsTried) << context();
  EXPECT_EQ(ui.log.boxes(), c.boxes) << context();
}

INSTANTIATE_TEST_SUITE_P(Cases, StartupSearch, ::testing::ValuesIn(kStartCases),
                         [](const auto& param_info) {
                           std::string n = param_info.param.name;
                           for (char& ch : n) {
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return n;
                         });

TEST_F(ScriptedView, StartupClosesEveryHandleItRejects) {
  drv.results("IC_InitComm", {5, 8, 6});
  drv.results("IC_Status", {2, -1, 0});
  drv.results("IC_Status_1", {1});
  view.onCreate();
  // USB 5 rejected, COM1 8 with a link error, COM2 6 with a version fault.
  const std::vector<long long> closed = firstArgs(drv, "IC_ExitComm");
  EXPECT_EQ(std::count(closed.begin(), closed.end(), 5), 1) << context();
  EXPECT_EQ(std::count(closed.begin(), closed.end(), 8), 1) << context();
  EXPECT_EQ(std::count(closed.begin(), closed.end(), 6), 1) << context();
  const auto boxes = ui.log.of(fake::Event::Kind::MessageBox);
  ASSERT_EQ(boxes.size(), 1u) << context();
  EXPECT_EQ(boxes[0].style, port::mb::kIconInformation) << context();
}

TEST_F(ScriptedView, NoReaderBoxCarriesTheStopIcon) {
  view.onCreate();
  const auto boxes = ui.log.of(fake::Event::Kind::MessageBox);
  ASSERT_EQ(boxes.size(), 1u) << context();
  EXPECT_EQ(boxes[0].style, port::mb::kIconStop) << context();
}

TEST_F(ScriptedView, EveryPortCommandOpensItsPortAndShowsItsName) {
  const std::map<ReaderPort, std::string> names = {{ReaderPort::Com1, "COM1"},
                                                   {ReaderPort::Com2, "COM2"},
                                                   {ReaderPort::Com3, "COM3"},
                                                   {ReaderPort::Com4, "COM4"},
                                                   {ReaderPort::Usb, "USB "}};
  for (const PortCommand& pc : kPortCommands) {
    connected(pc.port == ReaderPort::Com1 ? ReaderPort::Com2 : ReaderPort::Com1);
    drv.clearCalls();
    drv.results("IC_InitComm", {20 + codeOf(pc.port)});
    ASSERT_TRUE(view.onCommand(pc.commandId));
    EXPECT_EQ(drv.names(), (std::vector<std::string>{"IC_ExitComm", "IC_InitComm"})) << context();
    EXPECT_EQ(drv.calls.at(0).ints.at(0), 7) << context();
    EXPECT_EQ(drv.calls.at(1).ints.at(0), codeOf(pc.port)) << context();
    EXPECT_EQ(st.port, pc.port);
    EXPECT_EQ(st.readerHandle, 20 + codeOf(pc.port));
    EXPECT_EQ(portName(), names.at(pc.port)) << context();
  }
  EXPECT_EQ(ui.log.beepCount(), 0) << context();
}

TEST_F(ScriptedView, ReopeningTheOpenPortClosesItFirst) {
  connected(ReaderPort::Com3);
  drv.results("IC_InitComm", {9});
  view.onCommand(32786);
  EXPECT_EQ(drv.names(), (std::vector<std::string>{"IC_ExitComm", "IC_InitComm"})) << context();
  EXPECT_EQ(st.readerHandle, 9);
}

// A handle of 0 or below is no reader: the previous port is opened again.
class FailedPortChange : public ScriptedView, public ::testing::WithParamInterface<int> {};

TEST_P(FailedPortChange, BeepsAndGoesBackToThePreviousPort) {
  connected(ReaderPort::Usb);
  drv.results("IC_InitComm", {GetParam(), 12});
  view.onCommand(32785);
  EXPECT_EQ(firstArgs(drv, "IC_InitComm"), (std::vector<long long>{1, 100})) << context();
  EXPECT_EQ(st.port, ReaderPort::Usb);
  EXPECT_EQ(st.readerHandle, 12);
  EXPECT_EQ(ui.log.beepCount(), 1) << context();
  EXPECT_EQ(portName(), "USB ") << context();
  EXPECT_TRUE(ui.log.boxes().empty()) << context();
}

INSTANTIATE_TEST_SUITE_P(Handles, FailedPortChange, ::testing::Values(0, -1, -32768));

TEST_F(ScriptedView, PreviousPortThatCannotBeReopenedLeavesNoReader) {
  connected(ReaderPort::Com1);
  drv.results("IC_InitComm", {0, -4});
  view.onCommand(32787);
  EXPECT_EQ(st.port, ReaderPort::Com1);
  EXPECT_EQ(st.readerHandle, 0) << "a failed open must not be kept as a handle";
}

TEST_F(ScriptedView, FailedPortChangeWithoutReaderKeepsNoPort) {
  drv.results("IC_InitComm", {0, 0});
  view.onCommand(32784);
  EXPECT_EQ(firstArgs(drv, "IC_InitComm"), (std::vector<long long>{0, -1})) << context();
  EXPECT_EQ(st.port, ReaderPort::None);
  EXPECT_EQ(portName(), "") << context();
  EXPECT_EQ(ui.log.beepCount(), 1);
}

TEST_F(ScriptedView, PortChangeStopsWhenTheReaderCannotBeClosed) {
  connected(ReaderPort::Usb);
  drv.results("IC_ExitComm", {-1});
  view.onCommand(32784);
  EXPECT_EQ(drv.names(), (std::vector<std::string>{"IC_ExitComm"})) << context();
  EXPECT_EQ(st.port, ReaderPort::Usb);
  EXPECT_EQ(st.readerHandle, 7);
  EXPECT_EQ(portName(), "");
}

TEST_F(ScriptedView, DestroyingTheViewClosesTheReader) {
  connected(ReaderPort::Com4);
  view.onDestroy();
  ASSERT_EQ(drv.count("IC_ExitComm"), 1) << context();
  EXPECT_EQ(drv.calls.back().ints.at(0), 7);
}

}  // namespace
