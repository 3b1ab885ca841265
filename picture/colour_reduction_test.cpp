#include "picture/colour_reduction.h"

#include <gtest/gtest.h>

namespace {

// Near colours are merged only to spare the choice many thousands; a
// picture of fewer keeps every one, however close.
TEST(ColourReduction, KeepsFewColoursExactlyHoweverClose) {
  picture::RgbPicture greys{320, 400, std::vector<std::uint8_t>(320 * 400 * 3)};
  for (std::size_t i = 0; i < greys.rgb.size(); ++i) {
    greys.rgb[i] = static_cast<std::uint8_t>(i / 3 % 320 % 200);
  }
  logo::Result<picture::IndexedPicture> reduced = picture::reduceColours(greys, {256, true, {}});
  ASSERT_TRUE(reduced) << reduced.reason();
  int wrong = 0;
  for (std::size_t i = 0; i < reduced->indices.size(); ++i) {
    wrong += reduced->palette.at(reduced->indices[i]).red != greys.rgb[3 * i];
  }
  EXPECT_EQ(wrong, 0);
}

}  // namespace
