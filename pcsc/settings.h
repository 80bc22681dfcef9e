// pelox-pcsc.ini beside the DLL (or the file named by PELOX_PCSC_INI):
//
//   [reader]
//   name = ACS ACR39U   ; part of the reader's name; empty or missing: the
//                       ; first reader that holds a card, else the first
//
// `;` and `#` start comments; unknown sections and keys are ignored.
#pragma once

#include <string>
#include <vector>

namespace pcsc {

struct Settings {
  std::string readerName;
};

// Parses the INI text; a line that is not understood is described in
// `problems` and skipped.
Settings parseSettings(const std::string& text, std::vector<std::string>& problems);

// The settings file's contents (defaults when it is missing); problems go to
// standard error.
Settings loadSettings();

}  // namespace pcsc
