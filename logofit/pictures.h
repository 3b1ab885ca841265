// Pictures on their way to the logo, and the readers and library adapters
// that produce and transform them. Only the adapter files include a library
// header; everything here speaks in the suite's types.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "logo_image/layout.h"

namespace logofit {

using ByteView = std::span<const std::uint8_t>;

// The most pixels any reader decodes, so a lying header cannot make the
// program ask for gigabytes.
inline constexpr long long kMaxPixels = 100'000'000;

struct Limits {
  long long maxPixels = kMaxPixels;
  // False lets only the suite's own readers run (the fuzzer's cheap mode).
  bool useImageLibrary = true;
  // Trades some colour accuracy for speed (the fuzzer's many runs).
  bool quickReduction = false;
};

// A picture of palette indices, top row first, one byte per pixel.
struct IndexedPicture {
  int width = 0;
  int height = 0;
  std::vector<logo::PaletteEntry> palette;
  std::vector<std::uint8_t> indices;
  // Bytes 50 to 53 of a bitmap's header: its important-colour count, in
  // which a logo file keeps its first animated slot.
  std::array<std::uint8_t, 4> importantColours{};
};

// Red, green, blue bytes, top row first.
struct RgbPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};

// Where a picture lands on the logo: the part of the source that is shown,
// the size it is scaled to and where that goes on the 320x400 screen.
struct Placement {
  int sourceWidth = 0;
  int sourceHeight = 0;
  int cropX = 0;
  int cropY = 0;
  int cropWidth = 0;
  int cropHeight = 0;
  int scaledWidth = 0;
  int scaledHeight = 0;
  int offsetX = 0;
  int offsetY = 0;
};

// False, with the reason, for a zero, negative or absurd size.
bool acceptableSize(long long width, long long height, const Limits& limits, std::string& why);

// What a reader made of the bytes. kNotMine: the bytes are not in its format
// or hold a picture it leaves to the image library (truecolour).
enum class Reading { kIndexed, kNotMine, kMalformed };

// The suite's own bitmap layouts: 12, 40, 52, 56, 108 and 124-byte headers,
// 1, 4 and 8 bits, any palette length, RLE8, RLE4, either row order.
Reading readBitmap(ByteView bytes, const Limits& limits, IndexedPicture& picture, std::string& why);
// Palette PNG of any bit depth (libpng).
Reading readPng(ByteView bytes, const Limits& limits, IndexedPicture& picture, std::string& why);
// The first frame of a GIF (giflib).
Reading readGif(ByteView bytes, const Limits& limits, IndexedPicture& picture, std::string& why);

// Every other format, and all scaling: logofit/decoding.h.

struct Reduction {
  int colours = 256;
  bool dither = true;      // error diffusion
  bool keepBlack = false;  // black stays exactly one of the colours
  bool quick = false;
};

// Reduces a picture to at most `reduction.colours` colours (libimagequant).
bool reduceColours(const RgbPicture& picture, const Reduction& reduction, IndexedPicture& reduced,
                   std::string& why);

}  // namespace logofit
