// The reader connection: finding the reader when the view is created, the
// port commands and closing the reader when the view goes away.
#pragma once

#include "reader/reader_context.h"
#include "reader/reader_port.h"
#include "resources/resource.h"

// Port menu commands and the port each one opens.
struct PortCommand {
  int commandId;
  ReaderPort port;
};
inline constexpr PortCommand kPortCommands[] = {
    {ID_PORT_COM1, ReaderPort::Com1}, {ID_PORT_COM2, ReaderPort::Com2}, {ID_PORT_COM3, ReaderPort::Com3},
    {ID_PORT_COM4, ReaderPort::Com4}, {ID_PORT_USB, ReaderPort::Usb},
};

// Message shown when the driver reports a version fault on a serial port.
extern const char* const kDriverVersionMessage;
// Message shown when no reader answers on USB or any serial port.
extern const char* const kNoReaderMessage;

// Searches the reader when the view has been created (the view has set the
// cell metrics and made the caret): USB first, then COM1 to COM4.
void openReaderOnCreate(ReaderContext ctx);

// What a port command did to the connection.
enum class PortSwitch {
  Refused,  // the reader could not be closed: nothing changed
  Kept,     // the reader is on the port it was on (or the new port failed)
  Moved,    // the reader is on another port
};

// Moves the connection to another port; on failure goes back to the
// previous one and beeps.
PortSwitch switchPort(ReaderContext ctx, ReaderPort newPort);

// Closes the reader (the view is being destroyed).
void closeReaderOnDestroy(ReaderContext ctx);
