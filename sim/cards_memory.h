// Plain memory cards: I2C EEPROMs, SLE4442/4428, SLE4404, AT45D041, SSF1101.
#pragma once

#include "sim/card.h"

namespace sim {

// 24C01A, 24C02, 24C04, 24C08, 24C16 (DriverType::I2c) and 24C64
// (DriverType::I2cTwoByteAddress).
class I2cCard : public Card {
 public:
  I2cCard(std::string name, std::size_t size, std::size_t page);
  bool speaks(pelox::DriverType driverType) const override;
  std::vector<Field> fields() override { return {{"memory", &memory_, nullptr}}; }
  std::size_t size() const override { return memory_.size(); }
  std::uint8_t look(std::size_t address) const override;
  short read(int address, int length, std::uint8_t* out) override;
  short write(int address, int length, const std::uint8_t* data) override;
  Bytes rawMemory() const override { return memory_; }
  void setRawMemory(std::size_t address, const Bytes& bytes) override;
  bool twoAddressBytes() const { return memory_.size() > 2048; }

 private:
  // The memory cell the chip uses for a word address, or -1 when no chip
  // answers there (address bits beyond the chip are device-address bits).
  long cell(long address) const;
  Bytes memory_;
  std::size_t page_;
};

// SLE4442 and SLE4428, each under its own driver type: PSC, error counter, write-once
// protection with data comparison, unlocked until power-off.
class SleCard : public Card {
 public:
  explicit SleCard(bool is4428);
  bool is4428() const { return is4428_; }
  bool speaks(pelox::DriverType driverType) const override {
    return driverType == (is4428_ ? pelox::DriverType::Sle4428 : pelox::DriverType::Sle4442);
  }
  std::vector<Field> fields() override;
  void powerOff() override { unlocked_ = false; }
  void resetCounters() override;
  std::size_t size() const override { return memory_.size(); }
  std::uint8_t look(std::size_t address) const override;
  short write(int address, int length, const std::uint8_t* data) override;
  Bytes rawMemory() const override { return memory_; }
  void setRawMemory(std::size_t address, const Bytes& bytes) override;

  int attempts() const;
  short checkPass(const std::uint8_t* code);
  short changePass(const std::uint8_t* code);
  // One flag per byte: 1 = writable, 0 = protected.
  short readProtection(int address, int length, std::uint8_t* out) const;
  // Protect bytes whose stored value equals the data sent.
  short protect(int address, int length, const std::uint8_t* data);
  // Write bytes, then protect them.
  short writeProtected(int address, int length, const std::uint8_t* data);
  bool unlocked() const { return unlocked_; }

 private:
  std::size_t codeLength() const { return is4428_ ? 2 : 3; }
  std::size_t protectable() const { return is4428_ ? 1021 : 32; }
  bool systemByte(std::size_t address) const { return is4428_ && address >= 1021; }
  bool is4428_;
  Bytes memory_;
  Bytes protection_;  // 1 = writable, 0 = protected
  Bytes psc_;         // SLE4442 only (the SLE4428 keeps it in memory)
  int counter_ = 0;   // SLE4442 only: bits of attempts left
  bool unlocked_ = false;
};

// SLE4404: 52 bytes; only the signature B7 A0 is fixed.
class Sle4404Card : public Card {
 public:
  Sle4404Card();
  bool speaks(pelox::DriverType driverType) const override { return driverType == pelox::DriverType::Sle4404; }
  std::vector<Field> fields() override { return {{"memory", &memory_, nullptr}}; }
  std::size_t size() const override { return memory_.size(); }
  std::uint8_t look(std::size_t address) const override { return memory_[address]; }
  short write(int address, int length, const std::uint8_t* data) override;
  Bytes rawMemory() const override { return memory_; }
  void setRawMemory(std::size_t address, const Bytes& bytes) override;

 private:
  Bytes memory_;
};

// Page-organised flash: AT45D041 (2048 x 264) and SSF1101 (512 x 1024). Reads and writes stay inside one
// page.
class PagedCard : public Card {
 public:
  PagedCard(std::string name, pelox::DriverType driverType, std::size_t pages, std::size_t pageSize);
  bool speaks(pelox::DriverType driverType) const override { return driverType == driverType_; }
  std::vector<Field> fields() override { return {{"memory", &memory_, nullptr}}; }
  std::size_t size() const override { return memory_.size(); }
  std::uint8_t look(std::size_t address) const override { return memory_[address]; }
  short write(int address, int length, const std::uint8_t* data) override;
  Bytes rawMemory() const override { return memory_; }
  void setRawMemory(std::size_t address, const Bytes& bytes) override;
  std::size_t pageSize() const { return pageSize_; }
  short readPage(int page, int address, int length, std::uint8_t* out) const;
  short writePage(int page, int address, int length, const std::uint8_t* data);

 private:
  bool pageRange(int page, int address, int length) const;
  pelox::DriverType driverType_;
  std::size_t pages_;
  std::size_t pageSize_;
  Bytes memory_;
};

// Copies `bytes` into `memory` from `address`, clipped to its size.
void copyInto(Bytes& memory, std::size_t address, const Bytes& bytes);

}  // namespace sim
