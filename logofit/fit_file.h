// The files around the fit: the input, and a layer's or mask's file, read
// as their decoders need them.
#pragma once

#include <cstdio>
#include <string>
#include <variant>

#include "logo_image/files.h"
#include "logo_image/outcome.h"
#include "logo_image/result.h"
#include "logofit/command_line.h"
#include "logofit/fit_picture.h"

namespace logofit {

// A file logofit cannot make a logo of, and why.
struct Malformed {
  const char* path = nullptr;
  std::string why;
};
// A layer's or a mask's file that cannot be opened, and why.
struct Unopened {
  const char* path = nullptr;
  std::string why;
};
// How a run ends before its output is written.
using Refusal = std::variant<logo::Outcome, Malformed, Unopened>;

// The overlay the animation asks for: a bar as it is, or a layer or a
// shimmer's mask read from `input` (its file, read before the picture so
// that a wrong one is told before the long work on the picture).
logo::Result<Overlay> overlayOf(const AnimationOptions& animation, Input& input);
// Opens the input, which must not be the output.
logo::Result<logo::File, Refusal> openPicture(const Request& request);
// Reads the layer's or the mask's file, then the picture from `input`, and
// fits it. Prints nothing.
logo::Result<Fitted, Refusal> fitFile(const Request& request, std::FILE* input);

}  // namespace logofit
