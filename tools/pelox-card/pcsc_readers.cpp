#include "pcsc_readers.h"

#ifdef _WIN32
#include <windows.h>
#include <winscard.h>
#define PCSC_A(name) name##A
using ReaderState = SCARD_READERSTATEA;
#else
#include <PCSC/winscard.h>
#include <PCSC/wintypes.h>
#define PCSC_A(name) name
using ReaderState = SCARD_READERSTATE;
#endif

#include <cstdio>

namespace cli {

namespace {

std::string resultText(LONG rv) {
  char b[32];
  std::snprintf(b, sizeof b, "0x%08lX", static_cast<unsigned long>(rv));
  return b;
}

}  // namespace

bool listPcscReaders(std::vector<ReaderEntry>& readers, std::string& why) {
  SCARDCONTEXT context = 0;
  LONG rv = SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context);
  if (rv != SCARD_S_SUCCESS) {
    why = "SCardEstablishContext " + resultText(rv);
    return false;
  }
  DWORD size = 0;
  rv = PCSC_A(SCardListReaders)(context, nullptr, nullptr, &size);
  std::string names;
  if (rv == SCARD_S_SUCCESS && size > 0) {
    names.assign(size, '\0');
    rv = PCSC_A(SCardListReaders)(context, nullptr, names.data(), &size);
  }
  if (rv == static_cast<LONG>(SCARD_E_NO_READERS_AVAILABLE)) {
    SCardReleaseContext(context);
    return true;
  }
  if (rv != SCARD_S_SUCCESS) {
    SCardReleaseContext(context);
    why = "SCardListReaders " + resultText(rv);
    return false;
  }
  for (std::size_t at = 0; at < names.size() && names[at] != '\0';) {
    const std::string name = names.c_str() + at;
    at += name.size() + 1;
    ReaderState state{};
    state.szReader = name.c_str();
    state.dwCurrentState = SCARD_STATE_UNAWARE;
    ReaderEntry entry;
    entry.name = name;
    if (PCSC_A(SCardGetStatusChange)(context, 0, &state, 1) == SCARD_S_SUCCESS) {
      entry.cardPresent = (state.dwEventState & SCARD_STATE_PRESENT) != 0;
      if (entry.cardPresent && state.cbAtr <= sizeof state.rgbAtr)
        entry.atr.assign(state.rgbAtr, state.rgbAtr + state.cbAtr);
    }
    readers.push_back(entry);
  }
  SCardReleaseContext(context);
  return true;
}

}  // namespace cli
