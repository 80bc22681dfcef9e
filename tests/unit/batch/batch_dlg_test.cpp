// The dialog "批量写卡" through the fake UI against the in-memory simulator:
// the view's command opens it, the test types the options, presses the
// buttons and fires the timer by hand, and acts as the operator (a card
// in, a card out) whenever the run waits.
#include "batch/batch_dlg.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>

#include "fakes/fake_ui.h"
#include "sim/sim_api.h"
#include "view/app_state.h"
#include "view/batch_module.h"
#include "view/demo_view.h"

namespace {

namespace fs = std::filesystem;
using fake::FakeControls;

struct BatchDialog : ::testing::Test {
  fake::FakeUi ui;
  DriverTable drv;
  AppState st;
  CDemoDoc doc;
  CDemoView view{st, doc, drv, ui.window, ui.shell, ui.menu, ui.dialogs, ui.files};
  fs::path dir = fs::temp_directory_path() / "pelox-batch-dialog";
  std::string log = (dir / "log.csv").string();
  std::deque<std::string> cards;  // the cards the operator has at hand
  bool inserted = false;
  double now = 0;

  void SetUp() override {
    fs::remove_all(dir);
    fs::create_directories(dir);
    sim::TestReader::reset("none");
    sim::fillDriverTable(drv);
    st.readerHandle = drv.IC_InitComm(100);
    st.port = ReaderPort::Usb;
    st.cardType = CardType::Sle4442;
    sim::TestReader::insert("sle4442");
    std::vector<std::uint8_t> image = sim::TestReader::memory();
    sim::TestReader::pull();
    image[0x40] = 0x12;
    ui.files.files["img.bin"] = image;
    ui.files.files["short.bin"] = std::vector<std::uint8_t>(100);
  }
  void TearDown() override {
    sim::TestReader::reset();
    fs::remove_all(dir);
  }

  // Opens the dialog from the view and types the options of a good run
  // of two cards, then `more` (control, text; "!" clicks it).
  FakeControls& open(std::vector<std::pair<int, std::string>> more, std::function<void(FakeControls&)> then) {
    ui.dialogs.scripts.push_back([this, more, then](FakeControls& c) {
      for (const auto& [id, text] : std::vector<std::pair<int, std::string>>{
               {IDC_BATCH_IMAGE, "img.bin"}, {IDC_BATCH_SERIAL, "0x80:2:1"}, {IDC_BATCH_CODE, "FFFFFF"},
               {IDC_BATCH_COUNT, "2"}, {IDC_BATCH_LOG, log}})
        c.type(id, text);
      for (const auto& [id, text] : more) text == "!" ? c.click(id) : c.type(id, text);
      then(c);
    });
    runBatchDialog(view.context(), [this] { return now; });
    return *ui.dialogs.last;
  }

  // Fires the timer until the run ends; whenever it waits, the operator
  // takes the card out or puts the next one in (or presses Stop: none left).
  void drive(FakeControls& c, const std::function<void(FakeControls&)>& eachTick = {}) {
    for (int guard = 0; guard < 10000 && c.timerArmed(); ++guard) {
      now += c.interval() / 1000.0;
      if (c.interval() > 0 && !operatorActs()) c.click(IDC_BATCH_STOP);
      c.fireTimer();
      if (eachTick) eachTick(c);
    }
  }
  bool operatorActs() {
    if (inserted) {
      sim::TestReader::pull();
      inserted = false;
      return true;
    }
    if (cards.empty()) return false;
    sim::TestReader::insert(cards.front());
    cards.pop_front();
    inserted = true;
    now += 2;
    return true;
  }
  std::vector<std::string> logResults() {
    std::vector<std::string> results;
    std::ifstream in(log);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
      const auto f = batch::csvFields(line);
      results.push_back(f.at(6) + (f.at(4).empty() ? "" : " " + f.at(4)));
    }
    return results;
  }
};

TEST_F(BatchDialog, BadInputIsRefusedWithItsBoxAndNothingIsWritten) {
  std::ofstream(dir / "old.csv") << "time,reader,card type,id,serial,bytes written,result,message\n"
                                    "x,usb,sle4442,,7,0,started,\n";
  struct Case {
    std::vector<std::pair<int, std::string>> more;
    int focus;         // the box the operator is sent back to; 0: no refusal, the question was answered No
    const char* text;  // in the box
  } cases[] = {
      {{{IDC_BATCH_IMAGE, ""}}, IDC_BATCH_IMAGE, "映像文件"},
      {{{IDC_BATCH_IMAGE, "short.bin"}}, IDC_BATCH_IMAGE, "100 字节"},
      {{{IDC_BATCH_COUNT, "0"}}, IDC_BATCH_COUNT, "张数"},
      {{{IDC_BATCH_SERIAL, "0x80:9:1"}}, IDC_BATCH_SERIAL, "序号 “0x80:9:1”无效"},
      {{{IDC_BATCH_FIELDS, "0x40=AA 0x81=00"}}, IDC_BATCH_FIELDS, "重叠"},
      {{{IDC_BATCH_CODE, "FFFF"}}, IDC_BATCH_CODE, "6 位十六进制密码"},
      {{{IDC_BATCH_PROTECT, "0-40"}}, IDC_BATCH_PROTECT, "超出"},
      {{{IDC_BATCH_LOG, ""}}, IDC_BATCH_LOG, "记录文件"},
      {{{IDC_BATCH_LOG, (dir / "old.csv").string()}}, IDC_BATCH_LOG, "选“接着写”"},
      {{{IDC_BATCH_PROTECT, "0-3"}}, 0, "不可恢复"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    sim::TestReader::insert("sle4442");
    inserted = true;
    const std::string before = sim::TestReader::stateText();
    ui.log.clear();
    ui.shell.answers = {port::mb::kIdNo};
    FakeControls& d = open(c.more, [](FakeControls& dc) { dc.click(IDC_BATCH_START); });
    ASSERT_EQ(ui.log.boxes().size(), 1u) << ui.log.dump();
    EXPECT_NE(ui.log.boxes()[0].find(c.text), std::string::npos) << ui.log.boxes()[0];
    if (c.focus != 0) {
      EXPECT_EQ(d.focus, c.focus);
    }
    EXPECT_TRUE(d.controls[IDC_BATCH_START].enabled);
    EXPECT_EQ(sim::TestReader::stateText(), before);
    EXPECT_FALSE(fs::exists(log));
  }
}

TEST_F(BatchDialog, ARunOfCardsIsSteppedOnTheTimerAndShowsEachOutcome) {
  cards = {"sle4442", "24c02", "sle4442", "sle4442"};
  std::set<int> intervals;
  FakeControls& d = open({}, [&](FakeControls& c) {
    c.click(IDC_BATCH_START);
    EXPECT_FALSE(c.controls[IDC_BATCH_IMAGE].enabled);  // the options stay as the run has them
    drive(c, [&](FakeControls& t) { intervals.insert(t.interval()); });
  });
  EXPECT_EQ(logResults(), (std::vector<std::string>{"started 1", "ok 1", "failed", "started 2", "ok 2"}));
  EXPECT_EQ(d.controls[IDC_BATCH_DONE].text, "2");
  EXPECT_EQ(d.controls[IDC_BATCH_FAILED].text, "1");
  EXPECT_EQ(d.controls[IDC_BATCH_STEP].text, "结束");
  EXPECT_EQ(d.lines(IDC_BATCH_PROGRESS).back(), "结束：完成 2 张，失败 1 张，拒绝 0 张；下一个序号 3");
  EXPECT_EQ(sim::TestReader::memory()[0x81], 2);  // the second good card holds serial 2
  // Polled while the operator acts: the timer comes back, nothing waits in a tick.
  EXPECT_TRUE(intervals.count(batch::kPollMs)) << "never polled";
  EXPECT_EQ(cards.size(), 1u);
}

// Stop, and closing the dialog, while a card is being written: that card is
// finished and logged, no other card is touched.
TEST_F(BatchDialog, StopAndCloseLetTheCardBeingWrittenFinish) {
  for (int button : {IDC_BATCH_STOP, port::mb::kIdCancel}) {
    SCOPED_TRACE(button);
    fs::remove(log);
    sim::TestReader::pull();
    inserted = false;
    cards = {"sle4442", "sle4442"};
    FakeControls& d = open({{IDC_BATCH_UNTIL_STOPPED, "!"}}, [&](FakeControls& c) {
      c.click(IDC_BATCH_START);
      drive(c, [&](FakeControls& t) {
        if (t.controls[IDC_BATCH_STEP].text == "写卡" && !t.ended) t.click(button);
      });
    });
    EXPECT_EQ(logResults(), (std::vector<std::string>{"started 1", "ok 1"}));
    EXPECT_EQ(cards.size(), 1u);
    EXPECT_EQ(d.lines(IDC_BATCH_PROGRESS).back().rfind("结束：完成 1 张，失败 0 张", 0), 0u);
  }
}

TEST_F(BatchDialog, AWrongCodeStopsTheRunBeforeASecondCard) {
  cards = {"sle4442", "sle4442"};
  open({{IDC_BATCH_CODE, "123456"}}, [&](FakeControls& c) {
    c.click(IDC_BATCH_START);
    drive(c);
  });
  EXPECT_EQ(logResults(), std::vector<std::string>{"failed"});
  ASSERT_FALSE(ui.log.boxes().empty());
  EXPECT_NE(ui.log.boxes().back().find("批量写卡停止：错误：密码错误！"), std::string::npos) << ui.log.boxes().back();
  EXPECT_EQ(cards.size(), 1u);
  EXPECT_EQ(drv.IC_ReadCount_SLE4442(st.readerHandle), 2);
}

}  // namespace
