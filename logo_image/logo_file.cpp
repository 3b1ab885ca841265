#include "logo_image/logo_file.h"

#include <algorithm>

#include "logo_image/conformance.h"

namespace logo {

std::vector<std::uint8_t> logoFileBytes(std::span<const PaletteEntry> palette,
                                        std::span<const std::uint8_t> indicesTopRowFirst,
                                        std::uint32_t importantColours) {
  std::vector<std::uint8_t> bytes(kLogoFileSize, 0);
  LogoHeader header = canonicalHeader();
  writeLittleEndian(header, kImportantColoursField, importantColours);
  std::copy(header.begin(), header.end(), bytes.begin());
  std::size_t entries = std::min(palette.size(), kPaletteEntries);
  for (std::size_t i = 0; i < entries; ++i) {
    std::uint8_t* out = bytes.data() + kHeaderSize + 4 * i;
    out[0] = palette[i].blue;
    out[1] = palette[i].green;
    out[2] = palette[i].red;
  }
  constexpr std::size_t kWidth = kLogoWidth;
  constexpr std::size_t kHeight = kLogoHeight;
  for (std::size_t y = 0; y < kHeight; ++y) {
    std::size_t from = y * kWidth;
    if (from >= indicesTopRowFirst.size()) break;
    std::size_t count = std::min(kWidth, indicesTopRowFirst.size() - from);
    std::copy_n(indicesTopRowFirst.begin() + from, count,
                bytes.begin() + kPixelOffset + (kHeight - 1 - y) * kWidth);
  }
  return bytes;
}

}  // namespace logo
