#include "platform/ddx.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/utf.h"

namespace ddx {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Parses [sign] digits into a long long; nullopt on anything else or on a
// value beyond the range of long long.
std::optional<long long> parseWide(std::string_view text, bool allowMinus) {
  std::string_view s = trim(text);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    if (s.front() == '-') {
      if (!allowMinus) return std::nullopt;
      negative = true;
    }
    s.remove_prefix(1);
  }
  if (s.empty()) return std::nullopt;
  unsigned long long v = 0;
  for (char ch : s) {
    if (ch < '0' || ch > '9') return std::nullopt;
    if (v > (ULLONG_MAX - 9) / 10) return std::nullopt;
    v = v * 10 + static_cast<unsigned>(ch - '0');
  }
  if (v > static_cast<unsigned long long>(LLONG_MAX)) return std::nullopt;
  const auto value = static_cast<long long>(v);
  return negative ? -value : value;
}

}  // namespace

std::optional<int> parseInt(std::string_view text) {
  const auto v = parseWide(text, true);
  if (!v || *v < INT_MIN || *v > INT_MAX) return std::nullopt;
  return static_cast<int>(*v);
}

std::optional<unsigned> parseUnsigned(std::string_view text) {
  const auto v = parseWide(text, false);
  if (!v || *v > static_cast<long long>(UINT_MAX)) return std::nullopt;
  return static_cast<unsigned>(*v);
}

std::string format(std::string_view message, std::string_view arg1, std::string_view arg2) {
  std::string out;
  for (std::size_t i = 0; i < message.size(); ++i) {
    if (message[i] == '%' && i + 1 < message.size() && (message[i + 1] == '1' || message[i + 1] == '2')) {
      out += message[i + 1] == '1' ? arg1 : arg2;
      ++i;
    } else {
      out += message[i];
    }
  }
  return out;
}

Exchange::Exchange(port::DialogControls& controls, Direction direction, std::string caption)
    : c_(controls), direction_(direction), caption_(std::move(caption)) {}

void Exchange::fail(int id, const std::string& message) {
  failed_ = true;
  c_.messageBox(message, caption_, port::mb::kOk | port::mb::kIconExclamation);
  c_.setFocus(id);
  c_.selectAll(id);
}

void Exchange::text(int id, std::string& value) {
  if (failed_) return;
  if (saving())
    value = c_.text(id);
  else
    c_.setText(id, value);
}

void Exchange::text(int id, std::string& value, int maxChars) {
  if (failed_) return;
  if (!saving()) {
    c_.limitText(id, maxChars);
    c_.setText(id, value);
    return;
  }
  std::string typed = c_.text(id);
  // The limit counts characters as the edit does (UTF-16 units).
  if (static_cast<long long>(utf::utf16Length(typed)) > maxChars) {
    fail(id, format(kTooLong, std::to_string(maxChars)));
    return;
  }
  value = std::move(typed);
}

void Exchange::integer(int id, int& value) {
  integerRange(id, value, INT_MIN, INT_MAX);
}

void Exchange::integerRange(int id, int& value, int minimum, int maximum) {
  if (failed_) return;
  if (!saving()) {
    c_.setText(id, std::to_string(value));
    return;
  }
  const auto v = parseInt(c_.text(id));
  if (!v) return fail(id, kNotAnInteger);
  if (*v < minimum || *v > maximum)
    return fail(id, format(kIntegerBetween, std::to_string(minimum), std::to_string(maximum)));
  value = *v;
}

void Exchange::unsignedInteger(int id, unsigned& value) {
  if (failed_) return;
  if (!saving()) {
    c_.setText(id, std::to_string(value));
    return;
  }
  const auto v = parseUnsigned(c_.text(id));
  if (!v) return fail(id, kNotAPositiveInteger);
  value = *v;
}

void Exchange::check(int id, int& value) {
  if (failed_) return;
  if (saving())
    value = c_.isChecked(id) ? 1 : 0;
  else
    c_.check(id, value != 0);
}

void Exchange::radio(std::initializer_list<int> ids, int& value) {
  if (failed_) return;
  int index = 0;
  if (saving()) {
    value = -1;
    for (int id : ids) {
      if (c_.isChecked(id)) {
        value = index;
        break;
      }
      ++index;
    }
    return;
  }
  for (int id : ids) c_.check(id, index++ == value);
}

}  // namespace ddx
