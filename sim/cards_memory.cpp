#include "sim/cards_memory.h"

#include <algorithm>
#include <cstring>

namespace sim {

void copyInto(Bytes& memory, std::size_t address, const Bytes& bytes) {
  for (std::size_t i = 0; i < bytes.size() && address + i < memory.size(); ++i) memory[address + i] = bytes[i];
}

short Card::read(int address, int length, std::uint8_t* out) {
  if (!inRange(address, length, size())) return err::kAddress;
  for (int i = 0; i < length; ++i) out[i] = look(static_cast<std::size_t>(address + i));
  return err::kOk;
}

short Card::write(int, int, const std::uint8_t*) { return err::kProtocol; }

// ---------------------------------------------------------------- I2C

I2cCard::I2cCard(std::string name, std::size_t size, std::size_t page)
    : Card(std::move(name)), memory_(size, 0xFF), page_(page) {}

bool I2cCard::speaks(pelox::DriverType driverType) const {
  if (twoAddressBytes()) return driverType == pelox::DriverType::I2cTwoByteAddress;
  // Type 1 is the reader's page operation mode of the 24C16.
  return driverType == pelox::DriverType::I2c || (driverType == pelox::DriverType::I2cPageMode && memory_.size() == 2048);
}

long I2cCard::cell(long address) const {
  if (address < 0) return -1;
  if (twoAddressBytes()) return address < static_cast<long>(memory_.size()) ? address : -1;
  // One address byte plus up to three device-address bits: 2048 words at most.
  // The 24C01A has 7 word-address bits: the eighth is ignored (128 lands on 0)
  // but its device-address bits must be 0 like any 256-byte chip's.
  if (memory_.size() == 128) return address < 256 ? (address & 0x7F) : -1;
  return address < static_cast<long>(memory_.size()) ? address : -1;
}

std::uint8_t I2cCard::look(std::size_t address) const { return memory_[address]; }

short I2cCard::read(int address, int length, std::uint8_t* out) {
  if (length < 0) return err::kParam;
  for (int i = 0; i < length; ++i)
    if (cell(static_cast<long>(address) + i) < 0) return err::kAddress;
  for (int i = 0; i < length; ++i) out[i] = memory_[static_cast<std::size_t>(cell(static_cast<long>(address) + i))];
  return err::kOk;
}

short I2cCard::write(int address, int length, const std::uint8_t* data) {
  if (length < 0) return err::kParam;
  for (int i = 0; i < length; ++i)
    if (cell(static_cast<long>(address) + i) < 0) return err::kAddress;
  // The driver splits the data into page writes that never cross a page
  // boundary; the chip wraps inside the page it is given.
  long at = address;
  int done = 0;
  while (done < length) {
    long pageStart = at - at % static_cast<long>(page_);
    int chunk = static_cast<int>(std::min<long>(length - done, pageStart + static_cast<long>(page_) - at));
    for (int i = 0; i < chunk; ++i) {
      long word = pageStart + (at - pageStart + i) % static_cast<long>(page_);
      memory_[static_cast<std::size_t>(cell(word))] = data[done + i];
    }
    done += chunk;
    at += chunk;
  }
  return err::kOk;
}

void I2cCard::setRawMemory(std::size_t address, const Bytes& bytes) { copyInto(memory_, address, bytes); }

// ---------------------------------------------------------------- SLE4442 / SLE4428

SleCard::SleCard(bool is4428)
    : Card(is4428 ? "sle4428" : "sle4442"),
      is4428_(is4428),
      memory_(is4428 ? 1024 : 256, 0xFF),
      protection_(is4428 ? 1024 : 32, 1) {
  // Header bytes; byte 7 is what the program looks for (15 / 13).
  const std::uint8_t header4442[] = {0xA2, 0x13, 0x10, 0x91, 0xFF, 0xFF, 0x81, 0x15};
  const std::uint8_t header4428[] = {0x92, 0x23, 0x10, 0x91, 0xFF, 0xFF, 0x81, 0x13};
  std::memcpy(memory_.data(), is4428 ? header4428 : header4442, 8);
  if (is4428) {
    memory_[1021] = 0xFF;  // 8 attempts
    memory_[1022] = memory_[1023] = 0xFF;  // PSC FF FF
    protection_[1021] = protection_[1022] = protection_[1023] = 0;
  } else {
    psc_ = Bytes(3, 0xFF);
    counter_ = fullAttempts(3);
  }
}

std::vector<Field> SleCard::fields() {
  std::vector<Field> f = {{"memory", &memory_, nullptr}, {"protection", &protection_, nullptr}};
  if (!is4428_) {
    f.push_back({"psc", &psc_, nullptr});
    f.push_back({"error_counter", nullptr, &counter_});
  }
  return f;
}

std::uint8_t SleCard::look(std::size_t address) const {
  if (is4428_ && address >= 1022 && !unlocked_) return 0x00;  // PSC hidden until verified
  return memory_[address];
}

void SleCard::resetCounters() {
  if (is4428_)
    memory_[1021] = static_cast<std::uint8_t>(fullAttempts(8));
  else
    counter_ = fullAttempts(3);
}

int SleCard::attempts() const { return attemptsLeft(is4428_ ? memory_[1021] : counter_); }

short SleCard::checkPass(const std::uint8_t* code) {
  if (code == nullptr) return err::kParam;
  int current = is4428_ ? memory_[1021] : counter_;
  if (attemptsLeft(current) == 0) return err::kBlocked;
  current = useAttempt(current);  // the attempt is spent before the comparison
  const std::uint8_t* stored = is4428_ ? &memory_[1022] : psc_.data();
  bool match = std::memcmp(code, stored, codeLength()) == 0;
  if (match) current = fullAttempts(is4428_ ? 8 : 3);
  if (is4428_)
    memory_[1021] = static_cast<std::uint8_t>(current);
  else
    counter_ = current;
  unlocked_ = match;
  return match ? err::kOk : err::kPassword;
}

short SleCard::changePass(const std::uint8_t* code) {
  if (code == nullptr) return err::kParam;
  if (!unlocked_) return err::kDenied;
  if (is4428_)
    std::memcpy(&memory_[1022], code, 2);
  else
    std::memcpy(psc_.data(), code, 3);
  return err::kOk;
}

short SleCard::write(int address, int length, const std::uint8_t* data) {
  if (!inRange(address, length, memory_.size())) return err::kAddress;
  if (!unlocked_) return err::kDenied;
  for (int i = 0; i < length; ++i) {
    auto a = static_cast<std::size_t>(address + i);
    // A protected byte refuses the write, unless it would not change. The
    // SLE4428's error counter and PSC are guarded by the PSC alone: with it
    // verified a write takes them as sent (the PSC read as 00 before it was
    // verified becomes 00 00).
    if (!systemByte(a) && a < protection_.size() && protection_[a] == 0 && data[i] != memory_[a]) return err::kDenied;
  }
  std::copy_n(data, length, memory_.begin() + address);
  return err::kOk;
}

short SleCard::readProtection(int address, int length, std::uint8_t* out) const {
  if (!inRange(address, length, protection_.size())) return err::kAddress;
  for (int i = 0; i < length; ++i) out[i] = protection_[static_cast<std::size_t>(address + i)] ? 1 : 0;
  return err::kOk;
}

short SleCard::protect(int address, int length, const std::uint8_t* data) {
  if (!inRange(address, length, protectable())) return err::kAddress;
  if (!unlocked_) return err::kDenied;
  for (int i = 0; i < length; ++i)
    if (memory_[static_cast<std::size_t>(address + i)] != data[i]) return err::kCompare;
  for (int i = 0; i < length; ++i) protection_[static_cast<std::size_t>(address + i)] = 0;
  return err::kOk;
}

short SleCard::writeProtected(int address, int length, const std::uint8_t* data) {
  if (!inRange(address, length, protectable())) return err::kAddress;
  if (short r = write(address, length, data); r != err::kOk) return r;
  return protect(address, length, data);
}

void SleCard::setRawMemory(std::size_t address, const Bytes& bytes) { copyInto(memory_, address, bytes); }

// ---------------------------------------------------------------- SLE4404

Sle4404Card::Sle4404Card() : Card("sle4404"), memory_(52, 0xFF) {
  memory_[0] = 0xB7;
  memory_[1] = 0xA0;
}

short Sle4404Card::write(int address, int length, const std::uint8_t* data) {
  if (!inRange(address, length, memory_.size())) return err::kAddress;
  // The manufacturer bytes are fixed: a write may only repeat them.
  for (int i = 0; i < length; ++i)
    if (address + i < 2 && data[i] != memory_[static_cast<std::size_t>(address + i)]) return err::kDenied;
  for (int i = 0; i < length; ++i) memory_[static_cast<std::size_t>(address + i)] = data[i];
  return err::kOk;
}

void Sle4404Card::setRawMemory(std::size_t address, const Bytes& bytes) { copyInto(memory_, address, bytes); }

// ---------------------------------------------------------------- AT45D041, SSF1101

PagedCard::PagedCard(std::string name, pelox::DriverType driverType, std::size_t pages, std::size_t pageSize)
    : Card(std::move(name)),
      driverType_(driverType),
      pages_(pages),
      pageSize_(pageSize),
      memory_(pages * pageSize, 0xFF) {}

bool PagedCard::pageRange(int page, int address, int length) const {
  return page >= 0 && static_cast<std::size_t>(page) < pages_ && inRange(address, length, pageSize_);
}

short PagedCard::readPage(int page, int address, int length, std::uint8_t* out) const {
  if (!pageRange(page, address, length)) return err::kAddress;
  std::memcpy(out, &memory_[static_cast<std::size_t>(page) * pageSize_ + static_cast<std::size_t>(address)], static_cast<std::size_t>(length));
  return err::kOk;
}

short PagedCard::writePage(int page, int address, int length, const std::uint8_t* data) {
  if (!pageRange(page, address, length)) return err::kAddress;
  // The chip programs the page through its buffer: the bytes not sent keep
  // their values.
  std::memcpy(&memory_[static_cast<std::size_t>(page) * pageSize_ + static_cast<std::size_t>(address)], data, static_cast<std::size_t>(length));
  return err::kOk;
}

short PagedCard::write(int address, int length, const std::uint8_t* data) {
  if (!inRange(address, length, memory_.size())) return err::kAddress;
  std::copy_n(data, length, memory_.begin() + address);
  return err::kOk;
}

void PagedCard::setRawMemory(std::size_t address, const Bytes& bytes) { copyInto(memory_, address, bytes); }

}  // namespace sim
