#include "platform/win32/file_dialogs.h"

#include <commdlg.h>

#include <algorithm>
#include <string>

#include "platform/win32/text.h"

namespace win32 {

namespace {

// The common dialogs' DLL, loaded when a file dialog is first opened rather
// than with the program (it brings several more DLLs with it, which would
// all be loaded at every start).
struct CommonDialogs {
  using Run = BOOL(WINAPI*)(LPOPENFILENAMEW);
  using Error = DWORD(WINAPI*)();
  Run open = nullptr;
  Run save = nullptr;
  Error error = nullptr;

  static const CommonDialogs& get() {
    static const CommonDialogs dialogs = [] {
      CommonDialogs d;
      if (HMODULE dll = LoadLibraryW(L"comdlg32.dll")) {
        d.open = procedure<Run>(dll, "GetOpenFileNameW");
        d.save = procedure<Run>(dll, "GetSaveFileNameW");
        d.error = procedure<Error>(dll, "CommDlgExtendedError");
      }
      return d;
    }();
    return dialogs;
  }

  template <typename F>
  static F procedure(HMODULE dll, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
  }
};

}  // namespace

namespace {

// Closes a file handle when the scope ends.
class FileHandle {
 public:
  explicit FileHandle(HANDLE h) : h_(h) {}
  ~FileHandle() { close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  bool close() {
    if (!valid()) return true;
    const BOOL ok = CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return ok != FALSE;
  }

 private:
  HANDLE h_;
};

// The filter list of the dialogs: the given filter, then all files; pairs
// of texts, each ending in 0, and a final 0.
std::wstring filterList(const port::FileDialogs::Filter& filter) {
  std::wstring list;
  for (std::string_view part :
       {filter.description, filter.pattern, std::string_view("所有文件 (*.*)"), std::string_view("*.*")}) {
    list += wide(part);
    list.push_back(L'\0');
  }
  list.push_back(L'\0');
  return list;
}

}  // namespace

std::string FileDialogs::run(bool save, const Filter& filter, std::string_view defaultName) {
  // Room for long paths; the dialog reports a name that does not fit.
  std::wstring buffer(32768, L'\0');
  const std::wstring name = wide(defaultName);
  std::copy_n(name.begin(), std::min(name.size(), buffer.size() - 1), buffer.begin());
  const std::wstring filters = filterList(filter);
  const std::wstring extension = wide(filter.extension);

  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  // Owned by the dialog that asks, when one is open: a file dialog owned by
  // the main window would enable it again when it closes, under a modal
  // dialog that is still open.
  ofn.hwndOwner = ctx_.frame != nullptr ? GetLastActivePopup(ctx_.frame) : nullptr;
  ofn.lpstrFilter = filters.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrDefExt = extension.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
              (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  const CommonDialogs& dialogs = CommonDialogs::get();
  if (dialogs.open == nullptr || dialogs.save == nullptr || dialogs.error == nullptr) {
    MessageBoxW(ctx_.frame, wide("文件对话框无法打开（comdlg32.dll 无法加载）。").c_str(), wide("出错警告").c_str(),
                MB_ICONEXCLAMATION);
    return "";
  }
  const BOOL chosen = save ? dialogs.save(&ofn) : dialogs.open(&ofn);
  if (!chosen) {
    // 0: the operator cancelled; anything else is the dialog's own failure.
    if (const DWORD e = dialogs.error(); e != 0) {
      const std::string text = "文件对话框无法打开（错误 " + std::to_string(e) + "）。";
      MessageBoxW(ctx_.frame, wide(text).c_str(), wide("出错警告").c_str(), MB_ICONEXCLAMATION);
    }
    return "";
  }
  return narrow(buffer.c_str());
}

std::string FileDialogs::askSavePath(const Filter& filter, std::string_view defaultName) {
  return run(true, filter, defaultName);
}

std::string FileDialogs::askOpenPath(const Filter& filter) { return run(false, filter, ""); }

port::FileDialogs::FileContent FileDialogs::readFile(std::string_view path, std::size_t limit) {
  FileHandle file(CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return {};
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return {};
  const auto total = static_cast<std::uint64_t>(size.QuadPart);
  if (total > limit) return {ReadStatus::TooLarge, total, {}};
  FileContent content{ReadStatus::Ok, total, std::vector<std::uint8_t>(static_cast<std::size_t>(total))};
  std::size_t done = 0;
  while (done < content.bytes.size()) {
    DWORD got = 0;
    const auto want = static_cast<DWORD>(content.bytes.size() - done);
    if (!ReadFile(file.get(), content.bytes.data() + done, want, &got, nullptr) || got == 0) return {};
    done += got;
  }
  return content;
}

bool FileDialogs::writeFile(std::string_view path, const std::vector<std::uint8_t>& bytes) {
  const std::wstring target = wide(path);
  const std::wstring temp = target + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  bool ok = false;
  {
    FileHandle file(
        CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    std::size_t done = 0;
    ok = true;
    while (ok && done < bytes.size()) {
      DWORD put = 0;
      const auto want = static_cast<DWORD>(bytes.size() - done);
      ok = WriteFile(file.get(), bytes.data() + done, want, &put, nullptr) && put > 0;
      done += put;
    }
    ok = ok && FlushFileBuffers(file.get());
    ok = file.close() && ok;
  }
  // The old file is replaced only by a complete new one.
  if (ok)
    ok = MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
         FALSE;
  if (!ok) DeleteFileW(temp.c_str());
  return ok;
}

}  // namespace win32
