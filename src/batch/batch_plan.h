// What a personalisation run puts on each card: the image, a serial number
// counted per card, fixed bytes, and the bytes protected afterwards.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cards/card_catalogue.h"

namespace batch {

struct SerialField {
  int address = 0;
  int length = 0;
  unsigned long long start = 0;
  bool bcd = false;  // decimal digits, two to a byte; else a big-endian number
};

struct FixedField {
  int address = 0;
  std::vector<std::uint8_t> bytes;
};

struct BatchPlan {
  CardType type{};
  int zoneIndex = 0;
  std::vector<std::uint8_t> image;
  std::optional<SerialField> serial;
  std::vector<FixedField> fields;
  std::set<int> protect;  // written protected after a verified write
  int count = 0;          // cards to finish; 0: until stopped
  bool stopOnFailure = false;
};

// How the messages name the serial and the fixed fields: the command
// line's options, or the dialog's boxes.
struct FieldLabels {
  const char* serial;
  const char* field;
};

// The messages below are empty when the text or plan is good.

// "ADDR:LEN:START" (ADDR decimal or 0x hex, LEN 1 to 8 bytes).
std::string parseSerial(const std::string& text, bool bcd, SerialField& serial, const FieldLabels& labels);
// "ADDR=HEX".
std::string parseField(const std::string& text, FixedField& field, const FieldLabels& labels);
// Address ranges ("5", "0-15", "0x10-0x1F") up to `last` into `addresses`.
std::string parseRanges(const std::vector<std::string>& ranges, int last, std::set<int>& addresses);
// A card address in decimal or 0x hex.
bool parseAddress(std::string_view text, int& value);
// "0x0040".
std::string hexAddress(int value);

// The bytes of serial number `n`; nothing when it does not fit the field.
std::optional<std::vector<std::uint8_t>> serialBytes(const SerialField& serial, unsigned long long n);
// The serial number the field's bytes hold; nothing for bytes that are no
// decimal digits of a BCD field.
std::optional<unsigned long long> serialValue(const SerialField& serial, const std::vector<std::uint8_t>& card);

// The image with the fixed fields and serial `n` in it.
std::vector<std::uint8_t> cardImage(const BatchPlan& plan, unsigned long long n);

// Fields inside the card, not on one another, and not on code, key or
// counter bytes. Bytes protected on a card are each card's own check.
std::string checkFields(const BatchPlan& plan, CardCatalogue& catalogue, const FieldLabels& labels);

// The card types a batch writes protected (after the verified write).
bool protectsBytes(CardType type);
// The last address such a card protects.
int lastProtectable(CardType type);

}  // namespace batch
