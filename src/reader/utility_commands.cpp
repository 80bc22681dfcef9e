#include "reader/utility_commands.h"

#include <array>

#include "cards/card_catalogue.h"
#include "platform/app_title.h"

namespace {

constexpr unsigned kInfoBox = port::mb::kOk | port::mb::kIconInformation;
constexpr int kSwRestore = 9;

// Length of the UTF-8 sequence starting at s[i], or 0 if it is not one.
std::size_t utf8SequenceLength(const unsigned char* s, std::size_t i, std::size_t n) {
  const unsigned char c = s[i];
  std::size_t len = 0;
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0 && c >= 0xC2) len = 2;
  else if ((c & 0xF0) == 0xE0) len = 3;
  else if ((c & 0xF8) == 0xF0 && c <= 0xF4) len = 4;
  else return 0;
  if (i + len > n) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    if ((s[i + k] & 0xC0) != 0x80) return 0;
  }
  if (len == 3 && ((c == 0xE0 && s[i + 1] < 0xA0) || (c == 0xED && s[i + 1] >= 0xA0))) return 0;
  if (len == 4 && ((c == 0xF0 && s[i + 1] < 0x90) || (c == 0xF4 && s[i + 1] >= 0x90))) return 0;
  return len;
}

void restoreCardType(ReaderContext ctx) {
  ctx.drv.IC_InitType(ctx.session.readerHandle, codeOf(driverTypeFor(ctx.session.cardType)));
}

// Closes the reader for good before the program ends.
void closeReader(ReaderContext ctx) {
  ctx.drv.IC_ExitComm(ctx.session.readerHandle);
  ctx.session.readerHandle = 0;
}

}  // namespace

std::string driverText(const unsigned char* buffer, std::size_t size) {
  std::size_t n = 0;
  while (n < size && buffer[n] != 0) ++n;
  std::string text;
  for (std::size_t i = 0; i < n;) {
    const std::size_t len = utf8SequenceLength(buffer, i, n);
    if (len == 0) {
      text += '?';
      ++i;
    } else {
      text.append(reinterpret_cast<const char*>(buffer + i), len);
      i += len;
    }
  }
  return text;
}

void powerDownCard(ReaderContext ctx) {
  if (ctx.drv.IC_Down(ctx.session.readerHandle) != 0) ctx.shell.messageBox("PowerDown Error.", "提示信息", kInfoBox);
}

void showReaderVersion(ReaderContext ctx) {
  // The driver may fill all 20 bytes; one more zero byte guards the end.
  std::array<unsigned char, 21> buffer{};
  if (ctx.drv.IC_ReadVer(ctx.session.readerHandle, buffer.data()) != 0) {
    ctx.shell.messageBox("取版本号错误", kAppTitle, port::mb::kOk);
    return;
  }
  ctx.shell.messageBox(driverText(buffer.data(), 20), "版本号", port::mb::kOk);
}

void pushOutCard(ReaderContext ctx) { ctx.drv.IC_Pushout(ctx.session.readerHandle); }

void startFirmwareDownload(ReaderContext ctx) {
  const short r = ctx.drv.IC_InitType(ctx.session.readerHandle, codeOf(pelox::DriverType::ReaderIdentification));
  if (r == kNoCardForIdentification) {
    ctx.shell.messageBox("Insert one Card into the Reader and then retry...", "提示信息", kInfoBox);
    restoreCardType(ctx);
    return;
  }
  if (r < 0) {
    ctx.shell.messageBox("Error occur while detecting the Reader...", "提示信息", kInfoBox);
    closeReader(ctx);
    ctx.shell.postQuit(0);
    return;
  }
  std::array<unsigned char, 2> id{};
  // Some drivers answer IC_Read with the number of bytes read: only a
  // negative result is a failed identification.
  if (ctx.drv.IC_Read(ctx.session.readerHandle, 0, 2, id.data()) < 0) {
    restoreCardType(ctx);
    return;
  }
  if (id[1] == 'M') {
    closeReader(ctx);
    ctx.shell.shellExecute(kDownloadTool, kSwRestore);
    ctx.shell.postQuit(0);
    return;
  }
  ctx.shell.messageBox("This reader can't support this function...", "提示信息", kInfoBox);
  restoreCardType(ctx);
}
