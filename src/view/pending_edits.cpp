#include "view/pending_edits.h"

#include "memview/image_guard.h"
#include "view/app_state.h"

namespace memview {

bool askDiscardEdits(ViewContext& ctx) {
  const bool pending = hasPendingEdits(ctx.st, ctx.doc);
  if (!confirmDiscardEdits(ctx.st, ctx.doc, ctx.shell)) return false;
  if (pending && ctx.st.gridShown) ctx.window.invalidate(true);
  return true;
}

}  // namespace memview
