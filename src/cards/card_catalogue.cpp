#include "cards/card_catalogue.h"

#include <cstring>
#include <initializer_list>

#include "cards/protection_flags.h"

namespace {

using colour::blue;
using colour::cyan;
using colour::green;
using colour::magenta;
using colour::maroon;
using colour::red;
using colour::white;
using colour::yellow;

CardDescriptor makeMap(CardType code, std::initializer_list<ZoneEntry> zones) {
  CardDescriptor d;
  d.code = code;
  for (const ZoneEntry& z : zones) d.zones[static_cast<std::size_t>(d.zoneCount++)] = z;
  return d;
}

CardDescriptor dataMap(CardType code, int last) { return makeMap(code, {{"数据区域", white, 0, last}}); }

CardDescriptor map1604() {
  return makeMap(CardType::At88sc1604, {
                                           {"厂商标识", maroon, 0, 1},       {"发行标识", green, 2, 9},
                                           {"用户密码", yellow, 10, 11},     {"错误计数", red, 12, 12},
                                           {"用户备注", magenta, 13, 20},    {"一区密码", yellow, 21, 22},
                                           {"错误计数", red, 23, 23},        {"擦除密码", blue, 24, 25},
                                           {"错误计数", red, 26, 26},        {"应用区一", cyan, 27, 1221},
                                           {"二区密码", yellow, 1222, 1223}, {"擦除密码", blue, 1224, 1225},
                                           {"擦除计数", red, 1226, 1226},    {"应用区二", cyan, 1227, 1482},
                                           {"三区密码", yellow, 1483, 1484}, {"擦除密码", blue, 1485, 1486},
                                           {"擦除计数", red, 1487, 1487},    {"应用区三", cyan, 1488, 1743},
                                           {"四区密码", yellow, 1744, 1745}, {"擦除密码", blue, 1746, 1747},
                                           {"擦除计数", red, 1748, 1748},    {"应用区四", cyan, 1749, 2004},
                                           {"测试区", yellow, 2005, 2006},
                                       });
}

CardDescriptor map1604B() {
  return makeMap(
      CardType::At88sc1604b,
      {
          {"厂商标识", maroon, 0, 1},       {"发行标识", green, 2, 9},      {"用户密码", yellow, 10, 11},
          {"错误计数", red, 12, 12},        {"用户备注", magenta, 13, 20},  {"一区密码", yellow, 21, 22},
          {"错误计数", red, 23, 23},        {"擦除密码", blue, 24, 25},     {"错误计数", red, 26, 26},
          {"应用区一", cyan, 27, 538},      {"二区密码", yellow, 539, 540}, {"错误计数", red, 541, 541},
          {"擦除密码", blue, 542, 543},     {"擦除计数", red, 544, 544},    {"应用区二", cyan, 545, 1056},
          {"三区密码", yellow, 1057, 1058}, {"错误计数", red, 1059, 1059},  {"擦除密码", blue, 1060, 1061},
          {"擦除计数", red, 1062, 1062},    {"应用区三", cyan, 1063, 1574}, {"四区密码", yellow, 1575, 1576},
          {"错误计数", red, 1577, 1577},    {"擦除密码", blue, 1578, 1579}, {"擦除计数", red, 1580, 1580},
          {"应用区四", cyan, 1581, 2037},   {"测试区", yellow, 2038, 2039},
      });
}

CardDescriptor map102() {
  return makeMap(CardType::At88sc102, {
                                          {"厂商标识", maroon, 0, 1},
                                          {"发行标识", green, 2, 9},
                                          {"用户密码", yellow, 10, 11},
                                          {"错误计数", red, 12, 13},
                                          {"用户备注", magenta, 14, 21},
                                          {"读写属性", red, 22, 22},
                                          {"应用区一", cyan, 23, 85},
                                          {"擦除密码", yellow, 86, 91},
                                          {"读写属性", red, 92, 92},
                                          {"应用区二", cyan, 93, 155},
                                          {"擦除密码", yellow, 156, 159},
                                          {"擦除计数", white, 160, 175},
                                          {"测试区", green, 176, 177},
                                      });
}

CardDescriptor map153() {
  return makeMap(CardType::At88sc153, {
                                          {"用户区一", white, 0, 63},
                                          {"用户区二", white, 64, 127},
                                          {"用户区三", white, 128, 191},
                                          {"标识代码", maroon, 192, 203},
                                          {"存取控制", green, 204, 207},
                                          {"密码验证", yellow, 208, 231},
                                          {"加密种子", magenta, 232, 239},
                                          {"密码区域", red, 240, 255},
                                      });
}

CardDescriptor map1608Config() {
  return makeMap(CardType::At88sc1608, {
                                           {"标识代码", maroon, 0, 15},
                                           {"存取控制", green, 16, 31},
                                           {"密码验证", yellow, 32, 47},
                                           {"加密种子", magenta, 48, 55},
                                           {"测试区域", white, 56, 63},
                                           {"密码区域", red, 64, 127},
                                       });
}

// Caption, byte count (-1: keep the current count) and driver type of a code.
struct CardTypeInfo {
  CardType code;
  const char* caption;
  pelox::DriverType driverType;
  int byteCount;
};

constexpr CardTypeInfo kCardTypes[] = {
    {CardType::Sle4406, "4406", pelox::DriverType::Sle4406, 1024},
    {CardType::Sle4418, "4418", pelox::DriverType::Sle4428, 1024},
    {CardType::Sle4428, "4428", pelox::DriverType::Sle4428, 1024},
    {CardType::Gpm103, "GEMPLUS103", pelox::DriverType::Gpm103, 256},
    {CardType::Sle4404, "4404", pelox::DriverType::Sle4404, 52},
    {CardType::Cpu, "CPU", pelox::DriverType::Cpu, -1},
    {CardType::Sam, "SAM CARD", pelox::DriverType::Sam, -1},
    {CardType::Sle4432, "4432", pelox::DriverType::Sle4442, 256},
    {CardType::Sle4442, "4442", pelox::DriverType::Sle4442, 256},
    {CardType::At88sc101, "101", pelox::DriverType::At88sc102, 128},
    {CardType::At88sc102, "102", pelox::DriverType::At88sc102, 178},
    {CardType::At88sc103, "103", pelox::DriverType::At88sc102, 250},
    {CardType::At24c01a, "24C01A", pelox::DriverType::I2c, 128},
    {CardType::At24c02, "24C02", pelox::DriverType::I2c, 256},
    {CardType::At24c04, "24C04", pelox::DriverType::I2c, 512},
    {CardType::At24c08, "24C08", pelox::DriverType::I2c, 1024},
    {CardType::At24c16, "24C16", pelox::DriverType::I2c, 2048},
    {CardType::At88sc1604, "1604A", pelox::DriverType::At88sc1604, 2007},
    {CardType::At45d041, "45D041", pelox::DriverType::At45d041, 264},
    {CardType::At88sc1604b, "1604B", pelox::DriverType::At88sc1604, 2040},
    {CardType::Ssf1101, "SSF1101", pelox::DriverType::Ssf1101, 1024},
    {CardType::At24c64, "24C64", pelox::DriverType::I2cTwoByteAddress, 8192},
    {CardType::At88sc1608, "1608", pelox::DriverType::At88sc1608, 256},
    {CardType::At88sc153, "153", pelox::DriverType::At88sc153, 256},
};

const CardTypeInfo* infoOf(CardType code) {
  for (const CardTypeInfo& t : kCardTypes) {
    if (t.code == code) return &t;
  }
  return nullptr;
}

}  // namespace

CardCatalogue::CardCatalogue() {
  slots_[0] = CardDescriptor{};
  slots_[1] = map1604();
  slots_[2] = map102();
  slots_[3] = dataMap(CardType::At24c01a, 128);
  slots_[4] = dataMap(CardType::At24c02, 256);
  slots_[5] = dataMap(CardType::At24c04, 512);
  slots_[6] = dataMap(CardType::At24c08, 1024);
  slots_[7] = dataMap(CardType::At24c64, 8192);
  slots_[8] = makeMap(CardType::Sle4428, {{"保护数据", red, 0, 1023}});
  slots_[9] = makeMap(CardType::Sle4442, {{"保护数据", yellow, 0, 31}, {"数据区域", white, 32, 255}});
  slots_[10] = dataMap(CardType::At24c16, 2048);
  slots_[11] = dataMap(CardType::Sle4404, 52);
  slots_[12] = dataMap(CardType::At45d041, 264);
  slots_[13] = map1604B();
  slots_[14] = dataMap(CardType::At88sc1608, 256);
  slots_[15] = map153();
  slots_[16] = dataMap(CardType::Ssf1101, 1024);
}

const CardDescriptor& CardCatalogue::findDescriptor(CardType code) const {
  for (const CardDescriptor& d : slots_) {
    if (d.code == code) return d;
  }
  return slots_[0];
}

const ZoneEntry* CardCatalogue::zoneOf(const CardDescriptor& d, int address) {
  for (int i = 0; i < d.zoneCount && i < static_cast<int>(d.zones.size()); ++i) {
    const ZoneEntry& z = d.zones[static_cast<std::size_t>(i)];
    if (z.first <= address && address <= z.last) return &z;
  }
  return nullptr;
}

void CardCatalogue::build1608Map(int zoneIndex) {
  const bool config = zoneIndex == kAt88sc1608ConfigZone;
  if (config == slot14HoldsConfig_) return;
  slots_[14] = config ? map1608Config() : dataMap(CardType::At88sc1608, 256);
  slot14HoldsConfig_ = config;
}

pelox::DriverType driverTypeFor(CardType code) {
  const CardTypeInfo* t = infoOf(code);
  // Codes without an entry are passed on as they are.
  return t != nullptr ? t->driverType : static_cast<pelox::DriverType>(codeOf(code));
}

std::string captionFor(CardType code, CpuProtocol cpuProtocol) {
  if (code == CardType::Cpu) {
    if (cpuProtocol == CpuProtocol::T0) return "CPU T=0";
    if (cpuProtocol == CpuProtocol::T1) return "CPU T=1";
    return "CPU    ";
  }
  const CardTypeInfo* t = infoOf(code);
  return t != nullptr ? t->caption : "未知卡型";
}

int byteCountFor(CardType code, int zoneIndex, int current) {
  if (code == CardType::At88sc1608) return zoneIndex < kAt88sc1608ConfigZone ? 256 : 128;
  const CardTypeInfo* t = infoOf(code);
  return t != nullptr && t->byteCount >= 0 ? t->byteCount : current;
}

namespace {
// Zones holding codes, keys, seeds and counters.
constexpr std::array<const char*, 11> kCodeZones = {
    "用户密码", "一区密码", "二区密码", "三区密码", "四区密码", "错误计数",
    "擦除密码", "擦除计数", "密码验证", "加密种子", "密码区域",
};
}  // namespace

bool holdsCodeOrCounter(CardCatalogue& catalogue, CardType cardType, int zoneIndex, int address) {
  if (cardType == CardType::Sle4428 && address >= 1021) return true;  // SLE4428 error counter and PSC
  catalogue.build1608Map(zoneIndex);
  const ZoneEntry* zone = CardCatalogue::zoneOf(catalogue.findDescriptor(cardType), address);
  if (zone == nullptr) return false;
  for (const char* name : kCodeZones) {
    if (std::strcmp(zone->name, name) == 0) return true;
  }
  return false;
}
