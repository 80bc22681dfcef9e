// port::FileDialogs on Win32: the common Open and Save dialogs owned by the
// main window, and whole-file reads and replacing writes.
#pragma once

#include "platform/ports.h"
#include "platform/win32/context.h"

namespace win32 {

class FileDialogs : public port::FileDialogs {
 public:
  explicit FileDialogs(Context& ctx) : ctx_(ctx) {}
  std::string askSavePath(const Filter& filter, std::string_view defaultName) override;
  std::string askOpenPath(const Filter& filter) override;
  FileContent readFile(std::string_view path, std::size_t limit) override;
  bool writeFile(std::string_view path, const std::vector<std::uint8_t>& bytes) override;

 private:
  std::string run(bool save, const Filter& filter, std::string_view defaultName);
  Context& ctx_;
};

}  // namespace win32
