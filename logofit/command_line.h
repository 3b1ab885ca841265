// logofit's command line: its options in one table, and its usage text.
#pragma once

#include <array>
#include <optional>
#include <string_view>
#include <variant>

#include "logo_image/result.h"
#include "logofit/fit_picture.h"
#include "logofit/rings.h"

namespace logofit {

// Light flowing through the part of the picture a mask marks.
struct ShimmerOptions {
  const char* maskPath = nullptr;
  ShimmerSettings light;
};

struct LayerOptions {
  const char* path = nullptr;
  std::optional<LayerOrder> order;  // none given: the layer's own
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
// --shimmer with their settings, in any order around exactly two file
// names. The reason names what is wrong with the command line.
logo::Result<Request> readRequest(int argc, const char* const* argv);

extern const std::array<std::string_view, 48> kUsageText;

}  // namespace logofit
