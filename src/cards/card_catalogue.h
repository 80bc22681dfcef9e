// The card catalogue: every card type the program knows, its driver type,
// its size and its memory map of named, coloured zones.
#pragma once

#include <array>
#include <string>

#include "platform/ports.h"
#include "cards/card_types.h"
#include "cards/palette.h"

struct ZoneEntry {
  const char* name = "";  // the zone's name as shown (UTF-8)
  port::Colour colour = 0;
  int first = 0;  // inclusive
  int last = 0;   // inclusive
};

struct CardDescriptor {
  CardType code{};  // 0 in the empty slot
  int zoneCount = 0;
  std::array<ZoneEntry, 26> zones{};
};

class CardCatalogue {
 public:
  static constexpr int kSlotCount = 17;
  // Fills slot 0 (empty) and slots 1..16 with the memory maps.
  CardCatalogue();

  // The slot whose code equals `code`, scanning in order; slot 0 if none.
  const CardDescriptor& findDescriptor(CardType code) const;
  // First zone, in the descriptor's order, with first <= address <= last.
  static const ZoneEntry* zoneOf(const CardDescriptor& d, int address);
  // Rewrites slot 14 for the AT88SC1608: the configuration zone map for
  // zone index 8, the single user-zone map otherwise. Cheap when the slot
  // already holds that map (the painter asks once per byte drawn).
  void build1608Map(int zoneIndex);

  const CardDescriptor& slot(int i) const { return slots_[static_cast<std::size_t>(i)]; }
  int slotCount() const { return kSlotCount; }

 private:
  std::array<CardDescriptor, kSlotCount> slots_{};
  bool slot14HoldsConfig_ = false;
};

// The AT88SC1608's configuration zone, after its user zones 0 to 7.
inline constexpr int kAt88sc1608ConfigZone = 8;

// Driver type passed to IC_InitType for a card type code.
pelox::DriverType driverTypeFor(CardType code);
// Caption shown for a card type code ("未知卡型" when unknown); the CPU card's
// depends on the protocol.
std::string captionFor(CardType code, CpuProtocol cpuProtocol);
// Byte count of a card type, or `current` for the codes that keep it.
int byteCountFor(CardType code, int zoneIndex, int current);
// Whether a card address of the image shown holds a code, key, seed or
// counter (and the SLE4428's last three bytes): bytes that read as 00 until
// a code is presented or change by themselves, and that only their own
// commands should change. Rebuilds the AT88SC1608 map for `zoneIndex`.
bool holdsCodeOrCounter(CardCatalogue& catalogue, CardType cardType, int zoneIndex, int address);
// Pages of 256 bytes, the last one partial.
inline int pageCountFor(int byteCount) { return byteCount / 256 + (byteCount % 256 != 0 ? 1 : 0); }
