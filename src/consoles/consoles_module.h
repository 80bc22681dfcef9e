// The consoles' commands of the view: the CPU card console
// (ID_CPU_CARD_CONSOLE) and the reader device operation dialog
// (ID_DEVICE_OPERATIONS).
#pragma once

class CDemoView;
struct ViewContext;

void installConsolesModule(CDemoView& view);

// The handlers, callable on their own.
void runCpuCardConsole(ViewContext& ctx);
void runDeviceDialog(ViewContext& ctx);
