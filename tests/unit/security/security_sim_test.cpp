// The security commands on the simulated reader's cards: real counters,
// locks, codes, erases, fuses and the authentication cipher.
#include <cstring>

#include "security/mutual_auth_dlg.h"
#include "security/password_dlg.h"
#include "security/secret_code_dlg.h"
#include "security_fixture.h"
#include "sim/sim_api.h"
#include "resources/resource.h"

namespace sectest {
namespace {

class SimSecurity : public ::testing::Test {
 protected:
  void insert(const char* card, CardType cardType) {
    sim::TestReader::reset(card, 100);
    sim::fillDriverTable(table);
    st.port = ReaderPort::Usb;
    st.readerHandle = table.IC_InitComm(100);
    ASSERT_GT(st.readerHandle, 0);
    st.cardType = cardType;
    view = std::make_unique<CDemoView>(st, doc, table, ui.window, ui.shell, ui.menu, ui.dialogs, ui.files);
  }
  // Runs a memory-card command with a typed code; returns what was seen.
  std::string present(int command, const std::string& code) {
    ui.log.clear();
    ui.window.screen.clear();
    ui.dialogs.scripts.push_back(fake::typeAndOk(IDC_PASSWORD, code));
    EXPECT_TRUE(view->onCommand(command));
    ui.dialogs.scripts.clear();
    const std::string status = ui.window.screen.visibleText(12, 316);
    const std::string seen = outcome(ui.log);
    return status.empty() ? seen : seen + " [" + status + "]";
  }
  // A crypto password command with a set (or "" to keep the proposed one).
  std::string crypto(int command, const std::string& set, const std::string& password) {
    ui.log.clear();
    ui.dialogs.scripts.push_back([=](fake::FakeControls& c) {
      if (!set.empty()) c.type(IDC_SECRET_SET, set);
      c.type(IDC_SECRET_PASSWORD, password);
      c.click(1);
    });
    EXPECT_TRUE(view->onCommand(command));
    ui.dialogs.scripts.clear();
    const auto boxes = ui.log.boxes();
    return boxes.empty() ? "" : boxes.back();
  }
  std::string box(const std::string& caption) { return "box(" + caption; }

  AppState st;
  CDemoDoc doc;
  fake::FakeUi ui;
  DriverTable table;
  std::unique_ptr<CDemoView> view;
};

const std::string kOk = "beep×5 [操作成功]";
const std::string kWrong = "box(出错警告|错误：密码错误！|0x30)";
const std::string kLocked = "box(出错警告|错误：该卡已经报废！|0x30)";
const std::string& kLast = kLastAttemptBox;
std::string left(int n) { return " [剩余尝试次数：" + std::to_string(n) + "]"; }

TEST_F(SimSecurity, Sle4442CountsDownAsksBeforeTheLastAttemptAndLocks) {
  insert("sle4442", CardType::Sle4442);
  EXPECT_EQ(present(ID_VERIFY_USER_PASSWORD, "000000"), kWrong + left(2));
  EXPECT_EQ(table.IC_ReadCount_SLE4442(st.readerHandle), 2);
  EXPECT_EQ(present(ID_VERIFY_USER_PASSWORD, "000001"), kWrong + left(1));
  ui.shell.answers.push_back(port::mb::kIdNo);
  EXPECT_EQ(present(ID_VERIFY_USER_PASSWORD, "000002"), kLast);
  EXPECT_EQ(table.IC_ReadCount_SLE4442(st.readerHandle), 1) << "declining spends nothing";
  ui.shell.answers.push_back(port::mb::kIdYes);
  EXPECT_EQ(present(ID_VERIFY_USER_PASSWORD, "000002"), kLast + " " + kWrong + left(0));
  EXPECT_EQ(table.IC_ReadCount_SLE4442(st.readerHandle), 0);
  EXPECT_EQ(present(ID_VERIFY_USER_PASSWORD, "FFFFFF"), kLocked) << "even the right code is refused now";
  EXPECT_EQ(std::count(ui.dialogs.opened.begin(), ui.dialogs.opened.end(), 102), 4) << "no dialog once locked";
  EXPECT_EQ(present(ID_CHANGE_USER_PASSWORD, "123456"), kLocked);
}

TEST_F(SimSecurity, Sle4442CorrectPresentationResetsTheCounterAndAllowsWrites) {
  insert("sle4442", CardType::Sle4442);
  ASSERT_EQ(table.IC_InitType(st.readerHandle, 16), 0);
  const unsigned char data[1] = {0x5A};
  EXPECT_NE(table.IC_Write(st.readerHandle, 64, 1, data), 0) << "locked before the PSC";
  EXPECT_EQ(present(ID_VERIFY_USER_PASSWORD, "000000"), kWrong + left(2));
  EXPECT_EQ(present(ID_VERIFY_USER_PASSWORD, "ffffff"), kOk);
  EXPECT_EQ(table.IC_ReadCount_SLE4442(st.readerHandle), 3);
  EXPECT_EQ(table.IC_Write(st.readerHandle, 64, 1, data), 0);
  EXPECT_EQ(sim::TestReader::memory().at(64), 0x5A);
}

TEST_F(SimSecurity, Sle4442TypoCostsNoAttempt) {
  insert("sle4442", CardType::Sle4442);
  EXPECT_EQ(present(ID_VERIFY_USER_PASSWORD, "FFFFFG"), "box(出错警告|错误：密码只能包含0-9和A-F！|0x30)");
  EXPECT_EQ(present(ID_VERIFY_USER_PASSWORD, "FFFF"), "box(出错警告|错误：输入密码个数必须为6个！|0x30)");
  EXPECT_EQ(table.IC_ReadCount_SLE4442(st.readerHandle), 3);
}

TEST_F(SimSecurity, Sle4442ChangeThenPresentTheNewPassword) {
  insert("sle4442", CardType::Sle4442);
  EXPECT_EQ(present(ID_VERIFY_USER_PASSWORD, "FFFFFF"), kOk);
  EXPECT_EQ(present(ID_CHANGE_USER_PASSWORD, "A1B2C3"), kOk);
  EXPECT_EQ(present(ID_VERIFY_USER_PASSWORD, "FFFFFF"), kWrong + left(2));
  EXPECT_EQ(present(ID_VERIFY_USER_PASSWORD, "a1b2c3"), kOk);
}

TEST_F(SimSecurity, Sle4428VerifyAndChange) {
  insert("sle4428", CardType::Sle4428);
  EXPECT_EQ(present(ID_VERIFY_USER_PASSWORD, "0000"), "beep×5 " + kWrong + left(7));
  EXPECT_EQ(table.IC_ReadCount_SLE4428(st.readerHandle), 7);
  EXPECT_EQ(present(ID_VERIFY_USER_PASSWORD, "FFFF"), kOk);
  EXPECT_EQ(present(ID_CHANGE_USER_PASSWORD, "1234"), kOk);
  EXPECT_EQ(present(ID_VERIFY_USER_PASSWORD, "1234"), kOk);
}

TEST_F(SimSecurity, At102EraseWithTheRightCodeErasesExactlyItsRangeAndTheViewShowsIt) {
  insert("at88sc102", CardType::At88sc102);
  if (!view->hasCommand(ID_CARD_READ)) GTEST_SKIP() << "the view has no read command yet";
  sim::TestReader::setMemory(22, std::vector<std::uint8_t>(64, 0x00));  // zone 1 with its attribute byte
  sim::TestReader::setMemory(92, std::vector<std::uint8_t>(64, 0x11));
  const auto before = sim::TestReader::memory();
  // A wrong erase code leaves everything.
  EXPECT_EQ(present(ID_VERIFY_ZONE1_ERASE_PASSWORD, "000000000000"), "beep×5 " + kWrong);
  EXPECT_EQ(sim::TestReader::memory(), before);
  // FF x 6 is the factory erase key of zone 1.
  const std::string seen = present(ID_VERIFY_ZONE1_ERASE_PASSWORD, "FFFFFFFFFFFF");
  EXPECT_NE(seen.find("[操作成功]"), std::string::npos) << seen;
  const auto after = sim::TestReader::memory();
  for (std::size_t a = 0; a < after.size(); ++a) {
    const bool erased = a >= 24 && a <= 85;
    const std::uint8_t expected = erased ? 0xFF : before[a];
    ASSERT_EQ(after[a], expected) << "address " << a;
  }
  // The view re-read the card.
  EXPECT_STREQ(doc.hexCells[24].data(), "ff");
  EXPECT_STREQ(doc.hexCells[85].data(), "ff");
  EXPECT_STREQ(doc.hexCells[23].data(), "00");
  EXPECT_STREQ(doc.hexCells[100].data(), "11");
}

TEST_F(SimSecurity, At102UserCodeAndFuseBlowsOnce) {
  insert("at88sc102", CardType::At88sc102);
  EXPECT_EQ(present(ID_VERIFY_USER_PASSWORD, "0000"), "beep×5 " + kWrong + left(3));
  const std::string seen = present(ID_VERIFY_USER_PASSWORD, "F0F0");
  EXPECT_NE(seen.find("[操作成功]"), std::string::npos) << seen;
  ui.log.clear();
  ASSERT_TRUE(view->onCommand(ID_FUSE_PERSONALISATION));
  EXPECT_EQ(outcome(ui.log), "box(个人化确认|此导致此卡个人化？|0x1) beep×5");
  EXPECT_EQ(ui.window.screen.visibleText(12, 316), "操作成功");
  EXPECT_NE(sim::TestReader::stateText(), "") << "state readable";
  const std::string fused = sim::TestReader::stateText();
  ASSERT_TRUE(view->onCommand(ID_FUSE_PERSONALISATION));
  EXPECT_EQ(sim::TestReader::stateText(), fused) << "the fuse blows once";
}

TEST_F(SimSecurity, At1604ZoneAndEraseCodesChangeAndVerify) {
  insert("at88sc1604", CardType::At88sc1604);
  EXPECT_EQ(present(ID_VERIFY_USER_PASSWORD, "FFFF"), kOk);
  EXPECT_EQ(present(ID_CHANGE_ZONE3_PASSWORD, "3333"), kOk);  // zone 3 code
  EXPECT_EQ(present(ID_VERIFY_ZONE3_PASSWORD, "FFFF"), "beep×5 " + kWrong + left(7));
  EXPECT_EQ(present(ID_VERIFY_ZONE3_PASSWORD, "3333"), kOk);
  EXPECT_EQ(present(ID_CHANGE_ZONE1_ERASE_PASSWORD, "1111"), kOk);  // zone 1 erase code
  EXPECT_EQ(present(ID_VERIFY_ZONE1_ERASE_PASSWORD, "FFFF"), "beep×5 box(出错警告|错误：错误密码！|0x30)" + left(7));
  EXPECT_EQ(present(ID_VERIFY_ZONE1_ERASE_PASSWORD, "1111"), kOk);
}

TEST_F(SimSecurity, CryptoPasswordsOfEverySet) {
  struct Card {
    const char* name;
    CardType type;
    int sets;
  };
  for (const Card card :
       {Card{"at88sc1608", CardType::At88sc1608, 8}, Card{"at88sc153", CardType::At88sc153, 2}}) {
    insert(card.name, card.type);
    for (int set = 0; set < card.sets; ++set) {
      const std::string s = std::to_string(set);
      const std::string pw = "1234" + std::to_string(set) + "A";
      EXPECT_EQ(crypto(ID_VERIFY_READ_PASSWORD, s, "FFFFFF"), "校验读密码|校验读密码成功") << card.name << s;
      EXPECT_EQ(crypto(ID_VERIFY_WRITE_PASSWORD, s, "FFFFFF"), "校验写密码|校验写密码成功") << card.name << s;
      EXPECT_EQ(crypto(ID_CHANGE_READ_PASSWORD, s, pw), "改写读密码|改写读密码成功") << card.name << s;
      EXPECT_EQ(crypto(ID_CHANGE_WRITE_PASSWORD, s, pw), "改写写密码|改写写密码成功") << card.name << s;
      EXPECT_EQ(crypto(ID_VERIFY_READ_PASSWORD, s, "FFFFFF"), "校验读密码|校验读密码失败") << card.name << s;
      EXPECT_EQ(crypto(ID_VERIFY_READ_PASSWORD, s, pw), "校验读密码|校验读密码成功") << card.name << s;
      EXPECT_EQ(crypto(ID_VERIFY_WRITE_PASSWORD, s, pw), "校验写密码|校验写密码成功") << card.name << s;
    }
    // A set the card does not have is refused by the card.
    EXPECT_EQ(crypto(ID_VERIFY_READ_PASSWORD, std::to_string(card.sets), "FFFFFF"), "校验读密码|校验读密码失败") << card.name;
  }
}

TEST_F(SimSecurity, CryptoWrongPresentationsCountDownAndLock) {
  insert("at88sc1608", CardType::At88sc1608);
  for (int n = 7; n >= 0; --n) {
    if (n == 0) ui.shell.answers.push_back(port::mb::kIdYes);  // the last attempt is asked for
    EXPECT_EQ(crypto(ID_VERIFY_WRITE_PASSWORD, "4", "000000"), "校验写密码|校验写密码失败");
    EXPECT_EQ(table.IC_ReadWPasswordCount(st.readerHandle, 4), n);
    EXPECT_EQ(ui.window.screen.visibleText(12, 316), "剩余尝试次数：" + std::to_string(n));
  }
  EXPECT_EQ(crypto(ID_VERIFY_WRITE_PASSWORD, "4", "FFFFFF"), "校验写密码|校验写密码失败") << "locked";
  // The counter line of the next dialog shows it.
  std::string line;
  ui.dialogs.scripts.push_back([&](fake::FakeControls& c) { line = c.text(IDC_SECRET_COUNTER); });
  view->onCommand(ID_VERIFY_WRITE_PASSWORD);
  EXPECT_EQ(line, "当前密码错误计数器：0");
}

TEST_F(SimSecurity, CryptoFusesBlowInOrderThenRefuse) {
  insert("at88sc1608", CardType::At88sc1608);
  EXPECT_EQ(crypto(ID_VERIFY_SECURITY_CODE, "", "FFFFFF"), "校验安全代码|校验安全代码成功");
  for (const char* fuse : {"FAB", "CMA", "PER"}) {
    ui.log.clear();
    ASSERT_TRUE(view->onCommand(ID_FUSE_BLOW));
    const auto boxes = ui.log.boxes();
    ASSERT_EQ(boxes.size(), 2u) << ui.log.dump();
    EXPECT_NE(boxes[0].find(std::string("该次熔丝将熔丝") + fuse), std::string::npos) << boxes[0];
    EXPECT_EQ(boxes[1], "卡片熔丝|卡片熔丝成功！");
  }
  ui.log.clear();
  ASSERT_TRUE(view->onCommand(ID_FUSE_BLOW));
  EXPECT_EQ(ui.log.boxes(), std::vector<std::string>{
                                "卡片熔丝|当前熔丝读数  0\nPER 已熔丝  CMA 已熔丝  FAB 已熔丝\n该卡已全部熔丝,不能再进行熔丝操作"});
  ui.log.clear();
  ASSERT_TRUE(view->onCommand(ID_FUSE_STATE));
  EXPECT_EQ(ui.log.boxes(), std::vector<std::string>{"熔丝情况|当前熔丝读数  0\nPER 已熔丝  CMA 已熔丝  FAB 已熔丝"});
}

TEST_F(SimSecurity, MutualAuthenticationWithTheRightAndAWrongSeed) {
  for (const bool right : {true, false}) {
    insert("at88sc1608", CardType::At88sc1608);
    const auto ciBefore = sim::TestReader::configZone();
    std::string counterAfter;
    std::string counterAfterInit;
    ui.log.clear();
    ui.dialogs.scripts.push_back([&](fake::FakeControls& c) {
      c.type(IDC_AUTH_RANDOM, "1234567812345678");
      c.click(IDC_AUTH_INIT);
      counterAfterInit = c.text(IDC_AUTH_COUNTER);
      c.type(IDC_AUTH_SEED, right ? "FFFFFFFFFFFFFFFF" : "FFFFFFFFFFFFFFFE");
      c.click(IDC_AUTH_CARD);
      counterAfter = c.text(IDC_AUTH_COUNTER);
      c.click(IDC_AUTH_HOST);
    });
    ASSERT_TRUE(view->onCommand(ID_MUTUAL_AUTHENTICATION));
    const auto boxes = ui.log.boxes();
    ASSERT_EQ(boxes.size(), 3u) << ui.log.dump();
    EXPECT_EQ(boxes[0], "初始化认证|初始化认证成功");
    const auto ciAfter = sim::TestReader::configZone();
    EXPECT_EQ(counterAfterInit, "当前认证错误计数器：7") << "the initialisation spent an attempt";
    if (right) {
      EXPECT_EQ(boxes[1], "卡认证主机|卡认证主机成功");
      EXPECT_EQ(boxes[2], "主机认证卡|主机认证卡成功");
      EXPECT_EQ(counterAfter, "当前认证错误计数器：8");
      EXPECT_FALSE(std::equal(ciBefore.begin() + 40, ciBefore.begin() + 48, ciAfter.begin() + 40)) << "Ci changed";
    } else {
      EXPECT_EQ(boxes[1], "Kv310型读写器演示系统|卡认证主机错误！");
      EXPECT_EQ(boxes[2], "Kv310型读写器演示系统|主机认证卡错误！");
      EXPECT_EQ(counterAfter, "当前认证错误计数器：7");
      EXPECT_TRUE(std::equal(ciBefore.begin() + 40, ciBefore.begin() + 48, ciAfter.begin() + 40)) << "Ci kept";
    }
  }
}

}  // namespace
}  // namespace sectest
