// PBM, PGM and PPM pictures, plain and raw, made by tests/pictures and
// read back exactly: a sample of any maxval is rounded to 8 bits.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "picture/decoding.h"
#include "tests/pictures/exact_pictures.h"

namespace {

namespace samples = picture::samples;
using samples::Bytes;

// 11 columns: a PBM row is padded to 2 bytes.
samples::NetpbmPicture scrambled(int kind, int maxval, int width = 11, int height = 5) {
  int perPixel = kind == 3 || kind == 6 ? 3 : 1;
  samples::NetpbmPicture picture{kind, width, height, maxval, {}};
  std::uint32_t noise = 12345;
  for (int i = 0; i < width * height * perPixel; ++i) {
    noise = noise * 1664525 + 1013904223;
    picture.samples.push_back(static_cast<int>((noise >> 8) % (maxval + 1)));
  }
  return picture;
}

// What the samples show at 8 bits, each rounded to the nearest; a
// bitmap's 1 is black.
picture::RgbaPicture shown(const samples::NetpbmPicture& picture) {
  bool bitmap = picture.kind == 1 || picture.kind == 4;
  int perPixel = picture.kind == 3 || picture.kind == 6 ? 3 : 1;
  auto eightBits = [&](int sample) {
    if (bitmap) return static_cast<std::uint8_t>(sample == 1 ? 0 : 255);
    return static_cast<std::uint8_t>(std::lround(sample * 255.0 / picture.maxval));
  };
  picture::RgbaPicture rgba{picture.width, picture.height, {}};
  for (std::size_t i = 0; i < picture.samples.size(); i += perPixel) {
    const int* pixel = picture.samples.data() + i;
    rgba.rgba.insert(rgba.rgba.end(), {eightBits(pixel[0]), eightBits(pixel[perPixel / 2]),
                                       eightBits(pixel[perPixel - 1]), 255});
  }
  return rgba;
}

TEST(Pnm, GivesEverySampleOfEveryKind) {
  const struct {
    const char* what;
    samples::NetpbmPicture picture;
  } cases[] = {
      {.what = "P1, plain bitmap", .picture = scrambled(1, 1)},
      {.what = "P4, raw bitmap", .picture = scrambled(4, 1)},
      {.what = "P2, plain grey", .picture = scrambled(2, 255)},
      {.what = "P2, maxval 100", .picture = scrambled(2, 100)},
      {.what = "P5, raw grey", .picture = scrambled(5, 255)},
      {.what = "P5, maxval 100", .picture = scrambled(5, 100)},
      {.what = "P5, maxval 65535", .picture = scrambled(5, 65535)},
      {.what = "P3, plain colour", .picture = scrambled(3, 255)},
      {.what = "P3, maxval 1000", .picture = scrambled(3, 1000)},
      {.what = "P6, raw colour", .picture = scrambled(6, 255)},
      {.what = "P6, maxval 1000", .picture = scrambled(6, 1000)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    samples::expectColours(samples::encodeNetpbm(c.picture), shown(c.picture));
  }
}

Bytes text(const std::string& characters) {
  return Bytes(characters.begin(), characters.end());
}

TEST(Pnm, RefusesABrokenFile) {
  const struct {
    const char* what;
    Bytes input;
    const char* reason;
  } cases[] = {
      {.what = "no maxval", .input = text("P6 2 2\n"), .reason = "PNM: the header is damaged"},
      {.what = "maxval 0", .input = text("P5 2 2 0\n"), .reason = "PNM: the header is damaged"},
      {.what = "maxval 65536",
       .input = text("P5 2 2 65536\n"),
       .reason = "PNM: the header is damaged"},
      {.what = "no width", .input = text("P5 0 2 255\n"), .reason = "no pixels: 0x2"},
      // Read as an int, 2^31 would be negative.
      {.what = "2^31 wide",
       .input = text("P5 2147483648 1 255\n"),
       .reason = "picture too large: 2147483648x1 (at most 100 megapixels)"},
      {.what = "raw rows end early",
       .input = text("P5 2 2 255\nabc"),
       .reason = "PNM: the pixels end early or are damaged in row 1"},
      {.what = "a plain sample that is no number",
       .input = text("P2 2 2 255\n1 2 x 4"),
       .reason = "PNM: the pixels end early or are damaged in row 1"},
      {.what = "a plain bit that is no bit",
       .input = text("P1 2 2\n0 1 2 1"),
       .reason = "PNM: the pixels end early or are damaged in row 1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(samples::refusal(c.input), c.reason);
  }
}

}  // namespace
