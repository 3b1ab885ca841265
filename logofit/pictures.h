// Pictures on their way to the logo, and the readers and library adapters
// that produce and transform them. Only the adapter files include a library
// header; everything here speaks in the suite's types.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "logo_image/layout.h"
#include "logo_image/result.h"

namespace logofit {

using ByteView = std::span<const std::uint8_t>;

// The most pixels any reader decodes, so a lying header cannot make the
// program ask for gigabytes.
inline constexpr long long kMaxPixels = 100'000'000;

struct Limits {
  long long maxPixels = kMaxPixels;
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
  // The opacity of each palette entry, 0 to 255; empty when the format
  // stores none (every entry opaque).
  std::vector<std::uint8_t> opacity;

  bool opaque(std::uint8_t index) const { return index >= opacity.size() || opacity[index] >= 128; }
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

// Red, green, blue and opacity bytes, top row first.
struct RgbaPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;
};

// The reason a size cannot be decoded (zero, negative or absurd); empty
// for one that can.
std::string sizeProblem(long long width, long long height, const Limits& limits);

// What a reader made of the bytes: a palette picture, nothing (the bytes
// are in another format, or hold a truecolour picture it leaves to the
// image library), or the reason they are malformed.
using Reading = logo::Result<std::optional<IndexedPicture>>;
inline Reading notMine() { return Reading(std::optional<IndexedPicture>()); }

// The suite's own bitmap layouts: 12, 40, 52, 56, 108 and 124-byte headers,
// 1, 4 and 8 bits, any palette length, RLE8, RLE4, either row order.
Reading readBitmap(ByteView bytes, const Limits& limits);
// Palette PNG of any bit depth with its transparent entries (libpng).
Reading readPng(ByteView bytes, const Limits& limits);
// The first frame of a GIF with its transparent index (giflib).
Reading readGif(ByteView bytes, const Limits& limits);
// Whichever of the three takes the bytes, with every pixel's index checked
// against the palette.
Reading readIndexed(ByteView bytes, const Limits& limits);

struct Size {
  int width = 0;
  int height = 0;
};

// Every other format, and all scaling: logofit/decoding.h.

struct Reduction {
  int colours = 256;
  bool dither = true;  // error diffusion
  // A colour that stays exactly one of the colours (the bars' colour).
  std::optional<logo::PaletteEntry> fixed;
};

// Which pixels of a picture belong to a part of it, one flag per pixel.
using PixelMask = std::vector<bool>;

// Reduces a picture to at most `reduction.colours` colours (libimagequant),
// chosen for the pixels `chosenFor` marks (every pixel when it is empty);
// every pixel is then mapped to them.
logo::Result<IndexedPicture> reduceColours(const RgbPicture& picture, const Reduction& reduction,
                                           const PixelMask& chosenFor = {});

}  // namespace logofit
