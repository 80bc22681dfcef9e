#include "view/consoles_module.h"

#include <memory>

#include "apdu/apdu_history.h"
#include "cards/card_catalogue.h"
#include "consoles/apdu_workbench_dlg.h"
#include "consoles/cpu_card_dlg.h"
#include "consoles/device_dlg.h"
#include "memview/image_guard.h"
#include "view/pending_edits.h"
#include "resources/resource.h"
#include "view/app_state.h"
#include "view/card_type_menu.h"
#include "view/demo_view.h"

void runCpuCardConsole(ViewContext& ctx, apdu::History* history) {
  CCpuCardDlg dlg(ctx.drv, history);
  dlg.m_reader = ctx.st.readerHandle;
  dlg.m_slotType = driverTypeFor(ctx.st.cardType);
  ctx.dialogs.runModal(dlg);
}

void runApduWorkbench(ViewContext& ctx, apdu::History& history) {
  CApduWorkbenchDlg dlg(ctx.drv, ctx.shell, ctx.files, history);
  dlg.m_reader = ctx.st.readerHandle;
  dlg.m_cardType = ctx.st.cardType;
  ctx.dialogs.runModal(dlg);
}

void runDeviceDialog(ViewContext& ctx) {
  CDeviceDlg dlg(ctx.drv);
  dlg.m_reader = ctx.st.readerHandle;
  if (ctx.dialogs.runModal(dlg) != port::mb::kIdOk) return;
  if (!memview::askDiscardEdits(ctx)) return;
  // The page operation mode works on a 24C16: select it first, then
  // switch the reader into the mode. The card type stays 24C16 either way.
  chooseMemoryCardType(ctx, CardType::At24c16);
  if (ctx.drv.IC_InitType(ctx.st.readerHandle, codeOf(pelox::DriverType::I2cPageMode)) != 0)
    ctx.shell.messageBox("页操作模式失败！", "提示信息", port::mb::kOk | port::mb::kIconInformation);
}

void installConsolesModule(CDemoView& view) {
  auto history = std::make_shared<apdu::History>();
  view.addCommand(ID_CPU_CARD_CONSOLE,
                  [&view, history](int) { runCpuCardConsole(view.context(), history.get()); });
  view.addCommand(ID_APDU_WORKBENCH, [&view, history](int) { runApduWorkbench(view.context(), *history); });
  view.addCommand(ID_DEVICE_OPERATIONS, [&view](int) { runDeviceDialog(view.context()); });
}
