// Data exchange between a dialog's controls and its m_ members, with the
// classic validation: on save, a field that does not hold what its member
// needs shows a message box (owned by the dialog, exclamation icon,
// application title), puts the focus back on the field with its text
// selected, and marks the exchange failed so the dialog stays open.
//
//   void onOK(port::DialogControls& c) override {
//     ddx::Exchange dx(c, ddx::Direction::Save);
//     dx.text(1000, m_name);
//     dx.integerRange(1001, m_count, 1, 16);
//     if (dx.failed()) return;
//     c.end(port::mb::kIdOk);
//   }
//
// After the first failure every later field of the same exchange is left
// alone, so only one message appears.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "platform/dialog.h"

namespace ddx {

// The messages of the framework's data exchange.
inline constexpr const char* kNotAnInteger = "Please enter an integer.";
inline constexpr const char* kIntegerBetween = "Please enter an integer between %1 and %2.";
inline constexpr const char* kNotAPositiveInteger = "Please enter a positive integer.";
inline constexpr const char* kTooLong = "Please enter no more than %1 characters.";
// The application title (IDS_APP_TITLE): the caption of validation messages.
inline constexpr const char* kDefaultCaption = "Kv310型读写器演示系统";

enum class Direction { Load, Save };

// Parses an int the way the exchange does: optional blanks, an optional
// sign, decimal digits, optional blanks; nothing else, and within int.
std::optional<int> parseInt(std::string_view text);
// The same for unsigned values: no sign allowed.
std::optional<unsigned> parseUnsigned(std::string_view text);
// Replaces %1 and %2 in a message.
std::string format(std::string_view message, std::string_view arg1, std::string_view arg2 = {});

class Exchange {
 public:
  Exchange(port::DialogControls& controls, Direction direction, std::string caption = kDefaultCaption);

  bool saving() const { return direction_ == Direction::Save; }
  bool failed() const { return failed_; }
  bool ok() const { return !failed_; }

  void text(int id, std::string& value);
  // Text with a maximum length in characters: on load the edit is limited
  // to it, on save a longer text fails.
  void text(int id, std::string& value, int maxChars);
  void integer(int id, int& value);
  void integerRange(int id, int& value, int minimum, int maximum);
  void unsignedInteger(int id, unsigned& value);
  // Check box: 1 checked, 0 not.
  void check(int id, int& value);
  // Radio group: the index of the checked button in `ids`, -1 for none.
  void radio(std::initializer_list<int> ids, int& value);

 private:
  // Shows the message, focuses and selects the field, marks the failure.
  void fail(int id, const std::string& message);

  port::DialogControls& c_;
  Direction direction_;
  std::string caption_;
  bool failed_ = false;
};

}  // namespace ddx
