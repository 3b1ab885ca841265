// Colour reduction (libimagequant behind colour_reduction.cpp).
#pragma once

#include <optional>
#include <vector>

#include "logo_image/layout.h"
#include "logo_image/result.h"
#include "picture/pictures.h"

namespace picture {

struct Reduction {
  int colours = 256;
  bool dither = true;  // error diffusion
  // A colour that stays exactly one of the colours (the bars' colour).
  std::optional<logo::PaletteEntry> fixed;
};

// Reduces a picture to at most `reduction.colours` colours (libimagequant),
// chosen for the pixels `chosenFor` marks (every pixel when it is empty);
// every pixel is then mapped to them.
logo::Result<IndexedPicture> reduceColours(const RgbPicture& picture, const Reduction& reduction,
                                           const PixelMask& chosenFor = {});

}  // namespace picture
