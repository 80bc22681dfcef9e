// Card image files with a scripted driver: what Ctrl+S saves, what Ctrl+O
// refuses, and which bytes of an opened file become edits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/scripted_driver.h"
#include "memview/card_image_file.h"
#include "memview_fixture.h"
#include "resources/resource.h"

namespace memview_test {
namespace {


std::vector<std::uint8_t> counting(int n) {
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < n; ++i) bytes.push_back(static_cast<std::uint8_t>(i));
  return bytes;
}

class CardImageTest : public ::testing::Test {
 protected:
  fake::ScriptedDriver drv;
  MemView v{drv.table};

  void open(const std::vector<std::uint8_t>& file) {
    v.ui.files.files["C:\\card.bin"] = file;
    v.ui.files.answers = {"C:\\card.bin"};
    v.ui.log.clear();
    v.view.onCommand(ID_FILE_OPEN);
  }
};

TEST_F(CardImageTest, SaveWritesTheImageOfTheZoneShown) {
  v.st.zoneIndex = 8;
  v.load(CardType::At88sc1608, counting(128));  // AT88SC1608 configuration zone
  v.ui.files.answers = {"D:\\backup\\cfg.bin"};
  v.view.onCommand(ID_FILE_SAVE);
  EXPECT_EQ(v.ui.files.asked, std::vector<std::string>{"save|*.bin|bin|1608_config.bin"});
  EXPECT_EQ(v.ui.files.files["D:\\backup\\cfg.bin"], counting(128));
  EXPECT_EQ(v.ui.log.boxes(), std::vector<std::string>{
                                  "提示信息|已保存1608 配置区的卡片映像（128 字节）：\nD:\\backup\\cfg.bin"});
  EXPECT_TRUE(drv.calls.empty()) << "saving does not touch the card";

  v.ui.log.clear();
  v.ui.files.failing = {"D:\\backup\\cfg.bin"};
  v.ui.files.answers = {"D:\\backup\\cfg.bin"};
  v.view.onCommand(ID_FILE_SAVE);
  EXPECT_EQ(v.ui.log.boxes(),
            std::vector<std::string>{"出错警告|保存文件失败，原有文件没有改变：\nD:\\backup\\cfg.bin"});

  v.ui.log.clear();
  v.view.onCommand(ID_FILE_SAVE);  // cancelled
  EXPECT_TRUE(v.ui.log.boxes().empty());
}

TEST_F(CardImageTest, NothingToSaveOrOpenBeforeARead) {
  v.st.cardType = CardType::Sle4442;
  v.st.byteCount = 256;
  v.view.onCommand(ID_FILE_SAVE);
  v.view.onCommand(ID_FILE_OPEN);
  EXPECT_EQ(v.ui.log.boxes(), (std::vector<std::string>{"提示信息|请先读卡，再保存卡片映像。",
                                                        "提示信息|请先读卡，再打开卡片映像文件。"}));
  EXPECT_TRUE(v.ui.files.asked.empty());
  v.load(CardType::Sle4442);
  v.st.viewState = ViewState::ReadFailed;  // the last read failed: the image is not the card's
  v.view.onCommand(ID_FILE_SAVE);
  EXPECT_TRUE(v.ui.files.asked.empty());
}

TEST_F(CardImageTest, FileOfAnotherSizeIsRefusedAndChangesNothing) {
  struct Case {
    CardType cardType;
    int zoneIndex, fileSize;
    std::string box;
  };
  const std::vector<Case> cases = {
      {CardType::Sle4442, 0, 255, "提示信息|文件大小为 255 字节，与4442的 256 字节不符，文件没有打开。"},
      {CardType::Sle4442, 0, 257, "提示信息|文件大小为 257 字节，与4442的 256 字节不符，文件没有打开。"},
      {CardType::At88sc1608, 8, 256,
       "提示信息|文件大小为 256 字节，与1608 配置区的 128 字节不符，文件没有打开。"},
      {CardType::At45d041, 7, 256,
       "提示信息|文件大小为 256 字节，与45D041 第7页的 264 字节不符，文件没有打开。"},
      {CardType::At24c02, 0, 0, "提示信息|文件大小为 0 字节，与24C02的 256 字节不符，文件没有打开。"},
  };
  for (const Case& c : cases) {
    fake::ScriptedDriver d;
    MemView m(d.table);
    m.st.zoneIndex = c.zoneIndex;
    m.load(c.cardType);
    m.ui.files.files["a.bin"] = std::vector<std::uint8_t>(static_cast<std::size_t>(c.fileSize), 0x11);
    m.ui.files.answers = {"a.bin"};
    m.view.onCommand(ID_FILE_OPEN);
    EXPECT_EQ(m.ui.log.boxes(), std::vector<std::string>{c.box});
    EXPECT_EQ(m.ui.log.of(fake::Event::Kind::MessageBox).at(0).style, port::mb::kIconExclamation);
    EXPECT_EQ(m.hex(0), "ff") << c.box;
    EXPECT_EQ(m.doc.editedRowCount, 0) << c.box;
    EXPECT_EQ(m.st.editActive, 0) << c.box;
  }
  v.load(CardType::Sle4442);
  v.ui.files.answers = {"missing.bin"};
  v.view.onCommand(ID_FILE_OPEN);
  EXPECT_EQ(v.ui.log.boxes(), std::vector<std::string>{"出错警告|无法读取文件：\nmissing.bin"});
}

TEST_F(CardImageTest, OnlyDifferingBytesOutsideCodesBecomeEdits) {
  // AT88SC102: user code 10-11 and its counter 12-13, erase key 86-91.
  v.load(CardType::At88sc102, std::vector<std::uint8_t>(178, 0xFF));
  std::vector<std::uint8_t> file(178, 0xFF);
  file[3] = 0x33;              // issuer zone
  file[11] = 0x00;             // a code, as read before it was presented
  file[12] = 0x0F;             // the counter
  file[40] = file[41] = 0x40;  // application zone 1
  file[88] = 0x12;             // erase key 1
  file[177] = 0x77;            // test zone, the last byte
  open(file);
  EXPECT_EQ(v.rows(), (std::vector<int>{0, 32, 176}));
  for (int a : {3, 40, 41, 177}) EXPECT_TRUE(v.doc.isEdited(a)) << a;
  for (int a : {11, 12, 88}) {
    EXPECT_FALSE(v.doc.isEdited(a)) << a;
    EXPECT_EQ(v.doc.byteAt(a), 0xFF) << a << ": the card's byte stays in the image";
  }
  EXPECT_EQ(v.hexCell(40)->text, "40") << "the grid shows the file";
  EXPECT_EQ(v.st.editActive, 1) << "edit mode, as the Write command starts it";
  EXPECT_EQ(v.status(1), "F5 : 写数据");
  EXPECT_EQ(v.ui.log.boxes(), std::vector<std::string>{
                                  "提示信息|已打开文件：4 个字节与卡片不同，已标为修改。\n按 F5 写入卡片。\n"
                                  "另有 3 个密码、计数或写保护字节不同，保持卡片原样，不会写入。"});
  EXPECT_TRUE(drv.calls.empty()) << "nothing reaches the card before F5";
}

TEST_F(CardImageTest, WriteProtectedBytesAreLeftAsTheCardHoldsThem) {
  v.load(CardType::Sle4442, std::vector<std::uint8_t>(256, 0x00));
  v.st.protect4442.fill(1);
  v.st.protect4442Saved.fill(1);
  v.st.protect4442Saved[2] = v.st.protect4442[2] = 0;
  open(std::vector<std::uint8_t>(256, 0x00));
  EXPECT_EQ(v.ui.log.boxes(), std::vector<std::string>{"提示信息|文件内容与卡片相同，没有要写入的字节。"});
  EXPECT_EQ(v.doc.editedRowCount, 0);
  std::vector<std::uint8_t> file(256, 0x00);
  file[2] = file[3] = 0x99;
  open(file);
  EXPECT_EQ(v.doc.byteAt(2), 0x00);
  EXPECT_EQ(v.doc.byteAt(3), 0x99);
  EXPECT_EQ(v.rows(), std::vector<int>{0});
}

TEST_F(CardImageTest, SaveHoldsTheCardsBytesUnlessTheEditsAreChosen) {
  v.load(CardType::At24c02);
  v.edit();
  v.caretTo({false, 0, 0, false});
  v.type("aa");  // typed, not written
  struct Case {
    int answer;
    std::uint8_t first;
    std::string box;
  };
  const std::vector<Case> cases = {
      {port::mb::kIdYes, 0xFF, "提示信息|已保存24C02的卡片映像（256 字节）：\nc.bin"},
      {port::mb::kIdNo, 0xAA, "提示信息|已保存24C02的含未写入修改的映像（256 字节）：\nc.bin"},
      {port::mb::kIdCancel, 0x00, ""},
  };
  for (const Case& c : cases) {
    v.ui.files.files.clear();
    v.ui.files.answers = {"c.bin"};
    v.ui.shell.answers = {c.answer};
    v.ui.log.clear();
    v.view.onCommand(ID_FILE_SAVE);
    std::vector<std::string> boxes = {std::string("提示信息|") + cardimage::kSaveWhich};
    if (!c.box.empty()) boxes.push_back(c.box);
    EXPECT_EQ(v.ui.log.boxes(), boxes);
    if (c.box.empty()) {
      EXPECT_TRUE(v.ui.files.files.empty()) << "cancelled: no file dialog, no file";
    } else {
      EXPECT_EQ(v.ui.files.files["c.bin"].at(0), c.first);
    }
  }
  EXPECT_EQ(v.doc.byteAt(0), 0xAA) << "saving keeps the edit";
}

TEST_F(CardImageTest, AnImageThatIsNotTheCurrentReadIsRefusedBeforeTheFileDialog) {
  v.st.zoneIndex = 3;
  v.load(CardType::At45d041);
  v.st.zoneIndex = 4;  // another page chosen, not read
  v.view.onCommand(ID_FILE_OPEN);
  v.view.onCommand(ID_FILE_SAVE);
  EXPECT_EQ(v.ui.log.boxes(), (std::vector<std::string>{"提示信息|请先读卡，再打开卡片映像文件。",
                                                        "提示信息|请先读卡，再保存卡片映像。"}));
  EXPECT_TRUE(v.ui.files.asked.empty());
}

}  // namespace
}  // namespace memview_test
