// Light flowing through the part of the picture a mask marks.
#include <algorithm>
#include <array>
#include <optional>

#include "logofit/rings.h"
#include "picture/colour_reduction.h"
#include "picture/decoding.h"

namespace logofit {
namespace {

constexpr int kWidth = logo::kLogoWidth;
constexpr int kHeight = logo::kLogoHeight;
constexpr std::size_t kPixels = std::size_t(kWidth) * kHeight;

constexpr int kMidGrey = 127'500;

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
