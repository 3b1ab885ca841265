// Between decoding.cpp and the adapter files, one a library: each adapter
// reads its format's header and hands the pixels over row by row to a
// target that keeps what it needs of them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "logofit/decoding.h"

namespace logofit {

// A picture as its file stores it, before the orientation tag turns it.
struct Stored {
  Size size;
  // As in EXIF: 1 as stored, 2 mirrored, 3 upside down, 4 flipped, 5 to 8
  // turned a quarter (with or without a mirror).
  int orientation = 1;
  bool indexed = false;
};

// Where the decoded pixels go. A decoder that can scale while it decodes
// delivers at least `wanted()`, then calls begin() with the size it
// delivers and puts every pixel of that size exactly once, in any order.
class Target {
 public:
  virtual ~Target() = default;
  virtual Size wanted() const = 0;
  virtual void begin(Size delivered) = 0;
  // `count` pixels at x0, x0 + step, ... of row y; `channels` bytes each:
  // grey, grey and alpha, red green blue, or red green blue alpha.
  virtual void put(int y, int x0, int step, int count, const std::uint8_t* pixels,
                   int channels) = 0;
};

// Indices to colours on their way to another target, every index checked
// against the palette: libraries would show one past it as black, where
// the suite's own readers refuse the picture.
class PaletteLookup final : public Target {
 public:
  PaletteLookup(const std::vector<logo::PaletteEntry>& palette, Target& target);
  Size wanted() const override { return target_.wanted(); }
  void begin(Size delivered) override;
  // One index a pixel; `channels` is 1.
  void put(int y, int x0, int step, int count, const std::uint8_t* indices, int channels) override;
  // Empty when every index was in the palette.
  std::string problem() const;

 private:
  Target& target_;
  std::size_t entries_;
  std::array<std::uint8_t, 256 * 3> colours_{};
  int highest_ = 0;
  std::vector<std::uint8_t> rgb_;
};

// Red, green and blue as floats, top row first: the area average of the
// decoded rows before the final scaling.
struct Working {
  int width = 0;
  int height = 0;
  std::vector<float> rgb;
};

// Each reads the header from the input's current position, which is its
// start.
logo::Result<Stored> probeJpeg(Input& input);
logo::Result<Stored> probePng(Input& input);
logo::Result<Stored> probeWebp(Input& input);
logo::Result<Stored> probeTiff(Input& input);
logo::Result<Stored> probePnm(Input& input);
logo::Result<Stored> probeBitmap(Input& input);
logo::Result<Stored> probeGif(Input& input);

// Each decodes the picture from the input's start into `target`.
logo::Result<bool> decodeJpeg(Input& input, Target& target);
logo::Result<bool> decodePng(Input& input, Target& target);
logo::Result<bool> decodeWebp(Input& input, Target& target);
logo::Result<bool> decodeTiff(Input& input, Target& target);
logo::Result<bool> decodePnm(Input& input, Target& target);
logo::Result<bool> decodeBitmap(Input& input, Target& target);
logo::Result<bool> decodeGif(Input& input, Target& target);

// The orientation an EXIF block (from its "II" or "MM") says, 1 if none.
int exifOrientation(ByteView exif);

}  // namespace logofit
