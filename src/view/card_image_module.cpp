#include "view/card_image_module.h"

#include "memview/card_image_file.h"
#include "resources/resource.h"
#include "view/app_state.h"
#include "view/demo_view.h"

void installCardImageModule(CDemoView& view) {
  view.addCommand(ID_FILE_SAVE, [&view](int) { cardimage::saveCardImage(view.context()); });
  view.addCommand(ID_FILE_OPEN, [&view](int) {
    cardimage::LoadResult result;
    if (!cardimage::openCardImage(view.context(), result)) return;
    view.painter().drawGrid();
    // Edit mode as the Write command starts it: the caret on the page and
    // the hints; F5 then writes the rows the file changed.
    view.runNested(ID_CARD_WRITE);
    cardimage::reportLoad(view.context(), result, view.context().st.editActive != 0);
  });
}
