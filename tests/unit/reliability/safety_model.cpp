#include "reliability/safety_model.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "memview/alias_check.h"
#include "memview/card_image_file.h"
#include "memview/image_guard.h"
#include "reader/detection.h"
#include "sim/sim_api.h"

namespace reliability {

namespace {

using K = Action::Kind;

bool regioned(CardType t) {
  return t == CardType::At45d041 || t == CardType::Ssf1101 || t == CardType::At88sc1608 ||
         t == CardType::At88sc153;
}

// Visible texts drawn during the action.
bool drew(const Rig& r, const char* text) {
  for (const fake::Event& e : r.ui.log.of(fake::Event::Kind::Text))
    if (e.text == text && e.fg != e.bg) return true;
  return false;
}

bool boxStartsWith(const Rig& r, const char* text) {
  for (const fake::Event& e : r.ui.log.of(fake::Event::Kind::MessageBox))
    if (e.text.rfind(text, 0) == 0) return true;
  return false;
}

// A box or a visible text that holds `part`.
bool shows(const Rig& r, const char* part) {
  for (const fake::Event& e : r.ui.log.events)
    if ((e.kind == fake::Event::Kind::MessageBox || (e.kind == fake::Event::Kind::Text && e.fg != e.bg)) &&
        e.text.find(part) != std::string::npos)
      return true;
  return false;
}

// The answer to the first box that holds `text` (0: not asked).
int answerTo(const Rig& r, const char* text) {
  for (const fake::Event& e : r.ui.log.of(fake::Event::Kind::MessageBox))
    if (e.text.find(text) != std::string::npos) return e.answer;
  return 0;
}

int discardAnswer(const Rig& r) { return answerTo(r, memview::kDiscardEdits); }

// The driver function that writes a card type's data.
const char* dataWriteFunction(CardType t) {
  switch (t) {
    case CardType::At88sc1608:
    case CardType::At88sc153:
      return "IC_WriteUserZone";
    case CardType::At45d041:
      return "IC_DirectWrite";
    case CardType::Ssf1101:
      return "IC_Write_1101";
    default:
      return "IC_Write";
  }
}



std::string hex2(int v) {
  char b[8];
  std::snprintf(b, sizeof b, "%02X", v & 0xFF);
  return b;
}

}  // namespace

Model::Model(World& world) : world_(world) {
  for (int i = 0; i < world_.cardCount(); ++i) snapshots_.push_back(world_.state(i));
}

void Model::record(int address) {
  if (!image_.valid) return;
  allowed_[{image_.card, image_.region}].insert(address);
  pending_.insert(address);
}

// A click moves the caret or leaves it (below the grid's full rows, for
// one): the operator types where the caret is then seen.
void Model::click(Rig& r, int row, int col, bool ascii) {
  r.clickCell(row, col, ascii);
  port::Point p;
  if (r.caretShown(p)) {
    belief_ = memview::stopAt(r.st, p, p.x >= layout::asciiOrigin.x);
    haveBelief_ = true;
  }
}

void Model::type(Rig& r, const Action& a) {
  const AppState& st = r.st;
  if (a.kind != K::TypeHexHere) {
    click(r, a.a, a.b, a.kind == K::TypeCharsAt);
  }
  for (char c : a.text) {
    // A character the grid does not take leaves the caret where it is.
    const bool takes =
        belief_.ascii ? (c >= 32 && c <= 126) : std::isxdigit(static_cast<unsigned char>(c)) != 0;
    if (!takes) {
      r.view->onChar(static_cast<unsigned char>(c));
      continue;
    }
    const int address = st.currentPage * 256 + belief_.row * 16 + belief_.col;
    const bool typed = st.editActive && haveBelief_ && address < st.byteCount;
    if (typed) record(address);
    r.view->onChar(static_cast<unsigned char>(c));
    if (!typed) continue;
    // The caret moves on as the operator expects: digit by digit, byte by
    // byte, row by row; it stays on the card's last byte.
    if (!belief_.ascii && !belief_.low) {
      belief_.low = true;
    } else if (address + 1 < st.byteCount) {
      belief_.low = false;
      if (++belief_.col == 16) {
        belief_.col = 0;
        belief_.row = (belief_.row + 1) % 16;
      }
    }
  }
}

Model::Identity Model::readIdentity(const Rig& r, const Action& a) const {
  const int card = world_.inReader();
  if (card < 0) return {};
  const CardType program = r.st.cardType;
  const CardType physical = cardTypeOf(world_.type(card));
  if (program != physical) {
    if (regioned(program) || regioned(physical)) return {};
    return {true, card, 0};
  }
  const int asked = a.kind == K::Read ? a.a : programRegion(r);
  switch (program) {
    case CardType::At45d041:
      return {true, card, std::min(asked, 2047)};
    case CardType::Ssf1101:
      return {true, card, std::min(asked, 511)};
    case CardType::At88sc1608:
      return {true, card, std::min(asked, kAt88sc1608ConfigZone)};
    default:
      return {true, card, 0};
  }
}

int Model::programRegion(const Rig& r) const {
  switch (r.st.cardType) {
    case CardType::At45d041:
    case CardType::At88sc1608:
      return r.st.zoneIndex;
    case CardType::Ssf1101:
      return r.st.blockIndex;
    default:
      return 0;
  }
}

// The operator answered No (or did not answer Yes) to discarding pending
// edits: the command did nothing, and the image and its edits stay.
static bool declinedDiscard(const Rig& r, const Action& a) {
  const std::vector<std::string> boxes = r.ui.log.boxes();
  if (boxes.empty() || boxes.front().find(memview::kDiscardEdits) == std::string::npos) return false;
  return a.answers.empty() || a.answers.front() != port::mb::kIdYes;
}

bool Model::unsaved(const Rig& r) {
  if (!image_.valid) return false;
  const CardState s = world_.state(image_.card);
  for (int address : pending_) {
    const int v = world_.visibleByte(image_.card, s, image_.region, address);
    if (v >= 0 && v != r.doc.byteAt(address)) return true;
  }
  return false;
}

// Each input that reaches the view while the first box is open must be
// dropped with one beep.
void Model::queueDuringBox(Rig& r, const Action& a) {
  if (a.duringBox.empty()) return;
  r.ui.shell.whileOpen.push_back([this, &r, a] {
    for (const Action::Input& in : a.duringBox) {
      const int beeps = r.ui.log.beepCount();
      deliver(r, in);
      if (r.ui.log.beepCount() != beeps + 1 && unheard_.empty())
        unheard_ = "[input-in-box] " + describe(a) + ": input while its box was open was not dropped with one beep";
    }
  });
}

std::string Model::step(Rig& r, const Action& a) {
  const bool editing = r.st.editActive != 0;
  int markAt = -1;
  const std::vector<std::uint8_t> before = r.image();
  const bool unsavedBefore = unsaved(r);
  const bool currentRead = memview::holdsCurrentRead(r.st);
  const ReaderPort port = r.st.port;
  const std::size_t asked = r.ui.files.asked.size();
  bool ended = false;
  r.ui.log.clear();
  unheard_.clear();
  queueDuringBox(r, a);
  for (int x : a.answers) r.ui.shell.answers.push_back(x);
  sim::Faults f;
  if (a.fault == Action::Fault::Fail) f.failCall = a.faultCall;
  if (a.fault == Action::Fault::Pull) f.pullAtCall = a.faultCall;
  if (a.fault == Action::Fault::Drop) f.dropReaderAtCall = a.faultCall;
  if (a.fault == Action::Fault::FailWrite) {
    f.failCall = 1;
    f.failFunction = dataWriteFunction(r.st.cardType);
  }
  sim::TestReader::setFaults(f);
  calls().clear();
  if (a.kind == K::TypeHexAt || a.kind == K::TypeHexHere || a.kind == K::TypeCharsAt) {
    type(r, a);
  } else {
    // Space marks the byte under the caret, wherever the click left it.
    if (a.kind == K::Mark) click(r, a.a, a.b, false);
    markAt = r.st.currentPage * 256 + belief_.row * 16 + belief_.col;
    ended = perform(r, world_, a);
  }
  sim::TestReader::setFaults({});
  r.ui.shell.answers.clear();
  r.ui.shell.whileOpen.clear();
  world_.collectPulled();

  // A detection that could not put its probe bytes back must say so.
  std::string why = checkCards(r, a, a.kind == K::Detect && shows(r, kProbeNotRestored));

  // What the grid holds now.
  // A failed write's re-read drops the edits and says so.
  const bool readDone = drew(r, "读卡成功") || drew(r, memview::kEditsDropped);
  if (readDone) {
    image_ = readIdentity(r, a);
    pending_.clear();
    if (image_.valid) {
      allowed_[{image_.card, image_.region}].clear();
      marks_[image_.card].clear();
    }
  } else if (drew(r, "读卡失败") ||
             ((a.kind == K::Detect || a.kind == K::ChooseType) && !declinedDiscard(r, a))) {
    image_.valid = false;
  }
  if (a.kind == K::Mark && editing && haveBelief_ && image_.valid) marks_[image_.card].insert(markAt);
  if (a.kind == K::OpenImage && boxStartsWith(r, "已打开文件")) {
    const std::vector<std::uint8_t>& file = r.ui.files.files["card.bin"];
    for (std::size_t i = 0; i < file.size() && i < before.size(); ++i)
      if (file[i] != before[i]) record(static_cast<int>(i));
  }
  if (why.empty()) why = checkShown(r, a, editing, readDone);
  const bool lost = unsavedBefore && (ended || r.st.port != port);
  if (why.empty()) why = checkEdits(r, a, lost, before, readDone);
  if (why.empty() && !currentRead && r.ui.files.asked.size() > asked)
    why = "[file-unread] " + describe(a) + ": a file dialog opened on an image that is not the current read";
  if (why.empty()) why = unheard_;
  if (discardAnswer(r) == port::mb::kIdYes && image_.valid) {
    pending_.clear();
    allowed_[{image_.card, image_.region}].clear();
    marks_[image_.card].clear();
  }
  // What F5 wrote is on the card; what it did not stays pending.
  if (a.kind == K::WriteF5 && image_.valid) {
    const CardState s = world_.state(image_.card);
    std::erase_if(pending_, [&](int address) {
      return world_.visibleByte(image_.card, s, image_.region, address) == r.doc.byteAt(address);
    });
  }
  if (ended) {
    // The operator starts the program again; its first paint detects.
    r.restart();
    image_ = {};
    pending_.clear();
    haveBelief_ = false;
    if (why.empty()) why = step(r, Action{});
    return why;
  }

  port::Point p;
  if (r.caretShown(p)) {
    belief_ = memview::stopAt(r.st, p, p.x >= layout::asciiOrigin.x);
    haveBelief_ = true;
  }
  return why;
}

std::string Model::checkCards(const Rig& r, const Action& a, bool excused) {
  std::string why;
  for (int i = 0; i < world_.cardCount(); ++i) {
    CardState now = world_.state(i);
    CardState& was = snapshots_[static_cast<std::size_t>(i)];
    if (now == was) continue;
    if (!excused && why.empty()) why = changeAllowed(r, i, was, now, a);
    // Bytes left changed are put back later: back to their value before.
    for (std::size_t f = 0; excused && f < was.bytes.size() && f < now.bytes.size(); ++f)
      for (std::size_t j = 0; j < was.bytes[f].second.size() && j < now.bytes[f].second.size(); ++j)
        if (was.bytes[f].second[j] != now.bytes[f].second[j])
          leftChanged_.try_emplace({i, was.bytes[f].first, j}, was.bytes[f].second[j]);
    was = std::move(now);
  }
  return why;
}

// A 24Cxx chip ignores the address bits above its size: read as a larger
// type, a byte typed above its size lands on the byte it mirrors. That
// write must be found and undone: the card changes only where typed.
bool Model::typedAt(int card, const Place& p) { return allowed_[{card, p.region}].count(p.address) != 0; }

std::string Model::changeAllowed(const Rig& r, int card, const CardState& was, const CardState& now,
                                 const Action& a) {
  // Protection is written only after the data write succeeded.
  const bool dataWritten = !boxStartsWith(r, "写入没有成功") && !boxStartsWith(r, memview::kOtherCard);
  // An aliased write that could not be undone is reported.
  const bool aliasReported = a.kind == K::WriteF5 && shows(r, memview::kAliasedWrite);
  const std::string& cardName = world_.type(card);
  const std::string by = std::string(" by ") + describe(a);
  if (was.numbers != now.numbers && a.kind != K::VerifyCode)
    return "[counter] " + cardName + " card " + std::to_string(card) + ": a code, counter or fuse changed" +
           by;
  for (std::size_t f = 0; f < was.bytes.size() && f < now.bytes.size(); ++f) {
    const auto& [name, old] = was.bytes[f];
    const sim::Bytes& cur = now.bytes[f].second;
    for (std::size_t j = 0; j < old.size() && j < cur.size(); ++j) {
      if (old[j] == cur[j]) continue;
      const Place p = placeOf(cardName, name, j);
      if (a.kind == K::WriteF5 && isImageField(name) && (typedAt(card, p) || aliasReported)) continue;
      const auto left = leftChanged_.find({card, name, j});
      if (left != leftChanged_.end() && left->second == cur[j]) {
        leftChanged_.erase(left);
        continue;
      }
      if (a.kind == K::WriteF5 && name == "protection" && dataWritten && marks_[card].count(static_cast<int>(j)))
        continue;
      // The code commands count attempts: counters and hidden codes only.
      if (a.kind == K::VerifyCode &&
          (!isImageField(name) || world_.visibleByte(card, now, p.region, p.address) < 0))
        continue;
      return std::string(a.kind == K::WriteF5 ? "[not-typed] " : "[not-by-F5] ") + cardName + " card " +
             std::to_string(card) + " changed at " + name + " " + std::to_string(j) + " (region " +
             std::to_string(p.region) + ", image address " + std::to_string(p.address) + ", " + hex2(old[j]) +
             " -> " + hex2(cur[j]) + ")" + by +
             (a.kind == K::WriteF5 ? ": not typed, loaded or marked since its last read"
                                   : ": only F5 writes");
    }
  }
  return "";
}

std::string Model::checkShown(Rig& r, const Action& a, bool editing, bool readDone) {
  const int card = world_.inReader();
  if (card < 0) return "";
  const CardState now = world_.state(card);
  if (readDone && image_.valid) {
    for (int i = 0; i < r.st.byteCount; ++i) {
      const int v = world_.visibleByte(card, now, image_.region, i);
      if (v >= 0 && v != r.doc.byteAt(i))
        return "[read-shown] \"读卡成功\" shown, but the image holds " + hex2(r.doc.byteAt(i)) + " at " +
               std::to_string(i) + " where the card's region " + std::to_string(image_.region) + " holds " +
               hex2(v);
    }
  }
  if (a.kind == K::WriteF5 && editing && r.ui.log.boxes().empty() && image_.valid && image_.card == card &&
      image_.region == programRegion(r)) {
    for (int address : pending_) {
      const int v = world_.visibleByte(card, now, image_.region, address);
      if (v >= 0 && v != r.doc.byteAt(address))
        return "[write-unshown] F5 showed no failure, but the card holds " + hex2(v) + " at " +
               std::to_string(address) + " where the edited image holds " + hex2(r.doc.byteAt(address));
    }
  }
  if (a.kind == K::Detect && drew(r, "检测成功") && r.st.cardType != cardTypeOf(world_.type(card)))
    return "[detect-shown] \"检测成功\" shown for card type " + std::to_string(codeOf(r.st.cardType)) +
           " but the card is a " + world_.type(card);
  return "";
}

// Edits not on the card: lost only after a Yes to discarding them, kept by
// a No, and a Yes puts the card's bytes back into the image. A saved image
// holds the card's bytes, or the edited ones when the operator chose them.
std::string Model::checkEdits(Rig& r, const Action& a, bool lostEdits, const std::vector<std::uint8_t>& before,
                              bool readDone) {
  const int answer = discardAnswer(r);
  if (lostEdits && answer != port::mb::kIdYes)
    return "[edits-lost] " + describe(a) + ": edits not on the card were dropped without a Yes to \"" +
           memview::kDiscardEdits + "\"";
  if (answer == port::mb::kIdNo && r.image() != before)
    return "[edits-kept] " + describe(a) + ": the image changed after a No to discarding its edits";
  if (answer == port::mb::kIdYes && !readDone && !drew(r, "读卡失败") && image_.valid) {
    const CardState s = world_.state(image_.card);
    for (int address : pending_) {
      const int v = world_.visibleByte(image_.card, s, image_.region, address);
      if (v >= 0 && v != r.doc.byteAt(address))
        return "[discard-kept] " + describe(a) + ": after a Yes to discarding, the image holds " +
               hex2(r.doc.byteAt(address)) + " at " + std::to_string(address) + " where the card holds " + hex2(v);
    }
  }
  const auto saved = r.ui.files.files.find("save.bin");
  if (a.kind != K::Save || saved == r.ui.files.files.end() || !image_.valid) return "";
  const std::vector<std::uint8_t>& file = saved->second;
  if (answerTo(r, cardimage::kSaveWhich) == port::mb::kIdNo) {
    return file == r.image() ? "" : "[save-not-image] " + describe(a) + ": the edited image was chosen, not saved";
  }
  const CardState s = world_.state(image_.card);
  for (std::size_t i = 0; i < file.size(); ++i) {
    const int v = world_.visibleByte(image_.card, s, image_.region, static_cast<int>(i));
    if (v >= 0 && v != file[i])
      return "[save-not-card] " + describe(a) + ": the saved image holds " + hex2(file[i]) + " at " +
             std::to_string(i) + " where the card holds " + hex2(v);
  }
  return "";
}

}  // namespace reliability
