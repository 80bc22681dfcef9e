// Card type detection: the probe chain that finds which card is in the
// reader.
#pragma once

#include <string>
#include <vector>

#include "cards/card_types.h"
#include "reader/reader_context.h"

// The operator's text about probe bytes left on the card begins so.
inline constexpr const char* kProbeNotRestored = "检测时写入的测试字节未能恢复";

// What a detection found.
struct DetectionOutcome {
  bool readerAnswered = false;  // false: the status call failed (after the box)
  DetectResult result = DetectResult::Undetermined;
  CardType cardType = CardType::None;  // None when nothing was identified
  // Probe bytes still on the card: written by this run or an earlier one
  // and not put back (the reader or the card stopped answering).
  std::vector<ProbeByte> notRestored;
};

// Asks the reader for its card and runs the probes in order, leaving every
// card's bytes as it found them; sets cardType when a probe identifies the
// card, detectResult and, for CPU cards, cpuProtocol. Draws nothing.
// Probe bytes left by an earlier run are put back first where the card
// still holds what the probe wrote there; those that stay are in
// notRestored and session.probeBytesLeft, and in the driver trace.
DetectionOutcome probeCard(ReaderContext ctx);

// The operator's text for probe bytes left on the card: each byte's
// address, its value before and the value the probe wrote.
std::string probeNotRestoredText(const std::vector<ProbeByte>& bytes);

// The probes that write nothing: the CPU card's answer to reset and the
// SLE4404, SLE4442 and SLE4428 signature bytes. Any other card stays
// undetermined (DetectResult::Unknown or Undetermined): telling the others
// apart takes probe writes.
DetectionOutcome probeCardByReading(ReaderContext ctx);
