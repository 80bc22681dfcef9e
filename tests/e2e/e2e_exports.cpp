// Loads the built pelox.dll by name, resolves all 69 driver functions and
// drives the simulated reader through a few of them: the INI file beside the
// DLL, a damaged state file kept aside, a card swap at the next status call,
// a write and read back, the no-card answer of the identification.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "reader/driver.h"

namespace {

int failures = 0;

void check(bool ok, const char* what, long got) {
  if (!ok) {
    std::printf("FAIL: %s (got %ld)\n", what, got);
    ++failures;
  }
}

void writeText(const char* path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

bool exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

int wmain() {
  // The INI beside the DLL names a card whose state file is damaged.
  CreateDirectoryA("cards", nullptr);
  writeText("cards\\bad.card", "pelox-card 1\ntype 24c02\nbytes memory 256\n0000 GARBAGE\n");
  writeText("pelox-sim.ini", "[reader]\nport = usb\nversion = E2E-SIM\n[card]\ntype = 24c02\nstate = cards/bad.card\n");

  HMODULE dll = LoadLibraryW(L"pelox.dll");
  if (dll == nullptr) {
    std::printf("FAIL: LoadLibrary(pelox.dll) error %lu\n", GetLastError());
    return 1;
  }
  DriverTable t;
  int resolved = 0;
#define PELOX_FN(ret, name, params, args, bytes)                                             \
  t.name = reinterpret_cast<pelox::name##_fn>(reinterpret_cast<void*>(GetProcAddress(dll, #name))); \
  if (t.name == nullptr)                                                                     \
    std::printf("FAIL: %s is not exported\n", #name), ++failures;                           \
  else                                                                                       \
    ++resolved;
#include "reader/driver_functions.h"
#undef PELOX_FN
  check(resolved == 69, "all 69 functions resolve", resolved);
  if (resolved != 69) return 1;

  check(t.IC_InitComm(0) == 0, "COM1 does not answer", t.IC_InitComm(0));
  int h = t.IC_InitComm(100);
  check(h > 0, "USB answers with a handle", h);
  short s = t.IC_Status(h);
  check(s == 1, "a damaged state file: no card", s);
  check(exists("cards\\bad.card.damaged-1"), "the damaged file is kept aside", 0);
  check(t.IC_InitType(h, 253) == -134, "identification without a card", t.IC_InitType(h, 253));
  unsigned char version[20] = {};
  check(t.IC_ReadVer(h, version) == 0 && std::strcmp(reinterpret_cast<char*>(version), "E2E-SIM") == 0, "version text", 0);

  // Swap the card in the INI: taken at the next status call.
  writeText("pelox-sim.ini", "[reader]\nport = usb\n[card]\ntype = 24c02\nstate = cards/e2e.card\n; swapped\n");
  s = t.IC_Status(h);
  check(s == 0, "the new card is in", s);
  check(t.IC_InitType(h, 64) == 0, "IC_InitType 64", 0);
  const unsigned char data[4] = {0xDE, 0xAD, 0xBE, 0xEF};
  check(t.IC_Write24(h, 250, 4, data) == 0, "IC_Write24 at 250", 0);
  check(t.IC_Write24(h, 254, 4, data) < 0, "IC_Write24 past the end of a 24C02 fails", 0);
  unsigned char back[4] = {};
  check(t.IC_Read(h, 250, 4, back) == 0 && std::memcmp(back, data, 4) == 0, "read back", 0);
  std::ifstream state("cards\\e2e.card");
  std::string all((std::istreambuf_iterator<char>(state)), std::istreambuf_iterator<char>());
  check(all.find("type 24c02") != std::string::npos && all.find("DEADBEEF") != std::string::npos, "state file saved", 0);

  char hex[16] = {};
  check(t.asc2hex(data, hex, 4) == 0 && std::strcmp(hex, "DEADBEEF") == 0, "asc2hex upper case", 0);
  unsigned char bytes[2] = {};
  check(t.hex2asc("zz", bytes, 1) < 0, "hex2asc refuses non-hex text", 0);
  check(t.IC_ExitComm(h) == 0, "IC_ExitComm", 0);
  FreeLibrary(dll);

  std::printf("%d passed, %d failed\n", failures == 0 ? 1 : 0, failures == 0 ? 0 : 1);
  return failures == 0 ? 0 : 1;
}
