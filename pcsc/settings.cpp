#include "pcsc/settings.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#endif

namespace pcsc {

namespace {
std::string trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  std::size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

std::string settingsPath() {
  if (const char* env = std::getenv("PELOX_PCSC_INI"); env && *env) return env;
#ifdef _WIN32
  HMODULE self = nullptr;
  char name[MAX_PATH * 2] = {};
  if (GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCSTR>(&loadSettings), &self) &&
      GetModuleFileNameA(self, name, MAX_PATH * 2) > 0) {
    std::string path = name;
    std::size_t slash = path.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "pelox-pcsc.ini";
  }
#endif
  return {};
}
}  // namespace

Settings parseSettings(const std::string& text, std::vector<std::string>& problems) {
  Settings s;
  std::istringstream in(text);
  std::string line, section;
  for (int number = 1; std::getline(in, line); ++number) {
    if (std::size_t c = line.find_first_of(";#"); c != std::string::npos) line.erase(c);
    line = trim(line);
    if (line.empty()) continue;
    if (line.front() == '[') {
      if (line.back() != ']') {
        problems.push_back("line " + std::to_string(number) + ": unclosed section");
        continue;
      }
      section = trim(line.substr(1, line.size() - 2));
      continue;
    }
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) {
      problems.push_back("line " + std::to_string(number) + ": not a key = value line");
      continue;
    }
    if (section == "reader" && trim(line.substr(0, eq)) == "name") s.readerName = trim(line.substr(eq + 1));
  }
  return s;
}

Settings loadSettings() {
  std::string path = settingsPath();
  if (path.empty()) return {};
  std::ifstream file(path, std::ios::binary);
  if (!file) return {};
  std::stringstream text;
  text << file.rdbuf();
  std::vector<std::string> problems;
  Settings s = parseSettings(text.str(), problems);
  for (const std::string& p : problems) std::cerr << "pelox PC/SC driver: " << path << ": " << p << "\n";
  return s;
}

}  // namespace pcsc
