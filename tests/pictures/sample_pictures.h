// Pictures of every kind logofit takes, encoded here by hand (the bitmap
// layouts) or by the format's own library: the tests' inputs and the
// fuzzer's seed corpus. Each keeps the picture it encodes, so a reader's
// result can be checked against it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "picture/pictures.h"

namespace picture::samples {

using Bytes = std::vector<std::uint8_t>;

// Indices with long runs, short runs, literal stretches, zero gaps inside
// rows, zero row ends and whole zero rows, so that run-length encoding uses
// every escape. Uses every entry of a palette of `entries` colours.
IndexedPicture patternPicture(int width, int height, int entries);

enum class Header { kCore = 12, kInfo = 40, kV4 = 108, kV5 = 124 };
enum class Compression { kNone = 0, kRle8 = 1, kRle4 = 2 };

struct BitmapLayout {
  int bits = 8;
  Header header = Header::kInfo;
  Compression compression = Compression::kNone;
  bool topDown = false;
  bool countInHeader = true;  // else the colour count field is 0
};

Bytes encodeBitmap(const IndexedPicture& picture, const BitmapLayout& layout);
// The run-length pixel data alone, bottom row first.
Bytes encodeRunLengths(const IndexedPicture& picture, int bits);
Bytes encodeTruecolourBitmap(const RgbPicture& picture);
// With a tRNS chunk when the picture has opacities.
Bytes encodePng(const IndexedPicture& picture, int bitDepth);
// `picture` as the first frame, its first entry of opacity 0 as the
// transparent index; a second frame follows.
Bytes encodeGif(const IndexedPicture& picture);
// "JPEG", "PJPEG" (progressive), "TIFF" or "PNG" (always 24-bit), through the image library,
// with an orientation tag where the format has one (1 to 8, as in EXIF).
Bytes encodeTruecolour(const RgbPicture& picture, const char* format, int orientation = 1);

// Smooth gradients, noise and hard edges.
RgbPicture photoLike(int width, int height);
// Flat shapes in a few colours.
RgbPicture drawing(int width, int height);

struct Sample {
  std::string name;
  Bytes bytes;
  bool kept = false;
  IndexedPicture indexed;  // the picture a kept sample holds
};

// One input of every kind: the kept layouts at 320x400, then pictures
// that are fitted.
std::vector<Sample> everyKind();

}  // namespace picture::samples
