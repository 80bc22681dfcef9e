// Reading a card into the card image.
#include "memview/card_read.h"

#include <array>
#include <cstdint>
#include <new>
#include <vector>

#include "memview/image_guard.h"

namespace memview {

namespace {

constexpr const char* kInfoCaption = "提示信息";
constexpr const char* kReadError = "读卡错误！";

short toShort(int v) { return static_cast<short>(v); }

// What one read by card type brought back, before it reaches the card session.
struct ReadResult {
  bool ok = false;
  bool withMessage = false;  // the failure shows "读卡错误！"
};

ReadResult readSle4428(CardContext ctx, std::vector<std::uint8_t>& buffer,
                       std::array<std::array<std::uint8_t, 512>, 4>& pages) {
  DriverTable& d = ctx.drv;
  const int h = ctx.st.readerHandle;
  if (d.IC_InitType(h, codeOf(pelox::DriverType::Sle4428)) != 0) return {};
  bool ok = true;
  for (int k = 0; k < 4; ++k) {
    // All four pages are read, whatever an earlier one answered.
    if (d.IC_ReadWithProtection(h, toShort(256 * k), 256, pages[static_cast<std::size_t>(k)].data()) < 0) ok = false;
  }
  if (!ok) return {};
  for (int j = 0; j < ctx.st.pageCount && j < 4; ++j) {
    for (int i = 0; i < 256; ++i) {
      const std::size_t at = static_cast<std::size_t>(256 * j + i);
      if (at < buffer.size()) buffer[at] = pages[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)];
    }
  }
  return {true, false};
}

ReadResult readSle4442(CardContext ctx, std::vector<std::uint8_t>& buffer, std::array<std::uint8_t, 32>& flags,
                       int size) {
  DriverTable& d = ctx.drv;
  const int h = ctx.st.readerHandle;
  if (d.IC_InitType(h, codeOf(pelox::DriverType::Sle4442)) != 0) return {};
  // A data read that fails is a failed read: converting whatever the buffer
  // held would put bytes on screen that the operator could write back.
  if (d.IC_Read(h, 0, toShort(size), buffer.data()) < 0) return {};
  if (d.IC_ReadProtection(h, 0, 32, flags.data()) < 0) return {};
  return {true, false};
}

ReadResult readAt88sc153(CardContext ctx, std::vector<std::uint8_t>& buffer) {
  DriverTable& d = ctx.drv;
  const int h = ctx.st.readerHandle;
  for (int zone = 0; zone < 3; ++zone) {
    if (d.IC_SetUserZone(h, toShort(zone)) != 0) return {false, true};
    if (d.IC_ReadUserZone(h, 0, 64, buffer.data() + 64 * zone) != 0) return {false, true};
  }
  if (d.IC_ReadConfigZone(h, 0, 64, buffer.data() + 192) != 0) return {false, true};
  return {true, false};
}

ReadResult readByType(CardContext ctx, CardType cardType, std::vector<std::uint8_t>& buffer,
                      std::array<std::array<std::uint8_t, 512>, 4>& pages,
                      std::array<std::uint8_t, 32>& flags) {
  DriverTable& d = ctx.drv;
  const CardSession& st = ctx.st;
  const int h = st.readerHandle;
  const int size = st.byteCount;
  switch (cardType) {
    case CardType::Sle4428:
      return readSle4428(ctx, buffer, pages);
    case CardType::Sle4442:
      return readSle4442(ctx, buffer, flags, size);
    case CardType::At45d041:
      return {d.IC_DirectRead(h, toShort(st.zoneIndex), 0, toShort(size), buffer.data()) == 0, true};
    case CardType::Ssf1101:
      return {d.IC_Read_1101(h, toShort(st.blockIndex), 0, toShort(size), buffer.data()) == 0, true};
    case CardType::At88sc1608:
      if (st.zoneIndex == kAt88sc1608ConfigZone)
        return {d.IC_ReadConfigZone(h, 0, toShort(size), buffer.data()) == 0, true};
      return {d.IC_ReadUserZone(h, 0, toShort(size), buffer.data()) == 0, true};
    case CardType::At88sc153:
      return readAt88sc153(ctx, buffer);
    default:
      return {d.IC_Read(h, 0, toShort(size), buffer.data()) >= 0, true};
  }
}

}  // namespace

int readImage(CardContext ctx, WaitCursor& cursor, CardType cardType) {
  CardSession& st = ctx.st;
  std::vector<std::uint8_t> buffer;
  try {
    // The SLE4428's pages are gathered at 256-byte offsets, so the buffer
    // holds at least the four pages; the AT88SC153's at least its 256 bytes.
    const std::size_t size = static_cast<std::size_t>(st.byteCount < 0 ? 0 : st.byteCount) + 1;
    buffer.assign(size < 1025 ? 1025 : size, 0xFF);
  } catch (const std::bad_alloc&) {
    st.viewState = ViewState::ReadFailed;
    cursor.restore();
    ctx.shell.messageBox("内存申请失败，请退出部分程序再重试...", kInfoCaption, port::mb::kIconInformation);
    ctx.shell.postQuit(0);
    return 1;
  }

  DriverTable& d = ctx.drv;
  if (d.IC_Status(st.readerHandle) == 1) {
    st.viewState = ViewState::NoCard;
    return 1;
  }
  if (d.IC_Status(st.readerHandle) != 0) {
    st.viewState = ViewState::StatusError;
    return 1;
  }

  // Protection flags are read into copies and kept only when the whole read
  // succeeds, so a failed read leaves the image and its marks as they were.
  auto pages = st.pages4428;
  auto flags = st.protect4442;
  const ReadResult r = readByType(ctx, cardType, buffer, pages, flags);
  if (!r.ok) {
    if (r.withMessage) {
      st.detectResult = DetectResult::Undetermined;
      st.viewState = ViewState::ReadFailed;
      cursor.restore();
      ctx.shell.messageBox(kReadError, kInfoCaption, port::mb::kIconInformation);
    }
    st.viewState = ViewState::ReadFailed;
    return 1;
  }
  if (cardType == CardType::Sle4428) {
    st.pages4428 = pages;
    st.pages4428Saved = pages;
  }
  if (cardType == CardType::Sle4442) {
    st.protect4442 = flags;
    st.protect4442Saved = flags;
  }
  for (int i = 0; i < st.byteCount && i < CDemoDoc::kCells; ++i) {
    ctx.doc.setByte(i, buffer[static_cast<std::size_t>(i)]);
  }
  // A new image starts from a clean slate: edits and marks belonged to the
  // one it replaces.
  ctx.doc.clearRows();
  st.viewState = ViewState::CardData;
  recordSuccessfulRead(st, ctx.doc);
  return 0;
}

}  // namespace memview
