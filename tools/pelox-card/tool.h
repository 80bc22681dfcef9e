// pelox-card: the card reader's commands for a shell, on the layers below
// the view. The commands take the driver binding, the output streams and
// the code input from the caller, so tests run them in-process against the
// simulated reader.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "reader/driver.h"

namespace cli {

// Exit statuses.
inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;    // the card, the reader or the driver failed
inline constexpr int kUsage = 2;     // the command line is wrong
inline constexpr int kRefused = 3;   // a script line did not match, or a safety check refused

// One PC/SC reader as the smart-card service lists it.
struct ReaderEntry {
  std::string name;
  bool cardPresent = false;
  std::vector<unsigned char> atr;
};

// Codes typed at a prompt without echo; nothing when there is no terminal
// or the operator gave none.
using CodePrompt = std::function<std::optional<std::string>(const std::string& label)>;

struct Environment {
  // Fills `table` with the driver chosen (`driver`: "pcsc", "sim" or a DLL
  // path on Windows); false with the reason in `why`.
  std::function<bool(const std::string& driver, DriverTable& table, std::string& why)> bindDriver;
  // The PC/SC readers; false with the reason when the service cannot be asked.
  std::function<bool(std::vector<ReaderEntry>& readers, std::string& why)> listReaders;
  CodePrompt prompt;
  std::function<const char*(const char*)> getenv;
  // Sets an environment variable for the driver (the PC/SC reader choice).
  std::function<void(const std::string& name, const std::string& value)> setenv;
  std::string defaultDriver;  // "pcsc" natively, the DLL beside the program on Windows
  // personalise: waits between polls of the reader (the operator's time),
  // and the clock of its rate, in seconds. Unset: the system's.
  std::function<void(int milliseconds)> sleep;
  std::function<double()> clock;
};

// Runs one command line (the arguments after the program name).
int run(const std::vector<std::string>& args, Environment& env, std::ostream& out, std::ostream& err);

}  // namespace cli
