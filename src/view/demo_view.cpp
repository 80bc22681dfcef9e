#include "view/demo_view.h"

#include "resources/resource.h"
#include "view/app_state.h"
#include "view/pending_edits.h"

CDemoView::CDemoView(AppState& st, CDemoDoc& doc, DriverTable& drv, port::ViewWindow& window,
                     port::Shell& shell, port::MenuBar& menu, port::DialogRunner& dialogs,
                     port::FileDialogs& files)
    : catalogue_(),
      painter_(st, doc, catalogue_, window),
      ctx_{st, doc, drv, window, shell, menu, dialogs, files, catalogue_, painter_} {
  installViewModules(*this);
}

CDemoView::~CDemoView() = default;

void CDemoView::addCommand(int id, CommandHandler h) { commands_[id] = std::move(h); }

void CDemoView::addCommandRange(int first, int last, CommandHandler h) {
  for (int id = first; id <= last; ++id) commands_[id] = h;
}

bool CDemoView::hasCommand(int id) const {
  auto it = commands_.find(id);
  return it != commands_.end() && it->second;
}

bool CDemoView::admit() {
  if (!busy()) return true;
  ctx_.shell.beep(0);
  return false;
}

bool CDemoView::onCommand(int id) {
  if (!admit()) return true;
  return runNested(id);
}

bool CDemoView::runNested(int id) {
  auto it = commands_.find(id);
  if (it == commands_.end() || !it->second) return false;
  // A copy: the handler may replace its own table entry while it runs.
  const CommandHandler h = it->second;
  asCommand([&] { h(id); });
  return true;
}

bool CDemoView::confirmClose() {
  if (!admit()) return false;
  bool agreed = false;
  asCommand([&] { agreed = memview::askDiscardEdits(ctx_); });
  return agreed;
}

void CDemoView::onCreate() {
  ctx_.st.charWidth = 9;
  ctx_.st.lineHeight = 15;
  ctx_.window.createCaret(ctx_.st.charWidth - 1, ctx_.st.lineHeight);
  for (const auto& hook : createHooks) hook();
}

void CDemoView::onDestroy() {
  for (const auto& hook : destroyHooks) hook();
}

void CDemoView::onPaint(port::Surface& offscreen) {
  const bool firstPaint = ctx_.st.viewState == ViewState::FirstPaintPending;
  painter_.setTarget(&offscreen);
  painter_.paintAll(firstPaint);
  painter_.setTarget(nullptr);
  if (firstPaint) {
    // Once: the card type detection runs after the window is on screen.
    ctx_.st.viewState = ViewState::NoCardData;
    ctx_.window.postCommand(ID_CARDTYPE_AUTODETECT);
  }
}

void CDemoView::onKeyDown(int virtualKey) {
  if (keyDown && admit()) asCommand([&] { keyDown(virtualKey); });
}

void CDemoView::onChar(unsigned character) {
  if (charInput && admit()) asCommand([&] { charInput(character); });
}

void CDemoView::onLButtonDown(port::Point p) {
  if (leftButtonDown && admit()) asCommand([&] { leftButtonDown(p); });
}

void CDemoView::onFocus(bool gained) {
  if (focusChange) focusChange(gained);
}
