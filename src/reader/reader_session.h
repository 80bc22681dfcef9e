// The reader session: the open reader, its port, the card type chosen or
// found and what the last detection made of the card.
#pragma once

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

struct ReaderSession {
  int readerHandle = 0;  // 0 = no reader open
  ReaderPort port = ReaderPort::None;
  CardType cardType = CardType::None;
  CpuProtocol cpuProtocol = CpuProtocol::Undetermined;
  DetectResult detectResult = DetectResult::Undetermined;
};
