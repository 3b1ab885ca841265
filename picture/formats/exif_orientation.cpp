// The one EXIF tag the decoders read: how the picture is turned.
#include <cstdint>

#include "picture/formats/format.h"

namespace picture {

int exifOrientation(ByteView exif) {
  if (exif.size() < 8) return 1;
  bool little = exif[0] == 'I' && exif[1] == 'I';
  if (!little && !(exif[0] == 'M' && exif[1] == 'M')) return 1;
  auto number = [&](std::size_t at, int bytes) -> std::uint32_t {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
      std::uint32_t byte = exif[at + (little ? bytes - 1 - i : i)];
      value = value << 8 | byte;
    }
    return value;
  };
  std::uint32_t directory = number(4, 4);
  if (directory > exif.size() - 2) return 1;
  std::uint32_t entries = number(directory, 2);
  for (std::uint32_t i = 0; i < entries; ++i) {
    std::size_t entry = directory + 2 + std::size_t{12} * i;
    if (entry + 12 > exif.size()) break;
    // Tag 0x112, a SHORT, its value in the entry's first two value bytes.
    if (number(entry, 2) == 0x112 && number(entry + 2, 2) == 3) {
      std::uint32_t value = number(entry + 8, 2);
      return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
  }
  return 1;
}

}  // namespace picture
