// A small DialogControls for the data-exchange and dialog tests: controls
// as a map, and a record of message boxes, focus and selection.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/dialog.h"

namespace test {

struct RecordingControls : port::DialogControls {
  struct Box {
    std::string text, caption;
    unsigned style = 0;
  };
  std::map<int, std::string> texts;
  std::map<int, bool> checks;
  std::map<int, int> limits;
  std::vector<Box> boxes;
  std::string caption;
  int focus = 0;
  int selected = 0;
  int endResult = -100;

  std::string text(int id) override { return texts[id]; }
  void setText(int id, std::string_view s) override { texts[id] = std::string(s); }
  void show(int, bool) override {}
  void enable(int, bool) override {}
  void check(int id, bool on) override { checks[id] = on; }
  bool isChecked(int id) override { return checks[id]; }
  void setFocus(int id) override { focus = id; }
  void selectAll(int id) override { selected = id; }
  void limitText(int id, int n) override { limits[id] = n; }
  void setCaption(std::string_view s) override { caption = std::string(s); }
  void end(int r) override { endResult = r; }
  int messageBox(std::string_view t, std::string_view c, unsigned style) override {
    boxes.push_back({std::string(t), std::string(c), style});
    return port::mb::kIdOk;
  }
  // The dialogs tested here have no timer and no list.
  port::Timer& timer() override { throw std::logic_error("RecordingControls has no timer"); }
  port::LineList& list(int id) override { throw std::logic_error("RecordingControls has no list " + std::to_string(id)); }
};

}  // namespace test
