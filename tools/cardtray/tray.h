// The virtual card tray: swaps, resets and shows the simulated reader's
// cards by editing pelox-sim.ini and the card state files beside it. A
// running program notices the change at its next status call.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace tray {

// Runs one tray command (the arguments after the program name) and returns
// the process exit code: 0 done, 1 failed, 2 bad command line.
int run(const std::vector<std::string>& args, const std::filesystem::path& defaultIni, std::ostream& out, std::ostream& err);

// The INI text with [card] type and state set, every other line kept (the
// comment after a value too). Adds the keys, or the section, when missing.
std::string withCard(const std::string& iniText, const std::string& type, const std::string& state);

// The text of the default pelox-sim.ini.
const std::string& defaultIniText();

}  // namespace tray
