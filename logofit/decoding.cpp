// Which decoder reads an input, and the two ways its rows are kept: folded
// into the working picture at once, or whole for a small picture.
#include "logofit/decoding.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "logofit/palette_readers.h"
#include "logofit/scaling.h"

namespace logofit {
namespace {

// Only raster formats known by their first bytes.
logo::Result<Format> formatOf(Input& input) {
  std::uint8_t head[12] = {};
  if (!input.seek(0)) return logo::Failure{"the input cannot be read again"};
  std::size_t size = input.read(head, sizeof head);
  input.seek(0);
  auto startsWith = [&](const char* magic, std::size_t length, std::size_t at = 0) {
    return size >= at + length && std::memcmp(head + at, magic, length) == 0;
  };
  if (startsWith("\xFF\xD8\xFF", 3)) return Format::kJpeg;
  if (startsWith("\x89PNG\r\n\x1A\n", 8)) return Format::kPng;
  if (startsWith("GIF8", 4)) return Format::kGif;
  if (startsWith("BM", 2)) return Format::kBmp;
  if (startsWith("II*\0", 4) || startsWith("MM\0*", 4)) return Format::kTiff;
  if (startsWith("RIFF", 4) && startsWith("WEBP", 4, 8)) return Format::kWebp;
  if (size >= 2 && head[0] == 'P' && head[1] >= '1' && head[1] <= '6') return Format::kPnm;
  return logo::Failure{"not a picture format logofit reads"};
}

// The adapter that reads each format.
struct Codec {
  logo::Result<Stored> (*probe)(Input&);
  logo::Result<bool> (*decode)(Input&, Target&);
};

Codec codecOf(Format format) {
  switch (format) {
    case Format::kJpeg:
      return {probeJpeg, decodeJpeg};
    case Format::kPng:
      return {probePng, decodePng};
    case Format::kWebp:
      return {probeWebp, decodeWebp};
    case Format::kTiff:
      return {probeTiff, decodeTiff};
    case Format::kPnm:
      return {probePnm, decodePnm};
    case Format::kBmp:
      return {probeBitmap, decodeBitmap};
    case Format::kGif:
      break;
  }
  return {probeGif, decodeGif};
}

// The suite's own readers, on the input read whole.
logo::Result<IndexedPicture> readIndexedInput(Input& input, const Limits& limits) {
  logo::Result<ByteView> bytes = input.whole();
  if (!bytes) return logo::Failure{bytes.reason()};
  Reading reading = readIndexed(*bytes, limits);
  if (!reading) return logo::Failure{reading.reason()};
  if (!reading.value()) return logo::Failure{"not a picture format logofit reads"};
  return *reading.value();
}

void putIndexed(const IndexedPicture& picture, Target& target) {
  PaletteLookup lookup(picture.palette, target);
  lookup.begin({picture.width, picture.height});
  for (int y = 0; y < picture.height; ++y) {
    lookup.put(y, 0, 1, picture.width, picture.indices.data() + std::size_t(y) * picture.width, 1);
  }
}

logo::Result<bool> decodeIndexed(Input& input, const Limits& limits, Target& target) {
  logo::Result<IndexedPicture> picture = readIndexedInput(input, limits);
  if (!picture) return logo::Failure{picture.reason()};
  putIndexed(*picture, target);
  return true;
}

logo::Result<bool> decodeInto(Input& input, Format format, bool indexed, const Limits& limits,
                              Target& target) {
  if (!input.seek(0)) return logo::Failure{"the input cannot be read again"};
  if (indexed) return decodeIndexed(input, limits, target);
  return codecOf(format).decode(input, target);
}

bool withinSides(Size size) {
  return size.width <= kMaxSide && size.height <= kMaxSide;
}

std::string tooLong(Size size) {
  return "picture too large: " + std::to_string(size.width) + "x" + std::to_string(size.height) +
         " (at most 65535 pixels a side)";
}

// A placement the scaling can follow: a crop inside the picture, a size
// on the screen.
bool sensible(const Placement& p) {
  return p.sourceWidth > 0 && p.sourceHeight > 0 && p.cropWidth > 0 && p.cropHeight > 0 &&
         p.cropX >= 0 && p.cropY >= 0 && p.cropX + p.cropWidth <= p.sourceWidth &&
         p.cropY + p.cropHeight <= p.sourceHeight && p.scaledWidth > 0 && p.scaledHeight > 0 &&
         p.scaledWidth <= kMaxSide && p.scaledHeight <= kMaxSide;
}

struct Probed {
  Format format;
  Stored stored;
};

logo::Result<Probed> probeChecked(Input& input, const Limits& limits) {
  if (input.tooLarge()) return logo::Failure{"file larger than 1 GiB"};
  logo::Result<Format> format = formatOf(input);
  if (!format) return logo::Failure{format.reason()};
  logo::Result<Stored> stored = codecOf(*format).probe(input);
  if (!stored) return logo::Failure{stored.reason()};
  if (stored->indexed) return Probed{*format, *stored};
  Size size = stored->size;
  if (std::string problem = sizeProblem(size.width, size.height, limits); !problem.empty()) {
    return logo::Failure{problem};
  }
  if (!withinSides(size)) return logo::Failure{tooLong(size)};
  return Probed{*format, *stored};
}

// The whole picture, red green blue alpha.
class WholePicture final : public Target {
 public:
  Size wanted() const override { return {kMaxSide, kMaxSide}; }
  void begin(Size delivered) override {
    picture_ = {delivered.width, delivered.height,
                std::vector<std::uint8_t>(std::size_t(delivered.width) * delivered.height * 4)};
  }
  void put(int y, int x0, int step, int count, const std::uint8_t* pixels, int channels) override {
    if (y < 0 || y >= picture_.height || x0 < 0 || step < 1) return;
    std::uint8_t* row = picture_.rgba.data() + std::size_t(y) * picture_.width * 4;
    for (int i = 0, x = x0; i < count && x < picture_.width; ++i, x += step) {
      const std::uint8_t* p = pixels + i * channels;
      std::uint8_t* out = row + 4 * x;
      bool grey = channels < 3;
      out[0] = p[0];
      out[1] = grey ? p[0] : p[1];
      out[2] = grey ? p[0] : p[2];
      out[3] = channels == 2 ? p[1] : channels == 4 ? p[3] : 255;
    }
  }
  RgbaPicture take() { return std::move(picture_); }

 private:
  RgbaPicture picture_;
};

}  // namespace

logo::Result<PictureSize> probe(Input& input, const Limits& limits) {
  logo::Result<Probed> probed = probeChecked(input, limits);
  if (!probed) return logo::Failure{probed.reason()};
  Size size = probed->stored.size;
  if (probed->stored.orientation >= 5) std::swap(size.width, size.height);
  return PictureSize{probed->format, size.width, size.height, probed->stored.indexed};
}

logo::Result<RgbPicture> decodeScaled(Input& input, const Placement& placement,
                                      const Limits& limits) {
  if (!sensible(placement)) return logo::Failure{"no pixels to show"};
  try {
    logo::Result<Probed> probed = probeChecked(input, limits);
    if (!probed) return logo::Failure{probed.reason()};
    int orientation = probed->stored.orientation;
    AreaAverage average(wantedSize(placement, orientation));
    logo::Result<bool> decoded =
        decodeInto(input, probed->format, probed->stored.indexed, limits, average);
    if (!decoded) return logo::Failure{decoded.reason()};
    return lanczos(oriented(std::move(average).result(), orientation), placement);
  } catch (const std::bad_alloc&) {
    return logo::Failure{"out of memory"};
  }
}

logo::Result<RgbaPicture> decodeWhole(Input& input, const Limits& limits) {
  try {
    logo::Result<Probed> probed = probeChecked(input, limits);
    if (!probed) return logo::Failure{probed.reason()};
    WholePicture whole;
    logo::Result<bool> decoded =
        decodeInto(input, probed->format, probed->stored.indexed, limits, whole);
    if (!decoded) return logo::Failure{decoded.reason()};
    return oriented(whole.take(), probed->stored.orientation);
  } catch (const std::bad_alloc&) {
    return logo::Failure{"out of memory"};
  }
}

namespace {

// Empty when a picture of that size holding `values` bytes, `perPixel` a
// pixel, can be scaled as the placement says.
std::string scalingProblem(int width, int height, std::size_t values, std::size_t perPixel,
                           const Placement& placement) {
  if (!withinSides({width, height})) return tooLong({width, height});
  if (!sensible(placement) || placement.sourceWidth != width || placement.sourceHeight != height ||
      values != std::size_t(width) * height * perPixel) {
    return "no pixels to show";
  }
  return {};
}

}  // namespace

logo::Result<RgbPicture> scalePixels(const IndexedPicture& source, const Placement& placement) {
  std::string problem =
      scalingProblem(source.width, source.height, source.indices.size(), 1, placement);
  if (!problem.empty()) return logo::Failure{problem};
  try {
    AreaAverage average(wantedSize(placement, 1));
    putIndexed(source, average);
    return lanczos(std::move(average).result(), placement);
  } catch (const std::bad_alloc&) {
    return logo::Failure{"out of memory"};
  }
}

logo::Result<RgbPicture> scalePixels(const RgbPicture& source, const Placement& placement) {
  std::string problem =
      scalingProblem(source.width, source.height, source.rgb.size(), 3, placement);
  if (!problem.empty()) return logo::Failure{problem};
  try {
    AreaAverage average(wantedSize(placement, 1));
    average.begin({source.width, source.height});
    for (int y = 0; y < source.height; ++y) {
      average.put(y, 0, 1, source.width, source.rgb.data() + std::size_t(y) * source.width * 3, 3);
    }
    return lanczos(std::move(average).result(), placement);
  } catch (const std::bad_alloc&) {
    return logo::Failure{"out of memory"};
  }
}

PaletteLookup::PaletteLookup(const std::vector<logo::PaletteEntry>& palette, Target& target)
    : target_(target), entries_(palette.size()) {
  for (std::size_t i = 0; i < std::min<std::size_t>(palette.size(), 256); ++i) {
    colours_[3 * i] = palette[i].red;
    colours_[3 * i + 1] = palette[i].green;
    colours_[3 * i + 2] = palette[i].blue;
  }
}

void PaletteLookup::begin(Size delivered) {
  target_.begin(delivered);
  rgb_.resize(std::size_t(delivered.width) * 3);
}

void PaletteLookup::put(int y, int x0, int step, int count, const std::uint8_t* indices, int) {
  count = std::min<int>(count, static_cast<int>(rgb_.size() / 3));
  for (int i = 0; i < count; ++i) {
    highest_ = std::max<int>(highest_, indices[i]);
    std::copy_n(colours_.begin() + 3 * indices[i], 3, rgb_.begin() + 3 * i);
  }
  target_.put(y, x0, step, count, rgb_.data(), 3);
}

std::string PaletteLookup::problem() const {
  return std::size_t(highest_) < entries_ ? "" : beyondThePalette(highest_, entries_);
}

}  // namespace logofit
