// The animated layers: a bar, a layer someone drew, light flowing through
// a part of the picture. Each becomes one ring of slots at the top of the
// palette and the pixels drawn in it.
#include <algorithm>
#include <cstdio>
#include <numeric>

#include "logofit/logofit.h"
#include "picture/colour_reduction.h"

namespace logofit {
namespace {

constexpr int kWidth = logo::kLogoWidth;
constexpr int kHeight = logo::kLogoHeight;
constexpr std::size_t kPixels = std::size_t(kWidth) * kHeight;
// A layer leaves the picture at least two slots.
constexpr int kMostLayerColours = 254;

std::string sizeText(int width, int height) {
  char text[48];
  std::snprintf(text, sizeof text, "%dx%d", width, height);
  return text;
}

bool logoSized(int width, int height) {
  return width == kWidth && height == kHeight;
}

// Rounded to the nearest, halves up: (a * n + (b - a) * r) / n.
std::uint8_t between(int a, int b, int r, int n) {
  return static_cast<std::uint8_t>((2 * (a * n + (b - a) * r) + n) / (2 * n));
}

// Weighted as the eye sees brightness, times 1000.
int brightness(const logo::PaletteEntry& c) {
  return 299 * c.red + 587 * c.green + 114 * c.blue;
}

constexpr int kMidGrey = 127'500;

Ring animatedLogo(const IndexedPicture& picture) {
  int start = picture.importantColours[0];
  Ring ring{"LAYER", std::vector<logo::PaletteEntry>(256 - start),
            std::vector<std::uint8_t>(kPixels)};
  for (int slot = start; slot < 256; ++slot) {
    if (static_cast<std::size_t>(slot) < picture.palette.size()) {
      ring.colours[slot - start] = picture.palette[slot];
      ring.colours[slot - start].flag = 0;
    }
  }
  for (std::size_t i = 0; i < kPixels; ++i) {
    if (picture.indices[i] >= start) ring.slots[i] = picture.indices[i];
  }
  return ring;
}

logo::Result<Ring> transparentLayer(const IndexedPicture& picture) {
  std::vector<bool> used(picture.palette.size());
  for (std::uint8_t index : picture.indices) {
    if (picture.opaque(index)) used[index] = true;
  }
  int colours = static_cast<int>(std::count(used.begin(), used.end(), true));
  if (colours == 0) return logo::Failure{"the layer has no opaque pixel"};
  if (colours > kMostLayerColours) {
    return logo::Failure{"the layer has " + std::to_string(colours) +
                         " colours; at most 254 leave the picture two slots"};
  }
  Ring ring{"LAYER", {}, std::vector<std::uint8_t>(kPixels)};
  std::array<std::uint8_t, 256> slotOf{};
  for (std::size_t entry = 0; entry < used.size(); ++entry) {
    if (!used[entry]) continue;
    slotOf[entry] = static_cast<std::uint8_t>(256 - colours + ring.colours.size());
    ring.colours.push_back(
        {picture.palette[entry].blue, picture.palette[entry].green, picture.palette[entry].red, 0});
  }
  for (std::size_t i = 0; i < kPixels; ++i) {
    if (picture.opaque(picture.indices[i])) ring.slots[i] = slotOf[picture.indices[i]];
  }
  return ring;
}

bool anyTransparent(const std::vector<std::uint8_t>& opacity) {
  return std::any_of(opacity.begin(), opacity.end(), [](std::uint8_t a) { return a < 255; });
}

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

}  // namespace

std::vector<logo::PaletteEntry> cyclicGradient(const std::vector<logo::PaletteEntry>& stops,
                                               int colours) {
  int m = static_cast<int>(stops.size());
  std::vector<logo::PaletteEntry> ring;
  for (int j = 0; j < colours; ++j) {
    int position = j * m;
    const logo::PaletteEntry& a = stops[position / colours];
    const logo::PaletteEntry& b = stops[(position / colours + 1) % m];
    int r = position % colours;
    ring.push_back({between(a.blue, b.blue, r, colours), between(a.green, b.green, r, colours),
                    between(a.red, b.red, r, colours), 0});
  }
  return ring;
}

// A glint running along a deep blue bar: bright enough to show on black,
// calm enough under a photograph.
std::vector<logo::PaletteEntry> defaultGradient() {
  return {
      {0x8C, 0x2A, 0x10, 0}, {0xF5, 0xA9, 0x3F, 0}, {0xFF, 0xFA, 0xF2, 0}, {0xF5, 0xA9, 0x3F, 0}};
}

// About four repeats of the gradient across the width, so each step moves
// the bar by a few pixels: 5 for 16 colours.
int barBandWidth(int colours) {
  return std::max(1, 80 / colours);
}

Ring barRing(const BarOptions& bar) {
  const auto& stops = bar.gradient.empty() ? defaultGradient() : bar.gradient;
  Ring ring{"BAR", cyclicGradient(stops, bar.colours), std::vector<std::uint8_t>(kPixels)};
  int start = ring.start();
  int width = barBandWidth(bar.colours);
  for (int y = kHeight - bar.rows; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      // One slot lower per band to the right: at each step every colour
      // moves one band right.
      int band = x / width;
      ring.slots[y * kWidth + x] =
          static_cast<std::uint8_t>(start + (bar.colours - band % bar.colours) % bar.colours);
    }
  }
  return ring;
}

logo::Result<Ring> readLayer(Input& input, const Limits& limits) {
  const char* rule =
      "a layer is a 320x400 animated logo, or a 320x400 PNG or GIF with transparent entries";
  logo::Result<picture::Probe> probed = picture::probe(input, limits);
  if (!probed) return probed.error();
  if (!probed->palette) return logo::Failure{std::string("no palette: ") + rule};
  if (!logoSized(probed->width, probed->height)) {
    return logo::Failure{sizeText(probed->width, probed->height) + " pixels: " + rule};
  }
  logo::Result<IndexedPicture> read = picture::decodePalette(input, limits);
  if (!read) return read.error();
  const IndexedPicture& picture = *read;
  if (picture.importantColours[0] == 1) {
    return logo::Failure{"255 animated slots; at most 254 leave the picture two slots"};
  }
  if (picture.importantColours[0] != 0) return animatedLogo(picture);
  if (anyTransparent(picture.opacity)) return transparentLayer(picture);
  return logo::Failure{std::string("no animated slots and no transparent entry: ") + rule};
}

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
  return mask;
}

logo::Result<Ring> shimmerRing(const RgbPicture& screen, const PixelMask& area, int colours) {
  // Without dithering the light runs in clean bands; dithered, the pixels
  // of two neighbouring steps stay mixed and the band's edge sparkles.
  picture::Reduction reduction{colours, false, std::nullopt};
  logo::Result<IndexedPicture> reduced = picture::reduceColours(screen, reduction, area);
  if (!reduced) return logo::Failure{reduced.reason()};
  const std::vector<logo::PaletteEntry>& palette = reduced->palette;
  std::vector<bool> used(palette.size());
  for (std::size_t i = 0; i < kPixels; ++i) {
    if (area[i]) used[reduced->indices[i]] = true;
  }
  std::vector<int> order;
  for (std::size_t entry = 0; entry < palette.size(); ++entry) {
    if (used[entry]) order.push_back(static_cast<int>(entry));
  }
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return brightness(palette[a]) < brightness(palette[b]); });
  Ring ring{"SHIMMER", {}, std::vector<std::uint8_t>(kPixels)};
  std::array<std::uint8_t, 256> slotOf{};
  for (int entry : order) {
    slotOf[entry] = static_cast<std::uint8_t>(256 - order.size() + ring.colours.size());
    ring.colours.push_back(palette[entry]);
  }
  for (std::size_t i = 0; i < kPixels; ++i) {
    if (area[i]) ring.slots[i] = slotOf[reduced->indices[i]];
  }
  return ring;
}

}  // namespace logofit
