#include "win_console.h"

#include <windows.h>
#include <io.h>
#include <shellapi.h>


namespace cli {

namespace {

std::string narrow(const wchar_t* text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string out(static_cast<std::size_t>(n - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring widen(const std::string& text) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

}  // namespace

std::vector<std::string> wideArguments() {
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; argv != nullptr && i < count; ++i) args.push_back(narrow(argv[i]));
  if (argv != nullptr) LocalFree(argv);
  return args;
}

std::string dllBesideProgram() {
  wchar_t path[MAX_PATH * 2] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
  std::string p = n > 0 ? narrow(path) : std::string();
  const auto slash = p.find_last_of("\\/");
  return (slash == std::string::npos ? std::string() : p.substr(0, slash + 1)) + "pelox.dll";
}

bool bindDll(const std::string& path, DriverTable& table, std::string& why) {
  HMODULE dll = LoadLibraryW(widen(path).c_str());
  if (dll == nullptr) {
    why = "无法加载读写器驱动 " + path + "（错误 " + std::to_string(GetLastError()) + "）：用 --driver-dll 指定 pelox.dll";
    return false;
  }
  // The DLL stays loaded until the process ends.
  for (int i = 0; i < pelox::kFunctionCount; ++i) {
    const DriverFunctionInfo& f = kDriverFunctions[i];
    FARPROC p = GetProcAddress(dll, f.name);
    if (p == nullptr) {
      std::string decorated(1, '_');  // the stdcall form: _Name@N
      decorated += f.name;
      decorated += '@';
      decorated += std::to_string(f.argumentBytes);
      p = GetProcAddress(dll, decorated.c_str());
    }
    *driverSlot(table, i) = reinterpret_cast<void*>(p);
  }
  return true;
}

void setEnvironment(const std::string& name, const std::string& value) {
  SetEnvironmentVariableW(widen(name).c_str(), widen(value).c_str());
  _putenv_s(name.c_str(), value.c_str());
}

ConsoleStream::ConsoleStream(std::FILE* file) : buffer_(file), stream_(&buffer_) {}
ConsoleStream::~ConsoleStream() { stream_.flush(); }

ConsoleStream::Buffer::int_type ConsoleStream::Buffer::overflow(int_type c) {
  if (c != traits_type::eof()) pending_ += static_cast<char>(c);
  if (c == '\n' || pending_.size() > 4096) sync();
  return traits_type::not_eof(c);
}

int ConsoleStream::Buffer::sync() {
  if (pending_.empty()) return 0;
  HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file_)));
  DWORD mode = 0;
  if (h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode)) {
    const std::wstring wide = widen(pending_);
    DWORD written = 0;
    WriteConsoleW(h, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  } else {
    std::fwrite(pending_.data(), 1, pending_.size(), file_);
    std::fflush(file_);
  }
  pending_.clear();
  return 0;
}

}  // namespace cli
