// What the decoders' tests share: a sink that checks every pixel delivered
// against the pixels expected, without keeping them, and a process of its
// own that decodes with little memory to spare.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "picture/decoding.h"

namespace picture::testing {

using Bytes = std::vector<std::uint8_t>;
using Rgba = std::array<std::uint8_t, 4>;
// The pixel expected at x, y of the size delivered.
using Expected = std::function<Rgba(int x, int y)>;

// Decoded at the size wanted, each pixel compared as it comes: grey spread
// to red, green and blue, a pixel without alpha opaque.
struct Compared {
  std::string reason;  // empty when decoded
  Size delivered;
  int worst = 0;
  std::string worstAt;
  bool everyPixelOnce = false;
};
Compared decodeAndCompare(const Bytes& bytes, Size wanted, const Expected& expected);

// Decoded, at `delivered`, every pixel once and none further than
// `tolerance` from the pixel expected.
inline void expectDelivered(const Compared& compared, Size delivered, int tolerance = 0) {
  ASSERT_EQ(compared.reason, "");
  EXPECT_EQ(compared.delivered.width, delivered.width);
  EXPECT_EQ(compared.delivered.height, delivered.height);
  EXPECT_TRUE(compared.everyPixelOnce);
  EXPECT_LE(compared.worst, tolerance) << compared.worstAt;
}

// Probed and decoded whole, the picture is `shown` as its `orientation`
// turns it.
inline void expectTurned(const Bytes& bytes, int orientation, Size shown) {
  Input input(bytes);
  logo::Result<Probe> probed = probe(input);
  ASSERT_TRUE(probed) << probed.reason();
  EXPECT_EQ(probed->orientation, orientation);
  EXPECT_EQ(probed->width, shown.width);
  EXPECT_EQ(probed->height, shown.height);
  logo::Result<RgbaPicture> whole = decodeWhole(input);
  ASSERT_TRUE(whole) << whole.reason();
  EXPECT_EQ(whole->width, shown.width);
  EXPECT_EQ(whole->height, shown.height);
}

enum class Decoding { kWhole, kFitted };

// The reason decodeWhole gives, or reasonFitting (empty when it decodes),
// in a process of its own whose address space may grow by at most
// `headroom` bytes; how that process ended when it did not finish.
std::string reasonInLittleMemory(const Bytes& bytes, std::size_t headroom, Decoding decoding);

// The reason decodeScaled gives fitting the picture into 320x400, its sides
// in proportion; empty when it decodes.
std::string reasonFitting(const Bytes& bytes);

}  // namespace picture::testing
