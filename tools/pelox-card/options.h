// The command line: global options, the command and its options, in any
// order after the command (git style: `pelox-card [OPTIONS] COMMAND ...`).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

struct Options {
  // Global.
  std::string driver;     // pcsc | sim (natively); empty: the default
  std::string simIni;     // the simulator's INI file
  std::string driverDll;  // Windows: the pelox.dll to load
  std::string port = "usb";
  std::string reader;  // part of a PC/SC reader's name
  std::string trace;   // the driver trace's file
  bool json = false;
  bool help = false;
  // The command and its operands.
  std::string command;
  std::vector<std::string> operands;
  // Command options.
  std::string type;
  std::optional<int> zone, page, block;
  std::string output;
  std::string format;  // hex | bin | json; empty: bin into a file, else hex
  bool dryRun = false;
  bool yes = false;
  bool lastAttempt = false;
  bool readOnly = false;
  bool t0 = false;         // complete 61xx / 6Cxx answers
  bool keepGoing = false;  // a script runs on after a difference
  std::string codeFile, codeEnv, newCodeFile, newCodeEnv;
  std::string password = "write";  // CryptoMemory: read | write
  std::optional<int> set;          // CryptoMemory password set
  // personalise
  std::optional<int> count;
  std::string serial, protect, resume, log;
  std::vector<std::string> fields;
  bool bcd = false;
  bool stopOnFailure = false;
};

// Parses the arguments; false with the reason in `why`.
bool parseOptions(const std::vector<std::string>& args, Options& o, std::string& why);

// The options a command takes besides the global ones ("--type", ...); a
// null result for a command that does not exist.
const std::vector<std::string>* commandOptions(const std::string& command);

}  // namespace cli
