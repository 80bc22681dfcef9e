// Windows: the arguments as UTF-8, output through WriteConsoleW on a
// console (bytes elsewhere), pelox.dll loaded into the driver table.
#pragma once

#include <cstdio>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "reader/driver.h"

namespace cli {

std::vector<std::string> wideArguments();
// The pelox.dll beside the program.
std::string dllBesideProgram();
// Loads the DLL at `path` (UTF-8) and fills the table with its functions.
bool bindDll(const std::string& path, DriverTable& table, std::string& why);
void setEnvironment(const std::string& name, const std::string& value);

// A stream that writes UTF-8 text to a console as UTF-16, to a file or pipe
// as it is.
class ConsoleStream {
 public:
  explicit ConsoleStream(std::FILE* file);
  ~ConsoleStream();
  std::ostream& stream() { return stream_; }

 private:
  class Buffer : public std::streambuf {
   public:
    explicit Buffer(std::FILE* file) : file_(file) {}
    int sync() override;
    int_type overflow(int_type c) override;

   private:
    std::FILE* file_;
    std::string pending_;
  };
  Buffer buffer_;
  std::ostream stream_;
};

}  // namespace cli
