// Pictures of every kind logofit takes, encoded here by hand (the bitmap
// layouts) or by the format's own library: the tests' inputs and the
// fuzzer's seed corpus. Each keeps the picture it encodes, so a reader's
// result can be checked against it.
#pragma once

#include <array>
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

enum class Header { kCore = 12, kInfo = 40, kV3 = 56, kV4 = 108, kV5 = 124 };
enum class Compression { kNone = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

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

// A truecolour bitmap's pixels as stored, each already packed (by the
// masks, or 5-5-5 and 8-8-8 without them), top row first.
struct PackedPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

struct TruecolourLayout {
  int bits = 24;  // 16, 24 or 32
  Header header = Header::kInfo;
  Compression compression = Compression::kNone;  // or bit fields
  // Red, green, blue, alpha: after a 40-byte header (the first three, or
  // all four for alpha bit fields) or inside a larger one.
  std::array<std::uint32_t, 4> masks{};
  bool topDown = false;
};

Bytes encodeTruecolourBitmap(const PackedPicture& picture, const TruecolourLayout& layout);
// 24 bits a pixel, bottom row first.
Bytes encodeTruecolourBitmap(const RgbPicture& picture);

// With a tRNS chunk when the picture has opacities.
Bytes encodePng(const IndexedPicture& picture, int bitDepth, bool interlaced = false);

// The samples of a PNG without a palette: grey (one a pixel), grey and
// alpha (two), RGB (three) or RGBA (four), top row first.
struct PngSamples {
  int width = 0;
  int height = 0;
  int channels = 3;
  int bitDepth = 8;
  std::vector<std::uint16_t> samples;
  std::vector<std::uint16_t> transparent;  // a tRNS colour (grey or RGB), if any
};

Bytes encodePng(const PngSamples& picture, bool interlaced = false);

// PBM, PGM or PPM (kind 1 to 6, plain or raw): one sample a pixel (a
// bitmap's 1 is black) or three, each at most `maxval`, top row first.
struct NetpbmPicture {
  int kind = 6;
  int width = 0;
  int height = 0;
  int maxval = 255;
  std::vector<int> samples;
};

Bytes encodeNetpbm(const NetpbmPicture& picture);
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
