// The TIFF adapter on every layout libtiff writes, each compared pixel for
// pixel with the samples written: those taken as stored and those libtiff
// converts, in strips of any size, tiles or planes.
#include <gtest/gtest.h>

#include "picture/formats/decoder_test_support.h"
#include "tests/pictures/tiff_pictures.h"

namespace {

namespace samples = picture::samples;
using picture::Size;
using picture::testing::Bytes;
using picture::testing::Rgba;
using samples::TiffLayout;

constexpr Size kWhole{picture::kMaxSide, picture::kMaxSide};
// The tags' numbers.
constexpr int kWhiteIsZero = 0, kBlackIsZero = 1, kPalette = 3, kCmyk = 5;
constexpr int kAssociated = 1, kUnassociated = 2;
constexpr int kLzw = 5, kDeflate = 8;

// Every pixel of a small picture differs where the depth allows; the two
// bytes of a 16-bit sample differ, so that taking the wrong one shows.
// Alpha, the last channel when there is an extra sample, is 128 or more,
// where libtiff's colours premultiplied by alpha come back within a level.
std::uint16_t sampleAt(const TiffLayout& layout, int channels, int x, int y, int channel) {
  unsigned pattern = (x * 7 + y * 13 + channel * 50) & 255;
  if (layout.extraSample != 0 && channel == channels - 1) pattern = 128 | pattern >> 1;
  if (layout.bits == 16)
    return static_cast<std::uint16_t>(pattern << 8 | ((pattern * 3 + 1) & 255));
  return static_cast<std::uint16_t>(pattern >> (8 - layout.bits));
}

// Entry i of a palette of 2^bits entries, each colour in the high and the
// low byte of its 16 bits, as TIFF palettes are written.
Rgba paletteEntry(int i) {
  return {std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 5), 255};
}

std::vector<std::uint16_t> colourMap(int bits) {
  int entries = 1 << bits;
  std::vector<std::uint16_t> map(3 * entries);
  for (int i = 0; i < entries; ++i) {
    for (int c = 0; c < 3; ++c)
      map[c * entries + i] = static_cast<std::uint16_t>(paletteEntry(i)[c] * 257);
  }
  return map;
}

std::uint8_t eightBits(int bits, int value) {
  return bits == 16 ? static_cast<std::uint8_t>(value >> 8)
                    : static_cast<std::uint8_t>(value * 255 / ((1 << bits) - 1));
}

// What the samples at x, y show: grey spread to three channels, a palette
// looked up, CMYK as libtiff turns it (255 - c) (255 - k) / 255; with an
// associated alpha the colour is taken as flattened already.
Rgba shown(const TiffLayout& layout, int channels, int x, int y) {
  auto at = [&](int channel) { return sampleAt(layout, channels, x, y, channel); };
  if (layout.photometric == kPalette) return paletteEntry(at(0));
  if (layout.photometric == kCmyk) {
    auto ink = [&](int c) { return std::uint8_t((255 - at(c)) * (255 - at(3)) / 255); };
    return {ink(0), ink(1), ink(2), 255};
  }
  bool grey = layout.photometric == kWhiteIsZero || layout.photometric == kBlackIsZero;
  int colours = grey ? 1 : 3;
  Rgba pixel{};
  for (int c = 0; c < 3; ++c) pixel[c] = eightBits(layout.bits, at(grey ? 0 : c));
  if (layout.photometric == kWhiteIsZero) {
    for (int c = 0; c < 3; ++c) pixel[c] = static_cast<std::uint8_t>(255 - pixel[c]);
  }
  bool alpha = channels > colours && layout.extraSample == kUnassociated;
  pixel[3] = alpha ? eightBits(layout.bits, at(colours)) : 255;
  return pixel;
}

TEST(TiffDecoding, GivesEveryLayoutAsWritten) {
  const struct {
    const char* what;
    Size size;
    int channels;
    TiffLayout layout;
    int tolerance = 0;  // levels: only for colours libtiff premultiplies (see sampleAt)
  } cases[] = {
      {.what = "RGB in strips of 8 rows",
       .size = {37, 23},
       .channels = 3,
       .layout = {.rowsPerStrip = 8}},
      {.what = "RGB in one strip, deflated",
       .size = {37, 23},
       .channels = 3,
       .layout = {.compression = kDeflate}},
      {.what = "RGB and alpha, LZW",
       .size = {37, 23},
       .channels = 4,
       .layout = {.extraSample = kUnassociated, .rowsPerStrip = 5, .compression = kLzw}},
      {.what = "RGB and associated alpha: flattened already",
       .size = {37, 23},
       .channels = 4,
       .layout = {.extraSample = kAssociated}},
      {.what = "grey of 16 bits",
       .size = {37, 23},
       .channels = 1,
       .layout = {.photometric = kBlackIsZero, .bits = 16, .rowsPerStrip = 4}},
      {.what = "grey and alpha",
       .size = {37, 23},
       .channels = 2,
       .layout = {.photometric = kBlackIsZero, .extraSample = kUnassociated}},
      {.what = "RGB of 16 bits in planes, one strip each",
       .size = {37, 23},
       .channels = 3,
       .layout = {.bits = 16, .planar = true, .compression = kDeflate}},
      {.what = "RGB and alpha in planes, strips of 5 rows",
       .size = {37, 23},
       .channels = 4,
       .layout = {.extraSample = kUnassociated, .planar = true, .rowsPerStrip = 5}},
      {.what = "a palette of 8 bits",
       .size = {37, 23},
       .channels = 1,
       .layout = {.photometric = kPalette, .compression = kDeflate, .colourMap = colourMap(8)}},
      {.what = "a palette of 4 bits",
       .size = {37, 23},
       .channels = 1,
       .layout =
           {.photometric = kPalette, .bits = 4, .rowsPerStrip = 3, .colourMap = colourMap(4)}},
      {.what = "1 bit, black is zero",
       .size = {37, 23},
       .channels = 1,
       .layout = {.photometric = kBlackIsZero, .bits = 1}},
      {.what = "1 bit, white is zero",
       .size = {37, 23},
       .channels = 1,
       .layout = {.photometric = kWhiteIsZero, .bits = 1, .compression = kDeflate}},
      {.what = "grey of 4 bits",
       .size = {37, 23},
       .channels = 1,
       .layout = {.photometric = kBlackIsZero, .bits = 4}},
      {.what = "CMYK", .size = {37, 23}, .channels = 4, .layout = {.photometric = kCmyk}},
      {.what = "CMYK in planes",
       .size = {37, 23},
       .channels = 4,
       .layout = {.photometric = kCmyk, .planar = true, .compression = kDeflate}},
      {.what = "grey and alpha, white is zero, in planes",
       .size = {37, 23},
       .channels = 2,
       .layout = {.photometric = kWhiteIsZero, .extraSample = kUnassociated, .planar = true}},
      {.what = "a palette in planes: one plane",
       .size = {37, 23},
       .channels = 1,
       .layout = {.photometric = kPalette, .planar = true, .colourMap = colourMap(8)}},
      {.what = "RGB in tiles", .size = {37, 23}, .channels = 3, .layout = {.tileSide = 16}},
      {.what = "RGB and alpha in tiles: premultiplied, then straightened",
       .size = {37, 23},
       .channels = 4,
       .layout = {.extraSample = kUnassociated, .tileSide = 16},
       .tolerance = 1},
      {.what = "a palette in tiles",
       .size = {37, 23},
       .channels = 1,
       .layout = {.photometric = kPalette, .tileSide = 16, .colourMap = colourMap(8)}},
      // The orientation tag is applied afterwards, as every format's is.
      {.what = "tiles tagged as turned: as stored",
       .size = {37, 23},
       .channels = 3,
       .layout = {.tileSide = 16, .orientation = 6}},
      {.what = "strips tagged upside down: as stored",
       .size = {37, 23},
       .channels = 1,
       .layout = {.photometric = kPalette, .orientation = 3, .colourMap = colourMap(8)}},
      // Beyond 128 MiB as RGBA in one strip.
      {.what = "one strip of 1 bit, 6000x6000",
       .size = {6000, 6000},
       .channels = 1,
       .layout = {.photometric = kBlackIsZero, .bits = 1, .compression = kDeflate}},
      {.what = "one strip of a palette, 6000x6000",
       .size = {6000, 6000},
       .channels = 1,
       .layout = {.photometric = kPalette, .compression = kDeflate, .colourMap = colourMap(8)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const TiffLayout& layout = c.layout;
    Bytes tiff = samples::encodeTiff(
        {c.size.width, c.size.height, c.channels,
         [&](int x, int y, int channel) { return sampleAt(layout, c.channels, x, y, channel); }},
        layout);
    auto compared = picture::testing::decodeAndCompare(
        tiff, kWhole, [&](int x, int y) { return shown(layout, c.channels, x, y); });
    picture::testing::expectDelivered(compared, c.size, c.tolerance);
  }
}

// Probed and decoded whole, the picture is turned as its tag says.
TEST(TiffDecoding, TurnsAsItsTagSays) {
  const struct {
    const char* what;
    int orientation;
    Size shown;
  } cases[] = {
      {.what = "as stored", .orientation = 1, .shown = {37, 23}},
      {.what = "upside down", .orientation = 3, .shown = {37, 23}},
      {.what = "a quarter clockwise", .orientation = 6, .shown = {23, 37}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes tiff = samples::encodeTiff(
        {37, 23, 3, [](int x, int y, int ch) { return sampleAt({}, 3, x, y, ch); }},
        {.orientation = c.orientation});
    picture::testing::expectTurned(tiff, c.orientation, c.shown);
  }
}

// A grey picture of 4x2 in one strip of 8 bytes, at `offset` in the file and
// `count` bytes long by its tags.
Bytes greyWithStripAt(std::uint32_t offset, std::uint32_t count, std::uint16_t compression) {
  Bytes tiff = {'I', 'I', 42, 0, 8, 0, 0, 0, 9, 0};  // header, the directory at 8, 9 entries
  auto entry = [&](std::uint16_t tag, std::uint16_t type, std::uint32_t value) {
    tiff.insert(tiff.end(), {std::uint8_t(tag), std::uint8_t(tag >> 8), std::uint8_t(type), 0, 1, 0,
                             0, 0});  // one value
    for (int i = 0; i < 4; ++i) tiff.push_back(std::uint8_t(value >> 8 * i));
  };
  const std::uint16_t kShort = 3, kLong = 4;
  entry(256, kShort, 4);  // width
  entry(257, kShort, 2);  // height
  entry(258, kShort, 8);  // bits per sample
  entry(259, kShort, compression);
  entry(262, kShort, 1);                              // black is zero
  entry(273, kLong, offset);                          // the strip's offset
  entry(277, kShort, 1);                              // samples per pixel
  entry(278, kShort, 2);                              // rows per strip
  entry(279, kLong, count);                           // the strip's bytes
  tiff.insert(tiff.end(), {0, 0, 0, 0});              // no next directory
  tiff.insert(tiff.end(), {1, 2, 3, 4, 5, 6, 7, 8});  // the pixels, at 122
  return tiff;
}

TEST(TiffDecoding, RefusesAStripBeyondTheEndOfTheFile) {
  const struct {
    const char* what;
    Bytes tiff;
    const char* reason;
  } cases[] = {
      {.what = "within", .tiff = greyWithStripAt(122, 8, 1), .reason = ""},
      {.what = "starting beyond the end",
       .tiff = greyWithStripAt(1000, 8, 1),
       .reason = "TIFF: a strip lies beyond the end of the file"},
      // libtiff shortens the count of a lone uncompressed strip to the file.
      {.what = "compressed, ending beyond the end",
       .tiff = greyWithStripAt(122, 9, kDeflate),
       .reason = "TIFF: a strip lies beyond the end of the file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    picture::Input input(c.tiff);
    EXPECT_EQ(picture::decodeWhole(input).reason(), c.reason);
  }
}

// Memory for the rows and the picture delivered, whatever the strips' size;
// when it runs out, the reason says so and what was decoded.
TEST(TiffDecoding, NeedsLittleMoreMemoryThanItsRowsAndSaysWhenItRunsOut) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the sanitizer reserves more address space than the limit";
#endif
  auto flat = [](int x, int y, int channel) {
    return static_cast<std::uint16_t>(((x / 64 + y / 64 + channel) & 1) * 40000);
  };
  const Bytes planes = samples::encodeTiff({4000, 4000, 3, flat},
                                           {.bits = 16, .planar = true, .compression = kDeflate});
  const Bytes tiles = samples::encodeTiff({2048, 2048, 3, flat},
                                          {.bits = 16, .tileSide = 2048, .compression = kDeflate});
  auto noise = [](int x, int y, int channel) {
    std::uint32_t hash = (std::uint32_t(x) * 73856093u) ^ (std::uint32_t(y) * 19349663u) ^
                         (std::uint32_t(channel) * 83492791u);
    return static_cast<std::uint16_t>((hash * 2654435761u) >> 24);
  };
  const Bytes noisyStrip = samples::encodeTiff({4000, 700, 3, noise}, {.compression = kDeflate});
  using picture::testing::Decoding;
  const struct {
    const char* what;
    const Bytes& tiff;
    Decoding decoding;
    std::size_t headroom;
    const char* reason;
  } cases[] = {
      // 32 MB a plane: libtiff's own reader held three strips and their RGBA.
      {.what = "16-bit planes of one strip each, fitted",
       .tiff = planes,
       .decoding = Decoding::kFitted,
       .headroom = 24 << 20,
       .reason = ""},
      // Its band of RGBA, 16 MB, is the first to find no memory.
      {.what = "a tile of 24 MB",
       .tiff = tiles,
       .decoding = Decoding::kFitted,
       .headroom = 16 << 20,
       .reason = "TIFF: out of memory: decoding a 2048x2048 picture"},
      // Deflate leaves noise as large as it was: libtiff reads the strip's
      // 8 MB whole, and finds no memory for them.
      {.what = "a strip of 8 MB",
       .tiff = noisyStrip,
       .decoding = Decoding::kFitted,
       .headroom = 4 << 20,
       .reason = "TIFF: out of memory: decoding a 4000x700 picture"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(picture::testing::reasonInLittleMemory(c.tiff, c.headroom, c.decoding), c.reason);
  }
}

}  // namespace
