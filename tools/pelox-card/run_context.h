// One run of a command: the options, the driver, the reader session with
// the card image, the console ports and the report. Each run opens the
// reader and selects the card type afresh, so nothing a code presentation
// unlocked outlives it.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>

#include "cards/card_catalogue.h"
#include "console_ports.h"
#include "memview/card_context.h"
#include "memview/card_image_state.h"
#include "memview/demo_doc.h"
#include "options.h"
#include "reader/reader_context.h"
#include "report.h"
#include "security/command_context.h"
#include "tool.h"

namespace cli {

// A command's end: the exit status and, for a failure, what to tell.
struct Outcome {
  int status = kDone;
  std::string error;
};
inline Outcome done() { return {}; }
inline Outcome fail(int status, std::string error) { return {status, std::move(error)}; }

struct Run {
  Run(Options& options, Environment& environment, std::ostream& errStream);
  ~Run();
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  Options& o;
  Environment& env;
  std::ostream& err;
  Report report;
  DriverTable drv;
  CardSession st;
  CDemoDoc doc;
  CardCatalogue catalogue;
  ConsoleShell shell;
  ConsoleFiles files;
  ConsoleStatus status;
  NoDialogs dialogs;
  bool traced = false;
  std::string readerIni;  // the temporary INI of --reader

  memview::CardContext cardContext() { return {st, doc, drv, shell, files, catalogue}; }
  ReaderContext readerContext() { return {st, drv, shell}; }
  security::CommandContext commandContext() { return {st, drv, shell, dialogs, status}; }

  // Binds the driver, installs the trace and opens the reader on the port.
  Outcome openReader();
  // Selects `type` in the reader (and the zone, page or block of the
  // options), sets the image's size; reads nothing.
  Outcome selectCardType(CardType type);
  // The card type of --type, required; a usage failure names the choices.
  Outcome requiredType(CardType& type);
  // Reads the card of the selected type into the image.
  Outcome readCard();
};

}  // namespace cli
