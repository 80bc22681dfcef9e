// Round trips on the simulated reader: read a card, edit it with the keys,
// write it with F5, read it again and compare with the card itself.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "memview_fixture.h"
#include "sim/sim_api.h"
#include "resources/resource.h"

namespace memview_test {
namespace {

using port::vk::kDown;
using port::vk::kF5;
using port::vk::kNext;
using port::vk::kSpace;
using port::vk::kTab;

struct SimCard {
  const char* sim;
  CardType cardType;
  std::vector<std::uint8_t> code;  // presented before writing (empty: none)
  int lastEdit;                    // a byte near the end of the card, -1 for byteCount - 1
  int number = 0;                  // page, block or zone for the dialog
};

class SimView {
 public:
  explicit SimView(const SimCard& c) : card(c) {
    sim::TestReader::reset(c.sim, 100);
    sim::fillDriverTable(drv);
    v.st.readerHandle = drv.IC_InitComm(100);
    v.st.cardType = c.cardType;
    drv.IC_InitType(v.st.readerHandle, codeOf(driverTypeFor(c.cardType)));
    present();
  }

  void present() {
    const int h = v.st.readerHandle;
    const unsigned char* code = card.code.data();
    switch (card.cardType) {
      case CardType::Sle4442:
        drv.IC_CheckPass_SLE4442(h, code);
        break;
      case CardType::Sle4428:
        drv.IC_CheckPass_SLE4428(h, code);
        break;
      case CardType::At88sc102:
        drv.IC_CheckPass_102(h, code);
        break;
      case CardType::At88sc1604:
        drv.IC_CheckPass_1604(h, 0, code);
        break;
      case CardType::At88sc1604b:
        drv.IC_CheckPass_1604B(h, 0, code);
        break;
      default: break;
    }
  }

  // The Read command, answering the page/zone dialog where there is one.
  void read() {
    if (card.cardType == CardType::At45d041 || card.cardType == CardType::Ssf1101 ||
        card.cardType == CardType::At88sc1608) {
      v.ui.dialogs.scripts.push_back(fake::typeAndOk(1002, std::to_string(card.number)));
    }
    v.view.onCommand(ID_CARD_READ);
  }

  // Bytes of the image that are plain card memory: all but the AT88SC153's
  // configuration zone, whose codes read as 00.
  int userBytes() const { return card.cardType == CardType::At88sc153 ? 192 : v.st.byteCount; }

  // The card's memory behind the image: from the page, block or zone read.
  std::vector<std::uint8_t> cardBytes() {
    std::vector<std::uint8_t> m = sim::TestReader::memory();
    std::size_t from = 0;
    if (card.cardType == CardType::At45d041) from = static_cast<std::size_t>(card.number) * 264;
    if (card.cardType == CardType::Ssf1101) from = static_cast<std::size_t>(card.number) * 1024;
    if (card.cardType == CardType::At88sc1608) from = static_cast<std::size_t>(card.number) * 256;
    return std::vector<std::uint8_t>(m.begin() + static_cast<long>(from),
                                     m.begin() + static_cast<long>(from) + userBytes());
  }

  std::vector<std::uint8_t> image(bool all = true) {
    std::vector<std::uint8_t> out;
    for (int i = 0; i < (all ? v.st.byteCount : userBytes()); ++i) out.push_back(v.doc.byteAt(i));
    return out;
  }

  SimCard card;
  DriverTable drv;
  MemView v{drv};
};

const std::vector<SimCard>& writableCards() {
  static const std::vector<SimCard> cards = {
      {"24c01a", CardType::At24c01a, {}, -1},
      {"24c02", CardType::At24c02, {}, -1},
      {"24c04", CardType::At24c04, {}, -1},
      {"24c08", CardType::At24c08, {}, -1},
      {"24c16", CardType::At24c16, {}, -1},
      {"24c64", CardType::At24c64, {}, -1},
      {"sle4442", CardType::Sle4442, {0xFF, 0xFF, 0xFF}, -1},
      {"sle4428", CardType::Sle4428, {0xFF, 0xFF}, 1020},
      {"sle4404", CardType::Sle4404, {}, -1},
      {"at88sc102", CardType::At88sc102, {0xF0, 0xF0}, -1},
      {"at88sc1604", CardType::At88sc1604, {0xFF, 0xFF}, -1},
      {"at88sc1604b", CardType::At88sc1604b, {0xFF, 0xFF}, -1},
      {"at88sc1608", CardType::At88sc1608, {}, -1, 3},
      {"at88sc153", CardType::At88sc153, {}, 191},
      {"at45d041", CardType::At45d041, {}, -1, 1000},
      {"ssf1101", CardType::Ssf1101, {}, -1, 17},
  };
  return cards;
}

TEST(SimRoundTrip, EveryWritableCardKeepsWhatWasTyped) {
  for (const SimCard& c : writableCards()) {
    SCOPED_TRACE(c.sim);
    SimView s(c);
    MemView& v = s.v;
    s.read();
    ASSERT_EQ(v.st.viewState, ViewState::CardData) << v.ui.log.dump();
    v.edit();
    v.key(kDown);
    v.type("a1b2");  // bytes 16 and 17
    v.key(kDown, 2);
    v.key(kTab);
    v.type("Hi");  // bytes 50 and 51, as characters
    v.key(kTab);
    if (v.st.pageCount > 1) {
      v.key(kNext);
      v.type("e5");  // a byte of page 2
    }
    const int last = c.lastEdit >= 0 ? c.lastEdit : v.st.byteCount - 1;
    v.st.currentPage = last / 256;
    v.view.painter().drawGrid();
    v.caretTo({false, (last % 256) / 16, last % 16, false});
    v.type("77");
    const std::vector<std::uint8_t> typed = s.image();
    EXPECT_EQ(typed[16], 0xA1);
    EXPECT_EQ(typed[50], 'H');
    EXPECT_EQ(typed[static_cast<std::size_t>(last)], 0x77);

    v.ui.log.clear();
    v.key(kF5);
    EXPECT_TRUE(v.ui.log.boxes().empty()) << v.ui.log.dump();
    EXPECT_EQ(v.doc.editedRowCount, 0);
    EXPECT_EQ(s.cardBytes(), s.image(false)) << "the card holds what was typed";

    v.doc.setByte(16, 0);
    s.read();
    EXPECT_EQ(s.image(), typed) << "and reads back the same";
  }
}

// A card that answers writes and keeps nothing is caught by the read-back.
TEST(SimRoundTrip, DroppedWritesAreCaught) {
  for (const SimCard& c : writableCards()) {
    SCOPED_TRACE(c.sim);
    SimView s(c);
    MemView& v = s.v;
    s.read();
    ASSERT_EQ(v.st.viewState, ViewState::CardData) << v.ui.log.dump();
    sim::Faults drop;
    drop.dropWrites = true;
    sim::TestReader::setFaults(drop);
    v.edit();
    v.key(kDown);
    v.type("a1");
    v.ui.shell.answers = {port::mb::kIdYes};
    v.ui.log.clear();
    v.key(kF5);
    EXPECT_EQ(v.ui.log.boxes(), std::vector<std::string>{"操作提示|写入没有成功，要重新读卡吗？"});
    EXPECT_EQ(v.doc.byteAt(16), s.cardBytes()[16]) << "Yes shows the card's own byte again";
    EXPECT_NE(v.doc.byteAt(16), 0xA1);
    sim::TestReader::setFaults({});
  }
}

// A protection mark the card takes and does not keep is not taken for
// written: the operator is told and the mark stays to be written again.
TEST(SimRoundTrip, DroppedProtectionMarksAreCaught) {
  for (const SimCard& c : {SimCard{"sle4442", CardType::Sle4442, {0xFF, 0xFF, 0xFF}, -1},
                           SimCard{"sle4428", CardType::Sle4428, {0xFF, 0xFF}, -1}}) {
    SCOPED_TRACE(c.sim);
    SimView s(c);
    MemView& v = s.v;
    // The flag of byte 5 as marked (or protected) and as last written.
    const auto flag = [&] {
      return c.cardType == CardType::Sle4442 ? v.st.protect4442[5] : v.st.pages4428[0][256 + 5];
    };
    const auto saved = [&] {
      return c.cardType == CardType::Sle4442 ? v.st.protect4442Saved[5] : v.st.pages4428Saved[0][256 + 5];
    };
    s.read();
    v.edit();
    v.caretTo({false, 0, 5, false});
    v.key(kSpace);
    sim::Faults drop;
    drop.dropWrites = true;
    sim::TestReader::setFaults(drop);
    v.ui.log.clear();
    v.key(kF5);
    EXPECT_EQ(v.ui.log.boxes(), std::vector<std::string>{"提示信息|写保护没有成功."});
    EXPECT_EQ(saved(), 1);
    sim::TestReader::setFaults({});
    v.ui.log.clear();
    v.key(kF5);
    EXPECT_TRUE(v.ui.log.boxes().empty()) << "written on the next F5: " << v.ui.log.dump();
    s.read();
    EXPECT_EQ(flag(), 0) << "protected on the card";
  }
}

TEST(SimRoundTrip, Sle4442ProtectionIsWrittenAndThenHolds) {
  SimView s({"sle4442", CardType::Sle4442, {0xFF, 0xFF, 0xFF}, -1});
  MemView& v = s.v;
  s.read();
  v.edit();
  v.caretTo({false, 0, 5, false});
  v.type("3c");
  v.caretTo({false, 0, 5, false});
  v.key(kSpace);
  v.key(kF5);
  EXPECT_TRUE(v.ui.log.boxes().empty()) << v.ui.log.dump();
  EXPECT_EQ(v.st.protect4442Saved[5], 0);

  s.read();
  EXPECT_EQ(v.st.protect4442[5], 0) << "protected on the card";
  EXPECT_EQ(v.doc.byteAt(5), 0x3C);
  EXPECT_EQ(v.hexCell(5)->fg, colour::red);
  v.edit();
  v.caretTo({false, 0, 5, false});
  v.key(kSpace);
  EXPECT_EQ(v.st.protect4442[5], 0) << "a protected byte cannot be marked again";

  // Writing the protected byte fails, re-reads and asks.
  v.type("99");
  v.ui.log.clear();
  v.ui.shell.answers = {port::mb::kIdNo};
  v.key(kF5);
  EXPECT_EQ(v.ui.log.boxes(), std::vector<std::string>{"操作提示|写入没有成功，要重新读卡吗？"});
  EXPECT_EQ(sim::TestReader::memory()[5], 0x3C);
  EXPECT_EQ(v.doc.byteAt(5), 0x3C) << "the re-read shows the card again";
}

TEST(SimRoundTrip, Sle4428ProtectionOnSeveralPages) {
  SimView s({"sle4428", CardType::Sle4428, {0xFF, 0xFF}, -1});
  MemView& v = s.v;
  s.read();
  v.edit();
  for (int a : {9, 300, 1000}) {
    v.st.currentPage = a / 256;
    v.caretTo({false, (a % 256) / 16, a % 16, false});
    v.key(kSpace);
  }
  v.key(kF5);
  EXPECT_TRUE(v.ui.log.boxes().empty()) << v.ui.log.dump();
  s.read();
  for (int a : {9, 300, 1000}) {
    EXPECT_EQ(v.st.pages4428[static_cast<std::size_t>(a / 256)][static_cast<std::size_t>(256 + a % 256)], 0) << a;
  }
  EXPECT_NE(v.st.pages4428[1][256 + 45], 0) << "its neighbour stays writable";

  v.edit();
  v.st.currentPage = 1;
  v.caretTo({false, 2, 12, false});  // address 300
  v.key(kSpace);
  v.type("12");
  v.ui.shell.answers = {port::mb::kIdNo};
  v.key(kF5);
  EXPECT_EQ(v.ui.log.boxes().back(), "操作提示|写入没有成功，要重新读卡吗？");
  EXPECT_EQ(sim::TestReader::memory()[300], 0xFF);
}

// Save the card, change it, open the saved file and write it with F5: the
// card holds the saved bytes again; its codes stay as they are now.
TEST(SimRoundTrip, SavedImageRestoresTheCard) {
  const std::vector<SimCard> cards = {
      {"sle4442", CardType::Sle4442, {0xFF, 0xFF, 0xFF}, -1},
      {"sle4428", CardType::Sle4428, {0xFF, 0xFF}, -1},
      {"at88sc102", CardType::At88sc102, {0xF0, 0xF0}, -1},
      {"at88sc1608", CardType::At88sc1608, {}, -1, 3},
      {"at45d041", CardType::At45d041, {}, -1, 1000},
  };
  for (const SimCard& c : cards) {
    SCOPED_TRACE(c.sim);
    SimView s(c);
    MemView& v = s.v;
    s.read();
    v.ui.files.answers = {"backup.bin"};
    v.view.onCommand(ID_FILE_SAVE);
    const std::vector<std::uint8_t> saved = v.ui.files.files["backup.bin"];
    ASSERT_EQ(saved, s.image());

    const std::size_t base = c.cardType == CardType::At88sc1608 ? 3 * 256
                             : c.cardType == CardType::At45d041 ? 1000 * 264
                                                                : 0;
    sim::TestReader::setMemory(base + 40, std::vector<std::uint8_t>(8, 0x5A));
    if (c.cardType == CardType::At88sc102) sim::TestReader::setMemory(88, {0x12});  // erase key 1
    s.read();
    v.ui.files.answers = {"backup.bin"};
    v.ui.log.clear();
    v.view.onCommand(ID_FILE_OPEN);
    EXPECT_EQ(v.rows(), std::vector<int>{32});
    EXPECT_EQ(v.st.editActive, 1);
    EXPECT_EQ(sim::TestReader::memory()[base + 40], 0x5A) << "nothing is written before F5";
    v.key(kF5);
    EXPECT_EQ(v.ui.log.boxes().size(), 1u) << "only the summary of the opened file" << v.ui.log.dump();
    s.read();
    std::vector<std::uint8_t> expected = saved;
    if (c.cardType == CardType::At88sc102) expected[88] = 0x12;
    EXPECT_EQ(s.image(), expected);
  }
}

TEST(SimRoundTrip, NoCardIsReported) {
  SimView s({"24c16", CardType::At24c16, {}, -1});
  sim::TestReader::pull();
  s.read();
  EXPECT_EQ(s.v.status(1), "读卡失败");
  EXPECT_EQ(s.v.status(2), "未插入卡");
}

}  // namespace
}  // namespace memview_test
