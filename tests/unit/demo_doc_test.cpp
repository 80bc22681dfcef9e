#include "memview/demo_doc.h"

#include <gtest/gtest.h>

#include <string>

TEST(CDemoDoc, FreshDocumentHoldsFfAndDot) {
  CDemoDoc doc;
  for (int a : {0, 1, 4095, 8191}) {
    EXPECT_EQ(std::string(doc.hexCells[a].data()), "ff") << "address " << a;
    EXPECT_EQ(std::string(doc.charCells[a].data()), ".") << "address " << a;
  }
  EXPECT_EQ(doc.editedRowCount, 0);
}

TEST(CDemoDoc, SetByteWritesLowerCaseTwoDigits) {
  CDemoDoc doc;
  doc.setByte(5, 0x0A);
  EXPECT_EQ(std::string(doc.hexCells[5].data()), "0a");
  EXPECT_EQ(doc.byteAt(5), 0x0A);
  doc.setByte(6, 0xB7);
  EXPECT_EQ(std::string(doc.hexCells[6].data()), "b7");
  doc.setByte(8192, 1);  // out of range: ignored
  doc.setByte(-1, 1);
}

TEST(CDemoDoc, RecordRowSkipsOnlyTheEntryLastAppended) {
  CDemoDoc doc;
  doc.recordRow(16);
  doc.recordRow(16);
  doc.recordRow(32);
  doc.recordRow(16);
  ASSERT_EQ(doc.editedRowCount, 3);
  EXPECT_EQ(doc.editedRows[1], 16);
  EXPECT_EQ(doc.editedRows[2], 32);
  EXPECT_EQ(doc.editedRows[3], 16);
}

TEST(CDemoDoc, FullRowListIsCompactedNotOverflowed) {
  CDemoDoc doc;
  for (int i = 0; i < CDemoDoc::kEditedRowCapacity; ++i) doc.recordRow((i % 2) * 16);
  ASSERT_EQ(doc.editedRowCount, CDemoDoc::kEditedRowCapacity);
  doc.recordRow(48);
  ASSERT_EQ(doc.editedRowCount, 3);
  EXPECT_EQ(doc.editedRows[1], 0);
  EXPECT_EQ(doc.editedRows[2], 16);
  EXPECT_EQ(doc.editedRows[3], 48);
}
