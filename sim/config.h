// pelox-sim.ini: which port the reader answers on, which card is inserted,
// the version text and the fault switches.
//
//   [reader]  port = usb | com1..com4, version = text (20 characters at most),
//             version_fault = 0/1, firmware_download = 0/1
//   [card]    type = none | 24c02 | sle4442 | ..., state = path of the state
//             file, relative to the INI file's folder (default
//             cards/<type>.card)
//   [faults]  drop_writes = 0/1     writes answer success and change nothing
//             fail_call = N         the Nth driver call (counted from the
//             fail_function = NAME  load; only calls of NAME when given)
//             fail_result = R       answers R (default -12) without acting
//             pull_at_call = N      the card is pulled at the Nth call
//             drop_reader_at_call = N  the reader stops answering from then
//
// `;` and `#` start comments; unknown sections and keys are ignored.
#pragma once

#include <string>
#include <vector>

#include "sim/errors.h"

namespace sim {

struct Faults {
  bool dropWrites = false;
  long failCall = 0;  // 0 = off
  std::string failFunction;
  short failResult = err::kFault;
  long pullAtCall = 0;
  long dropReaderAtCall = 0;
};

struct Config {
  int port = 100;  // 100 = USB, 0..3 = COM1..COM4
  std::string version = "PELOX-SIM V1.0";
  bool versionFault = false;
  bool firmwareDownload = false;
  std::string cardType = "none";
  std::string state;  // as written in the file; empty = cards/<type>.card
  Faults faults;
};

// Parses the INI text. Never fails: a bad line or value is skipped (the
// default stands) and described in `problems`.
Config parseIni(const std::string& text, std::vector<std::string>& problems);

// "usb" -> 100, "com1" -> 0, ...; -1 when unknown.
int portFromName(const std::string& name);

}  // namespace sim
