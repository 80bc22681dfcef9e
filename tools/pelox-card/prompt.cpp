#include "prompt.h"

#include <iostream>

#ifdef _WIN32
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace cli {

std::optional<std::string> promptWithoutEcho(const std::string& label, std::ostream& err) {
  std::string line;
#ifdef _WIN32
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (!GetConsoleMode(in, &mode)) return std::nullopt;
  err << label << std::flush;
  SetConsoleMode(in, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  const bool ok = static_cast<bool>(std::getline(std::cin, line));
  SetConsoleMode(in, mode);
#else
  termios old{};
  if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &old) != 0) return std::nullopt;
  err << label << std::flush;
  termios quiet = old;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  const bool ok = static_cast<bool>(std::getline(std::cin, line));
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
#endif
  err << "\n";
  if (!ok) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace cli
