// The reader's utility commands: power down, version text, push-out and
// the hand-over to the firmware download tool.
#pragma once

#include <cstddef>
#include <string>

#include "view/view_context.h"

// IC_InitType(pelox::DriverType::ReaderIdentification) answer when no card is inserted.
inline constexpr short kNoCardForIdentification = -134;
// The download tool, started by its bare file name.
inline constexpr const char* kDownloadTool = "DownLoad.exe";

void powerDownCard(ViewContext& ctx);
void showReaderVersion(ViewContext& ctx);
void pushOutCard(ViewContext& ctx);
void startFirmwareDownload(ViewContext& ctx);

// The text a driver left in a fixed buffer: up to the first zero byte but
// never past the buffer; bytes that are not UTF-8 show as "?".
std::string driverText(const unsigned char* buffer, std::size_t size);
