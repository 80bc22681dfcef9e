// The documented forms of the readers' memory-card pseudo-APDUs, read from
// acs_commands.grammar (compiled in): which APDU a reader of a generation
// takes under a card type, and which answers its manual gives for it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vreader {

using Bytes = std::vector<std::uint8_t>;

enum class Generation { Older, Newer };

struct GrammarRow {
  int type = -1;  // the reader's card type, -1 = any
  std::string name;
  std::uint8_t ins = 0;
  int p1p2Low = 0, p1p2High = 0;
  int p3Low = 0, p3High = 0;
  bool dataFollows = false;           // P3 is Lc (else Le, nothing follows)
  std::vector<std::string> data;      // hex patterns, X = any digit; empty = any
  enum class Extent { None, End, Page } extent = Extent::None;
  int extentValue = 0;
  bool older = true, newer = true;
  std::vector<std::pair<int, int>> answers;  // SW1, SW2 (-1 = any byte)
  bool writes = false, irreversible = false;
  std::string source;
};

class Grammar {
 public:
  // The table compiled into the program; throws on a malformed row.
  static const Grammar& acs();
  explicit Grammar(const std::string& text);

  struct Match {
    const GrammarRow* row = nullptr;  // null: no documented form
    Bytes refusal;                    // then: 6D 00, 6A 86 or 67 00
    std::string why;
  };
  // The row `apdu` (CLA FF) matches under the card type selected (0 = none).
  Match match(int selectedType, Generation generation, const Bytes& apdu) const;
  // Whether the row documents this status word.
  static bool documents(const GrammarRow& row, std::uint8_t sw1, std::uint8_t sw2);
  const std::vector<GrammarRow>& rows() const { return rows_; }

 private:
  std::vector<GrammarRow> rows_;
};

// An APDU as hexadecimal text, for messages.
std::string hexText(const Bytes& bytes);

}  // namespace vreader
