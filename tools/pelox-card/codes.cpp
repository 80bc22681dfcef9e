#include "codes.h"

#include <fstream>

#include "cards/card_names.h"
#include "security/attempts.h"
#include "security/hex_digits.h"
#include "security/password_frame.h"
#include "security/secret_code_dlg.h"

namespace cli {

namespace {

// One card's code: digits, counter, presentation and change.
struct CodeForm {
  int digits = 0;
  short (*readCount)(Run&) = nullptr;
  short (*check)(Run&, const std::string&) = nullptr;
  short (*change)(Run&, const std::string&) = nullptr;  // null: the card's code cannot be changed here
};

int handle(const Run& run) { return run.st.readerHandle; }
bool readPassword(const Run& run) { return run.o.password == "read"; }
short set(const Run& run) { return static_cast<short>(run.o.set.value_or(0)); }
std::vector<std::uint8_t> packed(const std::string& code) {
  return PackHexDigits(code, static_cast<int>(code.size()));
}

const CodeForm kSle4442{
    6, [](Run& r) { return r.drv.IC_ReadCount_SLE4442(handle(r)); },
    [](Run& r, const std::string& c) { return r.drv.IC_CheckPass_SLE4442(handle(r), packed(c).data()); },
    [](Run& r, const std::string& c) { return r.drv.IC_ChangePass_SLE4442(handle(r), packed(c).data()); }};
const CodeForm kSle4428{
    4, [](Run& r) { return r.drv.IC_ReadCount_SLE4428(handle(r)); },
    [](Run& r, const std::string& c) { return r.drv.IC_CheckPass_SLE4428(handle(r), packed(c).data()); },
    [](Run& r, const std::string& c) { return r.drv.IC_ChangePass_SLE4428(handle(r), packed(c).data()); }};
const CodeForm kAt88sc102{
    4, [](Run& r) { return r.drv.IC_ReadCount_102(handle(r)); },
    [](Run& r, const std::string& c) { return r.drv.IC_CheckPass_102(handle(r), packed(c).data()); }, nullptr};
const CodeForm kCrypto{
    CSecretCodeDlg::kPasswordLength,
    [](Run& r) {
      return readPasswordCounter(r.drv, handle(r),
                                 readPassword(r) ? CSecretCodeDlg::kVerifyRead : CSecretCodeDlg::kVerifyWrite,
                                 set(r));
    },
    [](Run& r, const std::string& c) {
      return readPassword(r) ? r.drv.IC_CheckRPassword_Hex(handle(r), set(r), c.c_str())
                             : r.drv.IC_CheckWPassword_Hex(handle(r), set(r), c.c_str());
    },
    [](Run& r, const std::string& c) {
      return readPassword(r) ? r.drv.IC_ChangeRPassword_Hex(handle(r), set(r), c.c_str())
                             : r.drv.IC_ChangeWPassword_Hex(handle(r), set(r), c.c_str());
    }};

const CodeForm* formFor(CardType type) {
  switch (type) {
    case CardType::Sle4442: return &kSle4442;
    case CardType::Sle4428: return &kSle4428;
    case CardType::At88sc102: return &kAt88sc102;
    case CardType::At88sc1608:
    case CardType::At88sc153: return &kCrypto;
    default: return nullptr;
  }
}

bool isCrypto(CardType t) { return t == CardType::At88sc1608 || t == CardType::At88sc153; }

// The first line of a file, without its line end.
bool firstLine(const std::string& path, std::string& line) {
  std::ifstream in(pathOf(path));
  if (!in) return false;
  std::getline(in, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

Outcome checkOptions(const Run& run) {
  const CardType t = run.st.cardType;
  if (!isCrypto(t) && (run.o.set || run.o.password != "write"))
    return fail(kUsage, "--set 和 --password 只用于 at88sc1608、at88sc153");
  if (run.o.password != "read" && run.o.password != "write")
    return fail(kUsage, "--password 只能是 read 或 write");
  const int lastSet = t == CardType::At88sc153 ? 1 : 7;
  if (run.o.set.value_or(0) > lastSet) return fail(kUsage, "--set 的范围是 0 到 " + std::to_string(lastSet));
  return done();
}

}  // namespace

bool hasCode(const Run& run) { return formFor(run.st.cardType) != nullptr; }

Outcome obtainCode(Run& run, bool fresh, std::string& code) {
  const CodeForm* form = formFor(run.st.cardType);
  if (!form) return fail(kUsage, "卡型 " + nameOf(run.st.cardType) + " 没有本工具能核对的密码");
  const std::string& envName = fresh ? run.o.newCodeEnv : run.o.codeEnv;
  const std::string& file = fresh ? run.o.newCodeFile : run.o.codeFile;
  const std::string label = fresh ? "新密码" : "密码";
  if (!envName.empty()) {
    const char* value = run.env.getenv(envName.c_str());
    if (!value) return fail(kUsage, "环境变量 " + envName + " 没有设置");
    code = value;
  } else if (!file.empty()) {
    if (!firstLine(file, code)) return fail(kUsage, "无法读取密码文件 " + file);
  } else {
    const auto typed = run.env.prompt ? run.env.prompt(label + "（" + std::to_string(form->digits) + " 位十六进制）：")
                                      : std::nullopt;
    if (!typed)
      return fail(kUsage, "没有" + label + "：请在终端输入，或用 " + (fresh ? "--new-code-env/--new-code-file" : "--code-env/--code-file"));
    code = *typed;
    if (fresh) {
      const auto again = run.env.prompt("再输入一次新密码：");
      if (!again || *again != code) return fail(kUsage, "两次输入的新密码不同，密码没有修改");
    }
  }
  if (static_cast<int>(code.size()) != form->digits)
    return fail(kUsage, "错误：输入密码个数必须为" + std::to_string(form->digits) + "个！（没有发送给卡片）");
  if (!isHexText(code)) return fail(kUsage, "错误：密码只能由十六进制数字 0-9、A-F 组成（没有发送给卡片）");
  return done();
}

Outcome presentCardCode(Run& run) {
  const CodeForm* form = formFor(run.st.cardType);
  if (!form) return fail(kUsage, "卡型 " + nameOf(run.st.cardType) + " 没有本工具能核对的密码");
  if (Outcome r = checkOptions(run); r.status != kDone) return r;
  const short counter = form->readCount(run);
  run.report.number("attemptsBefore", counter);
  if (counter < 0) return fail(kFailed, "读错误计数失败（" + std::to_string(counter) + "）：卡没有插好？");
  if (counter == 0) return fail(kFailed, std::string(security::text::kCardLocked) + "（没有剩余尝试次数）");
  if (counter == 1 && !run.o.lastAttempt)
    return fail(kRefused, std::string("只剩最后一次尝试机会，输错将锁死此卡！没有核对。") +
                              "确认密码无误后加 --last-attempt 再运行");
  std::string code;
  if (Outcome r = obtainCode(run, false, code); r.status != kDone) return r;
  security::CommandContext ctx = run.commandContext();
  const auto result = security::presentCode(
      ctx, counter, [&] { return form->readCount(run); }, [&] { return form->check(run, code); });
  if (!result) return fail(kRefused, "最后一次尝试没有确认，没有核对");
  const short left = form->readCount(run);
  run.report.number("attemptsLeft", left);
  run.report.flag("verified", *result == 0);
  if (*result != 0) {
    return fail(kFailed, std::string(security::text::kWrongPassword) + " " + security::attemptsLeftText(left));
  }
  run.report.line("密码正确，" + security::attemptsLeftText(left));
  return done();
}

Outcome changeCardCode(Run& run) {
  const CodeForm* form = formFor(run.st.cardType);
  if (form && !form->change) return fail(kUsage, "卡型 " + nameOf(run.st.cardType) + " 的密码不能在这里修改");
  // A CryptoMemory password set is changed under its write password: that
  // one is presented, whichever of the two is changed.
  const std::string changed = run.o.password;
  if (isCrypto(run.st.cardType)) run.o.password = "write";
  Outcome presented = presentCardCode(run);
  run.o.password = changed;
  if (presented.status != kDone) return presented;
  std::string code;
  if (Outcome r = obtainCode(run, true, code); r.status != kDone) return r;
  const short result = form->change(run, code);
  run.report.flag("changed", result == 0);
  if (result != 0) return fail(kFailed, std::string(security::text::kChangeFailed) + "（" + std::to_string(result) + "）");
  run.report.line("新密码已写入");
  return done();
}

}  // namespace cli
