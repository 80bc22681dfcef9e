#include "sim/config.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "reader/reader_port.h"
#include "sim/card.h"

namespace sim {

namespace {

std::string trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool parseLong(const std::string& text, long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  if (end == nullptr || *end != 0 || v < -1000000000L || v > 1000000000L) return false;
  value = v;
  return true;
}

}  // namespace

int portFromName(const std::string& name) {
  std::string n = lower(name);
  if (n == "usb") return codeOf(ReaderPort::Usb);
  if (n.size() == 4 && n.compare(0, 3, "com") == 0 && n[3] >= '1' && n[3] <= '4') return n[3] - '1';
  return -1;
}

Config parseIni(const std::string& text, std::vector<std::string>& problems) {
  Config c;
  std::string section;
  std::size_t lineNo = 0, at = 0;
  while (at <= text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    ++lineNo;
    if (lineNo == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);  // UTF-8 mark
    std::size_t comment = line.find_first_of(";#");
    if (comment != std::string::npos) line.erase(comment);
    line = trim(line);
    if (line.empty()) continue;
    auto problem = [&](const std::string& what) { problems.push_back("line " + std::to_string(lineNo) + ": " + what); };
    if (line.front() == '[') {
      if (line.back() != ']') {
        problem("broken section header");
        section.clear();
        continue;
      }
      section = lower(trim(line.substr(1, line.size() - 2)));
      continue;
    }
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) {
      problem("no '=' in \"" + line.substr(0, 40) + "\"");
      continue;
    }
    std::string key = lower(trim(line.substr(0, eq)));
    std::string value = trim(line.substr(eq + 1));
    auto flag = [&](bool& target) {
      if (value == "0" || value == "1")
        target = value == "1";
      else
        problem(key + " must be 0 or 1");
    };
    auto number = [&](long& target) {
      long v = 0;
      if (parseLong(value, v) && v >= 0)
        target = v;
      else
        problem(key + " must be a number of 0 or more");
    };
    if (section == "reader") {
      if (key == "port") {
        int p = portFromName(value);
        if (p < 0)
          problem("unknown port \"" + value + "\" (usb, com1..com4)");
        else
          c.port = p;
      } else if (key == "version") {
        if (value.size() > 20) problem("version text longer than 20 characters: cut");
        c.version = value.substr(0, 20);
      } else if (key == "version_fault") {
        flag(c.versionFault);
      } else if (key == "firmware_download") {
        flag(c.firmwareDownload);
      }
    } else if (section == "card") {
      if (key == "type") {
        std::string t = lower(value);
        const auto& names = cardTypeNames();
        if (t == "none" || std::find(names.begin(), names.end(), t) != names.end())
          c.cardType = t;
        else
          problem("unknown card type \"" + value + "\": no card");
      } else if (key == "state") {
        c.state = value;
      }
    } else if (section == "faults") {
      if (key == "drop_writes") {
        flag(c.faults.dropWrites);
      } else if (key == "fail_call") {
        number(c.faults.failCall);
      } else if (key == "fail_function") {
        c.faults.failFunction = value;
      } else if (key == "fail_result") {
        long v = 0;
        if (parseLong(value, v) && v >= -32768 && v <= 32767)
          c.faults.failResult = static_cast<short>(v);
        else
          problem("fail_result must be a 16-bit number");
      } else if (key == "pull_at_call") {
        number(c.faults.pullAtCall);
      } else if (key == "drop_reader_at_call") {
        number(c.faults.dropReaderAtCall);
      }
    }
  }
  return c;
}

}  // namespace sim
