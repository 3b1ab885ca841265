#include <gtest/gtest.h>

#include "cycleview/cycleview.h"
#include "logo_image/conformance.h"

namespace {

// A logo whose every palette entry holds its own slot number in red, so
// that a rotated palette tells which slot each colour came from.
cycleview::Logo logoWith(int firstSlot, bool topDown = false) {
  cycleview::Logo logo;
  logo.header = logo::canonicalHeader();
  logo.header[logo::kAnimationStartOffset] = static_cast<std::uint8_t>(firstSlot);
  if (topDown) logo::writeLittleEndian(logo.header, logo::kHeightField, -400u);
  for (int slot = 0; slot < 256; ++slot)
    logo.palette[slot] = {0, 0, static_cast<std::uint8_t>(slot), 0};
  return logo;
}

TEST(PlanAnimation, OneFramePerStepTurningTheWayAsked) {
  const struct {
    int firstSlot;
    bool reverse;
    int delayMs;
    std::size_t frames;
    int centiseconds;
    // The slot whose colour is shown at step 1 in the first animated slot
    // and in slot 255, and at the last step in the first animated slot.
    int firstAtStep1;
    int topAtStep1;
    int firstAtLastStep;
  } cases[] = {
      {240, false, 100, 16, 10, 241, 240, 255}, {240, true, 100, 16, 10, 255, 254, 241},
      {1, false, 25, 255, 3, 2, 1, 255},  // half a hundredth rounds up
      {1, true, 24, 255, 2, 255, 254, 2},       {254, false, 20, 2, 2, 255, 254, 255},
      {255, false, 10000, 1, 1000, 0, 0, 0},  // one animated slot: nothing to turn
      {0, false, 100, 1, 10, 0, 0, 0},        // a still picture
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "s " << c.firstSlot << (c.reverse ? " reverse" : ""));
    cycleview::ViewRequest request;
    request.delayMs = c.delayMs;
    request.reverse = c.reverse;
    cycleview::Logo logo = logoWith(c.firstSlot);
    cycleview::Animation animation = cycleview::planAnimation(logo, request);
    EXPECT_EQ(animation.delayCentiseconds, c.centiseconds);
    EXPECT_EQ(animation.palette, logo.palette);
    ASSERT_EQ(animation.laterPalettes.size() + 1, c.frames);
    if (c.frames == 1) continue;
    const auto& first = animation.laterPalettes.front();
    EXPECT_EQ(first[c.firstSlot].red, c.firstAtStep1);
    EXPECT_EQ(first[255].red, c.topAtStep1);
    EXPECT_EQ(animation.laterPalettes.back()[c.firstSlot].red, c.firstAtLastStep);
    for (const logo::Palette& palette : animation.laterPalettes) {
      EXPECT_EQ(palette[c.firstSlot - 1].red, c.firstSlot - 1) << "below the animated slots";
    }
  }
}

TEST(PlanAnimation, LaterFramesCoverOnlyTheAnimatedPixels) {
  const struct {
    bool raw;
    bool topDown;
    cycleview::Rectangle area;
    std::size_t stillAt;  // where the still pixel lies in the later frame
  } cases[] = {
      {true, false, {5, 10, 3, 3}, 4},
      {true, true, {5, 10, 3, 3}, 4},
      // View rows 12 to 15 show logo rows 10, 10, 11 and 12.
      {false, false, {10, 12, 6, 4}, 2 * 6 + 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << (c.raw ? "raw" : "view") << (c.topDown ? " top-down" : ""));
    cycleview::Logo logo = logoWith(250, c.topDown);
    std::fill(logo.pixels.begin(), logo.pixels.end(), 3);
    // Animated pixels in logo columns 5 to 7 of rows 10 to 12 from the top,
    // but for a still one in the middle.
    for (int y = 10; y <= 12; ++y) {
      int stored = c.topDown ? y : 399 - y;
      for (int x = 5; x <= 7; ++x) logo.pixels[stored * 320 + x] = x == 6 && y == 11 ? 3 : 250;
    }
    cycleview::ViewRequest request;
    request.raw = c.raw;
    cycleview::Animation animation = cycleview::planAnimation(logo, request);
    const cycleview::Rectangle& area = animation.changingArea;
    EXPECT_EQ(area.left, c.area.left);
    EXPECT_EQ(area.top, c.area.top);
    EXPECT_EQ(area.width, c.area.width);
    EXPECT_EQ(area.height, c.area.height);
    EXPECT_EQ(animation.firstFrame[c.area.top * animation.width + c.area.left], 250);
    ASSERT_EQ(animation.laterFrame.size(), std::size_t(c.area.width * c.area.height));
    EXPECT_EQ(animation.laterFrame.front(), 250);
    EXPECT_EQ(animation.laterFrame[c.stillAt], cycleview::kStillIndex);
    EXPECT_EQ(animation.laterFrame[c.stillAt - 1], 250);
  }
}

}  // namespace
