// The virtual reader's table of the documented command forms: a few forms
// each side of its edges, as the manuals draw them.
#include <gtest/gtest.h>

#include <algorithm>

#include "pcsc/vreader/grammar.h"
#include "sim/hex.h"

namespace pcsctest {
namespace {

using vreader::Generation;
using vreader::Grammar;

struct Form {
  int type;
  Generation generation;
  const char* apdu;
  const char* row;  // the row's name, or the refusal's status word
};

const Form kForms[] = {
    {0, Generation::Newer, "FFA4000001 06", "SELECT_CARD_TYPE"},
    {0, Generation::Newer, "FFA4000001 07", "6A86"},  // SLE4436: its write modes are unconfirmed
    {6, Generation::Newer, "FFB1000004", "READ_PRESENTATION_ERROR_COUNTER"},
    {6, Generation::Older, "FFB1000004", "6700"},
    {6, Generation::Older, "FFB1000000", "READ_PRESENTATION_ERROR_COUNTER"},
    {5, Generation::Newer, "FFB1000003", "READ_PRESENTATION_ERROR_COUNTER"},
    {6, Generation::Newer, "FFD1001F01 AA", "WRITE_PROTECTION_MEMORY_CARD"},
    {6, Generation::Newer, "FFD1002001 AA", "6A86"},  // past byte 31
    {6, Generation::Newer, "FFD1001E03 AABBCC", "6A86"},  // 30 + 3 > 32
    {6, Generation::Newer, "FFD1001F02 AA", "6700"},         // Lc 2, one byte of data
    {6, Generation::Newer, "FFB2000004", "READ_PROTECTION_BITS"},
    {6, Generation::Older, "FFB2000004", "6D00"},
    {9, Generation::Newer, "FF20080A02 F0F0", "VERIFY_SECURITY_CODE"},
    {9, Generation::Newer, "FF20809C04 FFFFFFFF", "ERASE_APPL_ZONE_WITH_EC2"},
    {9, Generation::Newer, "FF20009C04 FFFFFFFF", "ERASE_APPLICATION_ZONE_2"},
    {9, Generation::Newer, "FF05000004 06100101", "BLOWN_FUSE"},
    {9, Generation::Newer, "FF05000004 06110101", "6A86"},  // a fuse no manual names
    {9, Generation::Newer, "FFB000C401", "6A86"},  // past the chip's 1568 bits
    {4, Generation::Newer, "FF20000004 07FFFFFF", "VERIFY_PASSWORD"},
    {4, Generation::Newer, "FFD100800106", "WRITE_FUSES"},
    {4, Generation::Newer, "FFD0000F02 0102", "6A86"},  // crosses a 16-byte page
    {3, Generation::Newer, "FFD4000001 06", "WRITE_FUSES"},
    {1, Generation::Newer, "FFD0000002 0102", "WRITE_MEMORY_CARD"},
    {1, Generation::Newer, "FF84000008 0102030405060708", "6D00"},
    {2, Generation::Newer, "FFB0FFF010", "READ_MEMORY_CARD"},
};

TEST(PcscGrammar, DocumentedFormsAcceptedOthersRefused) {
  for (const Form& f : kForms) {
    std::string text = f.apdu;
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    auto apdu = sim::fromHex(text, text.size() / 2);
    ASSERT_TRUE(apdu) << f.apdu;
    Grammar::Match m = Grammar::acs().match(f.type, f.generation, *apdu);
    const std::string got = m.row ? m.row->name : sim::toHex(m.refusal);
    EXPECT_EQ(got, f.row) << f.apdu << " under type " << f.type << ": " << m.why;
  }
}

TEST(PcscGrammar, EveryRowCitesItsManualAndIrreversibleRowsWrite) {
  for (const vreader::GrammarRow& r : Grammar::acs().rows()) {
    EXPECT_NE(r.source.find("§"), std::string::npos) << r.name;
    EXPECT_FALSE(r.answers.empty()) << r.name;
    EXPECT_TRUE(!r.irreversible || r.writes) << r.name;
  }
}

}  // namespace
}  // namespace pcsctest
