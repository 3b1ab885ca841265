// The area average while decoding and the final Lanczos filter.
#include "picture/resampling.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "picture/formats/format.h"

namespace picture {
namespace {

// A box's row of at most 4096 pixels of 255 fits its sum in 32 bits.
constexpr int kMostBox = 4096;

int divideUp(long long value, long long by) {
  return static_cast<int>((value + by - 1) / by);
}

// Straight red, green, blue of one pixel, over the background where it is
// transparent.
template <int kChannels>
void rgbOf(const std::uint8_t* p, const unsigned background[3], std::uint32_t rgb[3]) {
  auto flat = [](unsigned value, unsigned alpha, unsigned behind) {
    return (value * alpha + behind * (255 - alpha) + 127) / 255;
  };
  if constexpr (kChannels == 1) {
    rgb[0] = rgb[1] = rgb[2] = p[0];
  } else if constexpr (kChannels == 2) {
    for (int c = 0; c < 3; ++c) rgb[c] = flat(p[0], p[1], background[c]);
  } else if constexpr (kChannels == 3) {
    rgb[0] = p[0], rgb[1] = p[1], rgb[2] = p[2];
  } else {
    for (int c = 0; c < 3; ++c) rgb[c] = flat(p[c], p[3], background[c]);
  }
}

template <int kChannels>
void addRow(float* sums, int boxWidth, int x0, int step, int count, const std::uint8_t* pixels,
            const unsigned background[3]) {
  std::uint32_t rgb[3];
  if (step == 1) {
    // Box by box: the common case, and the one worth the speed.
    int x = x0;
    int end = x0 + count;
    while (x < end) {
      int box = x / boxWidth;
      int last = std::min(end, (box + 1) * boxWidth);
      std::uint32_t r = 0, g = 0, b = 0;
      for (; x < last; ++x, pixels += kChannels) {
        rgbOf<kChannels>(pixels, background, rgb);
        r += rgb[0], g += rgb[1], b += rgb[2];
      }
      sums[3 * box] += static_cast<float>(r);
      sums[3 * box + 1] += static_cast<float>(g);
      sums[3 * box + 2] += static_cast<float>(b);
    }
    return;
  }
  for (int i = 0; i < count; ++i, pixels += kChannels) {
    rgbOf<kChannels>(pixels, background, rgb);
    float* sum = sums + 3 * ((x0 + i * step) / boxWidth);
    sum[0] += static_cast<float>(rgb[0]);
    sum[1] += static_cast<float>(rgb[1]);
    sum[2] += static_cast<float>(rgb[2]);
  }
}

// Lanczos with three lobes.
double lanczos3(double x) {
  if (x == 0) return 1;
  if (x <= -3 || x >= 3) return 0;
  constexpr double kPi = 3.14159265358979323846;
  double a = kPi * x;
  return 3 * std::sin(a) * std::sin(a / 3) / (a * a);
}

// For every output pixel, the first source pixel it takes and the weights.
struct Taps {
  std::vector<int> first;
  std::vector<int> count;
  std::vector<std::vector<float>> weights;
};

// Output pixels 0..size-1 cover source coordinates [from, to); source
// pixels outside [low, high) are not taken.
Taps tapsFor(double from, double to, int size, int low, int high) {
  Taps taps;
  double scale = (to - from) / size;
  double stretch = std::max(scale, 1.0);
  double support = 3 * stretch;
  for (int i = 0; i < size; ++i) {
    double centre = from + (i + 0.5) * scale;
    int first = std::max(low, static_cast<int>(std::floor(centre - support)));
    int last = std::min(high - 1, static_cast<int>(std::ceil(centre + support)));
    std::vector<double> weights;
    double total = 0;
    for (int j = first; j <= last; ++j) {
      double w = lanczos3((j + 0.5 - centre) / stretch);
      weights.push_back(w);
      total += w;
    }
    if (total == 0) {  // no source pixel near: the nearest one
      first = std::clamp(static_cast<int>(centre), low, high - 1);
      weights.assign(1, 1);
      total = 1;
    }
    std::vector<float> normalised;
    for (double w : weights) normalised.push_back(static_cast<float>(w / total));
    taps.first.push_back(first);
    taps.count.push_back(static_cast<int>(normalised.size()));
    taps.weights.push_back(std::move(normalised));
  }
  return taps;
}

Size turned(Size stored, int orientation) {
  return orientation >= 5 && orientation <= 8 ? Size{stored.height, stored.width} : stored;
}

// The pixels of a w x h picture as the orientation tag shows them.
template <typename T>
std::vector<T> turned(std::vector<T> pixels, int w, int h, int channels, int orientation) {
  if (orientation < 2 || orientation > 8) return pixels;
  Size shown = turned({w, h}, orientation);
  std::vector<T> out(pixels.size());
  for (int y = 0; y < shown.height; ++y) {
    for (int x = 0; x < shown.width; ++x) {
      // The stored pixel shown at (x, y), as EXIF defines the tags.
      int sx = x, sy = y;
      switch (orientation) {
        case 2:
          sx = w - 1 - x;
          break;
        case 3:
          sx = w - 1 - x, sy = h - 1 - y;
          break;
        case 4:
          sy = h - 1 - y;
          break;
        case 5:
          sx = y, sy = x;
          break;
        case 6:
          sx = y, sy = h - 1 - x;
          break;
        case 7:
          sx = w - 1 - y, sy = h - 1 - x;
          break;
        case 8:
          sx = w - 1 - y, sy = x;
          break;
      }
      std::copy_n(pixels.begin() + (std::size_t(sy) * w + sx) * channels, channels,
                  out.begin() + (std::size_t(y) * shown.width + x) * channels);
    }
  }
  return out;
}

// Each row filtered across; the ringing beyond black and white is cut, so
// that it does not add up in the second pass.
Working filterRows(const Working& in, const Taps& taps) {
  int width = static_cast<int>(taps.first.size());
  Working out{width, in.height, std::vector<float>(std::size_t(width) * in.height * 3)};
  for (int y = 0; y < in.height; ++y) {
    const float* row = in.rgb.data() + std::size_t(y) * in.width * 3;
    float* to = out.rgb.data() + std::size_t(y) * width * 3;
    for (int x = 0; x < width; ++x) {
      float r = 0, g = 0, b = 0;
      const float* p = row + taps.first[x] * 3;
      for (int t = 0; t < taps.count[x]; ++t, p += 3) {
        float w = taps.weights[x][t];
        r += w * p[0], g += w * p[1], b += w * p[2];
      }
      to[3 * x] = std::clamp(r, 0.0f, 255.0f);
      to[3 * x + 1] = std::clamp(g, 0.0f, 255.0f);
      to[3 * x + 2] = std::clamp(b, 0.0f, 255.0f);
    }
  }
  return out;
}

// Each column filtered down, a whole row at a time.
Working filterColumns(const Working& in, const Taps& taps) {
  int height = static_cast<int>(taps.first.size());
  std::size_t stride = std::size_t(in.width) * 3;
  Working out{in.width, height, std::vector<float>(stride * height, 0.0f)};
  for (int y = 0; y < height; ++y) {
    float* to = out.rgb.data() + std::size_t(y) * stride;
    for (int t = 0; t < taps.count[y]; ++t) {
      float w = taps.weights[y][t];
      const float* from = in.rgb.data() + std::size_t(taps.first[y] + t) * stride;
      for (std::size_t i = 0; i < stride; ++i) to[i] += w * from[i];
    }
    for (std::size_t i = 0; i < stride; ++i) to[i] = std::clamp(to[i], 0.0f, 255.0f);
  }
  return out;
}

// Whether a picture of that size holding `values` bytes, `perPixel` a
// pixel, can be scaled as the placement says.
logo::Status scalable(int width, int height, std::size_t values, std::size_t perPixel,
                      const Placement& placement) {
  if (logo::Status sides = sidesAllowed({width, height}); !sides) return sides;
  if (!followable(placement) || placement.sourceWidth != width ||
      placement.sourceHeight != height || values != std::size_t(width) * height * perPixel) {
    return logo::Failure{"no pixels to show"};
  }
  return {};
}

}  // namespace

Size wantedSize(const Placement& placement, int orientation) {
  auto needed = [](int full, int scaled, int crop) {
    long long size = 2 * ((static_cast<long long>(full) * scaled + crop - 1) / crop);
    return static_cast<int>(std::clamp<long long>(size, 1, full));
  };
  Size size{needed(placement.sourceWidth, placement.scaledWidth, placement.cropWidth),
            needed(placement.sourceHeight, placement.scaledHeight, placement.cropHeight)};
  if (orientation >= 5) std::swap(size.width, size.height);
  return size;
}

void AreaAverage::begin(Size delivered) {
  delivered_ = delivered;
  boxWidth_ = std::clamp(delivered.width / std::max(1, wanted_.width), 1, kMostBox);
  boxHeight_ = std::clamp(delivered.height / std::max(1, wanted_.height), 1, kMostBox);
  boxes_ = {divideUp(delivered.width, boxWidth_), divideUp(delivered.height, boxHeight_)};
  sums_.assign(std::size_t(boxes_.width) * boxes_.height * 3, 0);
}

void AreaAverage::put(int y, int x0, int step, int count, const std::uint8_t* pixels,
                      int channels) {
  if (y < 0 || y >= delivered_.height || x0 < 0 || step < 1 || count <= 0 ||
      x0 >= delivered_.width) {
    return;
  }
  count = std::min(count, divideUp(delivered_.width - x0, step));
  float* sums = sums_.data() + std::size_t(y / boxHeight_) * boxes_.width * 3;
  switch (channels) {
    case 1:
      return addRow<1>(sums, boxWidth_, x0, step, count, pixels, background_);
    case 2:
      return addRow<2>(sums, boxWidth_, x0, step, count, pixels, background_);
    case 3:
      return addRow<3>(sums, boxWidth_, x0, step, count, pixels, background_);
    default:
      return addRow<4>(sums, boxWidth_, x0, step, count, pixels, background_);
  }
}

Working AreaAverage::result() && {
  for (int by = 0; by < boxes_.height; ++by) {
    int rows = std::min(boxHeight_, delivered_.height - by * boxHeight_);
    for (int bx = 0; bx < boxes_.width; ++bx) {
      int columns = std::min(boxWidth_, delivered_.width - bx * boxWidth_);
      float area = static_cast<float>(rows * columns);
      float* sum = sums_.data() + (std::size_t(by) * boxes_.width + bx) * 3;
      for (int c = 0; c < 3; ++c) sum[c] /= area;
    }
  }
  return {boxes_.width, boxes_.height, std::move(sums_)};
}

Working oriented(Working stored, int orientation) {
  Size size = turned({stored.width, stored.height}, orientation);
  return {size.width, size.height,
          turned(std::move(stored.rgb), stored.width, stored.height, 3, orientation)};
}

RgbaPicture oriented(RgbaPicture stored, int orientation) {
  Size size = turned({stored.width, stored.height}, orientation);
  return {size.width, size.height,
          turned(std::move(stored.rgba), stored.width, stored.height, 4, orientation)};
}

RgbPicture lanczos(Working picture, const Placement& placement) {
  double rx = double(picture.width) / placement.sourceWidth;
  double ry = double(picture.height) / placement.sourceHeight;
  double left = placement.cropX * rx, right = (placement.cropX + placement.cropWidth) * rx;
  double top = placement.cropY * ry, bottom = (placement.cropY + placement.cropHeight) * ry;
  auto low = [](double v, int most) { return std::clamp(static_cast<int>(v), 0, most - 1); };
  auto high = [](double v, int most) {
    return std::clamp(static_cast<int>(std::ceil(v)), 1, most);
  };
  int x0 = low(left, picture.width), x1 = std::max(x0 + 1, high(right, picture.width));
  int y0 = low(top, picture.height), y1 = std::max(y0 + 1, high(bottom, picture.height));
  // Only a crop is copied; the whole picture is filtered where it is.
  Working crop;
  if (x1 - x0 == picture.width && y1 - y0 == picture.height) {
    crop = std::move(picture);
  } else {
    crop = {x1 - x0, y1 - y0, std::vector<float>(std::size_t(x1 - x0) * (y1 - y0) * 3)};
    for (int y = y0; y < y1; ++y) {
      std::copy_n(picture.rgb.begin() + (std::size_t(y) * picture.width + x0) * 3, crop.width * 3,
                  crop.rgb.begin() + std::size_t(y - y0) * crop.width * 3);
    }
    picture = {};
  }
  Taps across = tapsFor(left - x0, right - x0, placement.scaledWidth, 0, crop.width);
  Taps down = tapsFor(top - y0, bottom - y0, placement.scaledHeight, 0, crop.height);
  // The cheaper order first, by ImageMagick's rule, whose results the
  // benchmark compares with.
  long long width = placement.scaledWidth, height = placement.scaledHeight;
  bool acrossFirst = width * (crop.height + height) > height * (crop.width + width);
  Working scaled = acrossFirst ? filterColumns(filterRows(crop, across), down)
                               : filterRows(filterColumns(crop, down), across);
  RgbPicture result{scaled.width, scaled.height, std::vector<std::uint8_t>(scaled.rgb.size())};
  for (std::size_t i = 0; i < scaled.rgb.size(); ++i) {
    result.rgb[i] = static_cast<std::uint8_t>(std::lround(scaled.rgb[i]));
  }
  return result;
}

bool followable(const Placement& p) {
  return p.sourceWidth > 0 && p.sourceHeight > 0 && p.cropWidth > 0 && p.cropHeight > 0 &&
         p.cropX >= 0 && p.cropY >= 0 && p.cropX + p.cropWidth <= p.sourceWidth &&
         p.cropY + p.cropHeight <= p.sourceHeight && p.scaledWidth > 0 && p.scaledHeight > 0 &&
         p.scaledWidth <= kMaxSide && p.scaledHeight <= kMaxSide;
}

logo::Result<RgbPicture> scalePixels(const IndexedPicture& source, const Placement& placement) {
  logo::Status allowed = scalable(source.width, source.height, source.indices.size(), 1, placement);
  if (!allowed) return allowed.error();
  try {
    AreaAverage average(wantedSize(placement, 1));
    putPalettePicture(source, average);
    return lanczos(std::move(average).result(), placement);
  } catch (const std::bad_alloc&) {
    return logo::Failure{"out of memory"};
  }
}

logo::Result<RgbPicture> scalePixels(const RgbPicture& source, const Placement& placement) {
  logo::Status allowed = scalable(source.width, source.height, source.rgb.size(), 3, placement);
  if (!allowed) return allowed.error();
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

}  // namespace picture
