// The reader connection: finding the reader when the view is created, the
// port commands and closing the reader when the view goes away.
#pragma once

#include "resources/resource.h"
#include "view/view_context.h"

// Port numbers passed to IC_InitComm.
namespace readerport {
inline constexpr int kUsb = 100;
inline constexpr int kCom1 = 0;
inline constexpr int kCom4 = 3;
}  // namespace readerport

// Port menu commands and the port each one opens.
struct PortCommand {
  int commandId;
  int port;
};
inline constexpr PortCommand kPortCommands[] = {
    {ID_PORT_COM1, 0}, {ID_PORT_COM2, 1}, {ID_PORT_COM3, 2}, {ID_PORT_COM4, 3},
    {ID_PORT_USB, readerport::kUsb},
};

// Message shown when the driver reports a version fault on a serial port.
extern const char* const kDriverVersionMessage;
// Message shown when no reader answers on USB or any serial port.
extern const char* const kNoReaderMessage;

// Searches the reader when the view has been created (the view has set the
// cell metrics and made the caret): USB first, then COM1 to COM4.
void openReaderOnCreate(ViewContext& ctx);

// Moves the connection to another port; on failure goes back to the
// previous one and beeps.
void switchPort(ViewContext& ctx, int newPort);

// Closes the reader (the view is being destroyed).
void closeReaderOnDestroy(ViewContext& ctx);
