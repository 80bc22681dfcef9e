#include "platform/win32/driver_loader.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/shell.h"
#include "platform/win32/text.h"
#include "reader/driver_fallback.h"

namespace win32 {

HMODULE loadDriver(DriverTable& table, HWND owner) {
  const std::wstring path = moduleDirectory() + L"pelox.dll";
  HMODULE dll = LoadLibraryW(path.c_str());
  std::string message;
  if (dll == nullptr) {
    message = driver_fallback::missingDllMessage(narrow(path), errorText(GetLastError()));
  } else {
    std::vector<std::string> missing;
    for (int i = 0; i < pelox::kFunctionCount; ++i) {
      const DriverFunctionInfo& f = kDriverFunctions[i];
      FARPROC p = GetProcAddress(dll, f.name);
      if (p == nullptr) {
        std::string decorated = "_";  // the stdcall form: _Name@N
        decorated.append(f.name).append("@").append(std::to_string(f.argumentBytes));
        p = GetProcAddress(dll, decorated.c_str());
      }
      if (p == nullptr) {
        missing.emplace_back(f.name);
        continue;
      }
      // The slot has the function's own type; the address is stored as is.
      static_assert(sizeof p == sizeof(void*));
      std::memcpy(driverSlot(table, i), &p, sizeof p);
    }
    message = driver_fallback::missingFunctionsMessage(narrow(path), missing);
  }
  driver_fallback::fillMissing(table);
  if (!message.empty())
    MessageBoxW(owner, wide(message).c_str(), L"Kv310型读写器演示系统", MB_OK | MB_ICONEXCLAMATION);
  return dll;
}

}  // namespace win32
