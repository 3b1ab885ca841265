// The animated part of a logo: a bar, a layer someone drew, or light
// flowing through a part of the picture. Each is one ring of slots at the
// top of the palette and the pixels drawn in it; each is made in a file of
// its own (bar.cpp, layer.cpp, shimmer.cpp).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "logo_image/layout.h"
#include "logo_image/result.h"
#include "picture/input.h"
#include "picture/pictures.h"

namespace logofit {

using picture::ByteView;
using picture::IndexedPicture;
using picture::Input;
using picture::Limits;
using picture::PixelMask;
using picture::Placement;
using picture::RgbaPicture;
using picture::RgbPicture;
using picture::Size;

enum class BarDirection { kRight, kLeft };
enum class BarEdge { kBottom, kTop };

// A bar over the bottom or top rows whose gradient runs right or left.
struct BarOptions {
  int rows = 20;
  int colours = 16;
  std::vector<logo::PaletteEntry> gradient;  // 2 to 16 stops; empty: the default
  BarDirection direction = BarDirection::kRight;
  BarEdge edge = BarEdge::kBottom;
  int band = 0;  // logo pixels per colour; 0: barBandWidth(colours)
};

// The order a drawn layer's colours take in the ring, and so the way its
// light moves: as its palette lists them, clockwise around its centre,
// across to the right, down, or from dark to bright.
enum class LayerOrder { kPalette, kAngle, kX, kY, kLightness };

// Whether a shimmer's light moves away from the brighter parts of its area
// or toward them.
enum class LightDirection { kOut, kIn };

struct ShimmerSettings {
  int colours = 32;
  LightDirection direction = LightDirection::kOut;
};

// The animated part of a logo. The system shows in slot x the colour of
// slot start + ((x - start + f) mod n) at step f, n = 256 - start: every
// animated pixel runs through the ring's colours in order.
struct Ring {
  const char* kind = "";                    // as the summary names it
  std::vector<logo::PaletteEntry> colours;  // for slots 256 - size() .. 255
  std::vector<std::uint8_t> slots;          // a slot per pixel, 0 where the picture shows

  int start() const { return 256 - static_cast<int>(colours.size()); }
};

// The ring colour j of n sits at t = j * m / n along the m stops, between
// stop floor(t) and the next, the last stop leading back to the first.
std::vector<logo::PaletteEntry> cyclicGradient(const std::vector<logo::PaletteEntry>& stops,
                                               int colours);
std::vector<logo::PaletteEntry> defaultGradient();
// The columns of a bar's colour band when none is asked for: the gradient
// repeats about four times across the width.
int barBandWidth(int colours);
// Each step every colour of the bar moves one band on.
Ring barRing(const BarOptions& bar);
// A layer drawn over the picture: an animated logo (its pixels from the
// first animated slot on, in their slots), or a picture with transparent
// parts: its opaque pixels, in the entries of its palette or in their own
// colours, packed at the top in the order asked for (by default the
// palette's, or across for a picture without one).
logo::Result<Ring> readLayer(Input& input, const Limits& limits,
                             std::optional<LayerOrder> order = std::nullopt);
// The pixels a mask marks: its opaque pixels, or without transparency its
// pixels lighter than mid-grey.
logo::Result<PixelMask> readMask(Input& input, const Limits& limits);
// Light swelling and ebbing through the area: a ring from the area's
// darkest tone to its brightest and back, each tone the mean colour of the
// area's pixels of that lightness, each pixel in the slot of its own.
// The mask's pixels that show the picture (`picture` marks them: not the
// bars around it) shimmer; the rest stays still.
logo::Result<Ring> shimmerRing(const RgbPicture& screen, const PixelMask& mask,
                               const PixelMask& picture, const ShimmerSettings& settings);

// For the readers of layers and masks: whether a size is the logo's, and
// how a size is written in their reasons.
bool logoSized(int width, int height);
std::string sizeText(int width, int height);
// Weighted as the eye sees brightness, times 1000.
int brightness(const logo::PaletteEntry& colour);
// Whether any entry of a palette's opacities is below full.
bool anyTransparent(const std::vector<std::uint8_t>& opacity);

}  // namespace logofit
