// Reading the whole card into the card image.
#pragma once

#include "cards/card_types.h"
#include "memview/card_context.h"
#include "platform/wait_cursor.h"

namespace memview {

// Reads the card of `cardType` into the card image, its byte count already
// set; the cursor is restored before any box. Returns 0 when the card was
// read and converted, 1 otherwise; the outcome is in st.viewState.
int readImage(CardContext ctx, WaitCursor& cursor, CardType cardType);

}  // namespace memview
