// The reader session: the open reader, its port, the card type chosen or
// found and what the last detection made of the card.
#pragma once

#include <cstdint>
#include <vector>

#include "cards/card_types.h"
#include "reader/reader_port.h"

// The outcome word of the card type detection.
enum class DetectResult : int {
  Found = 0,         // a probe identified the card
  NoCard = 1,        // no card in the reader
  ReaderFailed = 2,  // the reader connection failed
  Undetermined = 4,  // nothing determined yet, or since the last repaint or failed read
  Unknown = 100,     // a probe's card type or read was refused; also once an outcome is shown
};

// A byte that a detection probe wrote and could not put back: the protocol
// it was written in and its address there, what it held before and what the
// probe wrote.
struct ProbeByte {
  pelox::DriverType driverType = pelox::DriverType::None;
  int address = 0;
  std::uint8_t before = 0;
  std::uint8_t written = 0;
  friend bool operator==(const ProbeByte&, const ProbeByte&) = default;
};

struct ReaderSession {
  int readerHandle = 0;  // 0 = no reader open
  ReaderPort port = ReaderPort::None;
  CardType cardType = CardType::None;
  CpuProtocol cpuProtocol = CpuProtocol::Undetermined;
  DetectResult detectResult = DetectResult::Undetermined;
  // Probe bytes an earlier detection left on the card: the next detection
  // puts back those that still read as the probe wrote them.
  std::vector<ProbeByte> probeBytesLeft;
};
