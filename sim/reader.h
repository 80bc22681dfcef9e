// The virtual reader: configuration, the open handle, the inserted card,
// the active protocol, device memory, fault switches and persistence.
//
// One process-wide instance behind one lock; every driver function takes
// the lock for the whole call (see api_support.h).
#pragma once

#include <array>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "sim/card.h"
#include "sim/cipher.h"
#include "sim/config.h"

namespace sim {

class Reader {
 public:
  static Reader& get();
  static std::mutex& lock();

  // Counts a driver call and applies the injected faults: a value means
  // "answer this and do nothing".
  std::optional<short> enter(const char* function);
  // kOk when `handle` is the open reader and the reader still answers.
  short checkHandle(int handle) const;

  int open(int port);
  void close(int handle);
  // Re-reads the INI file when it changed since it was last read.
  void refreshConfig();

  Card* card() { return card_.get(); }
  pelox::DriverType driverType() const { return driverType_; }
  void setDriverType(pelox::DriverType t) { driverType_ = t; }
  // The protocol IC_SetCpuPara asked for (0 = T=0, 1 = T=1), -1 while none
  // was: the next CPU reset takes it or fails.
  int cpuProtocol() const { return cpuProtocol_; }
  void setCpuProtocol(int p) { cpuProtocol_ = p; }
  const Config& config() const { return config_; }
  void setFaults(const Faults& f);

  void powerDown();
  // Takes the card out (power lost); it is kept aside until takePulled().
  void pull();
  std::unique_ptr<Card> takePulled() { return std::move(pulled_); }
  // Puts a card in (null: none) without files, as a fresh insertion.
  void insertCard(std::unique_ptr<Card> card);
  // Swaps in a fresh factory card of the type (none: no card) without files.
  void insertFactory(const std::string& type) { insertCard(makeCard(type)); }
  // Saves the card when its state changed since the last save.
  void persist();

  std::array<std::uint8_t, 2048>& deviceMemory() { return device_; }

  // Host side of the mutual authentication (SetInit_Hex / Authenticate_Hex).
  struct HostAuth {
    bool loaded = false;
    Block8 ci{}, gc{}, q0{};
  };
  HostAuth& host() { return host_; }

  // Loads the configuration from this INI file (and its card from its state
  // file), as the DLL does at start-up.
  void loadIni(const std::filesystem::path& ini);
  // A fresh in-memory reader: no INI file, no state files.
  void resetInMemory(const std::string& cardType, int port);
  // The reader plugged into another port: it answers there from now on.
  void movePort(int port) { config_.port = port; }

 private:
  Reader();
  void loadDefaultIni();
  void applyConfig(Config next);
  void loadCard();
  std::filesystem::path statePathFor(const Config& c) const;

  Config config_;
  std::filesystem::path ini_;  // empty: in-memory
  std::optional<std::filesystem::file_time_type> iniTime_;
  std::uintmax_t iniSize_ = 0;
  std::unique_ptr<Card> card_;
  std::unique_ptr<Card> pulled_;  // the card last pulled out
  std::string cardKey_;  // type and state path of the inserted card
  std::filesystem::path statePath_;
  std::string saved_;
  int handle_ = 0;
  int openPort_ = -1;
  pelox::DriverType driverType_ = pelox::DriverType::None;
  int cpuProtocol_ = -1;
  std::array<std::uint8_t, 2048> device_{};
  HostAuth host_;
  long calls_ = 0;
  long functionCalls_ = 0;
  bool dropped_ = false;
};

// Paths as UTF-8 text and back.
std::string showPath(const std::filesystem::path& p);
std::filesystem::path pathFromUtf8(const std::string& text);

// Reports trouble on standard error (the driver never shows a window).
void warn(const std::string& message);

}  // namespace sim
