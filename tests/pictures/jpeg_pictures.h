// JPEG pictures written through libjpeg, each layout the decoder must read:
// grey or colour, CMYK, progressive, with an EXIF orientation.
#pragma once

#include "tests/pictures/sample_pictures.h"

namespace picture::samples {

struct JpegLayout {
  int quality = 90;
  bool grey = false;  // one channel: the picture's red bytes
  bool progressive = false;
  // 1 to 8 as in EXIF, in an APP1 block after an XMP one; 0 for no EXIF.
  int orientation = 0;
  bool bigEndianExif = false;
};

Bytes encodeJpeg(const RgbPicture& picture, const JpegLayout& layout);

// Four bytes a pixel, cyan magenta yellow black, stored as Adobe's
// programs store them: inverted, 255 for no ink.
struct InvertedCmyk {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> cmyk;
};

// At quality 100 without subsampling: a flat block of 8x8 comes back exact.
Bytes encodeCmykJpeg(const InvertedCmyk& picture);

}  // namespace picture::samples
