#include "view/batch_module.h"

#include <chrono>

#include "batch/batch_dlg.h"
#include "cards/card_catalogue.h"
#include "memview/image_guard.h"
#include "platform/app_title.h"
#include "resources/resource.h"
#include "view/demo_view.h"
#include "view/pending_edits.h"

namespace {

// The log proposed at first: beside the program.
std::string defaultLog(const std::string& programPath) {
  const auto slash = programPath.find_last_of("\\/");
  return (slash == std::string::npos ? std::string() : programPath.substr(0, slash + 1)) + "batch-log.csv";
}

// How the log names the reader: by its port, as the command line does.
std::string portName(ReaderPort port) {
  switch (port) {
    case ReaderPort::Usb: return "usb";
    case ReaderPort::None: return "";
    default: return "com" + std::to_string(codeOf(port) + 1);
  }
}

double steadySeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

void runBatchDialog(ViewContext& ctx, std::function<double()> clock) {
  const CardType type = ctx.st.cardType;
  if (byteCountFor(type, ctx.st.zoneIndex, 0) <= 0 || type == CardType::Cpu) {
    ctx.shell.messageBox("批量写卡只用于存储卡：请先选择或检测卡型", kAppTitle, port::mb::kOk | port::mb::kIconInformation);
    return;
  }
  // The window's edits belong to the card it read; a batch puts other cards
  // in the reader.
  if (!memview::askDiscardEdits(ctx)) return;
  CBatchDlg dlg({ctx.drv, ctx.shell, ctx.files, ctx.catalogue, ctx.st.readerHandle, ctx.st.port, portName(ctx.st.port)}, type,
                ctx.st.zoneIndex, std::move(clock));
  dlg.m_logDefault = defaultLog(ctx.shell.programPath());
  ctx.dialogs.runModal(dlg);
  // Cards came and went: the image on screen is no longer the reader's card,
  // so nothing is written from it or saved as the card's before a read.
  if (dlg.started()) memview::forgetCardImage(ctx.st);
}

void installBatchModule(CDemoView& view) {
  view.addCommand(ID_CARD_BATCH_WRITE, [&view](int) { runBatchDialog(view.context(), steadySeconds); });
}
