// The operator's side of the safety sweep: what the operator meant to
// change, and the check after every action that the cards changed only
// there, only by F5, and that every failure was shown.
//
// A card may change only in bytes the operator typed (or loaded with
// Ctrl+O) on an image of that card's zone, page or block since its last
// successful read, and only by F5; a protection bit only where the operator
// marked the byte. The code commands may change attempt counters. A fault
// that takes the card or the reader away during detection after a test
// write is excused.
#pragma once

#include <map>
#include <set>
#include <string>
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
  bool typedAt(int card, const Place& p, std::size_t size);
  void type(Rig& r, const Action& a);
  void record(int address);
  Identity readIdentity(const Rig& r, const Action& a) const;
  int programRegion(const Rig& r) const;
  std::string checkCards(const Action& a, bool excused);
  std::string changeAllowed(int card, const CardState& was, const CardState& now, const Action& a);
  std::string checkShown(Rig& r, const Action& a, bool editing, bool readDone);

  World& world_;
  std::vector<CardState> snapshots_;
  Identity image_;
  // Image addresses typed or loaded, by (card, region); marked bytes by card.
  std::map<std::pair<int, int>, std::set<int>> allowed_;
  std::map<int, std::set<int>> marks_;
  std::set<int> pending_;  // typed or loaded since the last read or F5
  memview::Stop belief_;   // where the operator last saw the caret
  bool haveBelief_ = false;
};

}  // namespace reliability
