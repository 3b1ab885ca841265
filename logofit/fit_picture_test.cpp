#include <gtest/gtest.h>

#include "logofit/placement.h"

namespace {

using logofit::Geometry;

// The screen shows 320x400 logo pixels at 4:3, so a square source pixel
// becomes 3/5 of a logo pixel across for every logo pixel down.
TEST(Placement, KeepsTheShownProportions) {
  const struct {
    int width, height;
    Geometry geometry;
    logofit::Placement expected;  // source, crop x y w h, scaled w h, offset x y
  } cases[] = {
      {1600, 1200, Geometry::kFit, {1600, 1200, 0, 0, 1600, 1200, 320, 400, 0, 0}},
      {1600, 1200, Geometry::kFill, {1600, 1200, 0, 0, 1600, 1200, 320, 400, 0, 0}},
      {1600, 600, Geometry::kFit, {1600, 600, 0, 0, 1600, 600, 320, 200, 0, 100}},
      {1600, 600, Geometry::kFill, {1600, 600, 400, 0, 800, 600, 320, 400, 0, 0}},
      {600, 1600, Geometry::kFit, {600, 1600, 0, 0, 600, 1600, 90, 400, 115, 0}},
      {600, 1600, Geometry::kFill, {600, 1600, 0, 575, 600, 450, 320, 400, 0, 0}},
      {600, 1600, Geometry::kStretch, {600, 1600, 0, 0, 600, 1600, 320, 400, 0, 0}},
      {320, 400, Geometry::kFit, {320, 400, 0, 0, 320, 400, 192, 400, 64, 0}},
      {320, 400, Geometry::kFill, {320, 400, 0, 80, 320, 240, 320, 400, 0, 0}},
      {1, 1, Geometry::kFit, {1, 1, 0, 0, 1, 1, 240, 400, 40, 0}},
      {10000, 1, Geometry::kFit, {10000, 1, 0, 0, 10000, 1, 320, 1, 0, 199}},
      {10000, 1, Geometry::kFill, {10000, 1, 4999, 0, 1, 1, 320, 400, 0, 0}},
      {1, 10000, Geometry::kFit, {1, 10000, 0, 0, 1, 10000, 1, 400, 159, 0}},
      {1, 10000, Geometry::kFill, {1, 10000, 0, 4999, 1, 1, 320, 400, 0, 0}},
      {46341, 46341, Geometry::kFill, {46341, 46341, 0, 5792, 46341, 34756, 320, 400, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.width << "x" << c.height << " " << static_cast<int>(c.geometry));
    logofit::Placement p = logofit::place(c.width, c.height, c.geometry);
    const logofit::Placement& e = c.expected;
    EXPECT_EQ(std::tie(p.sourceWidth, p.sourceHeight, p.cropX, p.cropY, p.cropWidth, p.cropHeight,
                       p.scaledWidth, p.scaledHeight, p.offsetX, p.offsetY),
              std::tie(e.sourceWidth, e.sourceHeight, e.cropX, e.cropY, e.cropWidth, e.cropHeight,
                       e.scaledWidth, e.scaledHeight, e.offsetX, e.offsetY));
  }
}

// The side --gravity names is kept by --fill and touched by --fit.
TEST(Placement, KeepsToTheSideGravityNames) {
  using logofit::Gravity;
  const struct {
    int width, height;
    Geometry geometry;
    Gravity gravity;
    int cropX, cropY, offsetX, offsetY;
  } cases[] = {
      {1600, 600, Geometry::kFill, Gravity::kLeft, 0, 0, 0, 0},
      {1600, 600, Geometry::kFill, Gravity::kRight, 800, 0, 0, 0},
      {1600, 600, Geometry::kFill, Gravity::kTop, 400, 0, 0, 0},
      {600, 1600, Geometry::kFill, Gravity::kTop, 0, 0, 0, 0},
      {600, 1600, Geometry::kFill, Gravity::kBottom, 0, 1150, 0, 0},
      {1600, 600, Geometry::kFit, Gravity::kTop, 0, 0, 0, 0},
      {1600, 600, Geometry::kFit, Gravity::kBottom, 0, 0, 0, 200},
      {600, 1600, Geometry::kFit, Gravity::kLeft, 0, 0, 0, 0},
      {600, 1600, Geometry::kFit, Gravity::kRight, 0, 0, 230, 0},
      {600, 1600, Geometry::kFit, Gravity::kBottom, 0, 0, 115, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.width << "x" << c.height << " " << static_cast<int>(c.geometry) << " "
                 << static_cast<int>(c.gravity));
    logofit::Placement p = logofit::place(c.width, c.height, c.geometry, c.gravity);
    EXPECT_EQ(std::tie(p.cropX, p.cropY, p.offsetX, p.offsetY),
              std::tie(c.cropX, c.cropY, c.offsetX, c.offsetY));
  }
}

}  // namespace
