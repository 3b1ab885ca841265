// WebP pictures written through libwebp: still, lossy or lossless, and
// animations whose frames sit where the test puts them on the canvas.
#pragma once

#include "tests/pictures/sample_pictures.h"

namespace picture::samples {

// With alpha when any pixel is less than opaque; lossy at quality 90.
Bytes encodeWebp(const RgbaPicture& picture, bool lossless);

struct WebpFrame {
  RgbaPicture picture;
  int left = 0;  // even, as the format stores half the offset
  int top = 0;
  bool lossless = true;
};

// Two frames or more: libwebp's muxer writes a single frame that fills the
// canvas as a still picture.
Bytes encodeAnimatedWebp(Size canvas, const std::vector<WebpFrame>& frames);

}  // namespace picture::samples
