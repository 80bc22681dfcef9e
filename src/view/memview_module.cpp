#include "view/memview_module.h"

#include <memory>

#include "resources/resource.h"
#include "view/app_state.h"
#include "view/demo_view.h"
#include "view/editor.h"
#include "view/read_command.h"
#include "view/write_command.h"

namespace {

// Editor and writer of one view; they live as long as its handlers.
struct MemoryViewModule {
  explicit MemoryViewModule(ViewContext& c) : ctx(c), editor(c), writer(c, editor) {}
  ViewContext& ctx;
  memview::MemoryEditor editor;
  memview::CardWriter writer;

  void onKeyDown(int key) {
    AppState& st = ctx.st;
    const bool editing = st.editActive != 0;
    switch (key) {
      case port::vk::kF5:
      case port::vk::kReturn:
        if (editing) writer.writeEditedRows();
        break;
      case port::vk::kSpace:
        if (editing) writer.toggleMark();
        break;
      case port::vk::kEscape:
        if (editing) {
          writer.leaveEditMode();
        } else {
          editor.askQuit();
        }
        break;
      case port::vk::kPrior:
        editor.pageUp();
        break;
      case port::vk::kNext:
        if (st.gridShown && st.currentPage >= st.pageCount - 1 &&
            (st.cardType == CardType::Sle4442 || st.cardType == CardType::Sle4428)) {
          writer.showErrorCounterPage();
        } else {
          editor.pageDown();
        }
        break;
      default:
        editor.navigate(key);
        break;
    }
    if (editing) ctx.painter.drawCaretInfo();
  }
};

}  // namespace

void installMemoryViewModule(CDemoView& view) {
  auto m = std::make_shared<MemoryViewModule>(view.context());
  view.addCommand(ID_CARD_READ, [m](int) { runReadCommand(m->ctx); });
  view.addCommand(ID_CARD_WRITE, [m](int) { m->writer.enterEditMode(); });
  view.keyDown = [m](int key) { m->onKeyDown(key); };
  view.charInput = [m](unsigned c) {
    m->editor.onChar(c);
    m->ctx.painter.drawCaretInfo();
  };
  view.leftButtonDown = [m](port::Point p) { m->editor.onLButtonDown(p); };
  view.focusChange = [m](bool gained) { m->editor.onFocus(gained); };
  view.rereadCard = [m] { ::rereadCard(m->ctx); };
}
