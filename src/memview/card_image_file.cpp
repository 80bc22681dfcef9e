#include "memview/card_image_file.h"

#include "memview/image_guard.h"


namespace cardimage {

namespace {

constexpr const char* kInfoCaption = "提示信息";
constexpr const char* kErrorCaption = "出错警告";
constexpr port::FileDialogs::Filter kFilter{"卡片映像文件 (*.bin)", "*.bin", "bin"};

void tell(memview::CardContext ctx, const std::string& text) {
  ctx.shell.messageBox(text, kInfoCaption, port::mb::kIconInformation);
}

void warn(memview::CardContext ctx, const std::string& text, const char* caption) {
  ctx.shell.messageBox(text, caption, port::mb::kIconExclamation);
}

}  // namespace

bool hasCardImage(const CardSession& st) {
  // ViewState::CardData is set only by a successful read and left by anything that
  // changes the card type; a failed read (another zone, no card) clears it.
  return st.viewState == ViewState::CardData && st.gridShown == 1 && codeOf(st.cardType) > 0 &&
         st.cardType != CardType::Cpu && st.cardType != CardType::Sam && st.byteCount > 0 &&
         st.byteCount <= CDemoDoc::kCells;
}

std::string defaultFileName(const CardSession& st) {
  std::string name = captionFor(st.cardType, st.cpuProtocol);
  switch (st.cardType) {
    case CardType::At88sc1608:
      name += st.zoneIndex >= 8 ? "_config" : "_zone" + std::to_string(st.zoneIndex);
      break;
    case CardType::At45d041:
      name += "_page" + std::to_string(st.zoneIndex);
      break;
    case CardType::Ssf1101:
      name += "_block" + std::to_string(st.blockIndex);
      break;
    default:
      break;
  }
  return name + ".bin";
}

std::string partName(const CardSession& st) {
  std::string name = captionFor(st.cardType, st.cpuProtocol);
  switch (st.cardType) {
    case CardType::At88sc1608:
      return name + (st.zoneIndex >= 8 ? " 配置区" : " 第" + std::to_string(st.zoneIndex) + "区");
    case CardType::At45d041:
      return name + " 第" + std::to_string(st.zoneIndex) + "页";
    case CardType::Ssf1101:
      return name + " 第" + std::to_string(st.blockIndex) + "块";
    default:
      return name;
  }
}

LoadResult loadIntoImage(memview::CardContext ctx, const std::vector<std::uint8_t>& bytes) {
  const CardSession& st = ctx.st;
  CDemoDoc& doc = ctx.doc;
  LoadResult r;
  for (int a = 0; a < st.byteCount && a < static_cast<int>(bytes.size()); ++a) {
    const std::uint8_t value = bytes[static_cast<std::size_t>(a)];
    if (value == doc.byteAt(a)) continue;
    // Codes read as 00 and counters count: a file's copy of them says
    // nothing about the card. A protected byte can never be written.
    if (holdsCodeOrCounter(ctx.catalogue, st.cardType, st.zoneIndex, a) || protectedOnCard(st, a)) {
      ++r.skipped;
      continue;
    }
    doc.setByte(a, value);
    doc.markEdited(a);
    doc.recordRow(a - a % 16);
    ++r.changed;
  }
  return r;
}

void saveCardImage(memview::CardContext ctx) {
  const CardSession& st = ctx.st;
  if (!hasCardImage(st) || !memview::holdsCurrentRead(st)) {
    tell(ctx, kSaveReadFirst);
    return;
  }
  // The card's bytes, unless the operator wants the edits in the file too:
  // a backup restored later must not write what the card never held.
  bool edited = false;
  if (memview::imageDiffersFromCard(st, ctx.doc)) {
    const int answer = ctx.shell.messageBox(kSaveWhich, kInfoCaption, port::mb::kYesNoCancel | port::mb::kIconQuestion);
    if (answer != port::mb::kIdYes && answer != port::mb::kIdNo) return;
    edited = answer == port::mb::kIdNo;
  }
  const std::string path = ctx.files.askSavePath(kFilter, defaultFileName(st));
  if (path.empty()) return;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.byteCount));
  for (int a = 0; a < st.byteCount; ++a) {
    bytes[static_cast<std::size_t>(a)] = edited ? ctx.doc.byteAt(a) : st.cardBytes[static_cast<std::size_t>(a)];
  }
  if (!ctx.files.writeFile(path, bytes)) {
    warn(ctx, "保存文件失败，原有文件没有改变：\n" + path, kErrorCaption);
    return;
  }
  const std::string what = edited ? "含未写入修改的映像" : "卡片映像";
  tell(ctx, "已保存" + partName(st) + "的" + what + "（" + std::to_string(st.byteCount) + " 字节）：\n" + path);
}

bool openCardImage(memview::CardContext ctx, LoadResult& result) {
  const CardSession& st = ctx.st;
  if (!hasCardImage(st) || !memview::holdsCurrentRead(st)) {
    tell(ctx, kOpenReadFirst);
    return false;
  }
  const std::string path = ctx.files.askOpenPath(kFilter);
  if (path.empty()) return false;
  const auto expected = static_cast<std::size_t>(st.byteCount);
  const port::FileDialogs::FileContent file = ctx.files.readFile(path, expected);
  if (file.status == port::FileDialogs::ReadStatus::Failed) {
    warn(ctx, "无法读取文件：\n" + path, kErrorCaption);
    return false;
  }
  if (file.status == port::FileDialogs::ReadStatus::TooLarge || file.bytes.size() != expected) {
    warn(ctx,
         "文件大小为 " + std::to_string(file.size) + " 字节，与" + partName(st) + "的 " +
             std::to_string(st.byteCount) + " 字节不符，文件没有打开。",
         kInfoCaption);
    return false;
  }
  result = loadIntoImage(ctx, file.bytes);
  return true;
}

void reportLoad(memview::CardContext ctx, const LoadResult& result, bool editing) {
  std::string text = result.changed > 0 ? "已打开文件：" + std::to_string(result.changed) +
                                              " 个字节与卡片不同，已标为修改。" + (editing ? "\n按 F5 写入卡片。" : "")
                                        : std::string("文件内容与卡片相同，没有要写入的字节。");
  if (result.skipped > 0) {
    text += "\n另有 " + std::to_string(result.skipped) +
            " 个密码、计数或写保护字节不同，保持卡片原样，不会写入。";
  }
  tell(ctx, text);
}

}  // namespace cardimage
