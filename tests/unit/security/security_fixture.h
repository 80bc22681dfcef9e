// A view with the fake UI and a scripted driver, for the security commands.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "fakes/fake_ui.h"
#include "fakes/scripted_driver.h"
#include "memview/demo_doc.h"
#include "support/enum_print.h"
#include "view/app_state.h"
#include "view/demo_view.h"

namespace sectest {

inline constexpr int kHandle = 7;

// The question before a code's last attempt (Yes/No, exclamation icon), as outcome() shows it.
inline const std::string kLastAttemptBox = "box(操作提示|只剩最后一次尝试机会，输错将锁死此卡！是否继续？|0x34)";

// What the operator saw and heard, compact: "beep×5 box(出错警告|text|0x30)".
inline std::string outcome(const fake::EventLog& log) {
  std::ostringstream out;
  int beeps = 0;
  auto flush = [&] {
    if (beeps) out << (out.tellp() ? " " : "") << "beep×" << beeps;
    beeps = 0;
  };
  for (const auto& e : log.events) {
    if (e.kind == fake::Event::Kind::Beep) {
      ++beeps;
    } else if (e.kind == fake::Event::Kind::MessageBox) {
      flush();
      out << (out.tellp() ? " " : "") << "box(" << e.caption << "|" << e.text << "|0x" << std::hex << e.style << std::dec
          << ")";
    }
  }
  flush();
  return out.str();
}

inline std::string hexBytes(const std::vector<std::uint8_t>& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string s;
  for (auto b : bytes) {
    if (!s.empty()) s += ' ';
    s += digits[b >> 4];
    s += digits[b & 15];
  }
  return s;
}

// "IC_CheckPass_1604(7,3)[00 FF]" / "IC_CheckRPassword_Hex(7,2)\"FFFFFF\"".
inline std::string callText(const fake::DriverCall& c, std::size_t dataBytes = 0) {
  std::string s = c.name + "(";
  for (std::size_t i = 0; i < c.ints.size(); ++i) s += (i ? "," : "") + std::to_string(c.ints[i]);
  s += ")";
  for (const auto& d : c.data) {
    std::vector<std::uint8_t> shown = d;
    if (dataBytes && shown.size() > dataBytes) shown.resize(dataBytes);
    s += "[" + hexBytes(shown) + "]";
  }
  for (const auto& t : c.texts) s += "\"" + t + "\"";
  return s;
}

class SecurityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    st.readerHandle = kHandle;
    st.port = ReaderPort::Usb;
    // Counters read "attempts left" unless a test says otherwise.
    for (const char* counter : {"IC_ReadCount_SLE4442", "IC_ReadCount_SLE4428", "IC_ReadCount_102", "IC_ReadCount_1604",
                                "IC_ReadCount_1604B", "IC_ReadRPasswordCount", "IC_ReadWPasswordCount", "IC_ReadAuthCount"})
      drv.setDefault(counter, 3);
    view =
        std::make_unique<CDemoView>(st, doc, drv.table, ui.window, ui.shell, ui.menu, ui.dialogs, ui.files);
  }

  void run(CardType cardType, int command) {
    st.cardType = cardType;
    ui.log.clear();
    drv.clearCalls();
    ASSERT_TRUE(view->onCommand(command)) << "no handler for " << command;
  }

  // The calls made, as text; password bytes cut to `dataBytes` when given.
  std::vector<std::string> calls(std::size_t dataBytes = 0) const {
    std::vector<std::string> out;
    for (const auto& c : drv.calls) out.push_back(callText(c, dataBytes));
    return out;
  }

  std::string statusLine(int line) const {
    const int y = line == 1 ? 296 : line == 2 ? 316 : 336;
    return ui.window.screen.visibleText(12, y);
  }

  void type(int edit, const std::string& text) { ui.dialogs.scripts.push_back(fake::typeAndOk(edit, text)); }
  void cancelDialog() { ui.dialogs.scripts.push_back(fake::cancel()); }

  AppState st;
  CDemoDoc doc;
  fake::FakeUi ui;
  fake::ScriptedDriver drv;
  std::unique_ptr<CDemoView> view;
};

}  // namespace sectest
