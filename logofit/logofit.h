// The picture fitter: any picture in, a bitmap in the exact layout the
// suite reads out (320x400, 8 bits, 256 palette entries, pixels at 1078),
// optionally with an animated layer in the slots the system cycles.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "logo_image/files.h"
#include "logo_image/outcome.h"
#include "logo_image/result.h"
#include "picture/decoding.h"
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

enum class Geometry { kFit, kFill, kStretch };
// The side a picture keeps to: what --fill keeps, where --fit places it.
enum class Gravity { kCenter, kTop, kBottom, kLeft, kRight };

struct FitOptions {
  Geometry geometry = Geometry::kFit;
  Gravity gravity = Gravity::kCenter;
  int colours = 256;
  bool dither = true;
  // The colour of --fit's bars and of the border the system draws around
  // the logo (entry 0).
  logo::PaletteEntry background{0, 0, 0, 0};
};

// A bar over the bottom rows whose gradient runs to the right.
struct BarOptions {
  int rows = 20;
  int colours = 16;
  std::vector<logo::PaletteEntry> gradient;  // 2 to 16 stops; empty: the default
};

// Light flowing through the part of the picture a mask marks.
struct ShimmerOptions {
  const char* maskPath = nullptr;
  int colours = 16;
};

struct LayerOptions {
  const char* path = nullptr;
};

using AnimationOptions = std::variant<std::monostate, BarOptions, LayerOptions, ShimmerOptions>;

struct Request {
  const char* inputPath = nullptr;
  const char* outputPath = nullptr;
  FitOptions options;
  AnimationOptions animation;
  bool help = false;
};

// --fit, --fill, --stretch (one of them), --gravity, --background,
// --colors N (2 to 256), --no-dither and one of --bar, --layer and
// --shimmer with their settings,
// in any order around exactly two file names. The reason names what is
// wrong with the command line.
logo::Result<Request> readRequest(int argc, const char* const* argv);

// Where a picture of the given size lands on the screen. A logo pixel is
// shown 5/3 as wide as it is tall (320x400 filling a 4:3 display), so a
// picture keeps its proportions when its shown width to height is 4:3.
Placement place(int width, int height, Geometry geometry, Gravity gravity = Gravity::kCenter);

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

// What is drawn over the picture: nothing, a bar, a layer read from its
// file, or a shimmer over the area of a mask read from its file.
struct Shimmer {
  PixelMask area;
  int colours = 16;
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

// Decodes the bytes and makes the logo: the kept path for a 320x400 palette
// picture without an overlay, else the picture brought to the screen as
// `options` says, reduced in colours below the overlay's ring.
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

// A file logofit cannot make a logo of, and why.
struct Malformed {
  const char* path = nullptr;
  std::string why;
};
// How a run ends before its output is written.
using Refusal = std::variant<logo::Outcome, Malformed>;

struct Job {
  logo::File source;
  Fitted fitted;
};

// Opens and reads the input (and a layer's or mask's file) whole and fits
// it. Prints nothing.
logo::Result<Job, Refusal> readAndFit(const Request& request);
// Writes the fitted logo through the suite's atomic output.
logo::Outcome writeLogo(const Request& request, const Job& job);

extern const std::array<std::string_view, 36> kUsageText;

}  // namespace logofit
