// Reading a card into the card image.
#pragma once

#include "cards/card_types.h"
#include "reader/reader_port.h"
#include "view/view_context.h"

// The read core: reads the whole card of `cardType` into the card image.
// Returns 0 when the card was read and converted, 1 otherwise; the outcome
// is in st.viewState.
int readCore(ViewContext& ctx, ReaderPort port, CardType cardType);

// The Read command (ID_CARD_READ): asks before it discards pending edits,
// then the page/zone dialog where needed, the read core, the outcome in the
// status area, four beeps.
void runReadCommand(ViewContext& ctx);
// The same read made by the program itself (after a verified code): it
// does not ask, and says on the status line when pending edits were dropped.
void rereadCard(ViewContext& ctx);

namespace memview {

// A re-read the program made by itself replaced pending edits: says so on
// status line 1.
void reportEditsDropped(ViewPainter& painter);

}  // namespace memview
