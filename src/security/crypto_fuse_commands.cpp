#include "platform/app_title.h"
#include "security/crypto_fuse_commands.h"


namespace security {

namespace {

constexpr const char* kStateCaption = "熔丝情况";
constexpr const char* kBlowCaption = "卡片熔丝";
constexpr const char* kReadFailed = "读熔丝情况出错！";
constexpr const char* kOrder = "\n卡片熔丝是按FAB CMA PER 的顺序依次进行，一次熔丝一个\n该次熔丝将熔丝";

std::string readingPrefix(int reading) { return "当前熔丝读数  " + std::to_string(reading); }

// The fuse the next write blows, or nullptr when none may be blown.
const char* nextFuse(int reading) {
  switch (reading) {
    case 7: return "FAB";
    case 6: return "CMA";
    case 4: return "PER";
    default: return nullptr;
  }
}

}  // namespace

std::string fuseStateText(int reading) {
  switch (reading) {
    case 7: return "\nPER 未熔丝  CMA 未熔丝  FAB 未熔丝";
    case 6: return "\nPER 未熔丝  CMA 未熔丝  FAB 已熔丝";
    case 4: return "\nPER 未熔丝  CMA 已熔丝  FAB 已熔丝";
    case 0: return "\nPER 已熔丝  CMA 已熔丝  FAB 已熔丝";
    default: return "";
  }
}

void showFuseState(CommandContext& ctx) {
  const short reading = ctx.drv.IC_ReadFuse(ctx.session.readerHandle);
  if (reading < 0) {
    ctx.shell.messageBox(kReadFailed, kStateCaption, port::mb::kOk | port::mb::kIconStop);
    return;
  }
  std::string message = readingPrefix(reading);
  const std::string state = fuseStateText(reading);
  message += state.empty() ? "熔丝读数显示的熔丝情况非法" : state;
  ctx.shell.messageBox(message, kStateCaption, port::mb::kOk);
}

void blowNextFuse(CommandContext& ctx) {
  const int handle = ctx.session.readerHandle;
  const short reading = ctx.drv.IC_ReadFuse(handle);
  if (reading < 0) {
    ctx.shell.messageBox(kReadFailed, kBlowCaption, port::mb::kOk | port::mb::kIconStop);
    return;
  }
  std::string message = readingPrefix(reading);
  if (const char* fuse = nextFuse(reading)) {
    message += fuseStateText(reading) + kOrder + fuse + "\n\n注意：卡片熔丝不可恢复，你是否要进行卡片熔丝？";
    if (ctx.shell.messageBox(message, kAppTitle, port::mb::kOkCancel | port::mb::kIconExclamation) != port::mb::kIdOk)
      return;
    if (ctx.drv.IC_WriteFuse(handle, 0) < 0)
      ctx.shell.messageBox("卡片熔丝出错！", kBlowCaption, port::mb::kOk | port::mb::kIconStop);
    else
      ctx.shell.messageBox("卡片熔丝成功！", kBlowCaption, port::mb::kOk);
    return;
  }
  if (reading == 0)
    message += "\nPER 已熔丝  CMA 已熔丝  FAB 已熔丝\n该卡已全部熔丝,不能再进行熔丝操作";
  else
    message += "\n熔丝读数显示的熔丝情况非法，不能进行熔丝操作";
  ctx.shell.messageBox(message, kBlowCaption, port::mb::kOk);
}

}  // namespace security
