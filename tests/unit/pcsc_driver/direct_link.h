// A PC/SC link straight to a virtual reader's card, in the same process and
// without pcscd: the driver core runs against the card models exactly as
// through the smart-card service, and every APDU is recorded.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "pcsc/link.h"
#include "pcsc/vreader/pseudo_card.h"

namespace pcsctest {

struct DirectReader {
  std::unique_ptr<vreader::PseudoCard> card;  // null: no card
  std::string name = "Direct PCD 00 00";
  bool gone = false;              // the reader stopped answering
  std::vector<pcsc::Bytes> sent;  // every APDU, in order
  std::vector<std::string> violations;  // APDUs outside the documented forms
  bool powered = false;
  bool shortAtr = false;          // the reset answers TS alone
  int resets = 0;                 // resets by other applications

  // Another application resets the card: connections made before see it.
  void resetByAnother();

  // Inserts a factory card of the simulated reader's type ("none" pulls it).
  void insert(const std::string& type, vreader::Generation generation = vreader::Generation::Newer);
  void pull() { card.reset(); }
  // The APDUs sent with this instruction byte.
  int count(std::uint8_t ins) const;
};

// A link factory for pcsc::useLinkFactory on `reader` (which must outlive
// the links).
std::unique_ptr<pcsc::Link> makeDirectLink(DirectReader& reader);

}  // namespace pcsctest
