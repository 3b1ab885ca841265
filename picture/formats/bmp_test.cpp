// Bitmaps of every layout, made by tests/pictures, read back exactly; and
// headers that lie, each refused for what is wrong with it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstdio>

#include "logo_image/layout.h"
#include "picture/decoding.h"
#include "tests/pictures/exact_pictures.h"

namespace {

namespace samples = picture::samples;
using samples::Bytes;
using samples::Compression;
using samples::cut;
using samples::edited;
using samples::Header;

// 37 columns: no row of 1, 4, 8 or 24 bits fills its 4-byte boundary.
picture::IndexedPicture pattern(int entries, int width = 37, int height = 23) {
  return samples::patternPicture(width, height, entries);
}

// The bitmap with other run-length data in place of its pixels.
Bytes withRuns(Bytes bitmap, const Bytes& runs) {
  bitmap.resize(logo::readLittleEndian(bitmap, logo::kPixelDataOffsetField));
  bitmap.insert(bitmap.end(), runs.begin(), runs.end());
  return bitmap;
}

TEST(Bitmap, GivesEveryIndexOfEveryPaletteLayout) {
  picture::IndexedPicture flat{320, 3, pattern(240).palette, Bytes(320 * 3, 7), {}, {}};
  Bytes lineEnds;  // every row ends with an end-of-line escape, the last too
  for (int row = 0; row < 3; ++row) lineEnds.insert(lineEnds.end(), {160, 7, 160, 7, 0, 0});
  lineEnds.insert(lineEnds.end(), {0, 1});
  const struct {
    const char* what;
    picture::IndexedPicture picture;
    samples::BitmapLayout layout;
    Bytes runs = {};  // in place of the encoder's, if any
  } cases[] = {
      {.what = "8 bits", .picture = pattern(256), .layout = {.bits = 8}},
      {.what = "no count: the pixel offset ends the palette",
       .picture = pattern(20),
       .layout = {.bits = 8, .countInHeader = false}},
      {.what = "4 bits", .picture = pattern(16), .layout = {.bits = 4}},
      {.what = "1 bit", .picture = pattern(2), .layout = {.bits = 1}},
      {.what = "top row first", .picture = pattern(64), .layout = {.bits = 8, .topDown = true}},
      {.what = "OS/2 header, 3-byte entries",
       .picture = pattern(256),
       .layout = {.bits = 8, .header = Header::kCore}},
      {.what = "108-byte header",
       .picture = pattern(12),
       .layout = {.bits = 4, .header = Header::kV4}},
      {.what = "124-byte header, top row first",
       .picture = pattern(100),
       .layout = {.bits = 8, .header = Header::kV5, .topDown = true}},
      // Runs, literal stretches, moves and line ends, every escape.
      {.what = "RLE8",
       .picture = pattern(240, 320, 60),
       .layout = {.bits = 8, .compression = Compression::kRle8}},
      {.what = "RLE4",
       .picture = pattern(16, 320, 60),
       .layout = {.bits = 4, .compression = Compression::kRle4}},
      {.what = "an end of line after the last row",
       .picture = flat,
       .layout = {.bits = 8, .compression = Compression::kRle8},
       .runs = lineEnds},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes bitmap = samples::encodeBitmap(c.picture, c.layout);
    samples::expectPalettePicture(c.runs.empty() ? bitmap : withRuns(bitmap, c.runs), c.picture);
  }
}

// Pixels whose bits all differ from their neighbours', under `mask`.
std::vector<std::uint32_t> scrambled(int count, std::uint32_t mask) {
  std::vector<std::uint32_t> pixels;
  std::uint32_t noise = 12345;
  for (int i = 0; i < count; ++i) {
    noise = noise * 1664525 + 1013904223;
    pixels.push_back(noise & mask);
  }
  return pixels;
}

// One channel of a pixel at 8 bits, rounded to the nearest.
std::uint8_t channel(std::uint32_t pixel, std::uint32_t mask) {
  if (mask == 0) return 255;
  int shift = std::countr_zero(mask);
  double most = mask >> shift;
  return static_cast<std::uint8_t>(std::lround(((pixel & mask) >> shift) * 255.0 / most));
}

TEST(Bitmap, GivesEveryPixelOfEveryTruecolourLayout) {
  const std::array<std::uint32_t, 4> kFiveFiveFive{0x7C00, 0x3E0, 0x1F, 0};
  const std::array<std::uint32_t, 4> kEights{0xFF0000, 0xFF00, 0xFF, 0};
  const struct {
    const char* what;
    samples::TruecolourLayout layout;
    std::array<std::uint32_t, 4> masks;  // red, green, blue, alpha as read
  } cases[] = {
      {.what = "24 bits", .layout = {.bits = 24}, .masks = kEights},
      {.what = "24 bits, top row first", .layout = {.bits = 24, .topDown = true}, .masks = kEights},
      {.what = "24 bits, OS/2 header",
       .layout = {.bits = 24, .header = Header::kCore},
       .masks = kEights},
      {.what = "32 bits, the fourth byte unused", .layout = {.bits = 32}, .masks = kEights},
      {.what = "16 bits without bit fields: 5-5-5", .layout = {.bits = 16}, .masks = kFiveFiveFive},
      {.what = "16 bits, 5-6-5 bit fields",
       .layout = {.bits = 16,
                  .compression = Compression::kBitFields,
                  .masks = {0xF800, 0x7E0, 0x1F, 0}},
       .masks = {0xF800, 0x7E0, 0x1F, 0}},
      {.what = "16 bits, 4-4-4-4 alpha bit fields",
       .layout = {.bits = 16,
                  .compression = Compression::kAlphaBitFields,
                  .masks = {0xF00, 0xF0, 0xF, 0xF000}},
       .masks = {0xF00, 0xF0, 0xF, 0xF000}},
      {.what = "32 bits, alpha bit fields",
       .layout = {.bits = 32,
                  .compression = Compression::kAlphaBitFields,
                  .masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000}},
       .masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000}},
      {.what = "32 bits, 10-10-10-2 in a 56-byte header",
       .layout = {.bits = 32,
                  .header = Header::kV3,
                  .compression = Compression::kBitFields,
                  .masks = {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}},
       .masks = {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}},
      {.what = "32 bits, red lowest, 124-byte header, top row first",
       .layout = {.bits = 32,
                  .header = Header::kV5,
                  .compression = Compression::kBitFields,
                  .masks = {0xFF, 0xFF00, 0xFF0000, 0xFF000000},
                  .topDown = true},
       .masks = {0xFF, 0xFF00, 0xFF0000, 0xFF000000}},
      {.what = "a 32-bit mask",
       .layout = {.bits = 32,
                  .header = Header::kV4,
                  .compression = Compression::kBitFields,
                  .masks = {0xFFFFFFFF, 0, 0, 0}},
       .masks = {0xFFFFFFFF, 0, 0, 0}},
      {.what = "without bit fields the header's masks do not count",
       .layout = {.bits = 32, .header = Header::kV4, .masks = {0xFF, 0xFF00, 0xFF0000, 0xFF000000}},
       .masks = kEights},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::uint32_t everyBit = c.layout.bits == 32 ? 0xFFFFFFFF : (1u << c.layout.bits) - 1;
    samples::PackedPicture packed{37, 23, scrambled(37 * 23, everyBit)};
    picture::RgbaPicture shown{37, 23, {}};
    for (std::uint32_t pixel : packed.pixels) {
      for (std::uint32_t mask : c.masks) shown.rgba.push_back(channel(pixel, mask));
    }
    samples::expectColours(samples::encodeTruecolourBitmap(packed, c.layout), shown);
  }
}

// Bytes 50 to 53 are a logo's first animated slot, but most writers put
// the ordinary important-colour count there.
TEST(Bitmap, KeepsBytesFiftyToFiftyThreeOnlyAsASlot) {
  using Four = std::array<std::uint8_t, 4>;
  const struct {
    const char* what;
    int entries;
    samples::BitmapLayout layout;
    Four stored;
    Four kept;
  } cases[] = {
      {.what = "a slot", .entries = 240, .layout = {.bits = 8}, .stored = {236}, .kept = {236}},
      {.what = "slot 255 where the count is 0",
       .entries = 256,
       .layout = {.bits = 8, .countInHeader = false},
       .stored = {255},
       .kept = {255}},
      {.what = "0", .entries = 240, .layout = {.bits = 8}, .stored = {0}, .kept = {}},
      {.what = "the count of entries",
       .entries = 200,
       .layout = {.bits = 8},
       .stored = {200},
       .kept = {}},
      {.what = "no count: 2 to the 4 entries",
       .entries = 16,
       .layout = {.bits = 4, .countInHeader = false},
       .stored = {16},
       .kept = {}},
      // Read as a slot, 300 would animate from slot 44.
      {.what = "300", .entries = 256, .layout = {.bits = 8}, .stored = {44, 1}, .kept = {}},
      {.what = "236 + 2^24",
       .entries = 256,
       .layout = {.bits = 8},
       .stored = {236, 0, 0, 1},
       .kept = {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    picture::IndexedPicture logo = pattern(c.entries);
    logo.importantColours = c.stored;
    Bytes bitmap = samples::encodeBitmap(logo, c.layout);
    picture::Input input(bitmap);
    logo::Result<picture::IndexedPicture> read = picture::decodePalette(input);
    ASSERT_TRUE(read) << read.reason();
    EXPECT_EQ(read->importantColours, c.kept);
  }
}

TEST(Bitmap, RefusesWhatItsHeaderOrPixelsCannotBe) {
  Bytes bmp8 = samples::encodeBitmap(pattern(256), {.bits = 8});  // pixels at 1078, 1998 bytes
  Bytes bmp4 = samples::encodeBitmap(pattern(16), {.bits = 4});
  samples::PackedPicture packed{37, 23, scrambled(37 * 23, 0xFFFFFF)};
  Bytes bmp24 = samples::encodeTruecolourBitmap(packed, {.bits = 24});  // 2630 bytes
  Bytes fields16 = samples::encodeTruecolourBitmap(
      packed, {.bits = 16, .compression = Compression::kBitFields, .masks = {0xF800, 0x7E0, 0x1F}});
  picture::IndexedPicture beyond = pattern(20);
  beyond.indices[100] = 20;
  Bytes rle8 =
      samples::encodeBitmap(pattern(240, 320, 60), {.bits = 8, .compression = Compression::kRle8});
  Bytes rle4 =
      samples::encodeBitmap(pattern(16, 320, 60), {.bits = 4, .compression = Compression::kRle4});
  Bytes literalPastRow = {200, 1, 0, 200};
  literalPastRow.resize(204, 1);
  Bytes lineEnds;
  for (int i = 0; i < 61; ++i) lineEnds.insert(lineEnds.end(), {0, 0});
  const struct {
    const char* what;
    Bytes input;
    const char* reason;
  } cases[] = {
      {.what = "header cut short",
       .input = cut(bmp8, bmp8.size() - 30),
       .reason = "BMP: the file ends inside the bitmap header"},
      {.what = "unknown header size",
       .input = edited(bmp8, 14, {33, 0, 0, 0}),
       .reason = "BMP: unknown bitmap information header of 33 bytes"},
      {.what = "header size 2^31 - 1",
       .input = edited(bmp8, 14, {0xFF, 0xFF, 0xFF, 0x7F}),
       .reason = "BMP: unknown bitmap information header of 2147483647 bytes"},
      {.what = "masks cut off",
       .input = cut(fields16, fields16.size() - 60),
       .reason = "BMP: the file ends inside the colour masks"},
      {.what = "7 bits per pixel",
       .input = edited(bmp8, 28, {7}),
       .reason = "BMP: 7 bits per pixel"},
      {.what = "RLE8 with 4 bits",
       .input = edited(bmp4, 30, {1}),
       .reason = "BMP: compression 1 with 4 bits per pixel"},
      {.what = "bit fields with 24 bits",
       .input = edited(bmp24, 30, {3}),
       .reason = "BMP: compression 3 with 24 bits per pixel"},
      {.what = "no width", .input = edited(bmp8, 18, {0, 0, 0, 0}), .reason = "no pixels: 0x23"},
      {.what = "height -2^31, top row first",
       .input = edited(bmp8, 22, {0, 0, 0, 0x80}),
       .reason = "picture too large: 37x2147483648 (at most 100 megapixels)"},
      {.what = "100000 x 100000",
       .input = edited(bmp8, 18, {0xA0, 0x86, 1, 0, 0xA0, 0x86, 1, 0}),
       .reason = "picture too large: 100000x100000 (at most 100 megapixels)"},
      // Not too large: the limit is 100 megapixels exactly.
      {.what = "100 megapixels, cut short",
       .input = edited(bmp8, 18, {0x10, 0x27, 0, 0, 0x10, 0x27, 0, 0}),
       .reason = "BMP: the pixels need 100000000 bytes, the file holds 920"},
      {.what = "a palette too long for 4 bits",
       .input = edited(bmp4, 46, {17}),
       .reason = "BMP: a palette of 17 entries for 4 bits per pixel"},
      {.what = "pixel offset past the end",
       .input = edited(bmp8, 10, {0, 0, 3, 0}),
       .reason = "BMP: pixel offset 196608 outside the file of 1998 bytes"},
      {.what = "pixel offset inside the header",
       .input = edited(bmp8, 10, {20, 0, 0, 0}),
       .reason = "BMP: pixel offset 20 inside the header of 54 bytes"},
      {.what = "no room for a palette",
       .input = edited(bmp8, 10, {54, 0, 0, 0}),
       .reason = "BMP: no palette before the pixels"},
      {.what = "palette cut short",
       .input = cut(bmp8, 1500),
       .reason = "BMP: pixel offset 1078 outside the file of 498 bytes"},
      {.what = "pixels cut short",
       .input = cut(bmp8, 100),
       .reason = "BMP: the pixels need 917 bytes, the file holds 820"},
      {.what = "the last row without its padding", .input = cut(bmp8, 3), .reason = "decoded"},
      {.what = "truecolour pixels cut short",
       .input = cut(bmp24, 100),
       .reason = "BMP: the pixels need 2575 bytes, the file holds 2476"},
      {.what = "index beyond the palette",
       .input = samples::encodeBitmap(beyond, {.bits = 8}),
       .reason = "BMP: pixel index 20 beyond the palette of 20 entries"},
      {.what = "run past a row",
       .input = withRuns(rle8, {255, 1, 255, 1}),
       .reason = "BMP: a run passes the end of row 0"},
      {.what = "4-bit run past a row",
       .input = withRuns(rle4, {200, 0x12, 200, 0x12}),
       .reason = "BMP: a run passes the end of row 0"},
      {.what = "literal past a row",
       .input = withRuns(rle8, literalPastRow),
       .reason = "BMP: a run passes the end of row 0"},
      {.what = "literal cut short",
       .input = withRuns(rle8, {0, 200, 1, 2, 3}),
       .reason = "BMP: the run-length data ends inside a literal run"},
      {.what = "move cut short",
       .input = withRuns(rle8, {0, 2, 5}),
       .reason = "BMP: the run-length data ends inside a move"},
      {.what = "move past the picture",
       .input = withRuns(rle8, {0, 2, 0, 61}),
       .reason = "BMP: a move leaves the picture"},
      {.what = "move into the row past the last",
       .input = withRuns(rle8, {0, 2, 5, 60, 0, 1}),
       .reason = "BMP: a move leaves the picture"},
      {.what = "line ends past the picture",
       .input = withRuns(rle8, lineEnds),
       .reason = "BMP: the run-length data passes the last row"},
      {.what = "no end mark",
       .input = withRuns(rle8, {5, 1}),
       .reason = "BMP: the run-length data ends before its end mark"},
      {.what = "run-length index beyond the palette",
       .input = withRuns(rle8, {1, 240, 0, 1}),
       .reason = "BMP: pixel index 240 beyond the palette of 240 entries"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(samples::refusal(c.input), c.reason);
  }
}

// A file far longer than its pixels, such as a damaged one of hundreds of
// megabytes, is read only as far as they go.
TEST(Bitmap, ReadsAPalettePictureOnlyAsFarAsItsPixels) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  Bytes bitmap = samples::encodeBitmap(pattern(256, 320, 400), {.bits = 8});
  std::fwrite(bitmap.data(), 1, bitmap.size(), file);
  ASSERT_EQ(ftruncate(fileno(file), 64 << 20), 0);  // sparse
  std::rewind(file);
  picture::Input input(file);
  logo::Result<picture::IndexedPicture> read = picture::decodePalette(input);
  EXPECT_TRUE(read) << read.reason();
  EXPECT_LT(std::ftell(file), 1 << 20);
  std::fclose(file);
}

}  // namespace
