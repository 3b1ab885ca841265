// What the rings' readers share.
#include "logofit/rings.h"

#include <algorithm>
#include <cstdio>

namespace logofit {
std::string sizeText(int width, int height) {
  char text[48];
  std::snprintf(text, sizeof text, "%dx%d", width, height);
  return text;
}

bool logoSized(int width, int height) {
  return width == logo::kLogoWidth && height == logo::kLogoHeight;
}

// Weighted as the eye sees brightness, times 1000.
int brightness(const logo::PaletteEntry& c) {
  return 299 * c.red + 587 * c.green + 114 * c.blue;
}

bool anyTransparent(const std::vector<std::uint8_t>& opacity) {
  return std::any_of(opacity.begin(), opacity.end(), [](std::uint8_t a) { return a < 255; });
}

}  // namespace logofit
