#include "sim/card.h"

#include "sim/cards_atmel.h"
#include "sim/cards_cpu.h"
#include "sim/cards_crypto.h"
#include "sim/cards_memory.h"

namespace sim {

const std::vector<std::string>& cardTypeNames() {
  static const std::vector<std::string> names = {
      "cpu-t0",  "cpu-t1",    "cpu-t01",    "24c01a",      "24c02",      "24c04",     "24c08",    "24c16",   "24c64",   "sle4442",
      "sle4428", "sle4404",   "at88sc102",  "at88sc1604",  "at88sc1604b", "at88sc1608", "at88sc153", "at45d041", "ssf1101"};
  return names;
}

std::unique_ptr<Card> makeCard(std::string_view t) {
  if (t == "cpu-t0") return std::make_unique<CpuCard>(CpuCard::Offer::T0);
  if (t == "cpu-t1") return std::make_unique<CpuCard>(CpuCard::Offer::T1);
  if (t == "cpu-t01") return std::make_unique<CpuCard>(CpuCard::Offer::Both);
  if (t == "24c01a") return std::make_unique<I2cCard>("24c01a", 128, 8);
  if (t == "24c02") return std::make_unique<I2cCard>("24c02", 256, 8);
  if (t == "24c04") return std::make_unique<I2cCard>("24c04", 512, 16);
  if (t == "24c08") return std::make_unique<I2cCard>("24c08", 1024, 16);
  if (t == "24c16") return std::make_unique<I2cCard>("24c16", 2048, 16);
  if (t == "24c64") return std::make_unique<I2cCard>("24c64", 8192, 32);
  if (t == "sle4442") return std::make_unique<SleCard>(false);
  if (t == "sle4428") return std::make_unique<SleCard>(true);
  if (t == "sle4404") return std::make_unique<Sle4404Card>();
  if (t == "at88sc102") return std::make_unique<At102Card>();
  if (t == "at88sc1604") return std::make_unique<At1604Card>(false);
  if (t == "at88sc1604b") return std::make_unique<At1604Card>(true);
  if (t == "at88sc1608") return std::make_unique<CryptoCard>(true);
  if (t == "at88sc153") return std::make_unique<CryptoCard>(false);
  if (t == "at45d041") return std::make_unique<PagedCard>("at45d041", pelox::DriverType::At45d041, 2048, 264);
  if (t == "ssf1101") return std::make_unique<PagedCard>("ssf1101", pelox::DriverType::Ssf1101, 512, 1024);
  return nullptr;
}

}  // namespace sim
