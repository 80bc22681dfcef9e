#include "memview/alias_check.h"

#include <algorithm>

#include "platform/hex_text.h"

namespace memview {

namespace {

// The one-address-byte I2C chips, 24C01A to 24C16.
constexpr int kChipSizes[] = {128, 256, 512, 1024, 2048};

bool aliasingCardType(CardType t) {
  return t == CardType::At24c02 || t == CardType::At24c04 || t == CardType::At24c08 || t == CardType::At24c16;
}

short toShort(int v) { return static_cast<short>(v); }

}  // namespace

std::vector<int> aliasRows(CardType cardType, int byteCount, int rowAddress) {
  std::vector<int> rows;
  if (!aliasingCardType(cardType)) return rows;
  for (int size : kChipSizes) {
    const int at = rowAddress % size;
    if (size >= byteCount || at == rowAddress) continue;
    if (std::find(rows.begin(), rows.end(), at) == rows.end()) rows.push_back(at);
  }
  return rows;
}

AliasCheck::AliasCheck(CardContext ctx, int rowAddress, int length)
    : ctx_(ctx), length_(length), rows_(aliasRows(ctx.st.cardType, ctx.st.byteCount, rowAddress)) {}

bool AliasCheck::readBefore() {
  const int h = ctx_.st.readerHandle;
  before_.clear();
  for (int row : rows_) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length_));
    // IC_Read answers the number of bytes read on some drivers.
    if (ctx_.drv.IC_Read(h, toShort(row), toShort(length_), bytes.data()) < 0) return false;
    before_.push_back(std::move(bytes));
  }
  return true;
}

bool AliasCheck::restoreChanged(std::vector<AliasedByte>& changed) {
  DriverTable& drv = ctx_.drv;
  const int h = ctx_.st.readerHandle;
  changed.clear();
  for (std::size_t r = 0; r < rows_.size(); ++r) {
    const int row = rows_[r];
    const std::vector<std::uint8_t>& before = before_[r];
    std::vector<std::uint8_t> after(before.size());
    if (drv.IC_Read(h, toShort(row), toShort(length_), after.data()) < 0) return false;
    if (after == before) continue;
    // Only the bytes that changed are written back, as they were.
    const std::size_t first = changed.size();
    for (std::size_t i = 0; i < before.size(); ++i) {
      if (after[i] == before[i]) continue;
      const int a = row + static_cast<int>(i);
      changed.push_back({a, before[i], after[i], false});
      drv.IC_Write(h, toShort(a), 1, &before[i]);
    }
    std::vector<std::uint8_t> again(before.size());
    if (drv.IC_Read(h, toShort(row), toShort(length_), again.data()) < 0) continue;
    for (std::size_t k = first; k < changed.size(); ++k) {
      const auto i = static_cast<std::size_t>(changed[k].address - row);
      changed[k].restored = again[i] == before[i];
    }
  }
  return true;
}

std::string aliasedWriteText(int rowAddress, const std::vector<AliasedByte>& bytes) {
  std::string text = std::string(kAliasedWrite) + "：写入地址 " + hexText(rowAddress, 4) + " 起的一行时，";
  std::string notBack;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const AliasedByte& b = bytes[i];
    text += (i ? "，地址 " : "地址 ") + hexText(b.address, 4) + " 由 " + hexText(b.before, 2) + " 变成 " + hexText(b.after, 2);
    if (!b.restored) notBack += (notBack.empty() ? "" : "、") + hexText(b.address, 4);
  }
  text += notBack.empty() ? "。这些字节已写回原值。" : "。其中地址 " + notBack + " 未能写回原值。";
  return text + "这一行没有写入卡片；请用“自动测卡型”或选择正确的卡型后重新读卡。";
}

}  // namespace memview
