#include "logofit/colour_reduction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

using Colour = std::function<std::array<int, 3>(int x, int y)>;

logofit::RgbPicture pictureOf(const Colour& colour) {
  logofit::RgbPicture picture{320, 400, std::vector<std::uint8_t>(320 * 400 * 3)};
  for (int y = 0; y < 400; ++y) {
    for (int x = 0; x < 320; ++x) {
      std::array<int, 3> c = colour(x, y);
      for (int i = 0; i < 3; ++i) picture.rgb[(y * 320 + x) * 3 + i] = std::uint8_t(c[i]);
    }
  }
  return picture;
}

double psnrOf(const logofit::RgbPicture& original, const logofit::IndexedPicture& reduced) {
  double squares = 0;
  for (std::size_t i = 0; i < reduced.indices.size(); ++i) {
    const logo::PaletteEntry& e = reduced.palette[reduced.indices[i]];
    int shown[3] = {e.red, e.green, e.blue};
    for (int c = 0; c < 3; ++c) squares += std::pow(shown[c] - original.rgb[3 * i + c], 2);
  }
  if (squares == 0) return INFINITY;
  return 10 * std::log10(255.0 * 255 / (squares / original.rgb.size()));
}

// A picture of few colours keeps them exactly, however close; one of many
// loses little.
TEST(ColourReduction, KeepsFewColoursAndLosesLittleOfMany) {
  const struct {
    const char* name;
    Colour colour;
    int colours;
    double leastPsnr;
  } cases[] = {
      {"200 greys a level apart", [](int x, int) { return std::array{x % 200, x % 200, x % 200}; },
       256, INFINITY},
      {"84,000 colours of smooth gradients",
       [](int x, int y) { return std::array{x * 255 / 319, y * 255 / 399, (x + y) * 255 / 718}; },
       256, 33},
      {"the same in 16 colours",
       [](int x, int y) { return std::array{x * 255 / 319, y * 255 / 399, (x + y) * 255 / 718}; },
       16, 21.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    logofit::RgbPicture picture = pictureOf(c.colour);
    logo::Result<logofit::IndexedPicture> reduced =
        logofit::reduceColours(picture, {c.colours, true, {}});
    ASSERT_TRUE(reduced) << reduced.reason();
    EXPECT_LE(reduced->palette.size(), std::size_t(c.colours));
    EXPECT_GE(psnrOf(picture, *reduced), c.leastPsnr);
  }
}

}  // namespace
