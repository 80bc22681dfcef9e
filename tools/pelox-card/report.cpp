#include "report.h"

#include <cstdio>

namespace cli {

std::string jsonString(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
      out += buffer;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string hexByte(int value) {
  char b[4];
  std::snprintf(b, sizeof b, "%02X", value & 0xFF);
  return b;
}

std::string jsonArray(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + items[i];
  return out + "]";
}

Report::Report(std::string command) : command_(std::move(command)) {}

void Report::raw(std::string_view key, std::string_view json) {
  fields_ += ",";
  fields_ += jsonString(key);
  fields_ += ":";
  fields_ += json;
}
void Report::text(std::string_view key, std::string_view value) { raw(key, jsonString(value)); }
void Report::number(std::string_view key, long long value) { raw(key, std::to_string(value)); }
void Report::flag(std::string_view key, bool value) { raw(key, value ? "true" : "false"); }

std::string Report::json(bool ok, std::string_view error) const {
  std::string out = "{\"command\":" + jsonString(command_) + ",\"ok\":" + (ok ? "true" : "false") + fields_;
  if (!error.empty()) out += ",\"error\":" + jsonString(error);
  return out + "}";
}

}  // namespace cli
