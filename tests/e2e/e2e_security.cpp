// The security commands in the real program on the simulated reader: the
// SLE4442 user password (wrong, right, changed, and the card's state file),
// then on an AT88SC1608 the password dialog, the fuse state box and the
// three stages of the mutual authentication.
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "support/e2e.h"

namespace {

const char* kTitle = "Kv310型读写器演示系统";

// A visible dialog or box of the program with this caption other than
// `besides`, nullptr after the timeout.
HWND waitOther(e2e::Program& demo, const std::string& caption, HWND besides = nullptr, int timeoutMs = 10000) {
  for (int waited = 0; waited < timeoutMs; waited += 100) {
    for (HWND w : demo.topWindows())
      if (w != besides && e2e::className(w) == e2e::kDialog && e2e::text(w) == caption) return w;
    Sleep(100);
  }
  return nullptr;
}

// Expects a message box with this caption and text, and answers it with OK.
void answerBox(e2e::Program& demo, const std::string& caption, const std::string& text, HWND besides = nullptr) {
  HWND box = waitOther(demo, caption, besides);
  if (!E2E_CHECK(box != nullptr)) return;
  E2E_EQ(e2e::messageText(box), text);
  e2e::press(box, IDOK);
  demo.waitGone(box);
}

// Runs ID_VERIFY_USER_PASSWORD / ID_CHANGE_USER_PASSWORD with a typed code.
void enterPassword(e2e::Program& demo, int command, const std::string& code) {
  demo.command(command);
  HWND dlg = demo.waitWindow("密码输入", e2e::kDialog);
  if (!E2E_CHECK(dlg != nullptr)) return;
  e2e::type(dlg, IDC_PASSWORD, code);
  e2e::press(dlg, IDOK);
  demo.waitGone(dlg);
  demo.settle();
}

std::string readFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

// The hexadecimal line of a bytes field of the state file.
std::string stateBytes(const std::string& state, const std::string& field) {
  const std::string head = "bytes " + field + " ";
  const auto at = state.find(head);
  if (at == std::string::npos) return "";
  const auto line = state.find('\n', at);
  const auto end = state.find('\n', line + 1);
  return state.substr(line + 1, end - line - 1);
}

void sle4442() {
  e2e::Program demo({.simIni = "[reader]\nport = usb\n[card]\ntype = sle4442\nstate = cards/sec4442.card\n"});
  if (!E2E_CHECK(demo.start() != nullptr)) return;

  e2e::step("SLE4442: a wrong user password");
  enterPassword(demo, ID_VERIFY_USER_PASSWORD, "123456");
  answerBox(demo, "出错警告", "错误：密码错误！");

  e2e::step("SLE4442: a typo is refused before the card sees it");
  enterPassword(demo, ID_VERIFY_USER_PASSWORD, "FFFFFG");
  answerBox(demo, "出错警告", "错误：密码只能包含0-9和A-F！");

  e2e::step("SLE4442: the right password, typed in lower case");
  demo.command(ID_VERIFY_USER_PASSWORD);
  HWND dlg = demo.waitWindow("密码输入", e2e::kDialog);
  if (E2E_CHECK(dlg != nullptr)) {
    e2e::type(dlg, IDC_PASSWORD, "ffffff");
    E2E_EQ(e2e::itemText(dlg, IDC_PASSWORD), std::string("FFFFFF"));
    e2e::screenshot(dlg, "security_password_dialog");
    e2e::press(dlg, IDOK);
    demo.waitGone(dlg);
  }
  demo.settle();
  E2E_CHECK(demo.anyDialog() == nullptr);
  e2e::screenshot(demo.frame(), "security_4442_verified");

  e2e::step("SLE4442: change the password");
  enterPassword(demo, ID_CHANGE_USER_PASSWORD, "a1b2c3");
  E2E_CHECK(demo.anyDialog() == nullptr);

  e2e::step("SLE4442: the old password is wrong now, the new one is right");
  enterPassword(demo, ID_VERIFY_USER_PASSWORD, "FFFFFF");
  answerBox(demo, "出错警告", "错误：密码错误！");
  enterPassword(demo, ID_VERIFY_USER_PASSWORD, "A1B2C3");
  E2E_CHECK(demo.anyDialog() == nullptr);
  demo.close();

  e2e::step("SLE4442: the card keeps the new password and a full counter");
  const std::string state = readFile("cards/sec4442.card");
  E2E_CHECK(!state.empty());
  E2E_CHECK(stateBytes(state, "psc").find("A1B2C3") != std::string::npos);
  E2E_CHECK(state.find("number error_counter 7\n") != std::string::npos);  // three attempts: bits 111
}

void at88sc1608() {
  e2e::Program demo({.simIni = "[reader]\nport = usb\n[card]\ntype = at88sc1608\nstate = cards/sec1608.card\n"});
  if (!E2E_CHECK(demo.start() != nullptr)) return;

  e2e::step("AT88SC1608: the read password dialog");
  demo.command(ID_VERIFY_READ_PASSWORD);
  HWND dlg = demo.waitWindow("校验读密码", e2e::kDialog);
  if (E2E_CHECK(dlg != nullptr)) {
    E2E_EQ(e2e::itemText(dlg, IDC_SECRET_SET_LABEL), std::string("密码套(0-7):"));
    E2E_EQ(e2e::itemText(dlg, IDC_SECRET_SET), std::string("0"));
    E2E_EQ(e2e::itemText(dlg, IDC_SECRET_COUNTER), std::string("当前密码错误计数器：8"));
    // The set is replaced in one go: emptying the field first would ask
    // "Please enter an integer." at once.
    e2e::setText(dlg, IDC_SECRET_SET, "9");
    answerBox(demo, kTitle, "输入错误！", dlg);
    e2e::setText(dlg, IDC_SECRET_SET, "3");
    demo.settle();
    E2E_CHECK(waitOther(demo, kTitle, dlg, 500) == nullptr);
    e2e::type(dlg, IDC_SECRET_PASSWORD, "ffffffff");
    E2E_EQ(e2e::itemText(dlg, IDC_SECRET_PASSWORD), std::string("FFFFFF"));
    e2e::screenshot(dlg, "security_secret_code_dialog");
    e2e::press(dlg, IDOK);
    answerBox(demo, "校验读密码", "校验读密码成功", dlg);
    demo.waitGone(dlg);
  }

  e2e::step("AT88SC1608: the next set command proposes set 3");
  demo.command(ID_CHANGE_WRITE_PASSWORD);
  dlg = demo.waitWindow("修改写密码", e2e::kDialog);
  if (E2E_CHECK(dlg != nullptr)) {
    E2E_EQ(e2e::itemText(dlg, IDC_SECRET_SET), std::string("3"));
    e2e::press(dlg, IDCANCEL);
    demo.waitGone(dlg);
  }

  e2e::step("AT88SC1608: the security code dialog hides the set");
  demo.command(ID_VERIFY_SECURITY_CODE);
  dlg = demo.waitWindow("校验安全代码", e2e::kDialog);
  if (E2E_CHECK(dlg != nullptr)) {
    E2E_CHECK(!e2e::isVisible(dlg, IDC_SECRET_SET));
    E2E_CHECK(!e2e::isVisible(dlg, IDC_SECRET_SET_LABEL));
    e2e::type(dlg, IDC_SECRET_PASSWORD, "FFFFFF");
    e2e::press(dlg, IDOK);
    answerBox(demo, "校验安全代码", "校验安全代码成功", dlg);
  }

  e2e::step("AT88SC1608: the fuse state");
  demo.command(ID_FUSE_STATE);
  HWND box = waitOther(demo, "熔丝情况");
  if (E2E_CHECK(box != nullptr)) {
    E2E_EQ(e2e::messageText(box), std::string("当前熔丝读数  7\nPER 未熔丝  CMA 未熔丝  FAB 未熔丝"));
    e2e::screenshot(box, "security_fuse_state");
    e2e::press(box, IDOK);
    demo.waitGone(box);
  }

  e2e::step("AT88SC1608: mutual authentication, three stages");
  demo.command(ID_MUTUAL_AUTHENTICATION);
  dlg = demo.waitWindow("双向认证操作", e2e::kDialog);
  if (E2E_CHECK(dlg != nullptr)) {
    E2E_EQ(e2e::itemText(dlg, IDC_AUTH_COUNTER), std::string("当前认证错误计数器：8"));
    e2e::type(dlg, IDC_AUTH_RANDOM, "1234567812345678");
    e2e::press(dlg, IDC_AUTH_INIT);
    answerBox(demo, "初始化认证", "初始化认证成功", dlg);
    e2e::type(dlg, IDC_AUTH_SEED, "FFFFFFFFFFFFFFFF");
    e2e::press(dlg, IDC_AUTH_CARD);
    answerBox(demo, "卡认证主机", "卡认证主机成功", dlg);
    demo.settle();
    E2E_EQ(e2e::itemText(dlg, IDC_AUTH_COUNTER), std::string("当前认证错误计数器：8"));
    e2e::press(dlg, IDC_AUTH_HOST);
    answerBox(demo, "主机认证卡", "主机认证卡成功", dlg);

    e2e::step("AT88SC1608: a wrong seed fails and counts");
    e2e::press(dlg, IDC_AUTH_INIT);
    answerBox(demo, "初始化认证", "初始化认证成功", dlg);
    e2e::type(dlg, IDC_AUTH_SEED, "0000000000000000");
    e2e::press(dlg, IDC_AUTH_CARD);
    answerBox(demo, kTitle, "卡认证主机错误！", dlg);
    demo.settle();
    E2E_EQ(e2e::itemText(dlg, IDC_AUTH_COUNTER), std::string("当前认证错误计数器：7"));
    e2e::screenshot(dlg, "security_mutual_auth");
    e2e::press(dlg, IDC_AUTH_HOST);
    answerBox(demo, kTitle, "主机认证卡错误！", dlg);
    e2e::press(dlg, IDCANCEL);
    demo.waitGone(dlg);
  }
  demo.close();
}

}  // namespace

int wmain() {
  sle4442();
  at88sc1608();
  return e2e::finish();
}
