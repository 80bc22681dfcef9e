#include "cards/card_names.h"

#include <cctype>

namespace {

struct Named {
  const char* name;
  CardType type;
};

constexpr Named kNames[] = {
    {"sle4442", CardType::Sle4442},       {"sle4432", CardType::Sle4432},     {"sle4428", CardType::Sle4428},
    {"sle4418", CardType::Sle4418},       {"sle4406", CardType::Sle4406},     {"sle4404", CardType::Sle4404},
    {"gpm103", CardType::Gpm103},         {"at88sc101", CardType::At88sc101}, {"at88sc102", CardType::At88sc102},
    {"at88sc103", CardType::At88sc103},   {"24c01a", CardType::At24c01a},     {"24c02", CardType::At24c02},
    {"24c04", CardType::At24c04},         {"24c08", CardType::At24c08},       {"24c16", CardType::At24c16},
    {"24c64", CardType::At24c64},         {"at88sc1604", CardType::At88sc1604}, {"at88sc1604b", CardType::At88sc1604b},
    {"at45d041", CardType::At45d041},     {"ssf1101", CardType::Ssf1101},     {"at88sc1608", CardType::At88sc1608},
    {"at88sc153", CardType::At88sc153},   {"cpu", CardType::Cpu},
};

}  // namespace

std::optional<CardType> cardTypeNamed(std::string_view name) {
  std::string lower;
  for (char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const Named& n : kNames)
    if (lower == n.name) return n.type;
  return std::nullopt;
}

std::string nameOf(CardType type) {
  for (const Named& n : kNames)
    if (n.type == type) return n.name;
  return {};
}

std::string cardTypeNames() {
  std::string out;
  for (const Named& n : kNames) {
    if (!out.empty()) out += ' ';
    out += n.name;
  }
  return out;
}
