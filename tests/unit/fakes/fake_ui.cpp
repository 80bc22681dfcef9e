#include "fakes/fake_ui.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "support/rc_file.h"

namespace fake {
namespace {

std::string hexColour(port::Colour c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%06X", static_cast<unsigned>(c));
  return buf;
}

std::string hexNumber(unsigned v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%X", v);
  return buf;
}

bool hasStyle(const std::vector<std::string>& styles, const std::string& s) {
  return std::find(styles.begin(), styles.end(), s) != styles.end();
}

// Cuts a UTF-8 text after `characters` code points (0: no limit).
std::string cutToCharacters(std::string_view s, int characters) {
  if (characters <= 0) return std::string(s);
  int count = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if ((b & 0xC0) != 0x80) {
      if (count == characters) return std::string(s.substr(0, i));
      ++count;
    }
  }
  return std::string(s);
}

}  // namespace

// ---- Event log ----

std::string Event::describe() const {
  switch (kind) {
    case Kind::Text:
      return "text[" + std::to_string(x) + "," + std::to_string(y) + "|" + text + "|" + hexColour(fg) + "/" +
             hexColour(bg) + "]";
    case Kind::Background: return "background";
    case Kind::MessageBox: return "box[" + caption + "|" + text + "|" + hexNumber(style) + "]";
    case Kind::Beep: return "beep[" + std::to_string(style) + "]";
    case Kind::Cursor: return style != 0 ? "cursor[wait]" : "cursor[normal]";
    case Kind::PostCommand: return "post[" + std::to_string(style) + "]";
    case Kind::PostQuit: return "quit[" + std::to_string(style) + "]";
    case Kind::StartProcess: return "process[" + text + "|" + std::to_string(style) + "]";
    case Kind::ShellExecute: return "shell[" + text + "|" + std::to_string(style) + "]";
    case Kind::Help: return "help[" + text + "|" + hexNumber(style) + "]";
    case Kind::Menu: return "menu[" + text + "]";
    case Kind::Dialog: return "dialog[" + text + "]";
  }
  return "?";
}

std::vector<Event> EventLog::of(Event::Kind k) const {
  std::vector<Event> out;
  for (const Event& e : events) {
    if (e.kind == k) out.push_back(e);
  }
  return out;
}

std::vector<std::string> EventLog::boxes() const {
  std::vector<std::string> out;
  for (const Event& e : events) {
    if (e.kind == Event::Kind::MessageBox) out.push_back(e.caption + "|" + e.text);
  }
  return out;
}

int EventLog::beeps(unsigned type) const {
  return static_cast<int>(std::count_if(events.begin(), events.end(), [&](const Event& e) {
    return e.kind == Event::Kind::Beep && e.style == type;
  }));
}

int EventLog::beepCount() const {
  return static_cast<int>(
      std::count_if(events.begin(), events.end(), [](const Event& e) { return e.kind == Event::Kind::Beep; }));
}

std::vector<std::string> EventLog::trace() const {
  std::vector<std::string> out;
  for (const Event& e : events) {
    if (e.kind == Event::Kind::Beep) out.push_back("beep" + std::to_string(e.style));
    if (e.kind == Event::Kind::MessageBox) out.push_back("box:" + e.caption + "|" + e.text);
  }
  return out;
}

std::string EventLog::dump() const {
  std::string s;
  for (const Event& e : events) s += e.describe() + "\n";
  return s.empty() ? "(no events)\n" : s;
}

// ---- Screen ----

const DrawnText* ScreenModel::textAt(int x, int y) const {
  auto it = at.find({x, y});
  return it == at.end() ? nullptr : &it->second;
}

std::string ScreenModel::visibleText(int x, int y) const {
  const DrawnText* t = textAt(x, y);
  if (t == nullptr || t->fg == t->bg) return "";
  return t->text;
}

void FakeSurface::drawBackground() {
  screen_.clear();
  ++screen_.backgroundDraws;
  Event e{Event::Kind::Background};
  log_.events.push_back(e);
}

void FakeSurface::drawText(int x, int y, std::string_view utf8, port::Colour text, port::Colour back,
                           port::Font font) {
  ++textCalls;
  screen_.at[{x, y}] = DrawnText{x, y, std::string(utf8), text, back, font};
  Event e{Event::Kind::Text};
  e.text = std::string(utf8);
  e.x = x;
  e.y = y;
  e.fg = text;
  e.bg = back;
  log_.events.push_back(e);
}

void FakeWindow::createCaret(int width, int height) {
  caretCreated = true;
  caretVisible = false;  // a new caret starts hidden, as on Windows
  caretWidth = width;
  caretHeight = height;
}

void FakeWindow::destroyCaret() {
  caretCreated = false;
  caretVisible = false;
}

void FakeWindow::dialogTakesFocus() {
  if (dialogDepth++ > 0) return;
  if (focusEvents) focusEvents(false);
  // The edit control's caret replaces the view's.
  caretCreated = false;
  caretVisible = false;
  dialogCaret = true;
  caret = kDialogCaret;
}

void FakeWindow::dialogReturnsFocus() {
  if (dialogDepth == 0 || --dialogDepth > 0) return;
  dialogCaret = false;  // destroyed with the edit control; its position stays
  if (focusEvents) focusEvents(true);
}

void FakeWindow::invalidate(bool now) {
  ++invalidations;
  if (now && paintNow) paintNow();
}

void FakeWindow::postCommand(int id) {
  posted.push_back(id);
  Event e{Event::Kind::PostCommand};
  e.style = static_cast<unsigned>(id);
  log_.events.push_back(e);
}

// ---- Shell ----

int FakeShell::messageBox(std::string_view text, std::string_view caption, unsigned style) {
  Event e{Event::Kind::MessageBox};
  e.text = std::string(text);
  e.caption = std::string(caption);
  e.style = style;
  log_.events.push_back(e);
  const std::size_t at = log_.events.size() - 1;
  if (!whileOpen.empty()) {
    const std::function<void()> input = std::move(whileOpen.front());
    whileOpen.pop_front();
    if (input) input();
  }
  int a = port::mb::kIdOk;
  if (!answers.empty()) {
    a = answers.front();
    answers.pop_front();
  }
  log_.events[at].answer = a;
  return a;
}

void FakeShell::beep(unsigned type) {
  Event e{Event::Kind::Beep};
  e.style = type;
  log_.events.push_back(e);
}

void FakeShell::setWaitCursor(bool on) {
  waitCursor = on;
  Event e{Event::Kind::Cursor};
  e.style = on ? 1 : 0;
  log_.events.push_back(e);
}

void FakeShell::postQuit(int exitCode) {
  Event e{Event::Kind::PostQuit};
  e.style = static_cast<unsigned>(exitCode);
  log_.events.push_back(e);
}

bool FakeShell::startProcess(std::string_view commandLine, int show) {
  Event e{Event::Kind::StartProcess};
  e.text = std::string(commandLine);
  e.style = static_cast<unsigned>(show);
  log_.events.push_back(e);
  return startProcessResult;
}

void FakeShell::shellExecute(std::string_view file, int show) {
  Event e{Event::Kind::ShellExecute};
  e.text = std::string(file);
  e.style = static_cast<unsigned>(show);
  log_.events.push_back(e);
}

void FakeShell::helpEngine(std::string_view file, unsigned command) {
  Event e{Event::Kind::Help};
  e.text = std::string(file);
  e.style = command;
  log_.events.push_back(e);
}

// ---- Menus ----

// A loaded menu or popup; popup items point to the node of their popup.
// Every node of every loaded menu is owned by nodes_, so a MenuRef is the
// address of a node and stays valid for the bar's life.
struct FakeMenuBar::Node {
  struct Item {
    std::string caption;
    int id = 0;
    bool separator = false;
    Node* popup = nullptr;
  };
  int resourceId = 0;
  std::vector<Item> items;
};

namespace {
port::MenuRef refOf(const void* node) { return reinterpret_cast<port::MenuRef>(node); }
}  // namespace

FakeMenuBar::FakeMenuBar(EventLog& log) : log_(log) {}
FakeMenuBar::~FakeMenuBar() = default;

port::MenuRef FakeMenuBar::load(int resourceId) {
  ++loads;
  if (failLoad) return 0;
  const rc::Menu* menu = rc::File::program().menu(resourceId);
  if (menu == nullptr) return 0;
  // Builds the node of one item list, depth first.
  std::function<Node*(const std::vector<rc::MenuItem>&)> build = [&](const std::vector<rc::MenuItem>& items) {
    nodes_.push_back(std::make_unique<Node>());
    Node* node = nodes_.back().get();
    node->resourceId = resourceId;
    for (const rc::MenuItem& it : items) {
      Node::Item item{it.separator ? "" : it.caption, it.id, it.separator, nullptr};
      if (it.popup) item.popup = build(it.children);
      node->items.push_back(item);
    }
    return node;
  };
  return refOf(build(menu->items));
}

FakeMenuBar::Node* FakeMenuBar::node(port::MenuRef menu) const {
  for (const auto& n : nodes_) {
    if (refOf(n.get()) == menu) return n.get();
  }
  return nullptr;
}

int FakeMenuBar::itemCount(port::MenuRef menu) {
  const Node* n = node(menu);
  return n == nullptr ? -1 : static_cast<int>(n->items.size());
}

std::string FakeMenuBar::itemCaption(port::MenuRef menu, int position) {
  const Node* n = node(menu);
  if (n == nullptr || position < 0 || position >= static_cast<int>(n->items.size())) return "";
  const std::string& c = n->items[static_cast<std::size_t>(position)].caption;
  return c.size() > 255 ? c.substr(0, 255) : c;
}

port::MenuRef FakeMenuBar::subMenu(port::MenuRef menu, int position) {
  const Node* n = node(menu);
  if (n == nullptr || position < 0 || position >= static_cast<int>(n->items.size())) return 0;
  const Node* p = n->items[static_cast<std::size_t>(position)].popup;
  return p == nullptr ? 0 : refOf(p);
}

bool FakeMenuBar::removeItem(port::MenuRef menu, int position) {
  Node* n = node(menu);
  if (n == nullptr || position < 0 || position >= static_cast<int>(n->items.size())) return false;
  n->items.erase(n->items.begin() + position);
  return true;
}

void FakeMenuBar::install(port::MenuRef menu) {
  const Node* n = node(menu);
  installed = menu;
  installedId = n == nullptr ? 0 : n->resourceId;
  Event e{Event::Kind::Menu};
  e.text = std::to_string(installedId);
  log_.events.push_back(e);
}

std::vector<std::string> FakeMenuBar::popupCaptions(const std::string& popupCaption) {
  std::vector<std::string> out;
  const Node* bar = node(installed);
  if (bar == nullptr) return out;
  for (const Node::Item& it : bar->items) {
    if (it.caption == popupCaption && it.popup != nullptr) {
      for (const Node::Item& child : it.popup->items) out.push_back(child.caption);
      break;
    }
  }
  return out;
}

// ---- Dialogs ----

FakeControls::FakeControls(int templateId, port::Dialog& dialog, FakeShell& shell)
    : dialog_(dialog), shell_(shell), templateId_(templateId) {
  const rc::Dialog* t = rc::File::program().dialog(templateId);
  if (t == nullptr) return;
  caption = t->caption;
  for (const rc::Control& c : t->controls) {
    if (c.id < 0) continue;
    ControlState s;
    s.text = c.text;
    s.visible = !hasStyle(c.styles, "!WS_VISIBLE");
    s.enabled = !hasStyle(c.styles, "WS_DISABLED");
    controls[c.id] = s;
    if (hasStyle(c.styles, "ES_UPPERCASE")) upperCase_.insert(c.id);
    if (hasStyle(c.styles, "ES_READONLY")) readOnly_.insert(c.id);
    if (c.kind == "AUTOCHECKBOX" || hasStyle(c.styles, "BS_AUTOCHECKBOX")) autoCheck_.insert(c.id);
    if (c.kind == "AUTORADIOBUTTON" || hasStyle(c.styles, "BS_AUTORADIOBUTTON")) autoRadio_.insert(c.id);
  }
}

FakeControls::ControlState* FakeControls::find(int id, const char* what) {
  auto it = controls.find(id);
  if (it == controls.end()) {
    ADD_FAILURE() << what << ": dialog " << templateId_ << " has no control " << id;
    return nullptr;
  }
  return &it->second;
}

std::string FakeControls::text(int id) {
  const ControlState* s = find(id, "text");
  return s == nullptr ? "" : s->text;
}

void FakeControls::setText(int id, std::string_view utf8) {
  if (ControlState* s = find(id, "setText")) s->text = std::string(utf8);
}

void FakeControls::show(int id, bool visible) {
  if (ControlState* s = find(id, "show")) s->visible = visible;
}

void FakeControls::enable(int id, bool enabled) {
  if (ControlState* s = find(id, "enable")) s->enabled = enabled;
}

void FakeControls::check(int id, bool checked) {
  if (ControlState* s = find(id, "check")) s->checked = checked;
}

bool FakeControls::isChecked(int id) {
  const ControlState* s = find(id, "isChecked");
  return s != nullptr && s->checked;
}

void FakeControls::selectAll(int id) {
  if (ControlState* s = find(id, "selectAll")) s->selectedAll = true;
}

void FakeControls::scrollToEnd(int id) {
  if (ControlState* s = find(id, "scrollToEnd")) s->scrolledToEnd = true;
}

void FakeControls::limitText(int id, int characters) {
  if (ControlState* s = find(id, "limitText")) s->limit = characters;
}

void FakeControls::end(int r) {
  timer_.cancel();
  ended = true;
  result = r;
}

int FakeControls::messageBox(std::string_view text, std::string_view caption_, unsigned style) {
  return shell_.messageBox(text, caption_, style);
}

port::LineList& FakeControls::list(int id) {
  find(id, "list");
  return lists_[id];
}

bool FakeControls::fireTimer() {
  if (!timer_.armed() || ended) return false;
  timer_.cancel();
  dialog_.onTimer(*this);
  return true;
}

void FakeControls::type(int id, std::string_view utf8) {
  if (ended) {
    ADD_FAILURE() << "typing into dialog " << templateId_ << " after it closed";
    return;
  }
  ControlState* s = find(id, "type");
  if (s == nullptr) return;
  if (!s->visible || !s->enabled) {
    ADD_FAILURE() << "control " << id << " of dialog " << templateId_ << " is hidden or disabled";
    return;
  }
  if (readOnly_.count(id) != 0) {
    ADD_FAILURE() << "edit " << id << " of dialog " << templateId_ << " is read-only";
    return;
  }
  std::string t = cutToCharacters(utf8, s->limit);
  if (upperCase_.count(id) != 0) {
    for (char& ch : t) {
      if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    }
  }
  s->text = t;
  s->selectedAll = false;
  dialog_.onCommand(*this, id, port::notify::kEditChange);
}

void FakeControls::click(int id) {
  if (ended) {
    ADD_FAILURE() << "clicking " << id << " in dialog " << templateId_ << " after it closed";
    return;
  }
  auto it = controls.find(id);
  // OK and Cancel are reachable by Enter and Escape even without buttons.
  if (it == controls.end() && id != port::mb::kIdOk && id != port::mb::kIdCancel) {
    ADD_FAILURE() << "click: dialog " << templateId_ << " has no control " << id;
    return;
  }
  if (it != controls.end()) {
    // Enter and Escape reach OK and Cancel even when their buttons are
    // hidden; a disabled button takes no click.
    const bool reachable = it->second.enabled && (it->second.visible || id == port::mb::kIdOk || id == port::mb::kIdCancel);
    if (!reachable) {
      ADD_FAILURE() << "control " << id << " of dialog " << templateId_ << " is hidden or disabled";
      return;
    }
    if (autoCheck_.count(id) != 0) it->second.checked = !it->second.checked;
    if (autoRadio_.count(id) != 0) {
      for (int r : autoRadio_) controls[r].checked = (r == id);
    }
  }
  dialog_.onCommand(*this, id, port::notify::kClicked);
}

void FakeControls::rightDoubleClick(port::Point p) {
  dialog_.onMouse(*this, port::mouse::kRightDoubleClick, p);
}

namespace {

// The focus is a dialog's while it is open.
class DialogFocus {
 public:
  explicit DialogFocus(FakeWindow* w) : w_(w) {
    if (w_ != nullptr) w_->dialogTakesFocus();
  }
  ~DialogFocus() {
    if (w_ != nullptr) w_->dialogReturnsFocus();
  }
  DialogFocus(const DialogFocus&) = delete;
  DialogFocus& operator=(const DialogFocus&) = delete;

 private:
  FakeWindow* w_;
};

}  // namespace

int FakeDialogRunner::runModal(port::Dialog& dialog) {
  const DialogFocus focus(window);
  const int id = dialog.templateId();
  opened.push_back(id);
  Event e{Event::Kind::Dialog};
  e.text = std::to_string(id);
  log_.events.push_back(e);
  if (rc::File::program().dialog(id) == nullptr) return -1;

  auto controls = std::make_unique<FakeControls>(id, dialog, shell_);
  dialog.onInit(*controls);
  if (!scripts.empty()) {
    Script script = std::move(scripts.front());
    scripts.pop_front();
    if (!controls->ended) script(*controls);
  }
  if (!controls->ended) {
    // Escape: the dialog's own cancel handler, then closed regardless.
    dialog.onCommand(*controls, port::mb::kIdCancel, port::notify::kClicked);
    if (!controls->ended) controls->end(port::mb::kIdCancel);
  }
  const int result = controls->result;
  last = std::move(controls);
  return result;
}

FakeDialogRunner::Script typeAndOk(int editId, std::string text) {
  return [editId, text](FakeControls& c) {
    c.type(editId, text);
    c.click(port::mb::kIdOk);
  };
}

FakeDialogRunner::Script cancel() {
  return [](FakeControls& c) { c.click(port::mb::kIdCancel); };
}

std::string FakeFileDialogs::next() {
  if (answers.empty()) return "";
  std::string path = answers.front();
  answers.pop_front();
  return path;
}

std::string FakeFileDialogs::askSavePath(const Filter& filter, std::string_view defaultName) {
  const DialogFocus focus(window);
  asked.push_back("save|" + std::string(filter.pattern) + "|" + std::string(filter.extension) + "|" +
                  std::string(defaultName));
  return next();
}

std::string FakeFileDialogs::askOpenPath(const Filter& filter) {
  const DialogFocus focus(window);
  asked.push_back("open|" + std::string(filter.pattern) + "|" + std::string(filter.extension));
  return next();
}

port::FileDialogs::FileContent FakeFileDialogs::readFile(std::string_view path, std::size_t limit) {
  const auto it = files.find(std::string(path));
  if (it == files.end() || failing.count(std::string(path)) != 0) return {};
  if (it->second.size() > limit) return {ReadStatus::TooLarge, it->second.size(), {}};
  return {ReadStatus::Ok, it->second.size(), it->second};
}

bool FakeFileDialogs::writeFile(std::string_view path, const std::vector<std::uint8_t>& bytes) {
  if (failing.count(std::string(path)) != 0) return false;
  files[std::string(path)] = bytes;
  return true;
}

}  // namespace fake
