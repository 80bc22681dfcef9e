#include "view/card_image_module.h"

#include "view/app_state.h"
#include "view/card_image_file.h"
#include "view/demo_view.h"

namespace {

constexpr int kOpenCommand = 57601;   // Ctrl+O
constexpr int kSaveCommand = 57603;   // Ctrl+S
constexpr int kWriteCommand = 32779;  // the memory view's Write command

}  // namespace

void installCardImageModule(CDemoView& view) {
  view.addCommand(kSaveCommand, [&view](int) { cardimage::saveCardImage(view.context()); });
  view.addCommand(kOpenCommand, [&view](int) {
    cardimage::LoadResult result;
    if (!cardimage::openCardImage(view.context(), result)) return;
    // Edit mode as the Write command starts it: the caret on the page and
    // the hints; F5 then writes the rows the file changed.
    view.onCommand(kWriteCommand);
    cardimage::reportLoad(view.context(), result);
  });
}
