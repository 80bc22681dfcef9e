// The reader's logic on its own, with no view: what a detection and a port
// switch return, and that they draw nothing.
#include <gtest/gtest.h>

#include "fakes/fake_ui.h"
#include "fakes/scripted_driver.h"
#include "reader/connection.h"
#include "reader/detection.h"

namespace {

struct ReaderLogic : ::testing::Test {
  fake::FakeUi ui;
  fake::ScriptedDriver drv;
  ReaderSession session{7, ReaderPort::Com1};
  ReaderContext ctx{session, drv.table, ui.shell};
};

TEST_F(ReaderLogic, ADetectionReturnsWhatItFoundAndDrawsNothing) {
  drv.setDefault("IC_Status", 1);
  const DetectionOutcome found = probeCard(ctx);
  EXPECT_TRUE(found.readerAnswered);
  EXPECT_EQ(found.result, DetectResult::NoCard);
  EXPECT_EQ(found.cardType, CardType::None);
  EXPECT_TRUE(ui.window.screen.at.empty());
  EXPECT_TRUE(ui.log.events.empty());
}

TEST_F(ReaderLogic, AReaderThatDoesNotAnswerIsToldInABox) {
  drv.setDefault("IC_Status", -1);
  EXPECT_FALSE(probeCard(ctx).readerAnswered);
  EXPECT_EQ(session.detectResult, DetectResult::ReaderFailed);
  EXPECT_EQ(ui.log.boxes(), std::vector<std::string>{"提示信息|连接错误!"});
}

TEST_F(ReaderLogic, APortSwitchSaysWhetherTheReaderMoved) {
  drv.setDefault("IC_InitComm", 9);
  EXPECT_EQ(switchPort(ctx, ReaderPort::Usb), PortSwitch::Moved);
  drv.setDefault("IC_InitComm", -1);
  EXPECT_EQ(switchPort(ctx, ReaderPort::Com2), PortSwitch::Kept);
  EXPECT_EQ(session.port, ReaderPort::Usb);
  drv.setDefault("IC_ExitComm", -1);
  EXPECT_EQ(switchPort(ctx, ReaderPort::Com3), PortSwitch::Refused);
  EXPECT_TRUE(ui.window.screen.at.empty());
}

}  // namespace
