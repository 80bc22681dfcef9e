// The ports the core's card commands need, for a console: message boxes
// go to standard error and every question gets the safe answer (No,
// Cancel) unless the command line allowed more; files are plain files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>

#include "platform/dialog.h"
#include "platform/ports.h"
#include "platform/utf.h"
#include "security/command_context.h"

namespace cli {

class ConsoleShell : public port::Shell {
 public:
  explicit ConsoleShell(std::ostream& err) : err_(err) {}
  // Whether the question before a code's last attempt is answered Yes.
  bool acceptLastAttempt = false;
  // The last box's text, for the JSON error.
  std::string lastMessage;

  int messageBox(std::string_view text, std::string_view caption, unsigned style) override;
  void beep(unsigned) override {}
  void setWaitCursor(bool) override {}
  void postQuit(int) override {}
  bool startProcess(std::string_view, int) override { return false; }
  void shellExecute(std::string_view, int) override {}
  void helpEngine(std::string_view, unsigned) override {}
  std::string programPath() override { return {}; }
  port::Point screenSize() override { return {}; }

 private:
  std::ostream& err_;
};

class ConsoleFiles : public port::FileDialogs {
 public:
  std::string askSavePath(const Filter&, std::string_view) override { return {}; }
  std::string askOpenPath(const Filter&) override { return {}; }
  FileContent readFile(std::string_view path, std::size_t limit) override;
  bool writeFile(std::string_view path, const std::vector<std::uint8_t>& bytes) override;
};

// The status lines of the security commands: the last text of each line.
class ConsoleStatus : public security::StatusDisplay {
 public:
  void showStatus(int line, std::string_view text) override;
  void eraseStatus(int, std::string_view) override {}
  void leaveEditing() override {}
  std::string line2;
};

using utf::pathOf;

// No dialog opens on a console.
class NoDialogs : public port::DialogRunner {
 public:
  int runModal(port::Dialog&) override { return port::mb::kIdCancel; }
};

}  // namespace cli
