// The simulator's card-state reader with every card type: a damaged text
// leaves the card as it was; an accepted text reads back the same.
#include <map>
#include <string>

#include "fuzz_check.h"
#include "sim/card.h"
#include "sim/state_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const auto& names = sim::cardTypeNames();
  const std::string& type = names[data[0] % names.size()];
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

  // The factory texts once: the AT45D041's and SSF1101's are a megabyte.
  static std::map<std::string, std::string> factory;
  auto card = sim::makeCard(type);
  FUZZ_CHECK(card != nullptr);
  if (factory.count(type) == 0) factory[type] = sim::stateText(*card);
  const std::string& before = factory[type];
  std::string why;
  if (!sim::parseState(*card, text, why)) {
    FUZZ_CHECK(!why.empty());
    FUZZ_CHECK(sim::stateText(*card) == before);
    return 0;
  }
  const std::string accepted = sim::stateText(*card);
  auto again = sim::makeCard(type);
  FUZZ_CHECK(sim::parseState(*again, accepted, why));
  FUZZ_CHECK(sim::stateText(*again) == accepted);
  return 0;
}
