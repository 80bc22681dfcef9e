// What the card data commands work with: the reader session and the card
// image's state, the image's bytes, the driver, the shell (boxes, beeps,
// the wait cursor), the file dialogs and the card catalogue.
#pragma once

#include "cards/card_catalogue.h"
#include "memview/card_image_state.h"
#include "memview/demo_doc.h"
#include "platform/ports.h"
#include "reader/driver.h"

namespace memview {

struct CardContext {
  CardSession& st;
  CDemoDoc& doc;
  DriverTable& drv;
  port::Shell& shell;
  port::FileDialogs& files;
  CardCatalogue& catalogue;
};

}  // namespace memview
