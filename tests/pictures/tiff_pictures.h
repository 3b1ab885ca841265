// TIFF pictures written through libtiff in the layouts the decoder must
// read: strips or tiles, samples side by side or in planes, 1 to 16 bits,
// grey, RGB, a palette or CMYK, with or without alpha.
#pragma once

#include <functional>

#include "tests/pictures/sample_pictures.h"

namespace picture::samples {

// The samples as stored, `channels` of them a pixel, each at the layout's
// bit depth; made on demand, so that a large picture is never held whole.
struct TiffPicture {
  int width = 0;
  int height = 0;
  int channels = 0;
  std::function<std::uint16_t(int x, int y, int channel)> sample;
};

// The tags' own numbers, so that a row of a test reads as the file does.
struct TiffLayout {
  int photometric = 2;  // 0 white is zero, 1 black is zero, 2 RGB, 3 palette, 5 CMYK
  int bits = 8;
  int extraSample = 0;   // the last channel: 0 none, 1 associated alpha, 2 unassociated alpha
  bool planar = false;   // each channel in planes of its own
  int rowsPerStrip = 0;  // 0: the whole picture in one strip
  int tileSide = 0;      // tiles of this side (a multiple of 16) instead of strips
  int compression = 1;   // 1 none, 5 LZW, 8 deflate
  int orientation = 1;
  // A palette's 2^bits reds, then its greens, then its blues, 16 bits each.
  std::vector<std::uint16_t> colourMap = {};
};

Bytes encodeTiff(const TiffPicture& picture, const TiffLayout& layout);

}  // namespace picture::samples
