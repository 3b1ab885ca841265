#include <gtest/gtest.h>

#include <array>

#include "picture/formats/format.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// An EXIF block with one directory of the given entries (tag, type, value),
// in either byte order.
Bytes exif(bool little, std::vector<std::array<std::uint16_t, 3>> entries) {
  Bytes bytes = little ? Bytes{'I', 'I', 42, 0, 8, 0, 0, 0} : Bytes{'M', 'M', 0, 42, 0, 0, 0, 8};
  auto put16 = [&](std::uint16_t value) {
    if (little)
      bytes.insert(bytes.end(), {std::uint8_t(value), std::uint8_t(value >> 8)});
    else
      bytes.insert(bytes.end(), {std::uint8_t(value >> 8), std::uint8_t(value)});
  };
  put16(static_cast<std::uint16_t>(entries.size()));
  for (auto [tag, type, value] : entries) {
    put16(tag), put16(type);
    Bytes count = little ? Bytes{1, 0, 0, 0} : Bytes{0, 0, 0, 1};
    bytes.insert(bytes.end(), count.begin(), count.end());
    put16(value), put16(0);
  }
  return bytes;
}

Bytes withoutLast(Bytes bytes, std::size_t count) {
  bytes.resize(bytes.size() - count);
  return bytes;
}

TEST(ExifOrientation, ReadsTheTagInEitherByteOrder) {
  const struct {
    const char* what;
    Bytes block;
    int orientation;
  } cases[] = {
      {"Intel order", exif(true, {{0x100, 3, 640}, {0x112, 3, 6}}), 6},
      {"Motorola order", exif(false, {{0x112, 3, 8}}), 8},
      {"no tag", exif(true, {{0x100, 3, 6}}), 1},
      {"beyond the eight", exif(true, {{0x112, 3, 9}}), 1},
      {"not a SHORT", exif(true, {{0x112, 4, 6}}), 1},
      {"entry cut short", withoutLast(exif(true, {{0x112, 3, 6}}), 4), 1},
      {"directory past the end", {'I', 'I', 42, 0, 0xff, 0xff, 0xff, 0xff}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(picture::exifOrientation(c.block), c.orientation);
  }
}

}  // namespace
