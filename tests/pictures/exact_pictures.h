// Decoded pictures held against the pictures encoded, exactly; a failure
// names the first pixel, entry or byte that differs.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "picture/decoding.h"
#include "tests/pictures/sample_pictures.h"

namespace picture::samples {

// The bytes with `values` written over them at `at`.
inline Bytes edited(Bytes bytes, std::size_t at, const Bytes& values) {
  std::copy(values.begin(), values.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
  return bytes;
}

// The bytes without their last `count`.
inline Bytes cut(Bytes bytes, std::size_t count) {
  bytes.resize(bytes.size() - count);
  return bytes;
}

// What a palette picture shows: its colours, opaque.
inline RgbaPicture coloursOf(const IndexedPicture& picture) {
  RgbaPicture rgba{picture.width, picture.height, {}};
  for (std::uint8_t index : picture.indices) {
    const logo::PaletteEntry& entry = picture.palette[index];
    rgba.rgba.insert(rgba.rgba.end(), {entry.red, entry.green, entry.blue, 255});
  }
  return rgba;
}

inline ::testing::AssertionResult samePixels(const RgbaPicture& encoded,
                                             const logo::Result<RgbaPicture>& decoded) {
  if (!decoded) return ::testing::AssertionFailure() << decoded.reason();
  if (decoded->width != encoded.width || decoded->height != encoded.height) {
    return ::testing::AssertionFailure() << "decoded " << decoded->width << "x" << decoded->height
                                         << ", encoded " << encoded.width << "x" << encoded.height;
  }
  for (std::size_t i = 0; i < encoded.rgba.size(); i += 4) {
    const std::uint8_t* got = decoded->rgba.data() + i;
    const std::uint8_t* wanted = encoded.rgba.data() + i;
    if (!std::equal(wanted, wanted + 4, got)) {
      auto pixel = static_cast<int>(i / 4);
      return ::testing::AssertionFailure()
             << "pixel " << pixel % encoded.width << "," << pixel / encoded.width << ": decoded "
             << int(got[0]) << " " << int(got[1]) << " " << int(got[2]) << " " << int(got[3])
             << ", encoded " << int(wanted[0]) << " " << int(wanted[1]) << " " << int(wanted[2])
             << " " << int(wanted[3]);
    }
  }
  return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult sameIndices(const IndexedPicture& encoded,
                                              const logo::Result<IndexedPicture>& read) {
  if (!read) return ::testing::AssertionFailure() << read.reason();
  if (read->width != encoded.width || read->height != encoded.height) {
    return ::testing::AssertionFailure() << "read " << read->width << "x" << read->height
                                         << ", encoded " << encoded.width << "x" << encoded.height;
  }
  if (read->palette != encoded.palette) {
    return ::testing::AssertionFailure()
           << "a palette of " << read->palette.size() << " entries, encoded "
           << encoded.palette.size() << ", or an entry differs";
  }
  auto [wanted, got] = std::mismatch(encoded.indices.begin(), encoded.indices.end(),
                                     read->indices.begin(), read->indices.end());
  if (wanted != encoded.indices.end() || got != read->indices.end()) {
    auto pixel = static_cast<int>(wanted - encoded.indices.begin());
    return ::testing::AssertionFailure()
           << "index at " << pixel % encoded.width << "," << pixel / encoded.width;
  }
  if (read->opacity != encoded.opacity) return ::testing::AssertionFailure() << "opacities differ";
  if (read->importantColours != encoded.importantColours) {
    return ::testing::AssertionFailure() << "bytes 50 to 53 differ";
  }
  return ::testing::AssertionSuccess();
}

// Probed, read as a palette picture and decoded whole, the bytes give
// `encoded` back.
inline void expectPalettePicture(const Bytes& bytes, const IndexedPicture& encoded) {
  Input input(bytes);
  logo::Result<Probe> probed = probe(input);
  ASSERT_TRUE(probed) << probed.reason();
  EXPECT_EQ(probed->width, encoded.width);
  EXPECT_EQ(probed->height, encoded.height);
  EXPECT_TRUE(probed->palette);
  EXPECT_TRUE(sameIndices(encoded, decodePalette(input)));
  EXPECT_TRUE(samePixels(coloursOf(encoded), decodeWhole(input)));
}

// Probed and decoded whole, the bytes show `encoded`.
inline void expectColours(const Bytes& bytes, const RgbaPicture& encoded) {
  Input input(bytes);
  logo::Result<Probe> probed = probe(input);
  ASSERT_TRUE(probed) << probed.reason();
  EXPECT_EQ(probed->width, encoded.width);
  EXPECT_EQ(probed->height, encoded.height);
  EXPECT_FALSE(probed->palette);
  EXPECT_TRUE(samePixels(encoded, decodeWhole(input)));
}

// Why the bytes are refused, whichever of the probe and the decoder finds
// the fault first; a palette picture's reader must say the same.
inline std::string refusal(const Bytes& bytes) {
  Input input(bytes);
  logo::Result<RgbaPicture> whole = decodeWhole(input);
  std::string reason = whole ? "decoded" : whole.reason();
  logo::Result<Probe> probed = probe(input);
  if (probed && probed->palette) {
    logo::Result<IndexedPicture> read = decodePalette(input);
    EXPECT_EQ(read ? "decoded" : read.reason(), reason) << "read as a palette picture";
  }
  return reason;
}

}  // namespace picture::samples
