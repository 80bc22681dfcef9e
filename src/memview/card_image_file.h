// Card image files: the bytes of the card image of the current card type
// and zone (page, block), saved to and opened from plain binary files. An
// opened file only changes the card image; F5 writes it to the card.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "memview/card_context.h"

namespace cardimage {

inline constexpr const char* kSaveReadFirst = "请先读卡，再保存卡片映像。";
inline constexpr const char* kOpenReadFirst = "请先读卡，再打开卡片映像文件。";
// Ctrl+S with edits not yet written: which bytes go into the file.
inline constexpr const char* kSaveWhich =
    "有尚未写入卡的修改。\n选“是”保存卡内的数据，选“否”保存含修改的映像。";

// Whether the card image holds what the last read brought from the card of
// the current card type and zone.
bool hasCardImage(const CardSession& st);
// "4442.bin", "1608_zone3.bin", "45D041_page12.bin", "SSF1101_block5.bin".
std::string defaultFileName(const CardSession& st);
// What the image covers, for messages: "4442", "1608 第3区", "1608 配置区",
// "45D041 第12页", "SSF1101 第5块".
std::string partName(const CardSession& st);

// What loading a file into the card image did.
struct LoadResult {
  int changed = 0;  // bytes taken from the file and recorded as edited
  int skipped = 0;  // differing bytes left as the card holds them
};
// Takes every byte of `bytes` (byteCount of them) that differs from the
// card image into it and records it as edited, except bytes of code, key,
// seed and counter zones and bytes write-protected on the card.
LoadResult loadIntoImage(memview::CardContext ctx, const std::vector<std::uint8_t>& bytes);

// Ctrl+S: the Save dialog, then the file: the card's bytes, or with edits
// pending the image if the operator says so.
void saveCardImage(memview::CardContext ctx);
// Ctrl+O: the Open dialog, the size check, then the bytes into the card
// image. True when the image took the file (the caller then redraws the
// grid, enters edit mode and calls reportLoad).
bool openCardImage(memview::CardContext ctx, LoadResult& result);
// The summary box after an opened file; `editing`: edit mode is on, so F5
// writes the bytes taken.
void reportLoad(memview::CardContext ctx, const LoadResult& result, bool editing);

}  // namespace cardimage
