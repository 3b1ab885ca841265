// The startup-logo picture as every tool of the suite sees it: a 54-byte
// bitmap header, a 256-entry palette and 500 chunks of 256 one-byte pixels.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace logo {

inline constexpr std::size_t kHeaderSize = 54;
inline constexpr std::size_t kPaletteSize = 1024;
inline constexpr std::size_t kChunkSize = 256;
inline constexpr std::size_t kChunkCount = 500;
// Least-significant byte of the header's important-colours count: the first
// palette slot that the system animates, 0 for a plain bitmap.
inline constexpr std::size_t kAnimationStartOffset = 50;

inline constexpr std::size_t kPaletteEntries = 256;
inline constexpr std::size_t kPixelOffset = kHeaderSize + kPaletteSize;
inline constexpr std::size_t kLogoFileSize = kPixelOffset + kChunkSize * kChunkCount;
inline constexpr int kLogoWidth = 320;
inline constexpr int kLogoHeight = 400;

// Stored in the order of the bitmap format. The flag byte is the format's
// reserved byte; only the palette packer gives it a meaning, in memory.
struct PaletteEntry {
  std::uint8_t blue;
  std::uint8_t green;
  std::uint8_t red;
  std::uint8_t flag;

  friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};
static_assert(sizeof(PaletteEntry) == 4);

using LogoHeader = std::array<std::uint8_t, kHeaderSize>;
template <std::size_t Entries>
using PaletteOf = std::array<PaletteEntry, Entries>;
using Palette = PaletteOf<kPaletteEntries>;
using PixelChunk = std::array<std::uint8_t, kChunkSize>;
// Old palette index -> new palette index, applied to every rewritten pixel.
using RemapTable = std::array<std::uint8_t, kPaletteEntries>;

static_assert(sizeof(Palette) == kPaletteSize);

inline bool sameColour(const PaletteEntry& a, const PaletteEntry& b) {
  return a.blue == b.blue && a.green == b.green && a.red == b.red;
}

}  // namespace logo
