// The pictures the library makes, where a picture lands on a canvas, and
// the sizes it decodes. Decoders, resampling and colour reduction speak in
// these types; only the adapter files include a library header.
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

namespace picture {

using ByteView = std::span<const std::uint8_t>;

// The most pixels any reader decodes, so a lying header cannot make the
// program ask for gigabytes.
inline constexpr long long kMaxPixels = 100'000'000;
// JPEG, GIF and WebP cannot go beyond it, and nothing is made of a longer
// strip.
inline constexpr int kMaxSide = 65535;

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

// Where a picture lands on a canvas: the part of the source that is shown,
// the size it is scaled to and where that goes on the canvas.
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

struct Size {
  int width = 0;
  int height = 0;
};

// Which pixels of a picture belong to a part of it, one flag per pixel.
using PixelMask = std::vector<bool>;

// Whether a picture of this size can be decoded: not zero, negative or
// beyond the limits.
logo::Status sizeAllowed(long long width, long long height, const Limits& limits);
// Whether neither side is longer than kMaxSide.
logo::Status sidesAllowed(Size size);

}  // namespace picture
