// Writing the protection marks of the SLE4442 and SLE4428: each marked byte
// is written protected and counts only when the card reads it back so.
#include <array>
#include <cstdint>

#include "memview/row_writes.h"

namespace memview {

namespace {

constexpr const char* kInfoCaption = "提示信息";

short toShort(int v) { return static_cast<short>(v); }

}  // namespace

bool RowWriter::writeMarks4428() {
  CardSession& st = ctx_.st;
  for (int p = 0; p < st.pageCount && p < 4; ++p) {
    for (int offset = 0; offset < 256; ++offset) {
      const int a = p * 256 + offset;
      if (a >= 1021) break;
      if (flag4428(st.pages4428Saved, a) == kProtectedFlag || flag4428(st.pages4428, a) != kProtectedFlag)
        continue;
      const std::uint8_t value = ctx_.doc.byteAt(a);
      // The mark counts only when the card reads the byte back as protected.
      // The page is read back as the read core reads it, into a buffer the
      // size of its answer: 256 bytes, then their 256 flags.
      std::array<std::uint8_t, 512> back{};
      back.fill(kWritableFlag);
      if (ctx_.drv.IC_WriteWithProtection(st.readerHandle, toShort(a), 1, &value) != 0 ||
          ctx_.drv.IC_ReadWithProtection(st.readerHandle, toShort(p * 256), 256, back.data()) < 0 ||
          back[static_cast<std::size_t>(256 + offset)] != kProtectedFlag) {
        ctx_.shell.messageBox("写保护没有成功.", kInfoCaption, port::mb::kIconInformation);
        return false;
      }
      flag4428(st.pages4428Saved, a) = kProtectedFlag;
      beep(1);
    }
  }
  return true;
}

bool RowWriter::writeMarks4442() {
  CardSession& st = ctx_.st;
  for (int i = 0; i < 32; ++i) {
    const auto at = static_cast<std::size_t>(i);
    if (st.protect4442Saved[at] == kProtectedFlag || st.protect4442[at] != kProtectedFlag) continue;
    const std::uint8_t value = ctx_.doc.byteAt(i);
    // All 32 flags are read back, as the read core reads them.
    std::array<std::uint8_t, 32> flags{};
    flags.fill(kWritableFlag);
    if (ctx_.drv.IC_WriteProtection(st.readerHandle, toShort(i), 1, &value) != 0 ||
        ctx_.drv.IC_ReadProtection(st.readerHandle, 0, 32, flags.data()) < 0 || flags[at] != kProtectedFlag) {
      ctx_.shell.messageBox("写保护没有成功.", kInfoCaption, port::mb::kIconInformation);
      return false;
    }
    st.protect4442Saved[at] = kProtectedFlag;
    beep(1);
  }
  return true;
}

void RowWriter::beep(int times) {
  for (int i = 0; i < times; ++i) ctx_.shell.beep(0);
}

}  // namespace memview
