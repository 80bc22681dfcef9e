// Bitmap 126, the background picture: its format, and exact navy and panel
// grey wherever the view draws its opaque texts, so no label or frame of the
// picture shows through or beside a value.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/rc_file.h"

namespace {

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};

class Bmp {
 public:
  explicit Bmp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    bytes_.assign(std::istreambuf_iterator<char>(in), {});
  }
  bool loaded() const { return bytes_.size() > 54 && bytes_[0] == 'B' && bytes_[1] == 'M'; }
  uint32_t u32(size_t at) const {
    return static_cast<uint32_t>(byte(at) | byte(at + 1) << 8 | byte(at + 2) << 16 | byte(at + 3) << 24);
  }
  int u16(size_t at) const { return byte(at) | byte(at + 1) << 8; }
  int width() const { return static_cast<int>(u32(18)); }
  int height() const { return static_cast<int>(u32(22)); }  // positive: stored bottom-up
  int bitsPerPixel() const { return u16(28); }
  uint32_t compression() const { return u32(30); }

  // Colour of a pixel of a 4-bit picture, (0, 0) at the top left.
  Rgb at(int x, int y) const {
    size_t rowBytes = static_cast<size_t>((width() * 4 + 31) / 32 * 4);
    size_t row = static_cast<size_t>(height() - 1 - y);
    size_t off = u32(10) + row * rowBytes + static_cast<size_t>(x / 2);
    int index = x % 2 == 0 ? byte(off) >> 4 : byte(off) & 0x0F;
    size_t palette = 14 + u32(14) + static_cast<size_t>(index) * 4;  // BGRA entries
    return {byte(palette + 2), byte(palette + 1), byte(palette)};
  }

 private:
  int byte(size_t at) const { return at < bytes_.size() ? static_cast<unsigned char>(bytes_[at]) : 0; }
  std::vector<char> bytes_;
};

const Bmp& picture() {
  static const Bmp bmp(DEMO_SOURCE_DIR "/src/resources/background.bmp");
  return bmp;
}

const Rgb kNavy{0, 0, 128};
const Rgb kPanelGrey{192, 192, 192};

struct Area {
  const char* what;
  int x0, y0, x1, y1;  // inclusive
  Rgb colour;
};

// Where the view draws, with room for the widest texts of each point in the
// default font (about 16 pixels high, up to 9 pixels per character).
const Area kAreas[] = {
    {"hexadecimal grid", 33, 32, 33 + 16 * 27 - 1, 32 + 16 * 15, kNavy},
    {"character grid", 475, 32, 475 + 16 * 9 + 9, 32 + 16 * 15, kNavy},
    {"card caption", 218, 301, 308, 317, kPanelGrey},
    {"decimal address", 425, 301, 515, 317, kPanelGrey},
    {"hexadecimal address", 533, 301, 605, 317, kPanelGrey},
    {"port name", 220, 332, 262, 348, kPanelGrey},
    {"zone name", 425, 332, 500, 348, kPanelGrey},
    {"page number, / and page total", 565, 332, 607, 348, kPanelGrey},
    {"status lines", 12, 296, 160, 352, kPanelGrey},
};

TEST(BackgroundBitmap, IsA654By452SixteenColourBitmapInTheScript) {
  EXPECT_TRUE(rc::File::program().hasBitmap(126));
  const Bmp& bmp = picture();
  ASSERT_TRUE(bmp.loaded());
  EXPECT_EQ(bmp.width(), 654);
  EXPECT_EQ(bmp.height(), 452);
  EXPECT_EQ(bmp.bitsPerPixel(), 4);
  EXPECT_EQ(bmp.compression(), 0u);
}

TEST(BackgroundBitmap, TextAreasHaveTheirExactBackgroundColour) {
  const Bmp& bmp = picture();
  ASSERT_TRUE(bmp.loaded());
  ASSERT_EQ(bmp.bitsPerPixel(), 4);
  for (const Area& a : kAreas) {
    int wrong = 0;
    for (int y = a.y0; y <= a.y1; ++y)
      for (int x = a.x0; x <= a.x1; ++x)
        if (!(bmp.at(x, y) == a.colour) && wrong++ == 0) {
          Rgb c = bmp.at(x, y);
          ADD_FAILURE() << a.what << ": pixel (" << x << "," << y << ") is " << c.r << "," << c.g << "," << c.b;
        }
    EXPECT_EQ(wrong, 0) << a.what;
  }
}

TEST(BackgroundBitmap, QuitButtonIsDrawnInsideTheExitHotspot) {
  const Bmp& bmp = picture();
  ASSERT_TRUE(bmp.loaded());
  int drawn = 0;
  for (int y = 381; y <= 425; ++y)
    for (int x = 478; x <= 630; ++x) drawn += bmp.at(x, y) == kPanelGrey ? 0 : 1;
  EXPECT_GT(drawn, 300) << "button frame and caption";
  // Nothing of the button outside the hotspot: a click there would miss it.
  for (int x = 470; x <= 640; ++x) {
    EXPECT_EQ(bmp.at(x, 378), kPanelGrey) << "x " << x;
    EXPECT_EQ(bmp.at(x, 428), kPanelGrey) << "x " << x;
  }
}

}  // namespace
