// Card type detection: the probe chain that finds which card is in the
// reader.
#pragma once

#include "cards/card_types.h"
#include "reader/reader_context.h"

// What a detection found.
struct DetectionOutcome {
  bool readerAnswered = false;  // false: the status call failed (after the box)
  DetectResult result = DetectResult::Undetermined;
  CardType cardType = CardType::None;  // None when nothing was identified
};

// Asks the reader for its card and runs the probes in order, leaving every
// card's bytes as it found them; sets cardType when a probe identifies the
// card, detectResult and, for CPU cards, cpuProtocol. Draws nothing.
DetectionOutcome probeCard(ReaderContext ctx);

// The probes that write nothing: the CPU card's answer to reset and the
// SLE4404, SLE4442 and SLE4428 signature bytes. Any other card stays
// undetermined (DetectResult::Unknown or Undetermined): telling the others
// apart takes probe writes.
DetectionOutcome probeCardByReading(ReaderContext ctx);
