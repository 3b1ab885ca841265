// The animation previewer: turns a logo file into an animated GIF that plays
// the colour cycling the system performs while it starts.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "logo_image/layout.h"
#include "logo_image/outcome.h"
#include "logo_image/result.h"

namespace cycleview {

inline constexpr int kDefaultDelayMs = 100;
// Browsers slow down frames shorter than 20 ms, so they are refused.
inline constexpr int kMinDelayMs = 20;
inline constexpr int kMaxDelayMs = 10000;

// The 320x400 picture on a 4:3 display: pixels twice as wide, rows stretched.
inline constexpr int kViewWidth = 640;
inline constexpr int kViewHeight = 480;

struct ViewRequest {
  const char* logoPath = nullptr;
  const char* outputPath = nullptr;
  int delayMs = kDefaultDelayMs;
  bool reverse = false;
  bool raw = false;
  bool help = false;  // --help: nothing else counts
};

struct CommandLineError {
  enum class Kind { kUsage, kDelayRange } kind;
  std::string reason;  // what is wrong, for standard error
};

// Reads `[--delay MS] [--reverse] [--raw] LOGO OUTPUT` (options anywhere,
// "--" ends them) or `--help`. A delay that is not a whole decimal number is
// a wrong command line; a number outside 20..10000 is kDelayRange.
logo::Result<ViewRequest, CommandLineError> readRequest(int argc, const char* const* argv);

// The logo as read: the header, the palette and the 500 chunks of pixels in
// file order.
struct Logo {
  logo::LogoHeader header{};
  logo::Palette palette{};
  std::vector<std::uint8_t> pixels =
      std::vector<std::uint8_t>(logo::kChunkSize * logo::kChunkCount);
};

// The logo that a file's first 129078 bytes hold; any it lacks read as zero.
Logo logoOf(std::span<const std::uint8_t> bytes);

// The palette shown at `step` of the cycle: each slot from `firstSlot` up
// takes the colour stored `step` slots above it, wrapping from 255 back to
// `firstSlot`. A negative step turns the other way. Slots below stay.
logo::Palette rotatedPalette(const logo::Palette& palette, int firstSlot, int step);

struct View {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> indices;  // top row first
};

// The logo's pixels, top row first: one for one when `raw`, else at 640x480,
// where view pixel (X, Y) shows logo pixel (X / 2, Y * 400 / 480).
View viewOf(const Logo& logo, bool raw);

struct Rectangle {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// The palette index that later frames leave transparent: below every
// animated slot, since the first animated slot is at least 1.
inline constexpr std::uint8_t kStillIndex = 0;

// Everything the GIF holds. Frame 0 shows `firstFrame` in `palette`; each
// later frame covers `changingArea` with `laterFrame` in its own rotated
// palette, its still pixels transparent so that frame 0 shows through.
// Since only the colour tables differ, every later frame has the same
// indices.
struct Animation {
  int width = 0;
  int height = 0;
  int delayCentiseconds = 0;
  logo::Palette palette{};
  std::vector<std::uint8_t> firstFrame;
  Rectangle changingArea;
  std::vector<std::uint8_t> laterFrame;
  std::vector<logo::Palette> laterPalettes;  // steps 1 .. n - 1
};

// GIF delays are in hundredths of a second: rounds to the nearest.
int centisecondsOf(int delayMs);

// Plans the n frames of a logo whose first animated slot (header byte 50)
// is 1 or more, or the one frame of a still picture (byte 50 is 0).
Animation planAnimation(const Logo& logo, const ViewRequest& request);

// The bytes of the animation as a GIF that loops for ever, or why the
// encoder failed.
logo::Result<std::vector<std::uint8_t>> encodeGif(const Animation& animation);

// The GIF that cycleview writes for a logo file's bytes (logoOf) with the
// request's delay, direction and size; its paths are not used. Fails, with
// the reason, for a delay outside 20..10000 ms or when the encoder fails.
logo::Result<std::vector<std::uint8_t>> gifOf(std::span<const std::uint8_t> logoBytes,
                                              const ViewRequest& request);

// Reads the logo, warns on standard error if it does not conform or has no
// animated slots, and writes its GIF (gifOf). Prints nothing on standard
// output.
logo::Outcome makeView(const ViewRequest& request);

extern const std::array<std::string_view, 16> kUsageText;

}  // namespace cycleview
