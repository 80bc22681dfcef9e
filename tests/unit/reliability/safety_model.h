// The operator's side of the safety sweep: what the operator meant to
// change, and the check after every action that the cards changed only
// there, only by F5, and that every failure was shown.
//
// A card may change only in bytes the operator typed (or loaded with
// Ctrl+O) on an image of that card's zone, page or block since its last
// successful read, and only by F5; a protection bit only where the operator
// marked the byte before an F5 whose data write succeeded. Input that
// reaches the view while a box is open is dropped with one beep. The code
// commands may change attempt counters. A detection that fails may leave a
// card changed only when it says so. Edits not on the card are never lost
// without a Yes to "discard", which restores the card's bytes; a saved
// image holds the card's bytes unless the operator chose the edited ones.
#pragma once

#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "reliability/safety_actions.h"
#include "reliability/safety_world.h"
#include "view/editor_caret.h"

namespace reliability {

class Model {
 public:
  explicit Model(World& world);
  // Runs the action on the rig under its fault and checks the cards and the
  // screen afterwards: "" when all is well, else what went wrong.
  std::string step(Rig& r, const Action& a);

 private:
  // The card image the grid holds: whose card and which region it was read
  // from; not valid when no successful read stands behind it.
  struct Identity {
    bool valid = false;
    int card = -1;
    int region = 0;
    friend bool operator==(const Identity&, const Identity&) = default;
  };

  void click(Rig& r, int row, int col, bool ascii);
  bool typedAt(int card, const Place& p);
  void type(Rig& r, const Action& a);
  void record(int address);
  Identity readIdentity(const Rig& r, const Action& a) const;
  int programRegion(const Rig& r) const;
  std::string checkCards(const Rig& r, const Action& a, bool excused);
  std::string changeAllowed(const Rig& r, int card, const CardState& was, const CardState& now, const Action& a);
  std::string checkShown(Rig& r, const Action& a, bool editing, bool readDone);
  // Typed or loaded bytes of the image that its card does not hold.
  bool unsaved(const Rig& r);
  std::string checkEdits(Rig& r, const Action& a, bool lostEdits, const std::vector<std::uint8_t>& before,
                         bool readDone);
  void queueDuringBox(Rig& r, const Action& a);

  World& world_;
  std::vector<CardState> snapshots_;
  Identity image_;
  // Image addresses typed or loaded, by (card, region); marked bytes by card.
  std::map<std::pair<int, int>, std::set<int>> allowed_;
  std::map<int, std::set<int>> marks_;
  std::set<int> pending_;  // typed or loaded since the last read or F5
  memview::Stop belief_;   // where the operator last saw the caret
  bool haveBelief_ = false;
  std::string unheard_;  // input taken while a box was open
  // Bytes a reported failure left changed, with their value before:
  // putting them back later is no change of the operator's.
  std::map<std::tuple<int, std::string, std::size_t>, std::uint8_t> leftChanged_;
};

}  // namespace reliability
