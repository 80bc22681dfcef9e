// Reading a card into the card image: the read core and the Read command.
#include "view/read_command.h"

#include <array>
#include <cstdint>
#include <new>
#include <vector>

#include "app/demo_doc.h"
#include "view/app_state.h"
#include "cards/card_catalogue.h"
#include "view/editor_caret.h"
#include "view/image_guard.h"
#include "view/view_painter.h"
#include "view/zone_select_dlg.h"

namespace {

constexpr const char* kInfoCaption = "提示信息";
constexpr const char* kReadError = "读卡错误！";
constexpr const char* kReading = "正在读数据";
constexpr const char* kPleaseWait = " 请稍等.......";

// Restores the cursor when the read core returns, whichever way.
class WaitCursor {
 public:
  explicit WaitCursor(port::Shell& shell) : shell_(shell) { shell_.setWaitCursor(true); }
  ~WaitCursor() { restore(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
  void restore() {
    if (on_) shell_.setWaitCursor(false);
    on_ = false;
  }

 private:
  port::Shell& shell_;
  bool on_ = true;
};

short toShort(int v) { return static_cast<short>(v); }

// What one read by card type brought back, before it reaches AppState.
struct ReadResult {
  bool ok = false;
  bool withMessage = false;  // the failure shows "读卡错误！"
};

ReadResult readSle4428(ViewContext& ctx, std::vector<std::uint8_t>& buffer,
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

ReadResult readSle4442(ViewContext& ctx, std::vector<std::uint8_t>& buffer, std::array<std::uint8_t, 32>& flags,
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

ReadResult readAt88sc153(ViewContext& ctx, std::vector<std::uint8_t>& buffer) {
  DriverTable& d = ctx.drv;
  const int h = ctx.st.readerHandle;
  for (int zone = 0; zone < 3; ++zone) {
    if (d.IC_SetUserZone(h, toShort(zone)) != 0) return {false, true};
    if (d.IC_ReadUserZone(h, 0, 64, buffer.data() + 64 * zone) != 0) return {false, true};
  }
  if (d.IC_ReadConfigZone(h, 0, 64, buffer.data() + 192) != 0) return {false, true};
  return {true, false};
}

ReadResult readByType(ViewContext& ctx, CardType cardType, std::vector<std::uint8_t>& buffer,
                      std::array<std::array<std::uint8_t, 512>, 4>& pages,
                      std::array<std::uint8_t, 32>& flags) {
  DriverTable& d = ctx.drv;
  const AppState& st = ctx.st;
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

int readCore(ViewContext& ctx, ReaderPort port, CardType cardType) {
  AppState& st = ctx.st;
  WaitCursor cursor(ctx.shell);
  // Whatever happens below, the image stands for no card until the read
  // succeeds.
  memview::forgetCardImage(st);
  if (codeOf(port) < 0 || codeOf(cardType) <= 0) {  // no reader or no card type
    if (st.editActive) {
      st.editActive = 0;
      st.caretInAscii = 0;
      ctx.window.hideCaret();
    }
    return 1;
  }
  capacityFor(st, ctx.painter, cardType);
  st.pageCount = pageCountFor(st.byteCount);
  st.currentPage = 0;
  ctx.painter.drawCaretInfo();

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
  memview::recordSuccessfulRead(st);
  return 0;
}

namespace {

// Opens the page/zone dialog pre-filled with `number`; false on cancel.
bool askNumber(ViewContext& ctx, CardType cardType, int& number) {
  CZoneSelectDlg dlg;
  dlg.m_pageNumber = number;
  dlg.m_cardType = cardType;
  if (ctx.dialogs.runModal(dlg) != port::mb::kIdOk) return false;
  number = dlg.m_pageNumber;
  return true;
}

// Selects the card type for the read; false (after telling) when refused.
bool initTypeOrTell(ViewContext& ctx, pelox::DriverType driverType) {
  if (ctx.drv.IC_InitType(ctx.st.readerHandle, codeOf(driverType)) == 0) return true;
  ctx.shell.messageBox("init card is fail.!", kInfoCaption, port::mb::kIconInformation);
  return false;
}

enum class Selection { Chosen, Cancelled, Refused };

// The page, block or zone to read, asked for where the card has them and
// selected on the card; st keeps the old number until the read succeeds.
Selection choosePart(ViewContext& ctx, int& number) {
  AppState& st = ctx.st;
  switch (st.cardType) {
    case CardType::At45d041:
      if (!initTypeOrTell(ctx, pelox::DriverType::At45d041)) return Selection::Refused;
      number = st.zoneIndex;
      if (!askNumber(ctx, st.cardType, number)) return Selection::Cancelled;
      number = number > 2047 ? 2047 : number;
      return Selection::Chosen;
    case CardType::Ssf1101:
      if (!initTypeOrTell(ctx, pelox::DriverType::Ssf1101)) return Selection::Refused;
      number = st.blockIndex;
      if (!askNumber(ctx, st.cardType, number)) return Selection::Cancelled;
      number = number > 511 ? 511 : number;
      return Selection::Chosen;
    case CardType::At88sc1608:
      number = st.zoneIndex;
      if (!askNumber(ctx, st.cardType, number)) return Selection::Cancelled;
      number = number > kAt88sc1608ConfigZone ? kAt88sc1608ConfigZone : number;
      if (number < kAt88sc1608ConfigZone && ctx.drv.IC_SetUserZone(st.readerHandle, toShort(number)) != 0) {
        ctx.shell.messageBox("IC_SetUserZone is fail.!", kInfoCaption, port::mb::kIconInformation);
        return Selection::Refused;
      }
      return Selection::Chosen;
    default:
      return Selection::Chosen;
  }
}

// Reads the card's part `number` (zone, page or block where the card type
// has them). The number is kept only when the read succeeds: a failed read
// leaves the old one, which the image on screen belongs to.
void readPart(ViewContext& ctx, int number) {
  AppState& st = ctx.st;
  const int oldZone = st.zoneIndex;
  const int oldBlock = st.blockIndex;
  if (st.cardType == CardType::Ssf1101) {
    st.blockIndex = number;
  } else if (st.cardType == CardType::At45d041 || st.cardType == CardType::At88sc1608) {
    st.zoneIndex = number;
  }
  if (readCore(ctx, st.port, st.cardType) == 0) return;
  st.zoneIndex = oldZone;
  st.blockIndex = oldBlock;
  st.byteCount = byteCountFor(st.cardType, st.zoneIndex, st.byteCount);
  st.pageCount = pageCountFor(st.byteCount);
}

void runRead(ViewContext& ctx, bool byOperator) {
  AppState& st = ctx.st;
  if (byOperator && !memview::confirmDiscardEdits(ctx)) return;
  const bool pending = memview::hasPendingEdits(ctx);
  if (st.editActive) {
    ctx.window.hideCaret();
    st.editActive = 0;
    memview::eraseEditHints(ctx.painter);
  }
  int number = 0;
  const Selection selection = choosePart(ctx, number);
  if (selection == Selection::Cancelled) return;

  ViewPainter& p = ctx.painter;
  p.showStatus(1, kReading);
  p.showStatus(2, kPleaseWait);
  st.caretInAscii = 0;
  if (selection == Selection::Refused) {
    // The card did not take the selection: whatever it would read is not
    // the part asked for.
    memview::forgetCardImage(st);
    st.viewState = ViewState::ReadFailed;
  } else {
    readPart(ctx, number);
  }

  p.eraseStatus(1, kReading);
  p.eraseStatus(2, kPleaseWait);
  switch (st.viewState) {
    case ViewState::NoCard:
      p.showStatus(1, "读卡失败");
      p.showStatus(2, "未插入卡");
      break;
    case ViewState::CardData:
      st.gridShown = 1;
      // The repaint clears the status area, so the outcome comes after it.
      ctx.window.invalidate(true);
      p.showStatus(2, "读卡成功");
      if (pending) memview::reportEditsDropped(p);
      break;
    case ViewState::StatusError:
      p.showStatus(1, "读卡失败");
      p.showStatus(2, "未知串口");
      break;
    default:
      p.showStatus(1, "读卡失败");
      p.showStatus(2, "未知错误");
      break;
  }
  for (int i = 0; i < 4; ++i) ctx.shell.beep(1);
}

}  // namespace

void runReadCommand(ViewContext& ctx) { runRead(ctx, true); }

void rereadCard(ViewContext& ctx) { runRead(ctx, false); }
