// The animated part of a logo: a bar, a layer someone drew, or light
// flowing through a part of the picture. Each is one ring of slots at the
// top of the palette and the pixels drawn in it; each is made in a file of
// its own (bar.cpp, layer.cpp, shimmer.cpp).
#pragma once

#include <cstdint>
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

// A bar over the bottom rows whose gradient runs to the right.
struct BarOptions {
  int rows = 20;
  int colours = 16;
  std::vector<logo::PaletteEntry> gradient;  // 2 to 16 stops; empty: the default
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
// Columns of a bar: each band moves one band to the right per step.
int barBandWidth(int colours);
Ring barRing(const BarOptions& bar);
// A layer drawn over the picture: an animated logo (its pixels from the
// first animated slot on) or a palette picture with transparent entries
// (its opaque pixels, their entries packed at the top in palette order).
logo::Result<Ring> readLayer(Input& input, const Limits& limits);
// The pixels a mask marks: its opaque pixels, or without transparency its
// pixels lighter than mid-grey.
logo::Result<PixelMask> readMask(Input& input, const Limits& limits);
// The picture's pixels in the area reduced to at most `colours` colours,
// the ring running from the darkest to the brightest.
logo::Result<Ring> shimmerRing(const RgbPicture& screen, const PixelMask& area, int colours);

// For the readers of layers and masks: whether a size is the logo's, and
// how a size is written in their reasons.
bool logoSized(int width, int height);
std::string sizeText(int width, int height);
// Weighted as the eye sees brightness, times 1000.
int brightness(const logo::PaletteEntry& colour);
// Whether any entry of a palette's opacities is below full.
bool anyTransparent(const std::vector<std::uint8_t>& opacity);

}  // namespace logofit
