// PNG pictures of every colour type and depth, made by tests/pictures,
// read back exactly, interlaced ones down to a single column.
#include <gtest/gtest.h>

#include <cmath>

#include "picture/decoding.h"
#include "picture/formats/decoder_test_support.h"
#include "tests/pictures/exact_pictures.h"

namespace {

namespace samples = picture::samples;
using samples::Bytes;
using samples::cut;
using samples::edited;

picture::IndexedPicture pattern(int entries, int width = 37, int height = 23) {
  return samples::patternPicture(width, height, entries);
}

picture::IndexedPicture withOpacity(picture::IndexedPicture picture) {
  picture.opacity = {0, 128, 255, 7};
  return picture;
}

TEST(Png, GivesEveryIndexOfAPalettePicture) {
  const struct {
    const char* what;
    picture::IndexedPicture picture;
    int depth;
    bool interlaced = false;
  } cases[] = {
      {.what = "1 bit", .picture = pattern(2), .depth = 1},
      {.what = "2 bits", .picture = pattern(4), .depth = 2},
      {.what = "4 bits", .picture = pattern(11), .depth = 4},
      {.what = "8 bits", .picture = pattern(256), .depth = 8},
      {.what = "opacities kept", .picture = withOpacity(pattern(8)), .depth = 8},
      {.what = "interlaced", .picture = pattern(256), .depth = 8, .interlaced = true},
      {.what = "interlaced, 2 bits", .picture = pattern(4), .depth = 2, .interlaced = true},
      // Passes without a pixel in some column are left out of the file.
      {.what = "interlaced, 1 column",
       .picture = pattern(40, 1, 9),
       .depth = 8,
       .interlaced = true},
      {.what = "interlaced, 2 columns",
       .picture = pattern(40, 2, 9),
       .depth = 8,
       .interlaced = true},
      {.what = "interlaced, 3 columns",
       .picture = pattern(40, 3, 9),
       .depth = 8,
       .interlaced = true},
      {.what = "interlaced, 5 columns",
       .picture = pattern(40, 5, 9),
       .depth = 8,
       .interlaced = true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    samples::expectPalettePicture(samples::encodePng(c.picture, c.depth, c.interlaced), c.picture);
  }
}

samples::PngSamples scrambled(int width, int height, int channels, int depth) {
  samples::PngSamples picture{width, height, channels, depth, {}, {}};
  std::uint32_t noise = 12345;
  for (int i = 0; i < width * height * channels; ++i) {
    noise = noise * 1664525 + 1013904223;
    picture.samples.push_back(static_cast<std::uint16_t>((noise >> 8) & ((1 << depth) - 1)));
  }
  return picture;
}

samples::PngSamples withKey(samples::PngSamples picture) {
  // The first pixel's colour, which some others share at a few bits.
  picture.transparent.assign(picture.samples.begin(), picture.samples.begin() + picture.channels);
  return picture;
}

// What the samples show at 8 bits, each rounded to the nearest.
picture::RgbaPicture shown(const samples::PngSamples& picture) {
  auto eightBits = [&](int sample) {
    return static_cast<std::uint8_t>(std::lround(sample * 255.0 / ((1 << picture.bitDepth) - 1)));
  };
  picture::RgbaPicture rgba{picture.width, picture.height, {}};
  for (std::size_t i = 0; i < picture.samples.size(); i += picture.channels) {
    const std::uint16_t* pixel = picture.samples.data() + i;
    bool grey = picture.channels < 3;
    std::uint8_t alpha = picture.channels % 2 == 0 ? eightBits(pixel[picture.channels - 1]) : 255;
    if (!picture.transparent.empty() &&
        std::equal(picture.transparent.begin(), picture.transparent.end(), pixel)) {
      alpha = 0;
    }
    rgba.rgba.insert(rgba.rgba.end(), {eightBits(pixel[0]), eightBits(pixel[grey ? 0 : 1]),
                                       eightBits(pixel[grey ? 0 : 2]), alpha});
  }
  return rgba;
}

TEST(Png, GivesEveryPixelOfEveryColourType) {
  const struct {
    const char* what;
    samples::PngSamples picture;
    bool interlaced = false;
  } cases[] = {
      {.what = "grey, 1 bit", .picture = scrambled(37, 23, 1, 1)},
      {.what = "grey, 2 bits", .picture = scrambled(37, 23, 1, 2)},
      {.what = "grey, 4 bits", .picture = scrambled(37, 23, 1, 4)},
      {.what = "grey", .picture = scrambled(37, 23, 1, 8)},
      {.what = "grey and alpha", .picture = scrambled(37, 23, 2, 8)},
      {.what = "grey and alpha, 16 bits", .picture = scrambled(37, 23, 2, 16)},
      {.what = "RGB", .picture = scrambled(37, 23, 3, 8)},
      {.what = "RGB, 16 bits", .picture = scrambled(37, 23, 3, 16)},
      {.what = "RGBA", .picture = scrambled(37, 23, 4, 8)},
      {.what = "grey with a transparent level", .picture = withKey(scrambled(37, 23, 1, 4))},
      {.what = "RGB with a transparent colour", .picture = withKey(scrambled(37, 23, 3, 8))},
      {.what = "interlaced RGBA, 16 bits", .picture = scrambled(37, 23, 4, 16), .interlaced = true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    samples::expectColours(samples::encodePng(c.picture, c.interlaced), shown(c.picture));
  }
}

TEST(Png, RefusesABrokenFile) {
  Bytes indexed = samples::encodePng(pattern(256), 8);
  Bytes rgb = samples::encodePng(scrambled(37, 23, 3, 8));
  picture::IndexedPicture beyond{8, 8, pattern(2).palette, Bytes(64, 3), {}, {}};
  const struct {
    const char* what;
    Bytes input;
    const char* reason;
  } cases[] = {
      // The decoder's palette lookup once leaked when libpng jumped past it.
      {.what = "palette picture cut short",
       .input = cut(indexed, 30),
       .reason = "PNG: the file ends early"},
      {.what = "cut short", .input = cut(rgb, 30), .reason = "PNG: the file ends early"},
      {.what = "header damaged", .input = edited(rgb, 19, {99}), .reason = "PNG: IHDR: CRC error"},
      {.what = "index beyond the palette",
       .input = samples::encodePng(beyond, 4),
       .reason = "PNG: pixel index 3 beyond the palette of 2 entries"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(samples::refusal(c.input), c.reason);
  }
}

// libpng allocated and cleared whatever a text chunk declared, its own
// limit on chunks notwithstanding: 94 bytes once took 1.2 GB.
TEST(Png, ReadsNoTextChunkItIsToldIsHuge) {
  Bytes rgb = samples::encodePng(scrambled(37, 23, 3, 8));
  Bytes huge(rgb.begin(), rgb.begin() + 33);  // the signature and IHDR
  huge.insert(huge.end(), {0x4B, 0, 0, 0, 't', 'E', 'X', 't', 'a', 0, 'b'});
  EXPECT_EQ(
      picture::testing::reasonInLittleMemory(huge, 64 << 20, picture::testing::Decoding::kWhole),
      "PNG: the file ends early");
}

}  // namespace
