// A layer someone drew over the picture: an animated logo, or a picture
// with transparent parts whose colours are put in the order that makes
// them move as drawn.
#include <algorithm>
#include <cmath>
#include <map>

#include "logofit/rings.h"
#include "picture/colour_reduction.h"
#include "picture/decoding.h"

namespace logofit {
namespace {

constexpr int kWidth = logo::kLogoWidth;
constexpr int kHeight = logo::kLogoHeight;
constexpr std::size_t kPixels = std::size_t(kWidth) * kHeight;

// A layer leaves the picture at least two slots.
constexpr int kMostLayerColours = 254;
// A layer in colours of its own is taken exactly up to the longest ring
// the other animations make, and reduced to it beyond.
constexpr int kMostOwnColours = 128;

// A logo pixel is 5/3 as wide as it is tall on the screen, where the
// angles are seen.
constexpr double kPixelAspect = 5.0 / 3.0;

const char* const kRule =
    "a layer is a 320x400 animated logo, or a 320x400 picture with transparent parts";

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

// Where an entry's pixels lie, summed.
struct Spread {
  double x = 0;
  double y = 0;
  double cosine = 0;
  double sine = 0;
  int pixels = 0;
};

std::vector<Spread> spreadOf(const IndexedPicture& picture) {
  std::vector<Spread> spread(256);
  double centreX = 0, centreY = 0;
  int pixels = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      std::uint8_t index = picture.indices[y * kWidth + x];
      if (!picture.opaque(index)) continue;
      spread[index].x += x;
      spread[index].y += y;
      ++spread[index].pixels;
      centreX += x, centreY += y, ++pixels;
    }
  }
  centreX /= pixels, centreY /= pixels;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      std::uint8_t index = picture.indices[y * kWidth + x];
      if (!picture.opaque(index)) continue;
      double angle = std::atan2(y - centreY, (x - centreX) * kPixelAspect);
      spread[index].cosine += std::cos(angle);
      spread[index].sine += std::sin(angle);
    }
  }
  return spread;
}

// The used entries in ring order. A colour in slot s shows in slot s - 1
// at the next step, so light moves from the later entries to the earlier:
// the entries run against the motion asked for.
std::vector<int> ringOrder(const IndexedPicture& picture, const std::vector<int>& entries,
                           LayerOrder order) {
  if (order == LayerOrder::kPalette) return entries;
  std::vector<Spread> spread = spreadOf(picture);
  auto key = [&](int entry) {
    const Spread& s = spread[entry];
    switch (order) {
      case LayerOrder::kAngle:  // clockwise on the screen, whose y runs down
        return -std::atan2(s.sine, s.cosine);
      case LayerOrder::kX:
        return -s.x / s.pixels;
      case LayerOrder::kY:
        return -s.y / s.pixels;
      default:
        return double(brightness(picture.palette[entry]));
    }
  };
  std::vector<int> ordered = entries;
  std::stable_sort(ordered.begin(), ordered.end(), [&](int a, int b) { return key(a) < key(b); });
  return ordered;
}

logo::Result<Ring> transparentLayer(const IndexedPicture& picture, LayerOrder order) {
  std::vector<bool> used(256);
  for (std::uint8_t index : picture.indices) {
    if (picture.opaque(index)) used[index] = true;
  }
  std::vector<int> entries;
  for (int entry = 0; entry < static_cast<int>(picture.palette.size()); ++entry) {
    if (used[entry]) entries.push_back(entry);
  }
  int colours = static_cast<int>(entries.size());
  if (colours == 0) return logo::Failure{"the layer has no opaque pixel"};
  if (colours > kMostLayerColours) {
    return logo::Failure{"the layer has " + std::to_string(colours) +
                         " colours; at most 254 leave the picture two slots"};
  }
  Ring ring{"LAYER", {}, std::vector<std::uint8_t>(kPixels)};
  std::vector<std::uint8_t> slotOf(256);
  for (int entry : ringOrder(picture, entries, order)) {
    slotOf[entry] = static_cast<std::uint8_t>(256 - colours + ring.colours.size());
    logo::PaletteEntry colour = picture.palette[entry];
    colour.flag = 0;
    ring.colours.push_back(colour);
  }
  for (std::size_t i = 0; i < kPixels; ++i) {
    std::uint8_t index = picture.indices[i];
    if (picture.opaque(index)) ring.slots[i] = slotOf[index];
  }
  return ring;
}

// The opaque pixels' colours as entries of a palette, exactly when they
// are few enough, and one more entry, transparent, for the rest.
logo::Result<IndexedPicture> inOwnColours(const RgbaPicture& layer) {
  PixelMask opaque(kPixels);
  RgbPicture rgb{kWidth, kHeight, std::vector<std::uint8_t>(kPixels * 3)};
  std::map<std::uint32_t, std::uint8_t> entryOf;
  for (std::size_t i = 0; i < kPixels; ++i) {
    const std::uint8_t* p = &layer.rgba[4 * i];
    std::copy_n(p, 3, &rgb.rgb[3 * i]);
    opaque[i] = p[3] >= 128;
    if (opaque[i] && entryOf.size() <= kMostOwnColours) {
      entryOf.emplace(p[0] << 16 | p[1] << 8 | p[2], 0);
    }
  }
  if (std::find(opaque.begin(), opaque.end(), false) == opaque.end()) {
    return logo::Failure{std::string("no transparent pixel: ") + kRule};
  }
  IndexedPicture picture;
  if (entryOf.size() > kMostOwnColours) {
    logo::Result<IndexedPicture> reduced =
        picture::reduceColours(rgb, picture::Reduction{kMostOwnColours, false, {}}, opaque);
    if (!reduced) return reduced.error();
    picture = std::move(reduced).value();
  } else {
    picture = IndexedPicture{kWidth, kHeight, {}, std::vector<std::uint8_t>(kPixels), {}, {}};
    for (auto& [colour, entry] : entryOf) {
      entry = static_cast<std::uint8_t>(picture.palette.size());
      picture.palette.push_back({static_cast<std::uint8_t>(colour),
                                 static_cast<std::uint8_t>(colour >> 8),
                                 static_cast<std::uint8_t>(colour >> 16), 0});
    }
    for (std::size_t i = 0; i < kPixels; ++i) {
      const std::uint8_t* p = &rgb.rgb[3 * i];
      if (opaque[i]) picture.indices[i] = entryOf[p[0] << 16 | p[1] << 8 | p[2]];
    }
  }
  auto clear = static_cast<std::uint8_t>(picture.palette.size());
  picture.palette.push_back({});
  picture.opacity.assign(picture.palette.size(), 255);
  picture.opacity[clear] = 0;
  for (std::size_t i = 0; i < kPixels; ++i) {
    if (!opaque[i]) picture.indices[i] = clear;
  }
  return picture;
}

logo::Result<Ring> paletteLayer(Input& input, const Limits& limits,
                                std::optional<LayerOrder> order) {
  logo::Result<IndexedPicture> read = picture::decodePalette(input, limits);
  if (!read) return read.error();
  const IndexedPicture& picture = *read;
  if (picture.importantColours[0] == 1) {
    return logo::Failure{"255 animated slots; at most 254 leave the picture two slots"};
  }
  if (picture.importantColours[0] != 0) {
    if (order.value_or(LayerOrder::kPalette) != LayerOrder::kPalette) {
      return logo::Failure{"an animated logo keeps its slots; --layer-order is for drawn layers"};
    }
    return animatedLogo(picture);
  }
  if (!anyTransparent(picture.opacity)) {
    return logo::Failure{std::string("no animated slots and no transparent entry: ") + kRule};
  }
  return transparentLayer(picture, order.value_or(LayerOrder::kPalette));
}

logo::Result<Ring> ownColoursLayer(Input& input, const Limits& limits,
                                   std::optional<LayerOrder> order) {
  if (order == LayerOrder::kPalette) {
    return logo::Failure{"--layer-order=palette needs a layer with a palette"};
  }
  logo::Result<RgbaPicture> whole = picture::decodeWhole(input, limits);
  if (!whole) return whole.error();
  logo::Result<IndexedPicture> layer = inOwnColours(*whole);
  if (!layer) return layer.error();
  return transparentLayer(*layer, order.value_or(LayerOrder::kX));
}

}  // namespace

logo::Result<Ring> readLayer(Input& input, const Limits& limits, std::optional<LayerOrder> order) {
  logo::Result<picture::Probe> probed = picture::probe(input, limits);
  if (!probed) return probed.error();
  if (!logoSized(probed->width, probed->height)) {
    return logo::Failure{sizeText(probed->width, probed->height) + " pixels: " + kRule};
  }
  if (probed->palette) return paletteLayer(input, limits, order);
  return ownColoursLayer(input, limits, order);
}

}  // namespace logofit
