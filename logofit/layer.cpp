// A layer someone drew over the picture: an animated logo or a palette
// picture with transparent entries.
#include <algorithm>
#include <array>

#include "logo_image/palette_packing.h"
#include "logofit/rings.h"
#include "picture/decoding.h"

namespace logofit {
namespace {

constexpr int kWidth = logo::kLogoWidth;
constexpr int kHeight = logo::kLogoHeight;
constexpr std::size_t kPixels = std::size_t(kWidth) * kHeight;

// A layer leaves the picture at least two slots.
constexpr int kMostLayerColours = 254;

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
  logo::UsedEntries used;
  for (std::uint8_t index : picture.indices) {
    if (picture.opaque(index)) used.set(index);
  }
  int colours = static_cast<int>(used.count());
  if (colours == 0) return logo::Failure{"the layer has no opaque pixel"};
  if (colours > kMostLayerColours) {
    return logo::Failure{"the layer has " + std::to_string(colours) +
                         " colours; at most 254 leave the picture two slots"};
  }
  logo::PackedPalette packed = logo::packUsedEntries(picture.palette, used, picture.palette.size());
  Ring ring{
      "LAYER", {packed.used().begin(), packed.used().end()}, std::vector<std::uint8_t>(kPixels)};
  for (std::size_t i = 0; i < kPixels; ++i) {
    std::uint8_t index = picture.indices[i];
    if (picture.opaque(index))
      ring.slots[i] = static_cast<std::uint8_t>(256 - colours + packed.remap[index]);
  }
  return ring;
}

}  // namespace

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

}  // namespace logofit
