// The PC/SC readers straight from pcsc-lite or winscard.
#pragma once

#include "tool.h"

namespace cli {

bool listPcscReaders(std::vector<ReaderEntry>& readers, std::string& why);

}  // namespace cli
