// The command modules of the view, installed in this order.
#include "view/batch_module.h"
#include "view/consoles_module.h"
#include "view/reader_module.h"
#include "view/security_module.h"
#include "view/card_image_module.h"
#include "view/demo_view.h"
#include "view/memview_module.h"

void installViewModules(CDemoView& view) {
  // Each module adds one line here: installXxx(view);
  installReaderModule(view);
  installMemoryViewModule(view);
  installCardImageModule(view);
  installSecurityModule(view);
  installConsolesModule(view);
  installBatchModule(view);
}
