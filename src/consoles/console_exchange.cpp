#include "consoles/console_exchange.h"

#include <cctype>
#include <cstdint>
#include <optional>
#include <string_view>

#include "view/view_context.h"

namespace consoles {
namespace {

// A decimal number with optional blanks around it and an optional sign.
std::optional<std::int64_t> parseDecimal(std::string_view s, bool allowMinus) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  if (negative && !allowMinus) return std::nullopt;
  std::int64_t v = 0;
  std::size_t digits = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
    v = v * 10 + (s[i] - '0');
    if (v > 0xFFFFFFFFLL) return std::nullopt;
    ++i;
    ++digits;
  }
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  if (digits == 0 || i != s.size()) return std::nullopt;
  return negative ? -v : v;
}

bool refuse(port::DialogControls& c, int id, std::string_view message) {
  c.messageBox(message, kAppTitle, port::mb::kOk | port::mb::kIconExclamation);
  c.setFocus(id);
  c.selectAll(id);
  return false;
}

}  // namespace

bool exchangeText(port::DialogControls& c, int id, std::string& value, bool save) {
  if (save)
    value = c.text(id);
  else
    c.setText(id, value);
  return true;
}

bool exchangeInt(port::DialogControls& c, int id, std::int32_t& value, bool save) {
  if (!save) {
    c.setText(id, std::to_string(value));
    return true;
  }
  auto v = parseDecimal(c.text(id), true);
  if (!v || *v < INT32_MIN || *v > INT32_MAX) return refuse(c, id, "Please enter an integer.");
  value = static_cast<std::int32_t>(*v);
  return true;
}

bool exchangeUnsigned(port::DialogControls& c, int id, std::uint32_t& value, bool save) {
  if (!save) {
    c.setText(id, std::to_string(value));
    return true;
  }
  auto v = parseDecimal(c.text(id), false);
  if (!v) return refuse(c, id, "Please enter a positive integer.");
  value = static_cast<std::uint32_t>(*v);
  return true;
}

bool exchangeByte(port::DialogControls& c, int id, std::uint8_t& value, bool save) {
  if (!save) {
    c.setText(id, std::to_string(value));
    return true;
  }
  auto v = parseDecimal(c.text(id), true);
  if (!v || *v < 0 || *v > 255) return refuse(c, id, "Please enter an integer between 0 and 255.");
  value = static_cast<std::uint8_t>(*v);
  return true;
}

void exchangeRadio(port::DialogControls& c, int first, int last, int& index, bool save) {
  if (save) {
    index = -1;
    for (int id = first; id <= last; ++id)
      if (c.isChecked(id)) {
        index = id - first;
        break;
      }
    return;
  }
  for (int id = first; id <= last; ++id) c.check(id, id - first == index);
}

}  // namespace consoles
