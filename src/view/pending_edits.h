// The view's side of edits not yet written: the discard question, with the
// grid redrawn from the card's bytes when the operator agrees.
#pragma once

#include "view/view_context.h"

namespace memview {

// True when nothing is pending or the operator agrees to discard it; the
// image and the grid then show the card's bytes again.
bool askDiscardEdits(ViewContext& ctx);

}  // namespace memview
