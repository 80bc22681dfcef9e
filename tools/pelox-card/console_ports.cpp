#include "console_ports.h"

#include <filesystem>
#include <fstream>
#include <ostream>
#include <random>

#include "security/attempts.h"

namespace cli {

namespace fs = std::filesystem;

int ConsoleShell::messageBox(std::string_view text, std::string_view caption, unsigned style) {
  lastMessage = std::string(text);
  err_ << caption << "：" << text << "\n";
  const unsigned buttons = style & 0xF;
  if (buttons == port::mb::kYesNo) {
    const bool lastAttempt = text == security::kLastAttemptQuestion;
    return lastAttempt && acceptLastAttempt ? port::mb::kIdYes : port::mb::kIdNo;
  }
  if (buttons == port::mb::kOkCancel) return port::mb::kIdCancel;
  return port::mb::kIdOk;
}

port::FileDialogs::FileContent ConsoleFiles::readFile(std::string_view path, std::size_t limit) {
  FileContent c;
  std::error_code ec;
  const fs::path p = pathOf(path);
  const auto size = fs::file_size(p, ec);
  if (ec) return c;
  c.size = size;
  if (size > limit) {
    c.status = ReadStatus::TooLarge;
    return c;
  }
  std::ifstream in(p, std::ios::binary);
  c.bytes.resize(static_cast<std::size_t>(size));
  if (!in.read(reinterpret_cast<char*>(c.bytes.data()), static_cast<std::streamsize>(size))) return {};
  c.status = ReadStatus::Ok;
  return c;
}

bool ConsoleFiles::writeFile(std::string_view path, const std::vector<std::uint8_t>& bytes) {
  const fs::path target = pathOf(path);
  fs::path temp = target;
  temp += ".tmp" + std::to_string(std::random_device{}() % 100000);
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::error_code ec;
      fs::remove(temp, ec);
      return false;
    }
  }
  std::error_code ec;
  fs::rename(temp, target, ec);
  if (!ec) return true;
  fs::remove(temp, ec);
  return false;
}

void ConsoleStatus::showStatus(int line, std::string_view text) {
  if (line == 2) line2 = std::string(text);
}

}  // namespace cli
