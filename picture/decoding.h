// Decoding pictures from their bytes: the header first, so that a picture
// is refused before its pixels are read; then the pixels, whole, as a
// palette picture, scaled on the way (an area average folds each band of
// rows into a small working picture at once, so the memory needed depends
// on the output, not on the input's size), or row by row into a sink.
// Only the adapter files behind this header include a codec's header.
#pragma once

#include <cstdint>

#include "logo_image/result.h"
#include "picture/input.h"
#include "picture/pictures.h"

namespace picture {

enum class Format { kBmp, kPng, kGif, kJpeg, kTiff, kWebp, kPnm };

// What the header alone tells.
struct Probe {
  Format format = Format::kPng;
  int width = 0;  // as shown, after the orientation tag
  int height = 0;
  // As in EXIF: 1 as stored, 2 mirrored, 3 upside down, 4 flipped, 5 to 8
  // turned a quarter (with or without a mirror).
  int orientation = 1;
  // The pixels are indices into a palette, which decodePalette() gives.
  bool palette = false;
};

// Bytes that begin no known format are refused before more of them are
// read; so are sizes beyond the limits.
logo::Result<Probe> probe(Input& input, const Limits& limits = {});

// Where decoded pixels go. A decoder that can scale while it decodes
// delivers at least `wanted()`, then calls begin() with the size it
// delivers and puts every pixel of that size exactly once, in any order.
class Sink {
 public:
  virtual ~Sink() = default;
  virtual Size wanted() const = 0;
  virtual void begin(Size delivered) = 0;
  // `count` pixels at x0, x0 + step, ... of row y; `channels` bytes each:
  // grey, grey and alpha, red green blue, or red green blue alpha.
  virtual void put(int y, int x0, int step, int count, const std::uint8_t* pixels,
                   int channels) = 0;
};

// The stored picture's pixels into `sink`, before any orientation tag
// turns them.
logo::Status decodeInto(Input& input, Sink& sink, const Limits& limits = {});

// The shown part of the picture (the placement's crop, in the oriented
// picture's coordinates) scaled to the placement's size, transparent parts
// over the background colour.
logo::Result<RgbPicture> decodeScaled(Input& input, const Placement& placement,
                                      const Limits& limits = {},
                                      const logo::PaletteEntry& background = {});

// The picture at its own size with its alpha (255 where the format has
// none). For small pictures: the whole picture is held in memory.
logo::Result<RgbaPicture> decodeWhole(Input& input, const Limits& limits = {});

// A picture whose probe found a palette: its indices and palette exactly as
// stored, with the entries' opacities where the format has them.
logo::Result<IndexedPicture> decodePalette(Input& input, const Limits& limits = {});

}  // namespace picture
