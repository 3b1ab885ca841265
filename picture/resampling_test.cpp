#include "picture/resampling.h"

#include <gtest/gtest.h>

namespace {

using picture::Placement;
using picture::Size;
using picture::Working;

// A 3x2 picture whose pixels are numbered 0 1 2 / 3 4 5, as each of EXIF's
// eight tags shows it.
TEST(Orientation, ShowsEveryPixelWhereTheTagSays) {
  const struct {
    int orientation;
    int width;
    std::vector<float> shown;  // the stored numbers, row by row
  } cases[] = {
      {1, 3, {0, 1, 2, 3, 4, 5}}, {2, 3, {2, 1, 0, 5, 4, 3}}, {3, 3, {5, 4, 3, 2, 1, 0}},
      {4, 3, {3, 4, 5, 0, 1, 2}}, {5, 2, {0, 3, 1, 4, 2, 5}}, {6, 2, {3, 0, 4, 1, 5, 2}},
      {7, 2, {5, 2, 4, 1, 3, 0}}, {8, 2, {2, 5, 1, 4, 0, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.orientation);
    Working stored{3, 2, {}};
    for (float i = 0; i < 6; ++i) stored.rgb.insert(stored.rgb.end(), {i, 0, 0});
    Working shown = picture::oriented(stored, c.orientation);
    EXPECT_EQ(shown.width, c.width);
    std::vector<float> numbers;
    for (std::size_t i = 0; i < shown.rgb.size(); i += 3) numbers.push_back(shown.rgb[i]);
    EXPECT_EQ(numbers, c.shown);
  }
}

// One colour in, the same colour out: whatever the box, the boxes cut off
// at the picture's edge, the pixels' form and order, the crop and the
// final filter, every weight must add up to one.
TEST(Scaling, KeepsAFlatColourFlat) {
  const struct {
    const char* what;
    int width, height, channels, step;
    std::vector<std::uint8_t> pixel;
    std::uint8_t red, green, blue;  // expected everywhere
    Placement placement;
  } cases[] = {
      // Boxes of 3x3 pixels and a last row and column of boxes 1 pixel wide.
      {"RGB, boxes cut off at the edges",
       1999,
       2401,
       3,
       1,
       {200, 100, 50},
       200,
       100,
       50,
       {1999, 2401, 0, 0, 1999, 2401, 320, 400, 0, 0}},
      {"grey", 700, 500, 1, 1, {77}, 77, 77, 77, {700, 500, 0, 0, 700, 500, 320, 200, 0, 100}},
      {"grey and alpha, on black",
       700,
       500,
       2,
       1,
       {200, 128},
       100,
       100,
       100,
       {700, 500, 0, 0, 700, 500, 320, 400, 0, 0}},
      {"RGBA, on black",
       640,
       800,
       4,
       1,
       {255, 0, 102, 51},
       51,
       0,
       20,
       {640, 800, 0, 0, 640, 800, 320, 400, 0, 0}},
      {"every second pixel, twice",
       900,
       900,
       3,
       2,
       {10, 20, 30},
       10,
       20,
       30,
       {900, 900, 0, 200, 900, 500, 320, 400, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    picture::AreaAverage average(picture::wantedSize(c.placement, 1));
    average.begin({c.width, c.height});
    std::vector<std::uint8_t> row;
    for (int x = 0; x < c.width; ++x) row.insert(row.end(), c.pixel.begin(), c.pixel.end());
    for (int start = 0; start < c.step; ++start) {
      for (int y = 0; y < c.height; ++y) {
        average.put(y, start, c.step, (c.width - start + c.step - 1) / c.step, row.data(),
                    c.channels);
      }
    }
    picture::RgbPicture scaled = picture::lanczos(std::move(average).result(), c.placement);
    EXPECT_EQ(scaled.rgb.size(),
              std::size_t(c.placement.scaledWidth) * c.placement.scaledHeight * 3);
    int wrong = 0;
    for (std::size_t i = 0; i < scaled.rgb.size(); i += 3) {
      wrong +=
          scaled.rgb[i] != c.red || scaled.rgb[i + 1] != c.green || scaled.rgb[i + 2] != c.blue;
    }
    EXPECT_EQ(wrong, 0);
  }
}

}  // namespace
