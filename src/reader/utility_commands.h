// The reader's utility commands: power down, version text, push-out and
// the hand-over to the firmware download tool.
#pragma once

#include <cstddef>
#include <string>

#include "reader/reader_context.h"

// IC_InitType(pelox::DriverType::ReaderIdentification) answer when no card is inserted.
inline constexpr short kNoCardForIdentification = -134;
// The download tool, started by its bare file name.
inline constexpr const char* kDownloadTool = "DownLoad.exe";

void powerDownCard(ReaderContext ctx);
void showReaderVersion(ReaderContext ctx);
void pushOutCard(ReaderContext ctx);
void startFirmwareDownload(ReaderContext ctx);

// The text a driver left in a fixed buffer: up to the first zero byte but
// never past the buffer; bytes that are not UTF-8 show as "?".
std::string driverText(const unsigned char* buffer, std::size_t size);
