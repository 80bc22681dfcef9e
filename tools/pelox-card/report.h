// What a command reports: lines for a person (Chinese, as the window's
// messages) and one JSON object with stable English field names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "batch/batch_plan.h"

namespace cli {

// The text as a JSON string literal, quotes included.
std::string jsonString(std::string_view text);
// "0A" and "00FF": a byte and a card address for a person.
std::string hexByte(int value);
using batch::hexAddress;

// Items already in JSON as an array.
std::string jsonArray(const std::vector<std::string>& items);

class Report {
 public:
  explicit Report(std::string command);
  void text(std::string_view key, std::string_view value);
  void number(std::string_view key, long long value);
  void flag(std::string_view key, bool value);
  void raw(std::string_view key, std::string_view json);  // a value already in JSON
  // A line for a person.
  void line(std::string_view text) {
    human_ += text;
    human_ += '\n';
  }
  // The object: {"command":...,"ok":...,<fields>,"error":...}.
  std::string json(bool ok, std::string_view error) const;
  const std::string& human() const { return human_; }

 private:
  std::string command_;
  std::string fields_;
  std::string human_;
};

}  // namespace cli
