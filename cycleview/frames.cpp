#include <algorithm>

#include "cycleview/cycleview.h"

namespace cycleview {
namespace {

// A negative bitmap height stores the top row first; a positive one, the
// bottom row first.
bool storedTopDown(const logo::LogoHeader& header) {
  return logo::readSigned32(header, logo::kHeightField) < 0;
}

int firstAnimatedSlot(const Logo& logo) {
  return logo.header[logo::kAnimationStartOffset];
}

// The smallest rectangle holding every pixel of an animated slot; a single
// pixel at the origin when there is none, since a GIF frame cannot be empty.
Rectangle animatedArea(const View& view, int firstSlot) {
  int left = view.width, top = view.height, right = -1, bottom = -1;
  for (int y = 0; y < view.height; ++y) {
    const std::uint8_t* row = view.indices.data() + static_cast<std::size_t>(y) * view.width;
    for (int x = 0; x < view.width; ++x) {
      if (row[x] < firstSlot) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = y;
    }
  }
  if (right < 0) return {0, 0, 1, 1};
  return {left, top, right - left + 1, bottom - top + 1};
}

// The area's indices with every still pixel made transparent.
std::vector<std::uint8_t> changingPixels(const View& view, const Rectangle& area, int firstSlot) {
  std::vector<std::uint8_t> pixels;
  pixels.reserve(static_cast<std::size_t>(area.width) * area.height);
  for (int y = area.top; y < area.top + area.height; ++y) {
    const std::uint8_t* row = view.indices.data() + static_cast<std::size_t>(y) * view.width;
    for (int x = area.left; x < area.left + area.width; ++x) {
      pixels.push_back(row[x] >= firstSlot ? row[x] : kStillIndex);
    }
  }
  return pixels;
}

}  // namespace

logo::Palette rotatedPalette(const logo::Palette& palette, int firstSlot, int step) {
  int count = static_cast<int>(logo::kPaletteEntries) - firstSlot;
  int shift = (step % count + count) % count;
  logo::Palette rotated = palette;
  for (int slot = firstSlot; slot < static_cast<int>(logo::kPaletteEntries); ++slot) {
    rotated[slot] = palette[firstSlot + (slot - firstSlot + shift) % count];
  }
  return rotated;
}

View viewOf(const Logo& logo, bool raw) {
  View view;
  view.width = raw ? logo::kLogoWidth : kViewWidth;
  view.height = raw ? logo::kLogoHeight : kViewHeight;
  view.indices.resize(static_cast<std::size_t>(view.width) * view.height);
  bool topDown = storedTopDown(logo.header);
  std::uint8_t* out = view.indices.data();
  for (int y = 0; y < view.height; ++y) {
    int logoRow = raw ? y : y * logo::kLogoHeight / kViewHeight;
    int storedRow = topDown ? logoRow : logo::kLogoHeight - 1 - logoRow;
    const std::uint8_t* in =
        logo.pixels.data() + static_cast<std::size_t>(storedRow) * logo::kLogoWidth;
    if (raw) {
      out = std::copy_n(in, logo::kLogoWidth, out);
      continue;
    }
    for (int x = 0; x < logo::kLogoWidth; ++x) {
      *out++ = in[x];
      *out++ = in[x];
    }
  }
  return view;
}

int centisecondsOf(int delayMs) {
  return (delayMs + 5) / 10;
}

Animation planAnimation(const Logo& logo, const ViewRequest& request) {
  int firstSlot = firstAnimatedSlot(logo);
  View view = viewOf(logo, request.raw);
  Animation animation;
  animation.width = view.width;
  animation.height = view.height;
  animation.delayCentiseconds = centisecondsOf(request.delayMs);
  animation.palette = logo.palette;
  if (firstSlot == 0) {
    animation.firstFrame = std::move(view.indices);
    return animation;
  }
  int steps = static_cast<int>(logo::kPaletteEntries) - firstSlot;
  animation.changingArea = animatedArea(view, firstSlot);
  animation.laterFrame = changingPixels(view, animation.changingArea, firstSlot);
  for (int step = 1; step < steps; ++step) {
    animation.laterPalettes.push_back(
        rotatedPalette(logo.palette, firstSlot, request.reverse ? -step : step));
  }
  animation.firstFrame = std::move(view.indices);
  return animation;
}

}  // namespace cycleview
