// Scaling a decoded picture down to the size shown in two steps: an area average
// folds the rows into a working picture of two to four times the size
// needed while they are decoded, then a Lanczos filter takes the shown part
// of it to the exact size. No library: the same arithmetic on every
// machine, run after run.
#pragma once

#include <vector>

#include "logo_image/result.h"
#include "picture/decoding.h"
#include "picture/pictures.h"

namespace picture {

// Red, green and blue as floats, top row first: the area average of the
// decoded rows before the final scaling.
struct Working {
  int width = 0;
  int height = 0;
  std::vector<float> rgb;
};

// The size of the whole stored picture at which the shown part comes out
// twice as large as the placement asks, turned back to the stored axes.
Size wantedSize(const Placement& placement, int orientation);

// Sums the delivered pixels in boxes of a whole number of pixels each way,
// transparent parts over the background colour.
class AreaAverage final : public Sink {
 public:
  explicit AreaAverage(Size wanted, const logo::PaletteEntry& background = {})
      : wanted_(wanted), background_{background.red, background.green, background.blue} {}
  Size wanted() const override { return wanted_; }
  void begin(Size delivered) override;
  void put(int y, int x0, int step, int count, const std::uint8_t* pixels, int channels) override;
  // The averages, made in place of the sums; empty before begin().
  Working result() &&;

 private:
  Size wanted_;
  unsigned background_[3];
  Size delivered_;
  int boxWidth_ = 1;
  int boxHeight_ = 1;
  Size boxes_;
  // Exact as long as a box's sum stays below 2^24 (a box of 65793 pixels);
  // beyond, the rounding is far below a quantization step.
  std::vector<float> sums_;
};

// The working picture as the orientation tag shows it.
Working oriented(Working stored, int orientation);
RgbaPicture oriented(RgbaPicture stored, int orientation);

// The placement's crop of a picture of placement.sourceWidth x
// placement.sourceHeight, of which `picture` is a smaller copy, scaled to
// the placement's size.
RgbPicture lanczos(Working picture, const Placement& placement);

// A placement the scaling can follow: a crop inside the picture, a size
// within the sides allowed.
bool followable(const Placement& placement);

// A picture already in memory, cut and scaled as the placement says.
logo::Result<RgbPicture> scalePixels(const RgbPicture& source, const Placement& placement);
// The same for a palette picture, its colours looked up a row at a time.
logo::Result<RgbPicture> scalePixels(const IndexedPicture& source, const Placement& placement);

}  // namespace picture
