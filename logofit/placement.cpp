// Where a picture lands on the screen, and which sizes can be decoded.
#include "logofit/placement.h"

#include <algorithm>
#include <cstdio>

namespace logofit {
namespace {

constexpr int kWidth = logo::kLogoWidth;
constexpr int kHeight = logo::kLogoHeight;

int clamp(long long value, int most) {
  return static_cast<int>(std::clamp<long long>(value, 1, most));
}

// Where `part` of `whole` starts: at one end, the other, or the middle.
int aligned(int whole, int part, bool atStart, bool atEnd) {
  if (atStart) return 0;
  if (atEnd) return whole - part;
  return (whole - part) / 2;
}

}  // namespace

Placement place(int width, int height, Geometry geometry, Gravity gravity) {
  Placement p{width, height, 0, 0, width, height, kWidth, kHeight, 0, 0};
  long long wide = 3LL * width;  // compared with 4 * height: the screen's 4:3
  long long tall = 4LL * height;
  if (geometry == Geometry::kStretch || wide == tall) return p;
  bool left = gravity == Gravity::kLeft, right = gravity == Gravity::kRight;
  bool top = gravity == Gravity::kTop, bottom = gravity == Gravity::kBottom;
  if (geometry == Geometry::kFill) {
    if (wide > tall) {
      p.cropWidth = clamp((8LL * height + 3) / 6, width);
      p.cropX = aligned(width, p.cropWidth, left, right);
    } else {
      p.cropHeight = clamp((6LL * width + 4) / 8, height);
      p.cropY = aligned(height, p.cropHeight, top, bottom);
    }
    return p;
  }
  if (wide > tall) {
    p.scaledHeight = clamp((3200LL * height + 3LL * width) / (6LL * width), kHeight);
    p.offsetY = aligned(kHeight, p.scaledHeight, top, bottom);
  } else {
    p.scaledWidth = clamp((480LL * width + height) / (2LL * height), kWidth);
    p.offsetX = aligned(kWidth, p.scaledWidth, left, right);
  }
  return p;
}

}  // namespace logofit
