#include "pcsc/vreader/grammar.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <tuple>

namespace vreader {

// The text of acs_commands.grammar (generated at build time).
extern const char* const kAcsGrammarText;

namespace {

int hexValue(const std::string& text) {
  std::size_t used = 0;
  int v = std::stoi(text, &used, 16);
  if (used != text.size()) throw std::invalid_argument(text);
  return v;
}

// "LO-HI" or "V".
std::pair<int, int> range(const std::string& text) {
  std::size_t dash = text.find('-');
  if (dash == std::string::npos) return {hexValue(text), hexValue(text)};
  return {hexValue(text.substr(0, dash)), hexValue(text.substr(dash + 1))};
}

std::vector<std::string> split(const std::string& text, char by) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, by)) parts.push_back(part);
  return parts;
}

GrammarRow parseRow(const std::vector<std::string>& f) {
  GrammarRow r;
  r.type = f[0] == "*" ? -1 : hexValue(f[0]);
  r.name = f[1];
  r.ins = static_cast<std::uint8_t>(hexValue(f[2]));
  std::tie(r.p1p2Low, r.p1p2High) = range(f[3]);
  std::tie(r.p3Low, r.p3High) = range(f[4]);
  if (f[5] != "lc" && f[5] != "le") throw std::invalid_argument(f[5]);
  r.dataFollows = f[5] == "lc";
  if (f[6] != "-") r.data = split(f[6], '|');
  if (f[7].rfind("end<=", 0) == 0) {
    r.extent = GrammarRow::Extent::End;
    r.extentValue = hexValue(f[7].substr(5));
  } else if (f[7].rfind("page=", 0) == 0) {
    r.extent = GrammarRow::Extent::Page;
    r.extentValue = hexValue(f[7].substr(5));
  } else if (f[7] != "-") {
    throw std::invalid_argument(f[7]);
  }
  r.older = f[8] != "newer";
  r.newer = f[8] != "older";
  for (const std::string& a : split(f[9], '|')) {
    std::string sw = a.substr(a.find(':') == std::string::npos ? 0 : a.find(':') + 1);
    if (sw.size() != 4) throw std::invalid_argument(a);
    r.answers.emplace_back(hexValue(sw.substr(0, 2)), sw.substr(2) == "xx" ? -1 : hexValue(sw.substr(2)));
  }
  r.writes = f[10] == "yes";
  r.irreversible = f[11] == "yes";
  r.source = f[12];
  return r;
}

// One data byte range "LO-HI" or a hex pattern with X for any digit.
bool dataMatches(const std::string& pattern, const Bytes& data) {
  if (pattern.size() == 5 && pattern[2] == '-') {
    auto [low, high] = range(pattern);
    return data.size() == 1 && data[0] >= low && data[0] <= high;
  }
  if (pattern.size() != 2 * data.size()) return false;
  static const char* digits = "0123456789ABCDEF";
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const int nibble = i % 2 == 0 ? data[i / 2] >> 4 : data[i / 2] & 0x0F;
    if (pattern[i] != 'X' && pattern[i] != digits[nibble]) return false;
  }
  return true;
}

bool lengthFits(const GrammarRow& r, const Bytes& apdu) {
  const int p3 = apdu[4];
  if (p3 < r.p3Low || p3 > r.p3High) return false;
  return apdu.size() == (r.dataFollows ? 5u + static_cast<std::size_t>(p3) : 5u);
}

// Data and extent, once the length fits.
bool fits(const GrammarRow& r, const Bytes& apdu) {
  const int p1p2 = apdu[2] << 8 | apdu[3], p3 = apdu[4];
  if (!r.data.empty()) {
    Bytes data(apdu.begin() + 5, apdu.end());
    bool any = false;
    for (const std::string& pattern : r.data) any = any || dataMatches(pattern, data);
    if (!any) return false;
  }
  switch (r.extent) {
    case GrammarRow::Extent::End:
      return p1p2 + p3 <= r.extentValue;
    case GrammarRow::Extent::Page:
      return p1p2 / r.extentValue == (p1p2 + p3 - 1) / r.extentValue;
    case GrammarRow::Extent::None:
      break;
  }
  return true;
}
}  // namespace

Grammar::Grammar(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::vector<std::string> f;
    for (std::string w; words >> w;) f.push_back(w);
    if (f.size() != 13) throw std::runtime_error("grammar line " + std::to_string(number) + ": 13 columns wanted");
    try {
      rows_.push_back(parseRow(f));
    } catch (const std::exception& e) {
      throw std::runtime_error("grammar line " + std::to_string(number) + ": " + e.what());
    }
  }
}

const Grammar& Grammar::acs() {
  static const Grammar grammar(kAcsGrammarText);
  return grammar;
}

Grammar::Match Grammar::match(int selectedType, Generation generation, const Bytes& apdu) const {
  Match m;
  if (apdu.size() < 5 || apdu[0] != 0xFF) {
    m.refusal = {0x67, 0x00};
    m.why = "not a CLA FF command of five bytes or more";
    return m;
  }
  bool insKnown = false, placeKnown = false, lengthKnown = false;
  const int p1p2 = apdu[2] << 8 | apdu[3];
  for (const GrammarRow& r : rows_) {
    if (r.ins != apdu[1] || (r.type != -1 && r.type != selectedType)) continue;
    if (!(generation == Generation::Older ? r.older : r.newer)) continue;
    insKnown = true;
    if (p1p2 < r.p1p2Low || p1p2 > r.p1p2High) continue;
    placeKnown = true;
    if (!lengthFits(r, apdu)) continue;
    lengthKnown = true;
    if (fits(r, apdu)) {
      m.row = &r;
      return m;
    }
  }
  if (!insKnown) {
    m.refusal = {0x6D, 0x00};
    m.why = "no command with this INS under card type " + std::to_string(selectedType);
  } else if (!placeKnown) {
    m.refusal = {0x6A, 0x86};
    m.why = "P1 P2 outside every documented range";
  } else if (!lengthKnown) {
    m.refusal = {0x67, 0x00};
    m.why = "a length outside the documented forms";
  } else {
    m.refusal = {0x6A, 0x86};
    m.why = "data, or an address and length together, outside the documented forms";
  }
  return m;
}

bool Grammar::documents(const GrammarRow& row, std::uint8_t sw1, std::uint8_t sw2) {
  for (auto [a, b] : row.answers)
    if (a == sw1 && (b == -1 || b == sw2)) return true;
  return false;
}

std::string hexText(const Bytes& bytes) {
  std::string s;
  char two[4];
  for (std::uint8_t b : bytes) {
    std::snprintf(two, sizeof two, "%02X", b);
    if (!s.empty()) s += ' ';
    s += two;
  }
  return s;
}

}  // namespace vreader
