// The startup-logo picture as every tool of the suite sees it: a 54-byte
// bitmap header, a 256-entry palette and 500 chunks of 256 one-byte pixels.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace logo {

inline constexpr std::size_t kHeaderSize = 54;
inline constexpr std::size_t kPaletteSize = 1024;
inline constexpr std::size_t kChunkSize = 256;
inline constexpr std::size_t kChunkCount = 500;
// Least-significant byte of the header's important-colours count: the first
// palette slot that the system animates, 0 for a plain bitmap.
inline constexpr std::size_t kAnimationStartOffset = 50;

// Little-endian fields of the 14-byte file header and the 40-byte
// information header that follows it.
inline constexpr std::size_t kFileSizeField = 2;
inline constexpr std::size_t kPixelDataOffsetField = 10;
inline constexpr std::size_t kInfoHeaderSizeField = 14;
inline constexpr std::size_t kWidthField = 18;
inline constexpr std::size_t kHeightField = 22;  // negative: top row first
inline constexpr std::size_t kPlanesField = 26;
inline constexpr std::size_t kBitsPerPixelField = 28;
inline constexpr std::size_t kCompressionField = 30;
inline constexpr std::size_t kPixelBytesField = 34;
inline constexpr std::size_t kColoursUsedField = 46;
inline constexpr std::size_t kImportantColoursField = kAnimationStartOffset;

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

// The unsigned number stored in `size` bytes at `offset`, lowest byte first.
inline std::uint32_t readLittleEndian(std::span<const std::uint8_t> bytes, std::size_t offset,
                                      std::size_t size = 4) {
  std::uint32_t value = 0;
  for (std::size_t i = size; i-- > 0;) value = (value << 8) | bytes[offset + i];
  return value;
}

inline std::int32_t readSigned32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::int32_t>(readLittleEndian(bytes, offset));
}

// Stores `value` in `size` bytes at `offset`, lowest byte first.
inline void writeLittleEndian(std::span<std::uint8_t> bytes, std::size_t offset,
                              std::uint32_t value, std::size_t size = 4) {
  for (std::size_t i = 0; i < size; ++i)
    bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline bool sameColour(const PaletteEntry& a, const PaletteEntry& b) {
  return a.blue == b.blue && a.green == b.green && a.red == b.red;
}

}  // namespace logo
