// A view with the fake UI and a scripted driver, for the reader control
// tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_ui.h"
#include "fakes/scripted_driver.h"
#include "memview/demo_doc.h"
#include "support/enum_print.h"
#include "view/app_state.h"
#include "view/demo_view.h"

namespace readertest {

struct ScriptedView : ::testing::Test {
  fake::FakeUi ui;
  fake::ScriptedDriver drv;
  AppState st;
  CDemoDoc doc;
  CDemoView view{st, doc, drv.table, ui.window, ui.shell, ui.menu, ui.dialogs, ui.files};

  // A reader open on `port` with handle 7.
  void connected(ReaderPort port = ReaderPort::Com1) {
    st.readerHandle = 7;
    st.port = port;
  }
  std::string line(int n) const {
    const port::Point p = n == 1 ? layout::statusLine1Pos : n == 2 ? layout::statusLine2Pos : layout::statusLine3Pos;
    return ui.window.screen.visibleText(p.x, p.y);
  }
  std::string caption() const {
    return ui.window.screen.visibleText(layout::cardNamePos.x, layout::cardNamePos.y);
  }
  std::string portName() const {
    return ui.window.screen.visibleText(layout::portNamePos.x, layout::portNamePos.y);
  }
  std::string context() const { return "driver calls:\n" + drv.dump() + "seen:\n" + ui.log.dump(); }
};

}  // namespace readertest
