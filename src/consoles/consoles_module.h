// The consoles' commands of the view: the CPU card console (32815) and the
// reader device operation dialog (32841).
#pragma once

class CDemoView;
struct ViewContext;

inline constexpr int kCmdCpuCardConsole = 32815;
inline constexpr int kCmdDeviceDialog = 32841;

void installConsolesModule(CDemoView& view);

// The handlers, callable on their own.
void runCpuCardConsole(ViewContext& ctx);
void runDeviceDialog(ViewContext& ctx);
