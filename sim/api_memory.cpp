// Memory reads and writes. A card answers a write only in its own protocol;
// a read in another protocol returns the card's bytes (FF beyond its end).
#include <cstring>

#include "sim/api_support.h"
#include "sim/cards_crypto.h"
#include "sim/cards_memory.h"
#include "sim/hex.h"

namespace sim::api {

namespace {

// A read in a foreign protocol: the bytes as the card shows them.
short foreignRead(const Card& card, long address, int length, unsigned char* out) {
  if (address < 0) return err::kAddress;
  for (int i = 0; i < length; ++i) {
    auto a = static_cast<std::size_t>(address + i);
    out[i] = a < card.size() ? card.look(a) : 0xFF;
  }
  return err::kOk;
}

bool badBuffer(short length, const void* buffer) { return length < 0 || (length > 0 && buffer == nullptr); }

template <class T>
T* own(Reader& r, Card& card) {
  return card.speaks(r.driverType()) ? dynamic_cast<T*>(&card) : nullptr;
}

// The reader's identification under driver type 253: two bytes, the second
// "M" when the reader takes new firmware.
short identification(Reader& r, short address, short length, unsigned char* out) {
  const unsigned char id[2] = {'P', static_cast<unsigned char>(r.config().firmwareDownload ? 'M' : 'S')};
  if (address < 0 || address + length > 2) return err::kAddress;
  std::memcpy(out, id + address, static_cast<std::size_t>(length));
  return err::kOk;
}

short writeI2c(Reader& r, Card& card, short address, short length, const unsigned char* data, bool twoBytes) {
  if (badBuffer(length, data)) return err::kParam;
  auto* i2c = own<I2cCard>(r, card);
  if (i2c == nullptr || i2c->twoAddressBytes() != twoBytes) return err::kProtocol;
  return i2c->write(address, length, data);
}

}  // namespace

short PELOX_API IC_Read(int handle, short address, short length, unsigned char* out) {
  return readCall("IC_Read", handle, [&](Reader& r, Card& card) -> short {
    if (badBuffer(length, out)) return err::kParam;
    if (r.driverType() == pelox::DriverType::ReaderIdentification) return identification(r, address, length, out);
    if (card.speaks(r.driverType())) return card.read(address, length, out);
    return foreignRead(card, address, length, out);
  });
}

short PELOX_API IC_Write(int handle, short address, short length, const unsigned char* data) {
  return writeCall("IC_Write", handle, [&](Reader& r, Card& card) -> short {
    if (badBuffer(length, data)) return err::kParam;
    if (!card.speaks(r.driverType())) return err::kProtocol;
    return card.write(address, length, data);
  });
}

short PELOX_API IC_Write24(int handle, short address, short length, const unsigned char* data) {
  return writeCall("IC_Write24", handle, [&](Reader& r, Card& card) { return writeI2c(r, card, address, length, data, false); });
}

short PELOX_API IC_Write64(int handle, short address, short length, const unsigned char* data) {
  return writeCall("IC_Write64", handle, [&](Reader& r, Card& card) { return writeI2c(r, card, address, length, data, true); });
}

namespace {
short pagedRead(Reader& r, Card& card, std::size_t pageSize, short page, short address, short length, unsigned char* out) {
  if (badBuffer(length, out)) return err::kParam;
  auto* paged = own<PagedCard>(r, card);
  if (paged && paged->pageSize() == pageSize) return paged->readPage(page, address, length, out);
  if (page < 0) return err::kAddress;
  return foreignRead(card, static_cast<long>(page) * static_cast<long>(pageSize) + address, length, out);
}

short pagedWrite(Reader& r, Card& card, std::size_t pageSize, short page, short address, short length, const unsigned char* data) {
  if (badBuffer(length, data)) return err::kParam;
  auto* paged = own<PagedCard>(r, card);
  if (!paged || paged->pageSize() != pageSize) return err::kProtocol;
  return paged->writePage(page, address, length, data);
}
}  // namespace

short PELOX_API IC_DirectRead(int handle, short page, short address, short length, unsigned char* out) {
  return readCall("IC_DirectRead", handle, [&](Reader& r, Card& card) { return pagedRead(r, card, 264, page, address, length, out); });
}

short PELOX_API IC_DirectWrite(int handle, short page, short address, short length, const unsigned char* data) {
  return writeCall("IC_DirectWrite", handle, [&](Reader& r, Card& card) { return pagedWrite(r, card, 264, page, address, length, data); });
}

short PELOX_API IC_Read_1101(int handle, short page, short address, short length, unsigned char* out) {
  return readCall("IC_Read_1101", handle, [&](Reader& r, Card& card) { return pagedRead(r, card, 1024, page, address, length, out); });
}

short PELOX_API IC_Write_1101(int handle, short page, short address, short length, const unsigned char* data) {
  return writeCall("IC_Write_1101", handle, [&](Reader& r, Card& card) { return pagedWrite(r, card, 1024, page, address, length, data); });
}

short PELOX_API IC_ReadWithProtection(int handle, short address, short length, unsigned char* out) {
  return readCall("IC_ReadWithProtection", handle, [&](Reader& r, Card& card) -> short {
    if (badBuffer(length, out)) return err::kParam;
    // The data bytes, then one flag per byte (0 = protected).
    auto* sle = own<SleCard>(r, card);
    if (sle == nullptr) {
      short e = foreignRead(card, address, length, out);
      if (e == err::kOk) std::memset(out + length, 1, static_cast<std::size_t>(length));
      return e;
    }
    if (short e = sle->read(address, length, out); e != err::kOk) return e;
    return sle->readProtection(address, length, out + length);
  });
}

short PELOX_API IC_WriteWithProtection(int handle, short address, short length, const unsigned char* data) {
  return writeCall("IC_WriteWithProtection", handle, [&](Reader& r, Card& card) -> short {
    if (badBuffer(length, data)) return err::kParam;
    auto* sle = own<SleCard>(r, card);
    return sle ? sle->writeProtected(address, length, data) : err::kProtocol;
  });
}

short PELOX_API IC_ReadProtection(int handle, short address, short length, unsigned char* out) {
  return readCall("IC_ReadProtection", handle, [&](Reader& r, Card& card) -> short {
    if (badBuffer(length, out)) return err::kParam;
    auto* sle = own<SleCard>(r, card);
    if (sle == nullptr) return err::kProtocol;
    return sle->readProtection(address, length, out);
  });
}

short PELOX_API IC_WriteProtection(int handle, short address, short length, const unsigned char* data) {
  return writeCall("IC_WriteProtection", handle, [&](Reader& r, Card& card) -> short {
    if (badBuffer(length, data)) return err::kParam;
    auto* sle = own<SleCard>(r, card);
    return sle ? sle->protect(address, length, data) : err::kProtocol;
  });
}

short PELOX_API IC_SetUserZone(int handle, short zone) {
  return cardCall("IC_SetUserZone", handle, [&](Reader& r, Card& card) -> short {
    auto* crypto = own<CryptoCard>(r, card);
    return crypto ? crypto->selectZone(zone) : err::kProtocol;
  });
}

short PELOX_API IC_ReadUserZone(int handle, short address, short length, unsigned char* out) {
  return readCall("IC_ReadUserZone", handle, [&](Reader& r, Card& card) -> short {
    if (badBuffer(length, out)) return err::kParam;
    auto* crypto = own<CryptoCard>(r, card);
    if (crypto) return crypto->readZone(address, length, out);
    if (address < 0) return err::kAddress;
    std::memset(out, 0xFF, static_cast<std::size_t>(length));  // nothing answers in this protocol
    return err::kOk;
  });
}

short PELOX_API IC_WriteUserZone(int handle, short address, short length, const unsigned char* data) {
  return writeCall("IC_WriteUserZone", handle, [&](Reader& r, Card& card) -> short {
    if (badBuffer(length, data)) return err::kParam;
    auto* crypto = own<CryptoCard>(r, card);
    return crypto ? crypto->writeZone(address, length, data) : err::kProtocol;
  });
}

namespace {
short configRead(Reader& r, Card& card, short address, short length, unsigned char* out) {
  if (badBuffer(length, out)) return err::kParam;
  if (auto* crypto = own<CryptoCard>(r, card)) return crypto->readConfig(address, length, out);
  if (address < 0) return err::kAddress;
  auto* other = dynamic_cast<CryptoCard*>(&card);  // the other CryptoMemory command set
  for (int i = 0; i < length; ++i) {
    auto a = static_cast<std::size_t>(address + i);
    out[i] = other && a < other->configSize() ? other->lookConfig(a) : 0xFF;
  }
  return err::kOk;
}
}  // namespace

short PELOX_API IC_ReadConfigZone(int handle, short address, short length, unsigned char* out) {
  return readCall("IC_ReadConfigZone", handle, [&](Reader& r, Card& card) { return configRead(r, card, address, length, out); });
}

short PELOX_API IC_WriteConfigZone(int handle, short address, short length, const unsigned char* data) {
  return writeCall("IC_WriteConfigZone", handle, [&](Reader& r, Card& card) -> short {
    if (badBuffer(length, data)) return err::kParam;
    auto* crypto = own<CryptoCard>(r, card);
    return crypto ? crypto->writeConfig(address, length, data) : err::kProtocol;
  });
}

short PELOX_API IC_ReadConfigZone_Hex(int handle, short address, short length, char* hexOut) {
  return readCall("IC_ReadConfigZone_Hex", handle, [&](Reader& r, Card& card) -> short {
    if (length < 0 || hexOut == nullptr) return err::kParam;
    Bytes bytes(static_cast<std::size_t>(length));
    if (short e = configRead(r, card, address, length, bytes.data()); e != err::kOk) return e;
    std::string text = toHex(bytes);
    std::memcpy(hexOut, text.c_str(), text.size() + 1);
    return err::kOk;
  });
}

}  // namespace sim::api
