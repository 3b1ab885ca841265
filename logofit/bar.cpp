// A bar over the bottom or top rows, its gradient running right or left.
#include <algorithm>

#include "logofit/rings.h"

namespace logofit {
namespace {

constexpr int kWidth = logo::kLogoWidth;
constexpr int kHeight = logo::kLogoHeight;
constexpr std::size_t kPixels = std::size_t(kWidth) * kHeight;

// Rounded to the nearest, halves up: (a * n + (b - a) * r) / n.
std::uint8_t between(int a, int b, int r, int n) {
  return static_cast<std::uint8_t>((2 * (a * n + (b - a) * r) + n) / (2 * n));
}

}  // namespace

std::vector<logo::PaletteEntry> cyclicGradient(const std::vector<logo::PaletteEntry>& stops,
                                               int colours) {
  int m = static_cast<int>(stops.size());
  std::vector<logo::PaletteEntry> ring;
  for (int j = 0; j < colours; ++j) {
    int position = j * m;
    const logo::PaletteEntry& a = stops[position / colours];
    const logo::PaletteEntry& b = stops[(position / colours + 1) % m];
    int r = position % colours;
    ring.push_back({between(a.blue, b.blue, r, colours), between(a.green, b.green, r, colours),
                    between(a.red, b.red, r, colours), 0});
  }
  return ring;
}

// A glint running along a deep blue bar: bright enough to show on black,
// calm enough under a photograph.
std::vector<logo::PaletteEntry> defaultGradient() {
  return {
      {0x8C, 0x2A, 0x10, 0}, {0xF5, 0xA9, 0x3F, 0}, {0xFF, 0xFA, 0xF2, 0}, {0xF5, 0xA9, 0x3F, 0}};
}

// About four repeats of the gradient across the width, so each step moves
// the bar by a few pixels: 5 for 16 colours.
int barBandWidth(int colours) {
  return std::max(1, 80 / colours);
}

Ring barRing(const BarOptions& bar) {
  const auto& stops = bar.gradient.empty() ? defaultGradient() : bar.gradient;
  Ring ring{"BAR", cyclicGradient(stops, bar.colours), std::vector<std::uint8_t>(kPixels)};
  int start = ring.start();
  int width = bar.band > 0 ? bar.band : barBandWidth(bar.colours);
  int top = bar.edge == BarEdge::kTop ? 0 : kHeight - bar.rows;
  for (int x = 0; x < kWidth; ++x) {
    // A colour shown in slot s moves to slot s - 1 at the next step, so
    // the slots fall one per band the way the colours move.
    int band = (bar.direction == BarDirection::kRight ? x : kWidth - 1 - x) / width;
    auto slot = static_cast<std::uint8_t>(start + (bar.colours - band % bar.colours) % bar.colours);
    for (int y = top; y < top + bar.rows; ++y) ring.slots[y * kWidth + x] = slot;
  }
  return ring;
}

}  // namespace logofit
