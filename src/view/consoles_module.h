// The consoles' commands of the view: the CPU card console
// (ID_CPU_CARD_CONSOLE), the APDU workbench (ID_APDU_WORKBENCH) and the
// reader device operation dialog (ID_DEVICE_OPERATIONS). The console and
// the workbench share one history of CPU card exchanges for the run.
#pragma once

namespace apdu {
class History;
}
class CDemoView;
struct ViewContext;

void installConsolesModule(CDemoView& view);

// The handlers, callable on their own.
void runCpuCardConsole(ViewContext& ctx, apdu::History* history = nullptr);
void runApduWorkbench(ViewContext& ctx, apdu::History& history);
void runDeviceDialog(ViewContext& ctx);
