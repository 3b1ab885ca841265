#include "picture/near_colours.h"

#include <gtest/gtest.h>

namespace {

// Every colour of levels^3, once: merged in cubes of `cube` levels a side,
// each becomes its cube's mean, rounded half up.
TEST(NearColours, MergesIntoTheRoundedMeanOfTheFewestLowBits) {
  const struct {
    int levels;
    int cube;  // 1: kept exactly
  } cases[] = {
      {.levels = 32, .cube = 1},   // 32,768 colours: few enough
      {.levels = 33, .cube = 2},   // one more level: one bit left out
      {.levels = 64, .cube = 2},   // 262,144 colours: one bit is enough
      {.levels = 128, .cube = 4},  // 2,097,152 colours: two bits
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.levels);
    std::vector<picture::Colour> pixels;
    for (int r = 0; r < c.levels; ++r) {
      for (int g = 0; g < c.levels; ++g) {
        for (int b = 0; b < c.levels; ++b) {
          pixels.push_back({std::uint8_t(r), std::uint8_t(g), std::uint8_t(b), 255});
        }
      }
    }
    std::vector<picture::Colour> merged = picture::withNearColoursMerged(pixels);
    ASSERT_EQ(merged.size(), pixels.size());
    // The mean of a whole cube from a to a + cube - 1, halves up; a cube cut
    // by the last level holds fewer.
    auto mean = [&](int value) {
      int low = value / c.cube * c.cube;
      int high = std::min(low + c.cube, c.levels) - 1;
      return (low + high + 1) / 2;
    };
    int wrong = 0;
    for (const picture::Colour& p : pixels) {
      const picture::Colour& m = merged[&p - pixels.data()];
      wrong += m.r != mean(p.r) || m.g != mean(p.g) || m.b != mean(p.b) || m.a != 255;
    }
    EXPECT_EQ(wrong, 0);
  }
}

}  // namespace
