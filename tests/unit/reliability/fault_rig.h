// The program on the simulated reader with the fake UI, for fault runs: a
// driver table that records the name of every call, and a rig that runs one
// operation and captures what the operator was left with.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/demo_doc.h"
#include "fakes/fake_ui.h"
#include "reader/driver.h"
#include "support/enum_print.h"
#include "view/app_state.h"
#include "view/demo_view.h"

namespace reliability {

// The simulator's table behind a recorder: every call's function name is
// appended to `calls()`.
DriverTable recordingTable();
std::vector<const char*>& calls();

struct Rig {
  fake::FakeUi ui;
  DriverTable table = recordingTable();
  AppState st;
  CDemoDoc doc;
  std::unique_ptr<CDemoView> view;

  // A fresh reader on USB with a factory card of `card`, and the view
  // created on it (the reader opened).
  explicit Rig(const char* card);
  ~Rig();
  Rig(const Rig&) = delete;
  Rig& operator=(const Rig&) = delete;

  void command(int id) { view->onCommand(id); }
  void key(int vk) { view->onKeyDown(vk); }
  void type(const std::string& chars);
  // Types a byte in hexadecimal at a card address (edit mode on).
  void typeAt(int address, std::uint8_t value);
  // Space on a card address: marks the byte for write protection.
  void markAt(int address);
  // Runs a dialog command with the text typed into one edit and OK.
  void dialogCommand(int id, int editId, const std::string& text);

  // Boxes shown, then the three status lines: what tells the operator how
  // the operation ended.
  std::string signature() const;
  std::vector<std::uint8_t> image() const;
};

}  // namespace reliability
