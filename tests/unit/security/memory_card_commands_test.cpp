// The memory-card password, erase and fuse commands against a scripted
// driver: one row per branch of the dispatch tables.
#include <algorithm>
#include <map>
#include <optional>

#include "security/password_dlg.h"
#include "security_fixture.h"
#include "resources/resource.h"

namespace sectest {
namespace {

const std::string kFive = "beep×5";
std::string box(const std::string& text) { return "box(出错警告|" + text + "|0x30)"; }
const std::string& kLast = kLastAttemptBox;

struct Case {
  const char* name;
  CardType card;
  int command;
  std::map<std::string, std::vector<int>> results;
  std::optional<std::string> typed;  // nullopt: the operator cancels
  std::vector<std::string> calls;    // every call, in order (code bytes only)
  std::string outcome;               // beeps and boxes
  std::string status;                // status line 2 afterwards
  int dialogs = 1;                   // password dialogs opened
  bool rereads = false;              // the read command runs after the calls
  std::vector<int> answers = {};     // answers of the message boxes (OK when none)
};

std::ostream& operator<<(std::ostream& o, const Case& c) { return o << c.name; }

const Case kCases[] = {
    // ID_VERIFY_USER_PASSWORD verify, SLE branches
    {"4442_ok",
     CardType::Sle4442,
     ID_VERIFY_USER_PASSWORD,
     {},
     "a1b2c3",
     {"IC_ReadCount_SLE4442(7)", "IC_CheckPass_SLE4442(7)[A1 B2 C3]"},
     kFive,
     "操作成功"},
    {"4442_rejected_without_beeps_shows_attempts_left",
     CardType::Sle4442,
     ID_VERIFY_USER_PASSWORD,
     {{"IC_CheckPass_SLE4442", {-2}}, {"IC_ReadCount_SLE4442", {3, 2}}},
     "000000",
     {"IC_ReadCount_SLE4442(7)", "IC_CheckPass_SLE4442(7)[00 00 00]", "IC_ReadCount_SLE4442(7)"},
     box("错误：密码错误！"),
     "剩余尝试次数：2"},
    {"4442_rejected_counter_unreadable_shows_no_attempts",
     CardType::Sle4442,
     ID_VERIFY_USER_PASSWORD,
     {{"IC_CheckPass_SLE4442", {-2}}, {"IC_ReadCount_SLE4442", {3, -1}}},
     "000000",
     {"IC_ReadCount_SLE4442(7)", "IC_CheckPass_SLE4442(7)[00 00 00]", "IC_ReadCount_SLE4442(7)"},
     box("错误：密码错误！"),
     ""},
    {"4442_last_attempt_declined_sends_nothing",
     CardType::Sle4442,
     ID_VERIFY_USER_PASSWORD,
     {{"IC_ReadCount_SLE4442", {1}}},
     "FFFFFF",
     {"IC_ReadCount_SLE4442(7)"},
     kLast,
     "",
     1,
     false,
     {port::mb::kIdNo}},
    {"4442_last_attempt_accepted_then_rejected_shows_zero_left",
     CardType::Sle4442,
     ID_VERIFY_USER_PASSWORD,
     {{"IC_ReadCount_SLE4442", {1, 0}}, {"IC_CheckPass_SLE4442", {-2}}},
     "123456",
     {"IC_ReadCount_SLE4442(7)", "IC_CheckPass_SLE4442(7)[12 34 56]", "IC_ReadCount_SLE4442(7)"},
     kLast + " " + box("错误：密码错误！"),
     "剩余尝试次数：0",
     1,
     false,
     {port::mb::kIdYes}},
    {"4442_change_with_one_attempt_left_asks_nothing",
     CardType::Sle4442,
     ID_CHANGE_USER_PASSWORD,
     {{"IC_ReadCount_SLE4442", {1}}},
     "123456",
     {"IC_ReadCount_SLE4442(7)", "IC_ChangePass_SLE4442(7)[12 34 56]"},
     kFive,
     "操作成功"},
    {"4442_not_ready",
     CardType::Sle4442,
     ID_VERIFY_USER_PASSWORD,
     {{"IC_ReadCount_SLE4442", {-1}}},
     "FFFFFF",
     {"IC_ReadCount_SLE4442(7)"},
     box("错误：系统没有准备好！"),
     "",
     0},
    {"4442_locked",
     CardType::Sle4442,
     ID_VERIFY_USER_PASSWORD,
     {{"IC_ReadCount_SLE4442", {0}}},
     "FFFFFF",
     {"IC_ReadCount_SLE4442(7)"},
     box("错误：该卡已经报废！"),
     "",
     0},
    // One reading decides: an exhausted counter stays exhausted even if a
    // later reading would fail.
    {"4442_locked_then_failing_reader",
     CardType::Sle4442,
     ID_VERIFY_USER_PASSWORD,
     {{"IC_ReadCount_SLE4442", {0, -1}}},
     "FFFFFF",
     {"IC_ReadCount_SLE4442(7)"},
     box("错误：该卡已经报废！"),
     "",
     0},
    {"102_locked_then_failing_reader",
     CardType::At88sc102,
     ID_CHANGE_USER_PASSWORD,
     {{"IC_ReadCount_102", {0, -1}}},
     "F0F1",
     {"IC_ReadCount_102(7)"},
     box("错误：该卡已经报废！"),
     "",
     0},
    {"4442_cancel", CardType::Sle4442, ID_VERIFY_USER_PASSWORD, {}, std::nullopt, {"IC_ReadCount_SLE4442(7)"}, "", ""},
    {"4442_five_digits",
     CardType::Sle4442,
     ID_VERIFY_USER_PASSWORD,
     {},
     "FFFFF",
     {"IC_ReadCount_SLE4442(7)"},
     box("错误：输入密码个数必须为6个！"),
     ""},
    {"4442_typo_never_reaches_the_card",
     CardType::Sle4442,
     ID_VERIFY_USER_PASSWORD,
     {},
     "FFFFFG",
     {"IC_ReadCount_SLE4442(7)"},
     box("错误：密码只能包含0-9和A-F！"),
     ""},
    {"4428_ok",
     CardType::Sle4428,
     ID_VERIFY_USER_PASSWORD,
     {},
     "12AB",
     {"IC_ReadCount_SLE4428(7)", "IC_CheckPass_SLE4428(7)[12 AB]"},
     kFive,
     "操作成功"},
    {"4428_rejected_after_beeps_shows_attempts_left",
     CardType::Sle4428,
     ID_VERIFY_USER_PASSWORD,
     {{"IC_CheckPass_SLE4428", {1}}, {"IC_ReadCount_SLE4428", {8, 7}}},
     "12AB",
     {"IC_ReadCount_SLE4428(7)", "IC_CheckPass_SLE4428(7)[12 AB]", "IC_ReadCount_SLE4428(7)"},
     kFive + " " + box("错误：密码错误！"),
     "剩余尝试次数：7"},
    {"4428_six_digits",
     CardType::Sle4428,
     ID_VERIFY_USER_PASSWORD,
     {},
     "12ABCD",
     {"IC_ReadCount_SLE4428(7)"},
     box("错误：输入密码个数必须为4个！"),
     ""},
    {"verify_unknown_card", CardType::At24c01a, ID_VERIFY_USER_PASSWORD, {}, "FFFF", {}, box("错误：无此功能！"), "", 0},
    {"verify_4404_nothing", CardType::Sle4404, ID_VERIFY_USER_PASSWORD, {}, "FFFF", {}, "", "", 0},
    {"verify_4418_nothing", CardType::Sle4418, ID_VERIFY_USER_PASSWORD, {}, "FFFF", {}, "", "", 0},
    // ID_VERIFY_USER_PASSWORD on the AT88SC102 (P1) and AT88SC1604/1604B (P2)
    {"102_user_ok_rereads",
     CardType::At88sc102,
     ID_VERIFY_USER_PASSWORD,
     {},
     "F0F0",
     {"IC_ReadCount_102(7)", "IC_CheckPass_102(7)[F0 F0]"},
     kFive,
     "操作成功",
     1,
     true},
    {"102_user_rejected_shows_attempts_left",
     CardType::At88sc102,
     ID_VERIFY_USER_PASSWORD,
     {{"IC_CheckPass_102", {-1}}},
     "F0F0",
     {"IC_ReadCount_102(7)", "IC_CheckPass_102(7)[F0 F0]", "IC_ReadCount_102(7)"},
     kFive + " " + box("错误：密码错误！"),
     "剩余尝试次数：3"},
    {"102_user_last_attempt_declined",
     CardType::At88sc102,
     ID_VERIFY_USER_PASSWORD,
     {{"IC_ReadCount_102", {1}}},
     "F0F0",
     {"IC_ReadCount_102(7)"},
     kLast,
     "",
     1,
     false,
     {port::mb::kIdNo}},
    {"102_user_locked_before_dialog",
     CardType::At88sc102,
     ID_VERIFY_USER_PASSWORD,
     {{"IC_ReadCount_102", {0}}},
     "F0F0",
     {"IC_ReadCount_102(7)"},
     box("错误：该卡已经报废！"),
     "",
     0},
    {"1604_user_locked_after_dialog",
     CardType::At88sc1604,
     ID_VERIFY_USER_PASSWORD,
     {{"IC_ReadCount_1604", {0}}},
     "FFFF",
     {"IC_ReadCount_1604(7,0)"},
     box("错误：该卡已经报废！"),
     ""},
    {"1604_user_cancel_reads_nothing", CardType::At88sc1604, ID_VERIFY_USER_PASSWORD, {}, std::nullopt, {}, "", ""},
    {"1604B_user_ok",
     CardType::At88sc1604b,
     ID_VERIFY_USER_PASSWORD,
     {},
     "1234",
     {"IC_ReadCount_1604B(7,0)", "IC_CheckPass_1604B(7,0)[12 34]"},
     kFive,
     "操作成功"},
    {"1604_user_rejected_shows_attempts_left",
     CardType::At88sc1604,
     ID_VERIFY_USER_PASSWORD,
     {{"IC_CheckPass_1604", {-3}}},
     "1234",
     {"IC_ReadCount_1604(7,0)", "IC_CheckPass_1604(7,0)[12 34]", "IC_ReadCount_1604(7,0)"},
     kFive + " " + box("错误：密码错误！"),
     "剩余尝试次数：3"},
    {"1604_user_last_attempt_declined_after_the_dialog",
     CardType::At88sc1604,
     ID_VERIFY_USER_PASSWORD,
     {{"IC_ReadCount_1604", {1}}},
     "1234",
     {"IC_ReadCount_1604(7,0)"},
     kLast,
     "",
     1,
     false,
     {port::mb::kIdNo}},
    // ID_VERIFY_ZONE1_PASSWORD-ID_VERIFY_ZONE4_PASSWORD zone codes (P3)
    {"1604_zone3_ok_reads_its_own_counter",
     CardType::At88sc1604,
     ID_VERIFY_ZONE3_PASSWORD,
     {},
     "00FF",
     {"IC_ReadCount_1604(7,3)", "IC_CheckPass_1604(7,3)[00 FF]"},
     kFive,
     "操作成功"},
    {"1604B_zone1_rejected_shows_attempts_left",
     CardType::At88sc1604b,
     ID_VERIFY_ZONE1_PASSWORD,
     {{"IC_CheckPass_1604B", {-1}}, {"IC_ReadCount_1604B", {3, 2}}},
     "0000",
     {"IC_ReadCount_1604B(7,1)", "IC_CheckPass_1604B(7,1)[00 00]", "IC_ReadCount_1604B(7,1)"},
     kFive + " " + box("错误：密码错误！"),
     "剩余尝试次数：2"},
    {"1604B_zone2_last_attempt_declined",
     CardType::At88sc1604b,
     ID_VERIFY_ZONE2_PASSWORD,
     {{"IC_ReadCount_1604B", {1}}},
     "0000",
     {"IC_ReadCount_1604B(7,2)"},
     kLast,
     "",
     1,
     false,
     {port::mb::kIdNo}},
    {"1604_zone4_three_digits",
     CardType::At88sc1604,
     ID_VERIFY_ZONE4_PASSWORD,
     {},
     "123",
     {},
     box("错误：输入密码个数必须为4个！"),
     ""},
    {"1604_zone2_typo", CardType::At88sc1604, ID_VERIFY_ZONE2_PASSWORD, {}, "12-4", {}, box("错误：密码只能包含0-9和A-F！"), ""},
    {"102_zone_code_no_function", CardType::At88sc102, ID_VERIFY_ZONE1_PASSWORD, {}, "FFFF", {}, box("错误：无此功能！"), "", 0},
    {"4404_zone_code_nothing", CardType::Sle4404, ID_VERIFY_ZONE2_PASSWORD, {}, "FFFF", {}, "", "", 0},
    {"4442_zone_code_no_function", CardType::Sle4442, ID_VERIFY_ZONE4_PASSWORD, {}, "FFFF", {}, box("错误：无此功能！"), "", 0},
    // erase codes of the 1604/1604B (P4)
    {"1604_erase1_ok",
     CardType::At88sc1604,
     ID_VERIFY_ZONE1_ERASE_PASSWORD,
     {},
     "ABCD",
     {"IC_ReadCount_1604(7,11)", "IC_CheckPass_1604(7,11)[AB CD]"},
     kFive,
     "操作成功"},
    {"1604_erase1_rejected_own_text",
     CardType::At88sc1604,
     ID_VERIFY_ZONE1_ERASE_PASSWORD,
     {{"IC_CheckPass_1604", {-1}}},
     "ABCD",
     {"IC_ReadCount_1604(7,11)", "IC_CheckPass_1604(7,11)[AB CD]", "IC_ReadCount_1604(7,11)"},
     kFive + " " + box("错误：错误密码！"),
     "剩余尝试次数：3"},
    {"1604_erase3_last_attempt_accepted_then_rejected_shows_zero_left",
     CardType::At88sc1604,
     ID_VERIFY_ZONE3_ERASE_PASSWORD,
     {{"IC_CheckPass_1604", {-1}}, {"IC_ReadCount_1604", {1, 0}}},
     "ABCD",
     {"IC_ReadCount_1604(7,13)", "IC_CheckPass_1604(7,13)[AB CD]", "IC_ReadCount_1604(7,13)"},
     kLast + " " + kFive + " " + box("错误：密码错误！"),
     "剩余尝试次数：0",
     1,
     false,
     {port::mb::kIdYes}},
    {"1604B_erase3_zone_locked",
     CardType::At88sc1604b,
     ID_VERIFY_ZONE3_ERASE_PASSWORD,
     {{"IC_ReadCount_1604B", {0}}},
     "ABCD",
     {"IC_ReadCount_1604B(7,13)"},
     box("错误：该区已经报废！"),
     "",
     0},
    {"1604_erase4_rejected",
     CardType::At88sc1604,
     ID_VERIFY_ZONE4_ERASE_PASSWORD,
     {{"IC_CheckPass_1604", {-1}}},
     "ABCD",
     {"IC_ReadCount_1604(7,14)", "IC_CheckPass_1604(7,14)[AB CD]", "IC_ReadCount_1604(7,14)"},
     kFive + " " + box("错误：密码错误！"),
     "剩余尝试次数：3"},
    {"1604B_erase2_ok",
     CardType::At88sc1604b,
     ID_VERIFY_ZONE2_ERASE_PASSWORD,
     {},
     "0001",
     {"IC_ReadCount_1604B(7,12)", "IC_CheckPass_1604B(7,12)[00 01]"},
     kFive,
     "操作成功"},
    // erase codes of the 102 (P5)
    {"102_erase1_ok_erases_and_rereads",
     CardType::At88sc102,
     ID_VERIFY_ZONE1_ERASE_PASSWORD,
     {},
     "FFFFFFFFFFFF",
     {"IC_CheckAZPass_102(7,1)[FF FF FF FF FF FF]", "IC_Erase_102(7,24,62)"},
     kFive,
     "操作成功",
     1,
     true},
    {"102_erase2_ok_erases_and_rereads",
     CardType::At88sc102,
     ID_VERIFY_ZONE2_ERASE_PASSWORD,
     {},
     "00112233",
     {"IC_CheckAZPass_102(7,2)[00 11 22 33]", "IC_Erase_102(7,93,63)"},
     kFive,
     "操作成功",
     1,
     true},
    {"102_erase1_eleven_digits",
     CardType::At88sc102,
     ID_VERIFY_ZONE1_ERASE_PASSWORD,
     {},
     "FFFFFFFFFFF",
     {},
     box("错误：输入密码个数必须为12个！"),
     ""},
    {"102_erase2_twelve_digits",
     CardType::At88sc102,
     ID_VERIFY_ZONE2_ERASE_PASSWORD,
     {},
     "FFFFFFFFFFFF",
     {},
     box("错误：输入密码个数必须为8个！"),
     ""},
    {"102_erase2_erase_fails",
     CardType::At88sc102,
     ID_VERIFY_ZONE2_ERASE_PASSWORD,
     {{"IC_Erase_102", {-1}}},
     "FFFFFFFF",
     {"IC_CheckAZPass_102(7,2)[FF FF FF FF]", "IC_Erase_102(7,93,63)"},
     kFive,
     "操作失败"},
    {"102_erase1_rejected_no_erase",
     CardType::At88sc102,
     ID_VERIFY_ZONE1_ERASE_PASSWORD,
     {{"IC_CheckAZPass_102", {1}}},
     "FFFFFFFFFFFF",
     {"IC_CheckAZPass_102(7,1)[FF FF FF FF FF FF]"},
     kFive + " " + box("错误：密码错误！"),
     ""},
    {"102_erase3_no_function", CardType::At88sc102, ID_VERIFY_ZONE3_ERASE_PASSWORD, {}, "FFFF", {}, box("错误：无此功能！"), "", 0},
    {"4404_erase4_no_function", CardType::Sle4404, ID_VERIFY_ZONE4_ERASE_PASSWORD, {}, "FFFF", {}, box("错误：无此功能！"), "", 0},
    {"card34_erase3_nothing", CardType::At88sc103, ID_VERIFY_ZONE3_ERASE_PASSWORD, {}, "FFFF", {}, "", "", 0},
    {"4442_erase1_no_function", CardType::Sle4442, ID_VERIFY_ZONE1_ERASE_PASSWORD, {}, "FFFF", {}, box("错误：无此功能！"), "", 0},
    // ID_CHANGE_USER_PASSWORD change
    {"4442_change_ok",
     CardType::Sle4442,
     ID_CHANGE_USER_PASSWORD,
     {},
     "123456",
     {"IC_ReadCount_SLE4442(7)", "IC_ChangePass_SLE4442(7)[12 34 56]"},
     kFive,
     "操作成功"},
    {"4442_change_refused",
     CardType::Sle4442,
     ID_CHANGE_USER_PASSWORD,
     {{"IC_ChangePass_SLE4442", {-1}}},
     "123456",
     {"IC_ReadCount_SLE4442(7)", "IC_ChangePass_SLE4442(7)[12 34 56]"},
     box("错误：改写密码没有成功！"),
     ""},
    {"4428_change_refused_own_text",
     CardType::Sle4428,
     ID_CHANGE_USER_PASSWORD,
     {{"IC_ChangePass_SLE4428", {-1}}},
     "1234",
     {"IC_ReadCount_SLE4428(7)", "IC_ChangePass_SLE4428(7)[12 34]"},
     box("错误：改写密码密码没有成功！"),
     ""},
    {"4428_change_locked",
     CardType::Sle4428,
     ID_CHANGE_USER_PASSWORD,
     {{"IC_ReadCount_SLE4428", {0}}},
     "1234",
     {"IC_ReadCount_SLE4428(7)"},
     box("错误：该卡已经报废！"),
     "",
     0},
    {"change_unknown_card", CardType::At24c01a, ID_CHANGE_USER_PASSWORD, {}, "FFFF", {}, kFive, "无此功能", 0},
    {"change_4418_no_function", CardType::Sle4418, ID_CHANGE_USER_PASSWORD, {}, "FFFF", {}, kFive, "无此功能", 0},
    {"change_4406_nothing", CardType::Sle4406, ID_CHANGE_USER_PASSWORD, {}, "FFFF", {}, "", "", 0},
    {"102_change_user_ok",
     CardType::At88sc102,
     ID_CHANGE_USER_PASSWORD,
     {},
     "F0F1",
     {"IC_ReadCount_102(7)", "IC_ChangePass_102(7)[F0 F1]"},
     kFive,
     "操作成功"},
    {"1604B_change_user_ok",
     CardType::At88sc1604b,
     ID_CHANGE_USER_PASSWORD,
     {},
     "F0F1",
     {"IC_ReadCount_1604B(7,0)", "IC_ChangePass_1604B(7,0)[F0 F1]"},
     kFive,
     "操作成功"},
    {"1604_change_user_refused",
     CardType::At88sc1604,
     ID_CHANGE_USER_PASSWORD,
     {{"IC_ChangePass_1604", {-1}}},
     "F0F1",
     {"IC_ReadCount_1604(7,0)", "IC_ChangePass_1604(7,0)[F0 F1]"},
     box("错误：改写密码没有成功！"),
     ""},
    // ID_CHANGE_ZONE1_PASSWORD-ID_CHANGE_ZONE4_ERASE_PASSWORD
    {"1604_change_zone3_reads_user_counter",
     CardType::At88sc1604,
     ID_CHANGE_ZONE3_PASSWORD,
     {},
     "5555",
     {"IC_ReadCount_1604(7,0)", "IC_ChangePass_1604(7,3)[55 55]"},
     kFive,
     "操作成功"},
    {"1604B_change_erase4_index14",
     CardType::At88sc1604b,
     ID_CHANGE_ZONE4_ERASE_PASSWORD,
     {},
     "5555",
     {"IC_ReadCount_1604B(7,0)", "IC_ChangePass_1604B(7,14)[55 55]"},
     kFive,
     "操作成功"},
    {"1604_change_erase1_index11",
     CardType::At88sc1604,
     ID_CHANGE_ZONE1_ERASE_PASSWORD,
     {},
     "0000",
     {"IC_ReadCount_1604(7,0)", "IC_ChangePass_1604(7,11)[00 00]"},
     kFive,
     "操作成功"},
    {"1604_change_locked",
     CardType::At88sc1604,
     ID_CHANGE_ZONE1_PASSWORD,
     {{"IC_ReadCount_1604", {-5}}},
     "0000",
     {"IC_ReadCount_1604(7,0)"},
     box("错误：系统没有准备好！"),
     "",
     0},
    {"102_change_erase2_needs_8",
     CardType::At88sc102,
     ID_CHANGE_ZONE2_ERASE_PASSWORD,
     {},
     "FFFFFFFFFFFF",
     {"IC_ReadCount_102(7)"},
     box("错误：输入密码个数必须为8个！"),
     ""},
    {"102_change_erase1_needs_12",
     CardType::At88sc102,
     ID_CHANGE_ZONE1_ERASE_PASSWORD,
     {},
     "FFFFFFFF",
     {"IC_ReadCount_102(7)"},
     box("错误：输入密码个数必须为12个！"),
     ""},
    {"102_change_erase1_ok",
     CardType::At88sc102,
     ID_CHANGE_ZONE1_ERASE_PASSWORD,
     {},
     "0102030405AB",
     {"IC_ReadCount_102(7)", "IC_ChangeAZPass_102(7,1)[01 02 03 04 05 AB]"},
     kFive,
     "操作成功"},
    {"102_change_erase2_refused",
     CardType::At88sc102,
     ID_CHANGE_ZONE2_ERASE_PASSWORD,
     {{"IC_ChangeAZPass_102", {-1}}},
     "01020304",
     {"IC_ReadCount_102(7)", "IC_ChangeAZPass_102(7,2)[01 02 03 04]"},
     box("错误：改写密码没有成功！"),
     ""},
    {"102_change_zone1_no_function", CardType::At88sc102, ID_CHANGE_ZONE1_PASSWORD, {}, "FFFF", {}, kFive, "无此功能", 0},
    {"102_change_erase3_no_function", CardType::At88sc102, ID_CHANGE_ZONE3_ERASE_PASSWORD, {}, "FFFF", {}, kFive, "无此功能", 0},
    {"4442_change_zone2_no_function", CardType::Sle4442, ID_CHANGE_ZONE2_PASSWORD, {}, "FFFF", {}, kFive, "无此功能", 0},
    // ID_FUSE_PERSONALISATION personalisation fuse (the confirmation is answered OK)
    {"102_fuse_ok",
     CardType::At88sc102,
     ID_FUSE_PERSONALISATION,
     {},
     std::nullopt,
     {"IC_Fuse_102(7)"},
     "box(个人化确认|此导致此卡个人化？|0x1) " + kFive,
     "操作成功",
     0},
    {"1604_fuse_fails",
     CardType::At88sc1604,
     ID_FUSE_PERSONALISATION,
     {{"IC_Fuse_1604", {1}}},
     std::nullopt,
     {"IC_Fuse_1604(7)"},
     "box(个人化确认|此导致此卡个人化？|0x1) " + kFive,
     "操作失败",
     0},
    {"1604B_fuse_ok",
     CardType::At88sc1604b,
     ID_FUSE_PERSONALISATION,
     {},
     std::nullopt,
     {"IC_Fuse_1604B(7)"},
     "box(个人化确认|此导致此卡个人化？|0x1) " + kFive,
     "操作成功",
     0},
    {"4442_fuse_nothing", CardType::Sle4442, ID_FUSE_PERSONALISATION, {}, std::nullopt, {}, "", "", 0},
};

class MemoryCardCommand : public SecurityTest, public ::testing::WithParamInterface<Case> {
 protected:
  void SetUp() override {
    SecurityTest::SetUp();
    // The view's own re-read, recorded: where it ran in the log.
    view->rereadCard = [this] { readAt = static_cast<int>(ui.log.events.size()); };
  }
  int readAt = -1;
};

TEST_P(MemoryCardCommand, FollowsItsBranch) {
  const Case& c = GetParam();
  for (const auto& [name, values] : c.results) drv.results(name, values);
  for (int a : c.answers) ui.shell.answers.push_back(a);
  if (c.typed) type(IDC_PASSWORD, *c.typed);
  run(c.card, c.command);

  // The code bytes only: the zero byte after them is the driver's business.
  const std::size_t codeBytes = 6;
  const std::vector<std::string> made = calls(codeBytes);
  EXPECT_EQ(outcome(ui.log), c.outcome);
  if (c.rereads) {
    // The read command ran after the calls, then five beeps and the result.
    ASSERT_GE(readAt, 0) << "the read command did not run";
    const auto& ev = ui.log.events;
    ASSERT_EQ(ev.size(), static_cast<std::size_t>(readAt) + 6) << ui.log.dump();
    for (std::size_t i = static_cast<std::size_t>(readAt); i < ev.size() - 1; ++i)
      EXPECT_EQ(ev[i].kind, fake::Event::Kind::Beep) << ui.log.dump();
    EXPECT_EQ(ev.back().text, c.status) << ui.log.dump();
  } else {
    EXPECT_EQ(readAt, -1) << "no re-read expected";
  }
  EXPECT_EQ(made, c.calls) << drv.dump();
  EXPECT_EQ(statusLine(2), c.status);
  const auto opened = std::count(ui.dialogs.opened.begin(), ui.dialogs.opened.end(), IDD_PASSWORD);
  EXPECT_EQ(opened, c.dialogs);
}

INSTANTIATE_TEST_SUITE_P(Table, MemoryCardCommand, ::testing::ValuesIn(kCases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(SecurityTest, FuseCancelledSendsNothing) {
  ui.shell.answers.push_back(port::mb::kIdCancel);
  run(CardType::At88sc102, ID_FUSE_PERSONALISATION);
  EXPECT_EQ(calls(), std::vector<std::string>{});
  EXPECT_EQ(outcome(ui.log), "box(个人化确认|此导致此卡个人化？|0x1)");
  EXPECT_EQ(statusLine(2), "");
}

TEST_F(SecurityTest, PasswordCommandsLeaveEditModeAndBlankTheStatusLines) {
  struct Blanking {
    int command;
    const char* line1;
    const char* line2;
  };
  const Blanking table[] = {
      {ID_CHANGE_USER_PASSWORD, "正在读数据..", "  请稍等......"}, {ID_CHANGE_ZONE2_ERASE_PASSWORD, "正在读数据..", "  请稍等......"},
      {ID_VERIFY_USER_PASSWORD, "正在读数据.", "  请稍等....."},   {ID_VERIFY_ZONE3_PASSWORD, "正在读数据.", "  请稍等....."},
      {ID_VERIFY_ZONE1_ERASE_PASSWORD, "正在读数据.", "  请稍等......."}, {ID_VERIFY_ZONE4_ERASE_PASSWORD, "正在读数据.", "  请稍等......."},
  };
  for (const auto& b : table) {
    st.editActive = 1;
    st.caretInAscii = 1;
    ui.window.caretVisible = true;
    ui.window.screen.clear();
    run(CardType::At88sc1604, b.command);  // the dialog is cancelled
    const auto* l1 = ui.window.screen.textAt(12, 296);
    const auto* l2 = ui.window.screen.textAt(12, 316);
    ASSERT_TRUE(l1 && l2) << b.command;
    EXPECT_EQ(l1->text, b.line1) << b.command;
    EXPECT_EQ(l2->text, b.line2) << b.command;
    EXPECT_EQ(l1->fg, colour::panelGrey) << b.command;
    EXPECT_EQ(st.editActive, 0) << b.command;
    EXPECT_EQ(st.caretInAscii, 0) << b.command;
    EXPECT_FALSE(ui.window.caretVisible) << b.command;
  }
}

TEST_F(SecurityTest, FuseCommandKeepsEditMode) {
  st.editActive = 1;
  ui.window.caretVisible = true;
  ui.shell.answers.push_back(port::mb::kIdCancel);
  run(CardType::At88sc102, ID_FUSE_PERSONALISATION);
  EXPECT_EQ(st.editActive, 1);
  EXPECT_TRUE(ui.window.caretVisible);
  const auto* l2 = ui.window.screen.textAt(12, 316);
  ASSERT_TRUE(l2);
  EXPECT_EQ(l2->text, "  请稍等.......");
}

}  // namespace
}  // namespace sectest
