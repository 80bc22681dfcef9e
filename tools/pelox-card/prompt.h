// A prompt on the terminal that does not echo what is typed.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

namespace cli {

// The line typed after `label`; nothing when standard input is no terminal.
std::optional<std::string> promptWithoutEcho(const std::string& label, std::ostream& err);

}  // namespace cli
