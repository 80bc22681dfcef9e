#include "sim/reader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "sim/state_file.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace sim {

namespace {
constexpr int kHandleBase = 0x3A00;  // handles are kHandleBase + port: positive, never 0
}

std::string showPath(const std::filesystem::path& p) {
  auto u8 = p.u8string();
  return std::string(u8.begin(), u8.end());
}

std::filesystem::path pathFromUtf8(const std::string& text) { return std::filesystem::path(std::u8string(text.begin(), text.end())); }

void warn(const std::string& message) {
  std::fprintf(stderr, "pelox-sim: %s\n", message.c_str());
  std::fflush(stderr);
}

Reader& Reader::get() {
  static Reader reader;
  return reader;
}

std::mutex& Reader::lock() {
  static std::mutex m;
  return m;
}

Reader::Reader() { loadDefaultIni(); }

void Reader::loadDefaultIni() {
  std::filesystem::path ini;
#ifdef _WIN32
  if (const wchar_t* env = _wgetenv(L"PELOX_SIM_INI"); env && *env) {
    ini = env;
  } else {
    HMODULE self = nullptr;
    wchar_t name[MAX_PATH * 2] = {};
    if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&warn), &self) &&
        GetModuleFileNameW(self, name, MAX_PATH * 2) > 0)
      ini = std::filesystem::path(name).parent_path() / L"pelox-sim.ini";
  }
#else
  if (const char* env = std::getenv("PELOX_SIM_INI"); env && *env) ini = env;
#endif
  if (ini.empty()) return;  // a reader on USB with no card
  loadIni(ini);
}

void Reader::loadIni(const std::filesystem::path& ini) {
  ini_ = ini;
  iniTime_.reset();
  cardKey_.clear();
  refreshConfig();
  if (!iniTime_) applyConfig(Config{});  // missing file: the defaults
}

void Reader::refreshConfig() {
  if (ini_.empty()) return;
  std::error_code ec;
  auto time = std::filesystem::last_write_time(ini_, ec);
  if (ec) {
    if (iniTime_) {
      warn("the configuration file " + showPath(ini_) + " is gone: reader on USB, no card");
      iniTime_.reset();
      applyConfig(Config{});
    }
    return;
  }
  auto size = std::filesystem::file_size(ini_, ec);
  if (iniTime_ && *iniTime_ == time && iniSize_ == size) return;
  iniTime_ = time;
  iniSize_ = size;
  auto text = readFile(ini_);
  std::vector<std::string> problems;
  Config next = text ? parseIni(*text, problems) : Config{};
  if (!text) warn("cannot read " + showPath(ini_) + ": reader on USB, no card");
  for (const auto& p : problems) warn(showPath(ini_.filename()) + " " + p);
  applyConfig(std::move(next));
}

std::filesystem::path Reader::statePathFor(const Config& c) const {
  if (c.cardType == "none" || ini_.empty()) return {};
  std::filesystem::path p = c.state.empty() ? std::filesystem::path("cards") / (c.cardType + ".card") : pathFromUtf8(c.state);
  return p.is_absolute() ? p : ini_.parent_path() / p;
}

void Reader::applyConfig(Config next) {
  std::filesystem::path state = statePathFor(next);
  std::string key = next.cardType + "|" + showPath(state);
  config_ = std::move(next);
  calls_ = functionCalls_ = 0;
  dropped_ = false;
  // The same card stays in the reader; a card that was pushed out or whose
  // state file was damaged comes back when the file is touched.
  // So does a card whose state file another program (the card tray) changed.
  if (key == cardKey_ && (card_ || config_.cardType == "none")) {
    if (!card_ || statePath_.empty()) return;
    auto text = readFile(statePath_);
    if (!text || *text == saved_) return;
  }
  cardKey_ = key;
  statePath_ = state;
  loadCard();
}

void Reader::loadCard() {
  card_ = makeCard(config_.cardType);
  saved_.clear();
  driverType_ = pelox::DriverType::None;
  if (!card_ || statePath_.empty()) return;
  auto text = readFile(statePath_);
  if (!text) {
    persist();  // a factory card, saved at once
    return;
  }
  std::string why;
  if (!parseState(*card_, *text, why)) {
    std::filesystem::path aside = moveAside(statePath_);
    warn("damaged card state file " + showPath(statePath_) + " (" + why + "): kept as " +
         (aside.empty() ? std::string("(could not be moved)") : showPath(aside)) + "; the card reads as not inserted");
    card_.reset();
    return;
  }
  saved_ = *text;
}

void Reader::persist() {
  if (!card_ || statePath_.empty()) return;
  std::string text = stateText(*card_);
  if (text == saved_) return;
  std::string why;
  if (saveAtomically(statePath_, text, why))
    saved_ = std::move(text);
  else
    warn("cannot save the card state: " + why);
}

std::optional<short> Reader::enter(const char* function) {
  ++calls_;
  const Faults& f = config_.faults;
  if (f.pullAtCall > 0 && calls_ == f.pullAtCall) pull();
  if (f.dropReaderAtCall > 0 && calls_ >= f.dropReaderAtCall) dropped_ = true;
  if (f.failCall > 0 && (f.failFunction.empty() || f.failFunction == function)) {
    if (++functionCalls_ == f.failCall) return f.failResult;
  }
  return std::nullopt;
}

short Reader::checkHandle(int handle) const {
  if (handle == 0 || handle != handle_ || dropped_ || openPort_ != config_.port) return err::kLink;
  return err::kOk;
}

int Reader::open(int port) {
  if (dropped_ || port != config_.port) return 0;
  handle_ = kHandleBase + port;
  openPort_ = port;
  cpuProtocol_ = -1;
  return handle_;
}

void Reader::close(int handle) {
  if (handle == 0 || handle != handle_) return;
  powerDown();
  handle_ = 0;
  openPort_ = -1;
}

void Reader::setFaults(const Faults& f) {
  config_.faults = f;
  calls_ = functionCalls_ = 0;
  dropped_ = false;
}

void Reader::powerDown() {
  if (card_) card_->powerOff();
}

void Reader::pull() {
  if (card_) {
    card_->powerOff();
    persist();
  }
  pulled_ = std::move(card_);
  driverType_ = pelox::DriverType::None;
}

void Reader::insertCard(std::unique_ptr<Card> card) {
  card_ = std::move(card);
  config_.cardType = card_ ? card_->typeName() : "none";
  statePath_.clear();
  cardKey_ = "(in memory)";
  saved_.clear();
  driverType_ = pelox::DriverType::None;
}

void Reader::resetInMemory(const std::string& cardType, int port) {
  ini_.clear();
  iniTime_.reset();
  config_ = Config{};
  config_.port = port;
  handle_ = 0;
  openPort_ = -1;
  cpuProtocol_ = -1;
  device_.fill(0);
  host_ = HostAuth{};
  calls_ = functionCalls_ = 0;
  dropped_ = false;
  insertFactory(cardType);
}

}  // namespace sim
