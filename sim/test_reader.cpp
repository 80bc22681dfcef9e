#include <mutex>

#include "sim/reader.h"
#include "sim/sim_api.h"
#include "sim/state_file.h"
#include "sim/test_cards.h"

namespace sim {

namespace {
std::lock_guard<std::mutex> locked() { return std::lock_guard<std::mutex>(Reader::lock()); }
}  // namespace

void TestReader::reset(std::string_view cardType, int port) {
  auto guard = locked();
  Reader::get().resetInMemory(std::string(cardType), port);
}

void TestReader::insert(std::string_view cardType) {
  auto guard = locked();
  Reader::get().insertFactory(std::string(cardType));
}

void TestReader::movePort(int port) {
  auto guard = locked();
  Reader::get().movePort(port);
}

void TestReader::pull() {
  auto guard = locked();
  Reader::get().pull();
}

std::unique_ptr<Card> TestCards::take() {
  auto guard = locked();
  Reader::get().pull();
  return Reader::get().takePulled();
}

std::unique_ptr<Card> TestCards::takePulled() {
  auto guard = locked();
  return Reader::get().takePulled();
}

void TestCards::put(std::unique_ptr<Card> card) {
  auto guard = locked();
  Reader::get().insertCard(std::move(card));
}

void TestCards::withCard(const std::function<void(Card*)>& look) {
  auto guard = locked();
  look(Reader::get().card());
}

std::vector<std::uint8_t> TestReader::memory() {
  auto guard = locked();
  Card* card = Reader::get().card();
  return card ? card->rawMemory() : std::vector<std::uint8_t>{};
}

void TestReader::setMemory(std::size_t address, const std::vector<std::uint8_t>& bytes) {
  auto guard = locked();
  Reader& r = Reader::get();
  if (Card* card = r.card()) {
    card->setRawMemory(address, bytes);
    r.persist();
  }
}

std::vector<std::uint8_t> TestReader::configZone() {
  auto guard = locked();
  Card* card = Reader::get().card();
  return card ? card->rawConfig() : std::vector<std::uint8_t>{};
}

std::string TestReader::stateText() {
  auto guard = locked();
  Card* card = Reader::get().card();
  return card ? sim::stateText(*card) : std::string();
}

void TestReader::setFaults(const Faults& faults) {
  auto guard = locked();
  Reader::get().setFaults(faults);
}

}  // namespace sim
