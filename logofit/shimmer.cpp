// Light swelling and ebbing through the part of the picture a mask marks.
#include <algorithm>
#include <array>
#include <cmath>

#include "logofit/rings.h"
#include "picture/decoding.h"

namespace logofit {
namespace {

constexpr int kWidth = logo::kLogoWidth;
constexpr int kHeight = logo::kLogoHeight;
constexpr std::size_t kPixels = std::size_t(kWidth) * kHeight;

constexpr int kMidGrey = 127'500;

const char* const kAllMarked = "the mask marks all of the picture; some of it must stay still";

PixelMask maskOfPalette(const IndexedPicture& picture) {
  PixelMask mask(kPixels);
  bool byOpacity = anyTransparent(picture.opacity);
  for (std::size_t i = 0; i < kPixels; ++i) {
    std::uint8_t index = picture.indices[i];
    mask[i] = byOpacity ? picture.opaque(index) : brightness(picture.palette[index]) > kMidGrey;
  }
  return mask;
}

PixelMask maskOfColours(const RgbaPicture& picture) {
  PixelMask mask(kPixels);
  bool byOpacity = false;
  for (std::size_t i = 0; i < kPixels; ++i) byOpacity = byOpacity || picture.rgba[4 * i + 3] < 255;
  for (std::size_t i = 0; i < kPixels; ++i) {
    const std::uint8_t* p = picture.rgba.data() + 4 * i;
    mask[i] = byOpacity ? p[3] >= 128 : brightness({p[2], p[1], p[0], 0}) > kMidGrey;
  }
  return mask;
}

// The light's tones span at least this much lightness (of 255), so that
// even a flat area visibly swells and ebbs.
constexpr double kLeastSpan = 32;
// The darkest and brightest few pixels (a star, a glint) do not stretch
// the span over which the tones are spread.
constexpr double kOutlierShare = 0.005;

double lightnessOf(const std::uint8_t* rgb) {
  return brightness({rgb[2], rgb[1], rgb[0], 0}) / 1000.0;
}

struct Span {
  double low = 0;
  double high = 0;
};

Span spanOf(const std::vector<double>& lightness) {
  std::vector<double> sorted = lightness;
  auto at = [&](double share) {
    auto nth = sorted.begin() + static_cast<std::ptrdiff_t>(share * double(sorted.size() - 1));
    std::nth_element(sorted.begin(), nth, sorted.end());
    return *nth;
  };
  Span span{at(kOutlierShare), at(1 - kOutlierShare)};
  double missing = kLeastSpan - (span.high - span.low);
  if (missing > 0) {
    span.low = std::max(0.0, span.low - missing / 2);
    span.high = std::min(255.0, span.low + kLeastSpan);
    span.low = std::max(0.0, span.high - kLeastSpan);
  }
  return span;
}

// Each pixel's level, the area's lightness spread over `levels` steps.
// The fraction left over is carried to the next pixels of the area, as
// error diffusion does with colours: a smooth sky stays smooth in every
// frame instead of breaking into contour bands.
std::vector<int> levelsOf(const std::vector<double>& lightness,
                          const std::vector<std::size_t>& area, const Span& span, int levels) {
  std::vector<int> level(area.size());
  std::vector<double> carried(kPixels + kWidth + 1);
  for (std::size_t k = 0; k < area.size(); ++k) {
    std::size_t i = area[k];
    double t = (lightness[k] - span.low) / (span.high - span.low) * (levels - 1) + carried[i];
    level[k] = std::clamp(static_cast<int>(std::lround(t)), 0, levels - 1);
    double error = std::clamp(t - level[k], -0.5, 0.5);
    bool right = (i + 1) % kWidth != 0;
    bool left = i % kWidth != 0;
    if (right) carried[i + 1] += error * 7 / 16;
    if (left) carried[i + kWidth - 1] += error * 3 / 16;
    carried[i + kWidth] += error * 5 / 16;
    if (right) carried[i + kWidth + 1] += error * 1 / 16;
  }
  return level;
}

using Colour = std::array<double, 3>;

// A colour made as light as `wanted`: darkened toward black, or lightened
// toward white.
Colour withLightness(Colour colour, double wanted) {
  double lightness = (299 * colour[0] + 587 * colour[1] + 114 * colour[2]) / 1000;
  for (double& channel : colour) {
    channel = wanted < lightness ? channel * wanted / std::max(lightness, 1.0)
                                 : channel + (255 - channel) * (wanted - lightness) /
                                                 std::max(255 - lightness, 1.0);
  }
  return colour;
}

// Each level's tone: the mean colour of the area's pixels at that level; a
// level no pixel has takes the tone between its neighbours, or beyond the
// last one the last made lighter or darker.
std::vector<Colour> tonesOf(const std::vector<Colour>& sums, const std::vector<int>& counts,
                            const Span& span) {
  int levels = static_cast<int>(sums.size());
  std::vector<int> filled;
  for (int level = 0; level < levels; ++level) {
    if (counts[level] > 0) filled.push_back(level);
  }
  std::vector<Colour> tones(levels);
  for (int level : filled) {
    for (int c = 0; c < 3; ++c) tones[level][c] = sums[level][c] / counts[level];
  }
  for (int level = 0; level < levels; ++level) {
    if (counts[level] > 0) continue;
    auto above = std::lower_bound(filled.begin(), filled.end(), level);
    double wanted = span.low + (span.high - span.low) * level / (levels - 1);
    if (above == filled.begin()) {
      tones[level] = withLightness(tones[*above], wanted);
    } else if (above == filled.end()) {
      tones[level] = withLightness(tones[filled.back()], wanted);
    } else {
      int low = *(above - 1), high = *above;
      double t = double(level - low) / (high - low);
      for (int c = 0; c < 3; ++c) {
        tones[level][c] = tones[low][c] + (tones[high][c] - tones[low][c]) * t;
      }
    }
  }
  return tones;
}

logo::PaletteEntry entryOf(const Colour& colour) {
  auto channel = [](double value) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
  };
  return {channel(colour[2]), channel(colour[1]), channel(colour[0]), 0};
}

}  // namespace

logo::Result<PixelMask> readMask(Input& input, const Limits& limits) {
  const char* rule = "a mask is 320x400 pixels";
  logo::Result<picture::Probe> probed = picture::probe(input, limits);
  if (!probed) return probed.error();
  if (!logoSized(probed->width, probed->height)) {
    return logo::Failure{sizeText(probed->width, probed->height) + ": " + rule};
  }
  PixelMask mask;
  if (probed->palette) {
    logo::Result<IndexedPicture> read = picture::decodePalette(input, limits);
    if (!read) return read.error();
    mask = maskOfPalette(*read);
  } else {
    logo::Result<RgbaPicture> whole = picture::decodeWhole(input, limits);
    if (!whole) return logo::Failure{whole.reason()};
    mask = maskOfColours(*whole);
  }
  if (std::find(mask.begin(), mask.end(), true) == mask.end()) {
    return logo::Failure{"the mask marks no pixel (opaque, or lighter than mid-grey)"};
  }
  if (std::find(mask.begin(), mask.end(), false) == mask.end()) return logo::Failure{kAllMarked};
  return mask;
}

logo::Result<Ring> shimmerRing(const RgbPicture& screen, const PixelMask& mask,
                               const PixelMask& picture, const ShimmerSettings& settings) {
  std::vector<std::size_t> area;
  for (std::size_t i = 0; i < kPixels; ++i) {
    if (mask[i] && picture[i]) area.push_back(i);
  }
  if (area.empty()) return logo::Failure{"the mask marks only the bars around the picture"};
  if (area.size() == static_cast<std::size_t>(std::count(picture.begin(), picture.end(), true))) {
    return logo::Failure{kAllMarked};
  }
  // The ring runs from the darkest tone at position 0 up to the brightest
  // at n / 2 and down again, one tone a step: no jump anywhere, the last
  // position next to the first.
  int n = settings.colours;
  int levels = n / 2 + 1;
  std::vector<double> lightness;
  lightness.reserve(area.size());
  for (std::size_t i : area) lightness.push_back(lightnessOf(&screen.rgb[3 * i]));
  Span span = spanOf(lightness);
  std::vector<Colour> sums(levels, Colour{});
  std::vector<int> counts(levels);
  std::vector<int> levelAt = levelsOf(lightness, area, span, levels);
  for (std::size_t k = 0; k < area.size(); ++k) {
    for (int c = 0; c < 3; ++c) sums[levelAt[k]][c] += screen.rgb[3 * area[k] + c];
    ++counts[levelAt[k]];
  }
  std::vector<Colour> tones = tonesOf(sums, counts, span);
  Ring ring{"SHIMMER", {}, std::vector<std::uint8_t>(kPixels)};
  for (int position = 0; position < n; ++position) {
    ring.colours.push_back(entryOf(tones[std::min(position, n - position)]));
  }
  // A pixel at the rising position of its tone brightens at the next step,
  // so the crest reaches the brighter pixels first and moves out of them;
  // at the falling position it reaches the darker pixels first.
  for (std::size_t k = 0; k < area.size(); ++k) {
    int level = levelAt[k];
    int position = settings.direction == LightDirection::kOut ? level : (n - level) % n;
    ring.slots[area[k]] = static_cast<std::uint8_t>(256 - n + position);
  }
  return ring;
}

}  // namespace logofit
