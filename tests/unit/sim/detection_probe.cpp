#include "sim_fixture.h"

namespace simtest {

namespace {
bool same(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) { return std::equal(a, a + n, b); }
}  // namespace

// The program's probe chain: every probe writes only what the program's own
// detection writes and restores what it restores.
int detectCardType(DriverTable& d, int h) {
  if (d.IC_Status(h) != 0) return -1;
  std::uint8_t buf[128] = {}, save[128] = {}, save2[128] = {}, back[8] = {};
  const std::uint8_t wp[2] = {0x77, 0x70}, WP[2] = {0x57, 0x50}, ff[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  // 1 CPU
  if (d.IC_InitType(h, 12) == 0) {
    unsigned char len = 0;
    if (d.IC_CpuReset(h, &len, buf) == 0 && len > 3) return 12;
  }
  // 2 SSF1101
  if (d.IC_InitType(h, 66) == 0) {
    d.IC_Status(h);
    if (d.IC_Read_1101(h, 0, 0, 2, save) == 0 && d.IC_Write_1101(h, 0, 0, 2, wp) == 0) {
      d.IC_Write_1101(h, 0, 0, 2, save);
      return 163;
    }
  }
  // 3 AT45D041
  if (d.IC_InitType(h, 65) == 0) {
    d.IC_Status(h);
    d.IC_DirectRead(h, 0, 0, 2, save);
    if (d.IC_DirectRead(h, 0, 0, 2, save) == 0 && d.IC_DirectWrite(h, 0, 0, 2, wp) == 0) {
      d.IC_DirectWrite(h, 0, 0, 2, save);
      return 161;
    }
  }
  // 4 AT88SC153
  if (d.IC_InitType(h, 209) == 0) {
    d.IC_Status(h);
    const std::uint8_t aa = 0xAA;
    if (d.IC_WriteConfigZone(h, 15, 1, ff) == 0 && d.IC_WriteConfigZone(h, 15, 1, &aa) == 0 &&
        d.IC_ReadConfigZone(h, 15, 1, back) == 0 && back[0] == 0xAA)
      return 209;
  }
  // 5 AT88SC1608
  if (d.IC_InitType(h, 208) == 0) {
    d.IC_Status(h);
    const std::uint8_t pattern[8] = {0x31, 0x36, 0x30, 0x38, 0xAA, 0x55, 0x16, 0x08};
    if (d.IC_WriteConfigZone(h, 56, 8, ff) == 0 && d.IC_WriteConfigZone(h, 56, 8, pattern) == 0 &&
        d.IC_ReadConfigZone(h, 56, 8, back) == 0 && same(back, pattern, 8))
      return 208;
  }
  // 6-8 SLE4404, SLE4442, SLE4428 by their signature bytes
  if (d.IC_InitType(h, 8) != 0) return -1;
  d.IC_Status(h);
  d.IC_Read(h, 0, 2, buf);
  if (buf[0] == 0xB7 && buf[1] == 0xA0) return 8;
  if (d.IC_InitType(h, 16) != 0) return -1;
  d.IC_Status(h);
  d.IC_Read(h, 6, 2, buf);
  if (buf[1] == 0x15) return 17;
  if (d.IC_InitType(h, 4) != 0) return -1;
  d.IC_Status(h);
  d.IC_Read(h, 6, 2, buf);
  if (buf[1] == 0x13) return 5;
  // 9 I2C 24C01A..24C16
  if (d.IC_InitType(h, 64) != 0) return -1;
  d.IC_Status(h);
  std::uint8_t first = 0;
  if (d.IC_Read(h, 0, 1, &first) != 0) return -1;
  const std::uint8_t marker = 0x63, A[2] = {0x66, 0x77}, B[2] = {0x88, 0x99};
  if (d.IC_Write24(h, 0, 1, &marker) == 0) {
    const short steps[3][3] = {{2046, 1790, 68}, {1022, 766, 67}, {510, 254, 66}};
    for (const auto& step : steps) {
      short high = step[0], low = step[1];
      d.IC_Read(h, high, 2, save);
      d.IC_Read(h, low, 2, save2);
      if (d.IC_Write24(h, high, 2, A) != 0) {
        d.IC_Write24(h, 0, 1, &first);
        d.IC_Write24(h, low, 2, save2);
        d.IC_Write24(h, high, 2, save);
        continue;
      }
      d.IC_Write24(h, low, 2, B);
      d.IC_Read(h, high, 2, back);
      bool found = same(back, A, 2);
      d.IC_Write24(h, high, 2, save);
      d.IC_Write24(h, 0, 1, &first);
      d.IC_Write24(h, low, 2, save2);
      if (found) return step[2];
    }
    d.IC_Read(h, 128, 2, save);
    if (d.IC_Write24(h, 128, 2, WP) != 0) return -1;
    d.IC_Read(h, 0, 1, back);
    if (back[0] == 0x57) {
      d.IC_Write24(h, 0, 2, save);
      d.IC_Write24(h, 0, 1, &first);
      return 64;
    }
    d.IC_Write24(h, 128, 2, save);
    d.IC_Write24(h, 0, 1, &first);
    return 65;
  }
  // 10 24C64
  if (d.IC_InitType(h, 192) != 0) return -1;
  d.IC_Status(h);
  if (d.IC_Read(h, 6720, 2, save) != 0) return -1;
  if (d.IC_Write64(h, 6720, 2, WP) == 0) {
    d.IC_Write64(h, 6720, 2, save);
    return 192;
  }
  // 11 AT88SC1604 / 1604B
  if (d.IC_InitType(h, 160) != 0) return -1;
  d.IC_Status(h);
  if (d.IC_Read(h, 0, 2, buf) != 0) return -1;
  if (buf[0] == 0x16 && buf[1] == 0x04) return 162;
  if (d.IC_Write(h, 2005, 2, WP) == 0) return 160;
  // 12 AT88SC102
  if (d.IC_InitType(h, 32) != 0) return -1;
  d.IC_Status(h);
  d.IC_Write(h, 176, 2, ff);
  if (d.IC_Write(h, 176, 2, WP) == 0) return 33;
  return -1;
}

}  // namespace simtest
