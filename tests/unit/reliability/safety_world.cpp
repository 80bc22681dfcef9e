#include "reliability/safety_world.h"

#include <map>
#include <random>

#include "sim/test_cards.h"
#include "view/app_state.h"

namespace reliability {

namespace {

const std::map<std::string, CardType>& simTypes() {
  static const std::map<std::string, CardType> types = {{"cpu-t0", CardType::Cpu},
                                                        {"cpu-t1", CardType::Cpu},
                                                        {"24c01a", CardType::At24c01a},
                                                        {"24c02", CardType::At24c02},
                                                        {"24c04", CardType::At24c04},
                                                        {"24c08", CardType::At24c08},
                                                        {"24c16", CardType::At24c16},
                                                        {"24c64", CardType::At24c64},
                                                        {"sle4442", CardType::Sle4442},
                                                        {"sle4428", CardType::Sle4428},
                                                        {"sle4404", CardType::Sle4404},
                                                        {"at88sc102", CardType::At88sc102},
                                                        {"at88sc1604", CardType::At88sc1604},
                                                        {"at88sc1604b", CardType::At88sc1604b},
                                                        {"at88sc1608", CardType::At88sc1608},
                                                        {"at88sc153", CardType::At88sc153},
                                                        {"at45d041", CardType::At45d041},
                                                        {"ssf1101", CardType::Ssf1101}};
  return types;
}

CardState stateOf(sim::Card& card) {
  CardState s;
  for (const sim::Field& f : card.fields()) {
    if (f.bytes) s.bytes.emplace_back(f.name, *f.bytes);
    if (f.number) s.numbers.emplace_back(f.name, *f.number);
  }
  return s;
}

sim::Bytes* field(sim::Card& card, const std::string& name) {
  for (const sim::Field& f : card.fields())
    if (f.name == name) return f.bytes;
  return nullptr;
}

// Pages and blocks of the paged cards that the sweep reads and writes.
constexpr int kPages[] = {0, 1, 2, 3, 2047};
constexpr int kBlocks[] = {0, 1, 2, 511};

// Random data in places the program reads as data: the detection's
// signature bytes, codes and counters keep their factory values. Some
// SLE4442/SLE4428 bytes come protected.
void scatter(sim::Card& card, const std::string& type, std::mt19937& rng, CardCatalogue& catalogue) {
  const CardType code = cardTypeOf(type);
  sim::Bytes* data = field(card, type == "at88sc1608" || type == "at88sc153" ? "user_zones" : "memory");
  if (data == nullptr || data->empty()) return;
  for (int n = 0; n < 64; ++n) {
    std::size_t at = 0;
    if (type == "at45d041") {
      at = static_cast<std::size_t>(kPages[rng() % 5]) * 264 + rng() % 264;
    } else if (type == "ssf1101") {
      at = static_cast<std::size_t>(kBlocks[rng() % 4]) * 1024 + rng() % 1024;
    } else {
      at = 8 + rng() % (data->size() - 8);
      if (holdsCodeOrCounter(catalogue, code, 0, static_cast<int>(at))) continue;
      // Issuer and fabrication bytes of the coded cards stay as made.
      if ((code == CardType::At88sc102 || code == CardType::At88sc1604 || code == CardType::At88sc1604b) &&
          at < 13)
        continue;
    }
    (*data)[at] = static_cast<std::uint8_t>(rng());
  }
  if (sim::Bytes* protection = field(card, "protection")) {
    const std::size_t limit = code == CardType::Sle4442 ? 32 : 1021;
    for (int n = 0; n < 2; ++n) (*protection)[8 + rng() % (limit - 8)] = 0;
  }
}

}  // namespace

CardType cardTypeOf(const std::string& simType) {
  auto it = simTypes().find(simType);
  return it == simTypes().end() ? CardType::None : it->second;
}

bool isImageField(const std::string& field) {
  return field == "memory" || field == "user_zones" || field == "config";
}

Place placeOf(const std::string& simType, const std::string& field, std::size_t index) {
  const int i = static_cast<int>(index);
  if (simType == "at45d041") return {i / 264, i % 264};
  if (simType == "ssf1101") return {i / 1024, i % 1024};
  if (simType == "at88sc1608")
    return field == "config" ? Place{kAt88sc1608ConfigZone, i} : Place{i / 256, i % 256};
  if (simType == "at88sc153" && field == "config") return {0, 192 + i};
  return {0, i};
}

World::World(std::vector<std::string> types, std::uint32_t seed) : types_(std::move(types)) {
  // A card an earlier test pulled or left in the reader is not ours.
  sim::TestCards::takePulled();
  sim::TestCards::take();
  std::mt19937 rng(seed);
  for (const std::string& t : types_) {
    std::unique_ptr<sim::Card> card = sim::makeCard(t);
    if (card) scatter(*card, t, rng, catalogue_);
    table_.push_back(std::move(card));
  }
  swapTo(0);
}

void World::swapTo(int card) {
  if (inReader_ >= 0) table_[static_cast<std::size_t>(inReader_)] = sim::TestCards::take();
  inReader_ = -1;
  if (card < 0) return;
  sim::TestCards::put(std::move(table_[static_cast<std::size_t>(card)]));
  inReader_ = card;
}

void World::collectPulled() {
  std::unique_ptr<sim::Card> pulled = sim::TestCards::takePulled();
  if (!pulled || inReader_ < 0) return;
  table_[static_cast<std::size_t>(inReader_)] = std::move(pulled);
  inReader_ = -1;
}

CardState World::state(int card) const {
  CardState s;
  if (card == inReader_) {
    sim::TestCards::withCard([&](sim::Card* c) {
      if (c) s = stateOf(*c);
    });
  } else if (const auto& held = table_[static_cast<std::size_t>(card)]) {
    s = stateOf(*held);
  }
  return s;
}

int World::visibleByte(int card, const CardState& s, int region, int address) {
  const std::string& t = type(card);
  if (holdsCodeOrCounter(catalogue_, cardTypeOf(t), region, address)) return -1;
  std::string name = "memory";
  long index = address;
  if (t == "at45d041") index = region * 264L + (address < 264 ? address : 1L << 30);
  if (t == "ssf1101") index = region * 1024L + (address < 1024 ? address : 1L << 30);
  if (t == "at88sc1608") {
    name = region == kAt88sc1608ConfigZone ? "config" : "user_zones";
    if (name == "user_zones") index = region * 256L + (address < 256 ? address : 1L << 30);
  }
  if (t == "at88sc153") {
    name = address < 192 ? "user_zones" : "config";
    if (address >= 192) index = address - 192;
  }
  for (const auto& [fieldName, bytes] : s.bytes) {
    if (fieldName != name) continue;
    return index >= 0 && index < static_cast<long>(bytes.size()) ? bytes[static_cast<std::size_t>(index)]
                                                                 : -1;
  }
  return -1;
}

}  // namespace reliability
