// CryptoMemory: AT88SC1608 and AT88SC153, each under its own driver type.
#pragma once

#include <array>

#include "sim/card.h"
#include "sim/cipher.h"

namespace sim {

class CryptoCard : public Card {
 public:
  explicit CryptoCard(bool is1608);
  bool is1608() const { return is1608_; }
  bool speaks(pelox::DriverType driverType) const override {
    return driverType == (is1608_ ? pelox::DriverType::At88sc1608 : pelox::DriverType::At88sc153);
  }
  std::vector<Field> fields() override;
  void powerOff() override;
  void resetCounters() override;
  std::size_t size() const override { return zones_.size(); }
  std::uint8_t look(std::size_t address) const override { return zones_[address]; }
  Bytes rawMemory() const override { return zones_; }
  void setRawMemory(std::size_t address, const Bytes& bytes) override;
  Bytes rawConfig() const override { return config_; }

  int zoneCount() const { return is1608_ ? 8 : 3; }
  int zoneSize() const { return is1608_ ? 256 : 64; }
  int setCount() const { return is1608_ ? 8 : 2; }
  std::size_t configSize() const { return config_.size(); }

  short selectZone(int zone);
  short readZone(int address, int length, std::uint8_t* out) const;
  short writeZone(int address, int length, const std::uint8_t* data);
  std::uint8_t lookConfig(std::size_t address) const;
  short readConfig(int address, int length, std::uint8_t* out) const;
  short writeConfig(int address, int length, const std::uint8_t* data);

  // Password sets: `write` chooses the write password, else the read one.
  short checkPassword(int set, bool write, const Bytes& code);
  short changePassword(int set, bool write, const Bytes& code);
  short passwordCount(int set, bool write) const;

  int fuses() const { return fuses_; }
  short blowNextFuse();

  // The card's half of the mutual authentication.
  short initAuth(const Block8& q0);
  short checkAuth(const Block8& q1);
  short authCount() const { return static_cast<short>(attemptsLeft(config_[kAac])); }
  Block8 ci() const;

  // Configuration addresses (the same on both chips).
  static constexpr std::size_t kAac = 32, kCi = 40, kPasswords153 = 48, kPasswords1608 = 64;

 private:
  std::size_t passwordBase(int set) const { return (is1608_ ? kPasswords1608 : kPasswords153) + 8 * static_cast<std::size_t>(set); }
  bool securityCode() const { return writeOk_[static_cast<std::size_t>(setCount() - 1)]; }
  bool guardedByte(std::size_t address) const;  // AAC, Ci, Gc, password sets: the security code writes them
  bool probeByte(std::size_t address) const;    // always writable
  std::uint8_t accessRegister(int zone) const;
  int passwordSetOf(int zone) const;

  bool is1608_;
  Bytes zones_;
  Bytes config_;
  Bytes gc_;  // the 153 keeps its seed outside the readable zone; the 1608 at 48-55
  int fuses_ = 7;
  int zone_ = -1;
  std::array<bool, 8> readOk_{};
  std::array<bool, 8> writeOk_{};
  bool authPending_ = false;
  Block8 expectedQ1_{};
  Block8 nextCi_{};
};

}  // namespace sim
