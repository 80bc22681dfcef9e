#include "platform/win32/text.h"

#include "platform/utf.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

namespace win32 {

std::wstring wide(std::string_view utf8) {
  const auto r = utf::toUtf16(utf8);
  if (r.invalid > 0) {
    const std::wstring note = L"pelox demo: invalid UTF-8 in text: " + std::to_wstring(r.invalid) + L" sequence(s) replaced\n";
    OutputDebugStringW(note.c_str());
  }
  return std::wstring(reinterpret_cast<const wchar_t*>(r.text.data()), r.text.size());
}

std::string narrow(std::wstring_view text) {
  const std::u16string_view units(reinterpret_cast<const char16_t*>(text.data()), text.size());
  const auto r = utf::toUtf8(units);
  if (r.invalid > 0) OutputDebugStringW(L"pelox demo: unpaired surrogate in text replaced\n");
  return r.text;
}

std::string errorText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text = "错误 " + std::to_string(code);
  if (n > 0 && buffer != nullptr) {
    std::wstring message(buffer, n);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
      message.pop_back();
    text += "：" + narrow(message);
  }
  if (buffer != nullptr) LocalFree(buffer);
  return text;
}

void reportException(HWND owner, const char* where, const std::exception* e) {
  std::string text = "程序内部错误（";
  text += where;
  text += "）：";
  text += e != nullptr ? e->what() : "未知异常";
  MessageBoxW(owner, wide(text).c_str(), L"Kv310型读写器演示系统", MB_OK | MB_ICONSTOP);
}

}  // namespace win32
