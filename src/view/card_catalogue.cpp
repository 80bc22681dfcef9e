#include "view/card_catalogue.h"

#include <cstring>
#include <initializer_list>

#include "view/app_state.h"

namespace {

using colour::blue;
using colour::cyan;
using colour::green;
using colour::magenta;
using colour::maroon;
using colour::red;
using colour::white;
using colour::yellow;

CardDescriptor makeMap(int code, std::initializer_list<ZoneEntry> zones) {
  CardDescriptor d;
  d.code = code;
  for (const ZoneEntry& z : zones) d.zones[static_cast<std::size_t>(d.zoneCount++)] = z;
  return d;
}

CardDescriptor dataMap(int code, int last) { return makeMap(code, {{"数据区域", white, 0, last}}); }

CardDescriptor map1604() {
  return makeMap(160, {
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
  return makeMap(162, {
                          {"厂商标识", maroon, 0, 1},       {"发行标识", green, 2, 9},
                          {"用户密码", yellow, 10, 11},     {"错误计数", red, 12, 12},
                          {"用户备注", magenta, 13, 20},    {"一区密码", yellow, 21, 22},
                          {"错误计数", red, 23, 23},        {"擦除密码", blue, 24, 25},
                          {"错误计数", red, 26, 26},        {"应用区一", cyan, 27, 538},
                          {"二区密码", yellow, 539, 540},   {"错误计数", red, 541, 541},
                          {"擦除密码", blue, 542, 543},     {"擦除计数", red, 544, 544},
                          {"应用区二", cyan, 545, 1056},    {"三区密码", yellow, 1057, 1058},
                          {"错误计数", red, 1059, 1059},    {"擦除密码", blue, 1060, 1061},
                          {"擦除计数", red, 1062, 1062},    {"应用区三", cyan, 1063, 1574},
                          {"四区密码", yellow, 1575, 1576}, {"错误计数", red, 1577, 1577},
                          {"擦除密码", blue, 1578, 1579},   {"擦除计数", red, 1580, 1580},
                          {"应用区四", cyan, 1581, 2037},   {"测试区", yellow, 2038, 2039},
                      });
}

CardDescriptor map102() {
  return makeMap(33, {
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
  return makeMap(209, {
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
  return makeMap(208, {
                          {"标识代码", maroon, 0, 15},
                          {"存取控制", green, 16, 31},
                          {"密码验证", yellow, 32, 47},
                          {"加密种子", magenta, 48, 55},
                          {"测试区域", white, 56, 63},
                          {"密码区域", red, 64, 127},
                      });
}

// Caption, byte count (-1: keep the current count) and driver type of a code.
struct CardType {
  int code;
  const char* caption;
  int driverType;
  int byteCount;
};

constexpr CardType kCardTypes[] = {
    {2, "4406", 2, 1024},       {4, "4418", 4, 1024},      {5, "4428", 4, 1024},     {6, "GEMPLUS103", 6, 256},
    {8, "4404", 8, 52},         {12, "CPU", 12, -1},       {13, "SAM CARD", 13, -1}, {16, "4432", 16, 256},
    {17, "4442", 16, 256},      {32, "101", 32, 128},      {33, "102", 32, 178},     {34, "103", 32, 250},
    {64, "24C01A", 64, 128},    {65, "24C02", 64, 256},    {66, "24C04", 64, 512},   {67, "24C08", 64, 1024},
    {68, "24C16", 64, 2048},    {160, "1604A", 160, 2007}, {161, "45D041", 65, 264}, {162, "1604B", 160, 2040},
    {163, "SSF1101", 66, 1024}, {192, "24C64", 192, 8192}, {208, "1608", 208, 256},  {209, "153", 209, 256},
};

const CardType* cardType(int code) {
  for (const CardType& t : kCardTypes) {
    if (t.code == code) return &t;
  }
  return nullptr;
}

}  // namespace

CardCatalogue::CardCatalogue() {
  slots_[0] = CardDescriptor{};
  slots_[1] = map1604();
  slots_[2] = map102();
  slots_[3] = dataMap(64, 128);
  slots_[4] = dataMap(65, 256);
  slots_[5] = dataMap(66, 512);
  slots_[6] = dataMap(67, 1024);
  slots_[7] = dataMap(192, 8192);
  slots_[8] = makeMap(5, {{"保护数据", red, 0, 1023}});
  slots_[9] = makeMap(17, {{"保护数据", yellow, 0, 31}, {"数据区域", white, 32, 255}});
  slots_[10] = dataMap(68, 2048);
  slots_[11] = dataMap(8, 52);
  slots_[12] = dataMap(161, 264);
  slots_[13] = map1604B();
  slots_[14] = dataMap(208, 256);
  slots_[15] = map153();
  slots_[16] = dataMap(163, 1024);
}

const CardDescriptor& CardCatalogue::findDescriptor(int code) const {
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
  const bool config = zoneIndex == 8;
  if (config == slot14HoldsConfig_) return;
  slots_[14] = config ? map1608Config() : dataMap(208, 256);
  slot14HoldsConfig_ = config;
}

int driverTypeFor(int code) {
  const CardType* t = cardType(code);
  return t != nullptr ? t->driverType : code;
}

std::string captionFor(int code, int cpuProtocol) {
  if (code == 12) {
    if (cpuProtocol == 0) return "CPU T=0";
    if (cpuProtocol == 1) return "CPU T=1";
    return "CPU    ";
  }
  const CardType* t = cardType(code);
  return t != nullptr ? t->caption : "未知卡型";
}

int byteCountFor(int code, int zoneIndex, int current) {
  if (code == 208) return zoneIndex < 8 ? 256 : 128;
  const CardType* t = cardType(code);
  return t != nullptr && t->byteCount >= 0 ? t->byteCount : current;
}

namespace {
// Zones holding codes, keys, seeds and counters.
constexpr std::array<const char*, 11> kCodeZones = {
    "用户密码", "一区密码", "二区密码", "三区密码", "四区密码", "错误计数",
    "擦除密码", "擦除计数", "密码验证", "加密种子", "密码区域",
};
}  // namespace

bool holdsCodeOrCounter(CardCatalogue& catalogue, int cardType, int zoneIndex, int address) {
  if (cardType == 5 && address >= 1021) return true;  // SLE4428 error counter and PSC
  catalogue.build1608Map(zoneIndex);
  const ZoneEntry* zone = CardCatalogue::zoneOf(catalogue.findDescriptor(cardType), address);
  if (zone == nullptr) return false;
  for (const char* name : kCodeZones) {
    if (std::strcmp(zone->name, name) == 0) return true;
  }
  return false;
}
