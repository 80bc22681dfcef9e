// port::Shell on Win32.
#pragma once

#include "platform/ports.h"
#include "platform/win32/context.h"

namespace win32 {

class Shell : public port::Shell {
 public:
  explicit Shell(Context& ctx) : ctx_(ctx) {}
  int messageBox(std::string_view text, std::string_view caption, unsigned style) override;
  void beep(unsigned type) override;
  void setWaitCursor(bool on) override;
  void postQuit(int exitCode) override;
  bool startProcess(std::string_view commandLine, int show) override;
  void shellExecute(std::string_view file, int show) override;
  void helpEngine(std::string_view file, unsigned command) override;
  std::string programPath() override;
  port::Point screenSize() override;
  bool copyToClipboard(std::string_view utf8) override;

 private:
  Context& ctx_;
};

// Full path of the running program file, and its directory with a
// trailing backslash.
std::wstring modulePath();
std::wstring moduleDirectory();

}  // namespace win32
