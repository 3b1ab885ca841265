// The logo maker: moves the chosen colours into the top palette slots,
// renumbers the pixels so the picture keeps its look, and writes the logo.
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

namespace cyclemake {

// The system animates at most this many top slots.
inline constexpr int kMaxAnimationColours = 16;

struct LogoRequest {
  const char* sourcePath = nullptr;
  const char* outputPath = nullptr;
  int colourCount = 0;
  // `AnimationSlots`: the palette indices to animate, in command-line order.
  std::array<std::uint8_t, kMaxAnimationColours> animationSlots{};

  std::span<const std::uint8_t> slots() const {
    return std::span(animationSlots).first(static_cast<std::size_t>(colourCount));
  }
};

enum class RequestError { kUsage, kColourCount, kPaletteIndex };

// Checks the command line in the order the messages are given: the argument
// count, the colour count (1 to 16, matching the indices given), then the
// indices (0 to 255, each named once).
logo::Result<LogoRequest, RequestError> readRequest(int argc, const char* const* argv);

// Places the chosen colours in slots 255, 254, ... by exchanging palette
// colours, and keeps `remap` as source index -> slot now holding that source
// colour, so that every pixel keeps its colour. Flag bytes stay in their
// slots. The slots must be distinct.
void placeAnimationSlots(logo::Palette& palette, logo::RemapTable& remap,
                         std::span<const std::uint8_t> slots);

// The logo file made of a source's bytes: its first 129078 bytes, any it
// lacks read as zero, with header byte 50 naming the first animated slot,
// the chosen colours placed in the top slots (placeAnimationSlots) and every
// pixel renumbered so that it keeps its colour. Bytes past 129078 are not
// copied. The slots must be distinct, as readRequest makes them.
std::vector<std::uint8_t> cycledLogo(std::span<const std::uint8_t> source,
                                     std::span<const std::uint8_t> slots);

// The warning that cyclemake gives on standard error, after its name, about
// a source that does not conform (logo::checkConformance), or "" for one
// that does. `source` holds the source's first bytes, `sourceSize` its whole
// size, negative when unknown (a pipe); `sourceName` is said in the text.
std::string notLogoWarning(std::string_view sourceName, std::span<const std::uint8_t> source,
                           long long sourceSize);

// Reads the source, writes the logo file. Prints nothing on standard output.
logo::Outcome makeLogo(const LogoRequest& request);

extern const std::array<std::string_view, 20> kUsageText;
// The English summary that `--help` prints.
extern const std::array<std::string_view, 7> kHelpText;

}  // namespace cyclemake
