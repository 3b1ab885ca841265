// Draws examples/sample.bmp: a sky and ground behind a grey disc ringed by
// twelve rainbow colours, the colours worth animating. The used colours are
// spread over the palette with unused entries between them, so that packing
// the palette has something to do.
//
//   draw_sample OUTPUT
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

#include "logo_image/atomic_output.h"
#include "logo_image/exit_status.h"
#include "logo_image/layout.h"
#include "logo_image/logo_file.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 400;
constexpr int kSkyShades = 48;
constexpr int kGroundShades = 24;
constexpr int kRingColours = 12;
constexpr int kDiscShades = 8;
constexpr int kHorizon = 300;
constexpr int kCentreX = 160;
constexpr int kCentreY = 170;
constexpr int kDiscRadius = 60;
constexpr int kRingRadius = 100;

// Colour number -> palette slot: every third slot is left unused.
int slotOf(int colour) {
  return colour + colour / 2;
}

constexpr int kFirstGround = kSkyShades;
constexpr int kFirstRing = kFirstGround + kGroundShades;
constexpr int kFirstDisc = kFirstRing + kRingColours;
constexpr int kColourCount = kFirstDisc + kDiscShades;

logo::PaletteEntry rgb(int red, int green, int blue) {
  return {static_cast<std::uint8_t>(blue), static_cast<std::uint8_t>(green),
          static_cast<std::uint8_t>(red), 0};
}

logo::PaletteEntry ringColour(int k) {
  static const logo::PaletteEntry kRainbow[kRingColours] = {
      rgb(255, 0, 0), rgb(255, 128, 0), rgb(255, 255, 0), rgb(128, 255, 0),
      rgb(0, 255, 0), rgb(0, 255, 128), rgb(0, 255, 255), rgb(0, 128, 255),
      rgb(0, 0, 255), rgb(128, 0, 255), rgb(255, 0, 255), rgb(255, 0, 128)};
  return kRainbow[k];
}

logo::PaletteEntry colourOf(int colour) {
  if (colour < kFirstGround) return rgb(20 + colour, 40 + 2 * colour, 120 + 2 * colour);
  if (colour < kFirstRing) return rgb(10, 90 + 4 * (colour - kFirstGround), 30);
  if (colour < kFirstDisc) return ringColour(colour - kFirstRing);
  return rgb(120 + 16 * (colour - kFirstDisc), 120 + 16 * (colour - kFirstDisc),
             120 + 16 * (colour - kFirstDisc));
}

logo::Palette drawPalette() {
  logo::Palette palette;
  // Unused entries hold a dull purple that no pixel shows.
  palette.fill(rgb(90, 0, 90));
  for (int colour = 0; colour < kColourCount; ++colour) palette[slotOf(colour)] = colourOf(colour);
  return palette;
}

// The colour number of the pixel at (x, y), y counted from the top.
int colourAt(int x, int y) {
  double dx = x - kCentreX;
  double dy = y - kCentreY;
  double radius = std::sqrt(dx * dx + dy * dy);
  if (radius < kDiscRadius)
    return kFirstDisc + static_cast<int>(radius) * kDiscShades / kDiscRadius;
  if (radius < kRingRadius) {
    double turn = (std::atan2(dy, dx) + std::numbers::pi) / (2 * std::numbers::pi);
    return kFirstRing + static_cast<int>(turn * kRingColours) % kRingColours;
  }
  if (y < kHorizon) return y * kSkyShades / kHorizon;
  return kFirstGround + (y - kHorizon) * kGroundShades / (kHeight - kHorizon);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: draw_sample OUTPUT\n", stderr);
    return logo::kExitUsage;
  }
  logo::AtomicOutput output(argv[1]);
  if (!output) {
    std::fprintf(stderr, "draw_sample: cannot create %s\n", argv[1]);
    return logo::kExitError;
  }
  std::vector<std::uint8_t> indices;
  indices.reserve(kWidth * kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      indices.push_back(static_cast<std::uint8_t>(slotOf(colourAt(x, y))));
    }
  }
  std::vector<std::uint8_t> bytes = logo::logoFileBytes(drawPalette(), indices);
  output.write(bytes.data(), bytes.size());
  if (output.commit() != logo::Outcome::kWritten) {
    std::fprintf(stderr, "draw_sample: cannot write %s\n", argv[1]);
    return logo::kExitError;
  }
  return logo::kExitOk;
}
