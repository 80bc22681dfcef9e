#include "reliability/safety_actions.h"

#include <cstdio>

#include "reader/connection.h"
#include "resources/resource.h"
#include "sim/sim_api.h"

namespace reliability {

namespace {

constexpr int kReadNumbers[] = {0, 1, 2, 3, 8, 9, 511, 600, 2047, -1};  // -1: the dialog cancelled
constexpr int kTypeCommands[] = {ID_CARDTYPE_24C01A,  ID_CARDTYPE_24C02,   ID_CARDTYPE_24C04,
                                 ID_CARDTYPE_24C08,   ID_CARDTYPE_24C16,   ID_CARDTYPE_24C64,
                                 ID_CARDTYPE_SLE4442, ID_CARDTYPE_SLE4428, ID_CARDTYPE_CPU};
constexpr int kKeys[] = {port::vk::kLeft, port::vk::kRight, port::vk::kUp,    port::vk::kDown, port::vk::kTab,
                         port::vk::kHome, port::vk::kEnd,   port::vk::kPrior, port::vk::kNext};
constexpr const char* kHex = "0123456789abcdefABCDEF";
constexpr int kPortCount = sizeof kPortCommands / sizeof kPortCommands[0];
// What reaches the view while a box is open: typed digits, Space (a mark),
// F5, Escape, a move, a click on a cell, commands posted or chosen.
using In = Action::Input::Kind;
constexpr Action::Input kInputs[] = {{In::Char, 'a'},
                                     {In::Char, '5'},
                                     {In::Key, port::vk::kSpace},
                                     {In::Key, port::vk::kF5},
                                     {In::Key, port::vk::kEscape},
                                     {In::Key, port::vk::kRight},
                                     {In::Click, 17},
                                     {In::Command, ID_CARD_READ},
                                     {In::Command, ID_CARD_WRITE},
                                     {In::Command, ID_FILE_SAVE},
                                     {In::Command, ID_CARDTYPE_AUTODETECT},
                                     {In::Command, ID_PORT_USB}};
// Typed ahead while a failed write's question is open.
// Typed ahead while a failed write's question is open: a mark on byte 17,
// a digit, F5.
const std::vector<Action::Input> kTypedAhead[] = {
    {{In::Click, 17}, {In::Key, port::vk::kSpace}}, {{In::Char, 'a'}}, {{In::Key, port::vk::kF5}}};

const char* kindName(Action::Kind k) {
  static const char* const names[] = {"Read",        "ChooseType",  "Detect",    "EditMode", "TypeHexAt",
                                      "TypeHexHere", "TypeCharsAt", "Key",       "Mark",     "CancelDialog",
                                      "Escape",      "WriteF5",     "OpenImage", "SwapCard", "VerifyCode",
                                      "Exit",        "CloseButton", "QuitButton", "PortSwitch", "Save"};
  return names[static_cast<int>(k)];
}

int pick(std::mt19937& rng, int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }

// Every dialog with an edit control takes the view's caret while it is open.
fake::FakeDialogRunner::Script takingCaret(Rig& r, fake::FakeDialogRunner::Script then) {
  return [&r, then](fake::FakeControls& c) {
    r.dialogTakesCaret();
    if (then) then(c);
  };
}

void typeAndOk(Rig& r, int id, int editId, const std::string& text) {
  r.ui.dialogs.scripts.push_back(takingCaret(r, fake::typeAndOk(editId, text)));
  r.command(id);
}

}  // namespace

std::string describe(const Action& a) {
  std::string s = kindName(a.kind);
  char buf[64];
  switch (a.kind) {
    case Action::Kind::TypeHexAt:
    case Action::Kind::TypeCharsAt:
    case Action::Kind::Mark:
      std::snprintf(buf, sizeof buf, " row %d col %d", a.a, a.b);
      s += buf;
      break;
    case Action::Kind::Read:
    case Action::Kind::ChooseType:
    case Action::Kind::Key:
    case Action::Kind::SwapCard:
      s += " " + std::to_string(a.a);
      break;
    case Action::Kind::CancelDialog:
    case Action::Kind::OpenImage:
    case Action::Kind::PortSwitch:
      s += " " + std::to_string(a.a) + "/" + std::to_string(a.b);
      break;
    default:
      break;
  }
  if (!a.text.empty()) s += " \"" + a.text + "\"";
  if (!a.answers.empty()) {
    s += " answers";
    for (int x : a.answers) s += x == port::mb::kIdYes ? " yes" : " no";
  }
  static const char* const inputs[] = {"char", "key", "click", "command"};
  for (const Action::Input& in : a.duringBox)
    s += std::string(" +") + inputs[static_cast<int>(in.kind)] + " " + std::to_string(in.value);
  static const char* const faults[] = {"", "fail", "pull", "drop", "failwrite"};
  if (a.fault != Action::Fault::None)
    s += std::string(" [") + faults[static_cast<int>(a.fault)] + "@" + std::to_string(a.faultCall) + "]";
  return s;
}

Action randomAction(std::mt19937& rng, int cards) {
  using K = Action::Kind;
  // Weights: reading, typing and writing most, the rest now and then.
  static const std::pair<K, int> kWeights[] = {
      {K::Read, 12},       {K::ChooseType, 2},  {K::Detect, 3},    {K::EditMode, 10}, {K::TypeHexAt, 14},
      {K::TypeHexHere, 6}, {K::TypeCharsAt, 3}, {K::Key, 8},       {K::Mark, 3},      {K::CancelDialog, 6},
      {K::Escape, 3},      {K::WriteF5, 12},    {K::OpenImage, 4}, {K::SwapCard, 4},  {K::VerifyCode, 5},
      {K::Exit, 1},        {K::CloseButton, 1}, {K::QuitButton, 1}, {K::PortSwitch, 2}, {K::Save, 4}};
  int total = 0;
  for (const auto& w : kWeights) total += w.second;
  int roll = pick(rng, total);
  Action a;
  for (const auto& w : kWeights) {
    if (roll < w.second) {
      a.kind = w.first;
      break;
    }
    roll -= w.second;
  }
  switch (a.kind) {
    case K::Read:
      a.a = kReadNumbers[pick(rng, 10)];
      break;
    case K::ChooseType:
      a.a = kTypeCommands[pick(rng, 9)];
      break;
    case K::TypeHexAt:
    case K::TypeCharsAt:
    case K::Mark:
      a.a = pick(rng, 16);
      a.b = pick(rng, 16);
      break;
    case K::Key:
      a.a = kKeys[pick(rng, 9)];
      break;
    case K::CancelDialog:
      a.a = pick(rng, 3);
      a.b = pick(rng, 2);
      break;
    case K::OpenImage:
      a.a = pick(rng, 4) == 0 ? 1 : 0;
      a.b = pick(rng, 1000);
      break;
    case K::SwapCard:
      a.a = pick(rng, cards + 1) - 1;
      break;
    case K::PortSwitch:
      a.a = pick(rng, kPortCount);
      a.b = pick(rng, 2);
      break;
    default:
      break;
  }
  if (a.kind == K::TypeHexAt || a.kind == K::TypeHexHere) {
    for (int n = 1 + pick(rng, 3); n > 0; --n) a.text += kHex[pick(rng, 22)];
  }
  if (a.kind == K::TypeCharsAt) {
    for (int n = 1 + pick(rng, 3); n > 0; --n) a.text += static_cast<char>(0x21 + pick(rng, 94));
  }
  for (int n = 0; n < 3; ++n) a.answers.push_back(pick(rng, 2) ? port::mb::kIdYes : port::mb::kIdNo);
  // Detection most often: its probe writes must be put back.
  if (pick(rng, a.kind == K::Detect ? 3 : 10) == 0) {
    a.fault = static_cast<Action::Fault>(1 + pick(rng, 3));
    a.faultCall = 1 + pick(rng, a.kind == K::Detect ? 40 : 24);  // a 24C02's probe writes come late
  }
  if (pick(rng, 6) == 0) {
    for (int n = 1 + pick(rng, 2); n > 0; --n)
      a.duringBox.push_back(kInputs[pick(rng, sizeof kInputs / sizeof kInputs[0])]);
  }
  return a;
}

std::vector<Action> randomEpisode(std::mt19937& rng, int cards) {
  using K = Action::Kind;
  static const K kInside[] = {K::TypeHexAt,    K::TypeHexAt,    K::TypeHexAt, K::TypeHexHere, K::TypeHexHere,
                              K::TypeHexHere,  K::TypeCharsAt,  K::Key,       K::Key,         K::Mark,
                              K::CancelDialog, K::CancelDialog, K::OpenImage, K::SwapCard,  K::Save,
                              K::Exit,         K::PortSwitch};
  constexpr int kInsideCount = sizeof kInside / sizeof kInside[0];
  auto drawn = [&](K want) {
    Action a = randomAction(rng, cards);
    while (a.kind != want) a = randomAction(rng, cards);
    return a;
  };
  std::vector<Action> episode;
  if (pick(rng, 10) < 7) episode.push_back(drawn(K::Read));
  if (pick(rng, 3) == 0) episode.push_back(drawn(K::VerifyCode));
  episode.push_back(drawn(K::EditMode));
  for (int n = 2 + pick(rng, 5); n > 0; --n) {
    episode.push_back(drawn(kInside[pick(rng, kInsideCount)]));
  }
  if (pick(rng, 5) != 0) {
    Action f5 = drawn(K::WriteF5);
    if (pick(rng, 4) == 0) {
      f5.fault = Action::Fault::FailWrite;
      f5.faultCall = 1;
      f5.duringBox.clear();
      if (pick(rng, 2)) f5.duringBox = kTypedAhead[pick(rng, 3)];
    }
    episode.push_back(std::move(f5));
  }
  return episode;
}

void deliver(Rig& r, const Action::Input& in) {
  switch (in.kind) {
    case In::Char:
      r.view->onChar(static_cast<unsigned>(in.value));
      break;
    case In::Key:
      r.key(in.value);
      break;
    case In::Click:
      r.clickCell(in.value / 16, in.value % 16, false);
      break;
    case In::Command:
      r.command(in.value);
      break;
  }
}

bool perform(Rig& r, World& w, const Action& a) {
  using K = Action::Kind;
  const CardType type = r.st.cardType;
  const bool crypto = type == CardType::At88sc1608 || type == CardType::At88sc153;
  const bool coded = type == CardType::Sle4442 || type == CardType::Sle4428 || type == CardType::At88sc102 ||
                     type == CardType::At88sc1604 || type == CardType::At88sc1604b;
  switch (a.kind) {
    case K::Read:
      r.ui.dialogs.scripts.push_back(
          takingCaret(r, a.a < 0 ? fake::cancel() : fake::typeAndOk(IDC_ZONE_PAGE, std::to_string(a.a))));
      r.command(ID_CARD_READ);
      break;
    case K::ChooseType:
      r.command(a.a);
      break;
    case K::Detect:
      r.command(ID_CARDTYPE_AUTODETECT);
      break;
    case K::EditMode:
      r.command(ID_CARD_WRITE);
      break;
    case K::Key:
      r.key(a.a);
      break;
    case K::Mark:
      r.clickCell(a.a, a.b, false);
      r.key(port::vk::kSpace);
      break;
    case K::CancelDialog:
      r.ui.dialogs.scripts.push_back(takingCaret(r, nullptr));
      if (a.a == 0 && crypto) {
        r.command(a.b ? ID_MUTUAL_AUTHENTICATION : ID_VERIFY_READ_PASSWORD);
      } else if (a.a == 0 && coded) {
        r.command(ID_VERIFY_USER_PASSWORD);
      } else {
        r.command(a.a == 2 ? ID_FILE_OPEN : ID_FILE_SAVE);  // the file dialogs answer "": cancelled
      }
      break;
    case K::Escape:
      r.key(port::vk::kEscape);
      break;
    case K::Exit:
      if (!r.view->onCommand(ID_APP_EXIT)) r.frame.onCommand(ID_APP_EXIT);
      break;
    case K::CloseButton:
      r.closeButton();
      break;
    case K::QuitButton:
      r.view->onLButtonDown({(layout::exitHotspotTopLeft.x + layout::exitHotspotBottomRight.x) / 2,
                             (layout::exitHotspotTopLeft.y + layout::exitHotspotBottomRight.y) / 2});
      break;
    case K::PortSwitch:
      if (a.b) sim::TestReader::movePort(codeOf(kPortCommands[a.a].port));
      r.command(kPortCommands[a.a].commandId);
      break;
    case K::Save:
      r.ui.files.files.erase("save.bin");
      r.ui.files.answers.push_back("save.bin");
      r.command(ID_FILE_SAVE);
      break;
    case K::WriteF5:
      r.key(port::vk::kF5);
      break;
    case K::OpenImage: {
      std::vector<std::uint8_t> file = r.image();
      std::mt19937 rng(static_cast<std::uint32_t>(a.b));
      for (int n = 0; n < 4 && !file.empty(); ++n)
        file[rng() % file.size()] = static_cast<std::uint8_t>(rng());
      if (a.a == 1) file.push_back(0);
      r.ui.files.files["card.bin"] = file;
      r.ui.files.answers.push_back("card.bin");
      r.command(ID_FILE_OPEN);
      break;
    }
    case K::SwapCard:
      w.swapTo(a.a);
      break;
    case K::VerifyCode:
      if (crypto) {
        r.ui.dialogs.scripts.push_back(takingCaret(r, [](fake::FakeControls& c) {
          c.type(IDC_SECRET_PASSWORD, "FFFFFF");
          c.click(port::mb::kIdOk);
        }));
        r.command(ID_VERIFY_SECURITY_CODE);
      } else if (coded) {
        const char* code = type == CardType::Sle4442     ? "FFFFFF"
                           : type == CardType::At88sc102 ? "F0F0"
                                                         : "FFFF";
        typeAndOk(r, ID_VERIFY_USER_PASSWORD, IDC_PASSWORD, code);
      }
      break;
    default:
      break;  // typing: the model types
  }
  r.ui.dialogs.scripts.clear();
  r.ui.files.answers.clear();
  return r.frameWindow.destroyed || !r.ui.log.of(fake::Event::Kind::PostQuit).empty();
}

}  // namespace reliability
