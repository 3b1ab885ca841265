#include "picture/pictures.h"

#include <cstdio>
#include <string>

namespace picture {

logo::Status sizeAllowed(long long width, long long height, const Limits& limits) {
  char text[160];
  if (width <= 0 || height <= 0) {
    std::snprintf(text, sizeof text, "no pixels: %lldx%lld", width, height);
  } else if (width > limits.maxPixels / height) {
    std::snprintf(text, sizeof text, "picture too large: %lldx%lld (at most %lld megapixels)",
                  width, height, limits.maxPixels / 1'000'000);
  } else {
    return {};
  }
  return logo::Failure{text};
}

logo::Status sidesAllowed(Size size) {
  if (size.width <= kMaxSide && size.height <= kMaxSide) return {};
  return logo::Failure{"picture too large: " + std::to_string(size.width) + "x" +
                       std::to_string(size.height) + " (at most 65535 pixels a side)"};
}

}  // namespace picture
