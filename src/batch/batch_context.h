// What a personalisation run works with: the reader session with its card
// image, the driver, the shell, the card catalogue, where the card's code
// comes from and a clock. The command-line tool and the window each make
// one of their own.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "cards/card_catalogue.h"
#include "memview/card_context.h"
#include "memview/card_image_state.h"
#include "memview/demo_doc.h"
#include "platform/ports.h"
#include "reader/driver.h"
#include "reader/reader_context.h"

namespace batch {

// The code of the card type in the reader (hex digits, their number
// already checked), asked for once, when the first card needs it; nothing,
// with `why` set, when there is none: the run then stops.
using CodeSource = std::function<std::optional<std::string>(CardType type, std::string& why)>;

struct BatchContext {
  memview::CardContext card;  // the session and image the run works on
  CodeSource code;
  std::function<double()> clock;  // seconds, from any origin
  std::string reader;             // how the log names the reader
  // The last attempt of a code may be spent (else a card at one attempt
  // left is refused).
  bool lastAttempt = false;

  ReaderContext readerContext() const { return {card.st, card.drv, card.shell}; }
};

}  // namespace batch
