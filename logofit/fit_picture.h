// Making the logo of a picture: kept as it is, or brought to the screen and
// reduced in colours below an animation's ring.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "logo_image/layout.h"
#include "logo_image/result.h"
#include "logofit/placement.h"
#include "logofit/rings.h"
#include "picture/input.h"

namespace logofit {

struct FitOptions {
  Geometry geometry = Geometry::kFit;
  Gravity gravity = Gravity::kCenter;
  int colours = 256;
  bool dither = true;
  // The colour of --fit's bars and of the border the system draws around
  // the logo (entry 0).
  logo::PaletteEntry background{0, 0, 0, 0};
};

// What is drawn over the picture: nothing, a bar, a layer read from its
// file, or a shimmer over the area of a mask read from its file.
struct Shimmer {
  PixelMask mask;
  ShimmerSettings light;
};
using Overlay = std::variant<std::monostate, BarOptions, Ring, Shimmer>;

struct Fitted {
  bool kept = false;  // the input's own indices and palette
  int sourceWidth = 0;
  int sourceHeight = 0;
  int colours = 0;      // the picture's colours
  int ringColours = 0;  // the animated slots, from 256 - ringColours
  const char* ringKind = "";
  std::vector<std::uint8_t> logo;
};

// The picture brought to the screen (320x400) and where it lies on it.
struct Screen {
  RgbPicture picture;
  Placement placement;
};

// A picture decoded and brought to the screen as the geometry, gravity and
// background of the options say, before its colours are chosen: what a
// change of colours or of animation starts from again.
struct Prepared {
  std::optional<IndexedPicture> logoSized;  // a 320x400 palette picture, as stored
  Screen screen;
};

logo::Result<Prepared> preparePicture(Input& input, const FitOptions& options,
                                      const Limits& limits);
// Makes the logo: the kept path for a 320x400 palette picture without an
// overlay, else the screen reduced in colours below the overlay's ring.
logo::Result<Fitted> fitPrepared(const Prepared& prepared, const FitOptions& options,
                                 const Overlay& overlay);
// Both steps at once.
logo::Result<Fitted> fitPicture(Input& input, const FitOptions& options, const Overlay& overlay,
                                const Limits& limits);

// The bitmap file of a 320x400 picture with at most 256 entries: header,
// palette padded with zero entries, pixels bottom row first.
std::vector<std::uint8_t> logoBytes(const IndexedPicture& picture);

// The line that says what was done, e.g.
// "FIT 1600x1200 -> 320x400, 239 COLORS + BAR 16 COLORS (SLOTS 240-255)\n".
std::string summary(const Fitted& fitted, Geometry geometry);

// The colour of entry 0, which the system draws around the logo, when it
// is not `border`; empty otherwise.
std::string borderWarning(const Fitted& fitted, const logo::PaletteEntry& border);

}  // namespace logofit
