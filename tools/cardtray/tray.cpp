#include "tray.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <ostream>
#include <sstream>
#include <system_error>

#include "default_ini.h"
#include "sim/card.h"
#include "sim/cards_crypto.h"
#include "sim/config.h"
#include "sim/reader.h"
#include "sim/state_file.h"

namespace fs = std::filesystem;

namespace tray {

namespace {

const char kUsage[] =
    "usage: cardtray [--ini FILE] COMMAND\n"
    "  list                   the card types, the inserted card, the state files\n"
    "  insert TYPE [--fresh]  insert a card (--fresh: a new factory card)\n"
    "  load FILE [--fresh]    insert the card of a state file, copied into cards/ under\n"
    "                         its name (a copy there is kept; --fresh: copied again)\n"
    "  pull                   pull the card (type = none)\n"
    "  reset-counters         every attempt counter of the inserted card back to full\n"
    "  dump                   hex dump of the inserted card's memory\n";

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

// The line without its comment, trimmed.
std::string content(const std::string& line) { return trim(line.substr(0, line.find_first_of(";#"))); }

// `key = value` with the new value; spacing and comment kept.
std::string replaceValue(const std::string& line, const std::string& value) {
  std::size_t eq = line.find('=');
  std::size_t comment = line.find_first_of(";#", eq);
  std::string out = line.substr(0, eq + 1) + " " + value;
  if (comment != std::string::npos) {
    std::size_t used = out.size();
    out += std::string(comment > used ? comment - used : 1, ' ') + line.substr(comment);
  }
  return out;
}

struct Context {
  fs::path ini;
  bool iniExists = false;
  std::string text;  // the INI text (the default one when there is no file)
  sim::Config config;
  fs::path statePath;  // of the inserted card; empty for none
};

fs::path statePathFor(const fs::path& ini, const std::string& type, const std::string& state) {
  if (type == "none") return {};
  fs::path p = state.empty() ? fs::path("cards") / (type + ".card") : sim::pathFromUtf8(state);
  return p.is_absolute() ? p : ini.parent_path() / p;
}

bool load(const fs::path& ini, Context& c, std::ostream& err) {
  c.ini = ini;
  std::error_code ec;
  c.iniExists = fs::exists(ini, ec);
  if (c.iniExists) {
    auto text = sim::readFile(ini);
    if (!text) {
      err << "cardtray: cannot read " << sim::showPath(ini) << "\n";
      return false;
    }
    c.text = *text;
  } else {
    c.text = defaultIniText();
  }
  std::vector<std::string> problems;
  c.config = sim::parseIni(c.text, problems);
  for (const auto& p : problems) err << "cardtray: " << sim::showPath(ini.filename()) << " " << p << "\n";
  if (!c.iniExists) c.config.cardType = "none";  // the reader has no card without its file
  c.statePath = statePathFor(ini, c.config.cardType, c.config.state);
  return true;
}

bool save(const fs::path& path, const std::string& text, std::ostream& err) {
  std::error_code ec;
  if (path.has_parent_path()) fs::create_directories(path.parent_path(), ec);
  std::string why;
  if (sim::saveAtomically(path, text, why)) return true;
  err << "cardtray: cannot write " << sim::showPath(path) << ": " << why << "\n";
  return false;
}

// The inserted card from its state file (a factory card when there is none).
std::unique_ptr<sim::Card> loadCard(const Context& c, bool& fromFile, std::ostream& err) {
  auto card = sim::makeCard(c.config.cardType);
  if (!card) {
    err << "cardtray: no card is inserted\n";
    return nullptr;
  }
  auto text = sim::readFile(c.statePath);
  fromFile = text.has_value();
  if (!text) return card;
  std::string why;
  if (!sim::parseState(*card, *text, why)) {
    err << "cardtray: the state file " << sim::showPath(c.statePath) << " is damaged (" << why << ")\n";
    return nullptr;
  }
  return card;
}

void hexDump(const sim::Bytes& bytes, std::ostream& out) {
  char line[120];
  for (std::size_t row = 0; row < bytes.size(); row += 16) {
    int n = std::snprintf(line, sizeof line, "%04zX ", row);
    std::string ascii;
    for (std::size_t i = row; i < row + 16; ++i) {
      if (i < bytes.size()) {
        n += std::snprintf(line + n, sizeof line - static_cast<std::size_t>(n), " %02X", bytes[i]);
        ascii += std::isprint(bytes[i]) ? static_cast<char>(bytes[i]) : '.';
      } else {
        n += std::snprintf(line + n, sizeof line - static_cast<std::size_t>(n), "   ");
      }
    }
    out << line << "  |" << ascii << "|\n";
  }
}

int list(const Context& c, std::ostream& out) {
  out << "configuration: " << sim::showPath(c.ini) << (c.iniExists ? "" : " (missing: no card)") << "\n";
  out << "inserted: " << c.config.cardType;
  if (!c.statePath.empty()) out << " (" << sim::showPath(c.statePath) << ")";
  out << "\n\ncard types (* inserted), state files:\n";
  std::error_code ec;
  for (const auto& type : sim::cardTypeNames()) {
    fs::path state = statePathFor(c.ini, type, type == c.config.cardType ? c.config.state : "");
    bool present = fs::exists(state, ec);
    char line[80];
    std::snprintf(line, sizeof line, "%c %-12s ", type == c.config.cardType ? '*' : ' ', type.c_str());
    out << line << (present ? sim::showPath(state.lexically_relative(c.ini.parent_path())) : std::string("-")) << "\n";
  }
  fs::path cards = c.ini.parent_path() / "cards";
  std::vector<std::string> others;
  for (const auto& entry : fs::directory_iterator(cards, ec)) {
    std::string name = sim::showPath(entry.path().filename());
    const auto& types = sim::cardTypeNames();
    bool standard = entry.path().extension() == ".card" && std::find(types.begin(), types.end(), sim::showPath(entry.path().stem())) != types.end();
    if (!standard) others.push_back(name);
  }
  std::sort(others.begin(), others.end());
  if (!others.empty()) {
    out << "\nother files in " << sim::showPath(cards) << ":\n";
    for (const auto& o : others) out << "  " << o << "\n";
  }
  return 0;
}

int insert(Context& c, const std::string& type, bool fresh, std::ostream& out, std::ostream& err) {
  if (type != "none" && !sim::makeCard(type)) {
    err << "cardtray: unknown card type \"" << type << "\"; the types:";
    for (const auto& t : sim::cardTypeNames()) err << " " << t;
    err << "\n";
    return 1;
  }
  std::string state = "cards/" + type + ".card";
  std::string text = type == "none" ? withCard(c.text, "none", "") : withCard(c.text, type, state);
  if (type != "none") {
    fs::path path = statePathFor(c.ini, type, state);
    std::error_code ec;
    bool made = fresh || !fs::exists(path, ec);
    if (made) {
      auto card = sim::makeCard(type);
      if (!save(path, sim::stateText(*card), err)) return 1;
    }
    // The state file first: the reader finds it ready when the INI changes.
    if (!save(c.ini, text, err)) return 1;
    out << "inserted " << type << " (" << state << (made ? ", a fresh factory card" : ", the card as it was") << ")\n";
    return 0;
  }
  if (!save(c.ini, text, err)) return 1;
  out << "pulled the card\n";
  return 0;
}

// The card type named by a state text ("type NAME" after the header line).
std::string stateType(const std::string& text) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string key, value;
    if (words >> key >> value && key == "type") return value;
  }
  return {};
}

int load(Context& c, const fs::path& from, bool fresh, std::ostream& out, std::ostream& err) {
  auto text = sim::readFile(from);
  if (!text) {
    err << "cardtray: cannot read " << sim::showPath(from) << "\n";
    return 1;
  }
  const std::string type = stateType(*text);
  auto card = sim::makeCard(type);
  std::string why;
  if (!card) {
    err << "cardtray: " << sim::showPath(from) << " is not a card state file (it names no known card type)\n";
    return 1;
  }
  if (!sim::parseState(*card, *text, why)) {
    err << "cardtray: the state file " << sim::showPath(from) << " is damaged (" << why << ")\n";
    return 1;
  }
  const std::string state = "cards/" + sim::showPath(from.filename());
  const fs::path path = statePathFor(c.ini, type, state);
  std::error_code ec;
  const bool copied = fresh || !fs::exists(path, ec);
  if (copied && !save(path, sim::stateText(*card), err)) return 1;
  if (!save(c.ini, withCard(c.text, type, state), err)) return 1;
  out << "inserted " << type << " (" << state << (copied ? ", a copy of " + sim::showPath(from) : ", the card as it was") << ")\n";
  return 0;
}

int resetCounters(Context& c, std::ostream& out, std::ostream& err) {
  bool fromFile = false;
  auto card = loadCard(c, fromFile, err);
  if (!card) return 1;
  card->resetCounters();
  if (!save(c.statePath, sim::stateText(*card), err)) return 1;
  // Touch the INI so a running reader loads the changed state.
  if (!save(c.ini, c.text, err)) return 1;
  out << "counters of the " << c.config.cardType << " card back to full (" << sim::showPath(c.statePath) << ")\n";
  return 0;
}

int dump(Context& c, std::ostream& out, std::ostream& err) {
  bool fromFile = false;
  auto card = loadCard(c, fromFile, err);
  if (!card) return 1;
  sim::Bytes memory = card->rawMemory();
  out << c.config.cardType << (fromFile ? "" : " (no state file yet: a factory card)") << ", memory, " << memory.size() << " bytes:\n";
  hexDump(memory, out);
  sim::Bytes config = card->rawConfig();
  if (!config.empty()) {
    out << "configuration zone, " << config.size() << " bytes:\n";
    hexDump(config, out);
  }
  return 0;
}

}  // namespace

const std::string& defaultIniText() {
  static const std::string text = kDefaultIniText;
  return text;
}

std::string withCard(const std::string& iniText, const std::string& type, const std::string& state) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < iniText.size();) {
    std::size_t end = iniText.find('\n', at);
    if (end == std::string::npos) end = iniText.size();
    lines.push_back(iniText.substr(at, end - at));
    at = end + 1;
  }
  bool inCard = false, typeDone = false, stateDone = state.empty();
  std::size_t header = lines.size(), insertAt = 0;
  std::string eol;  // the [card] line's CR, for added lines
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string& line = lines[i];
    std::string cr = !line.empty() && line.back() == '\r' ? "\r" : "";
    std::string body = line.substr(0, line.size() - cr.size());
    std::string text = content(body);
    if (!text.empty() && text.front() == '[') {
      inCard = lower(text) == "[card]";
      if (inCard && header == lines.size()) {
        header = i;
        insertAt = i + 1;
        eol = cr;
      }
      continue;
    }
    std::size_t eq = text.find('=');
    if (!inCard || eq == std::string::npos) continue;
    std::string key = lower(trim(text.substr(0, eq)));
    insertAt = i + 1;
    if (key == "type") {
      line = replaceValue(body, type) + cr;
      typeDone = true;
    } else if (key == "state" && !state.empty()) {
      line = replaceValue(body, state) + cr;
      stateDone = true;
    }
  }
  std::vector<std::string> missing;
  if (!typeDone) missing.push_back("type = " + type + eol);
  if (!stateDone) missing.push_back("state = " + state + eol);
  if (header == lines.size()) {
    if (!lines.empty() && !content(lines.back()).empty()) lines.push_back("");
    lines.push_back("[card]");
    insertAt = lines.size();
  }
  // After the section's last key, so the keys stay together.
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), missing.begin(), missing.end());
  std::string out;
  for (const auto& l : lines) out += l + "\n";
  return out;
}

int run(const std::vector<std::string>& args, const fs::path& defaultIni, std::ostream& out, std::ostream& err) {
  fs::path ini = defaultIni;
  std::vector<std::string> words;
  bool fresh = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--ini" && i + 1 < args.size()) {
      ini = sim::pathFromUtf8(args[++i]);
    } else if (args[i] == "--fresh") {
      fresh = true;
    } else if (args[i] == "--help" || args[i] == "-h") {
      out << kUsage;
      return 0;
    } else if (!args[i].empty() && args[i][0] == '-') {
      err << "cardtray: unknown option " << args[i] << "\n" << kUsage;
      return 2;
    } else {
      words.push_back(args[i]);
    }
  }
  const std::string command = words.empty() ? "" : words[0];
  const bool takesOne = command == "insert" || command == "load";
  std::size_t wanted = takesOne ? 2 : 1;
  bool known = takesOne || command == "list" || command == "pull" || command == "reset-counters" || command == "dump";
  if (!known || words.size() != wanted || (fresh && !takesOne)) {
    err << kUsage;
    return 2;
  }
  Context c;
  if (!load(ini, c, err)) return 1;
  if (command == "list") return list(c, out);
  if (command == "insert") return insert(c, lower(words[1]), fresh, out, err);
  if (command == "load") return load(c, sim::pathFromUtf8(words[1]), fresh, out, err);
  if (command == "pull") return insert(c, "none", false, out, err);
  if (command == "reset-counters") return resetCounters(c, out, err);
  return dump(c, out, err);
}

}  // namespace tray
