// Choosing between keeping a picture and fitting it, the geometry of the
// fit, the palette every logo is made of and its one layout.
#include "logofit/fit_picture.h"

#include <algorithm>
#include <cstdio>

#include "logo_image/logo_file.h"
#include "logo_image/palette_packing.h"
#include "picture/colour_reduction.h"
#include "picture/resampling.h"

namespace logofit {
namespace {

constexpr int kWidth = logo::kLogoWidth;
constexpr int kHeight = logo::kLogoHeight;
constexpr std::size_t kPixels = std::size_t(kWidth) * kHeight;

RgbPicture coloursOf(const IndexedPicture& picture) {
  RgbPicture rgb{picture.width, picture.height, {}};
  rgb.rgb.reserve(picture.indices.size() * 3);
  for (std::uint8_t index : picture.indices) {
    const logo::PaletteEntry& entry = picture.palette[index];
    rgb.rgb.insert(rgb.rgb.end(), {entry.red, entry.green, entry.blue});
  }
  return rgb;
}

// Transparent parts show the background, as the bars around a fitted
// picture do.
RgbPicture onBackground(const RgbaPicture& picture, const logo::PaletteEntry& background) {
  const int behind[3] = {background.red, background.green, background.blue};
  RgbPicture rgb{picture.width, picture.height, {}};
  rgb.rgb.reserve(std::size_t(picture.width) * picture.height * 3);
  for (std::size_t i = 0; i < picture.rgba.size(); i += 4) {
    int alpha = picture.rgba[i + 3];
    for (int c = 0; c < 3; ++c) {
      int mixed = picture.rgba[i + c] * alpha + behind[c] * (255 - alpha);
      rgb.rgb.push_back(static_cast<std::uint8_t>((mixed + 127) / 255));
    }
  }
  return rgb;
}

// A picture drawn for the screen shows each logo pixel as two: each pair
// becomes one pixel of their average.
RgbPicture pairsAveraged(const RgbPicture& wide) {
  RgbPicture half{wide.width / 2, wide.height, {}};
  half.rgb.reserve(std::size_t(half.width) * half.height * 3);
  for (std::size_t i = 0; i + 5 < wide.rgb.size(); i += 6) {
    for (int c = 0; c < 3; ++c) {
      half.rgb.push_back(
          static_cast<std::uint8_t>((wide.rgb[i + c] + wide.rgb[i + 3 + c] + 1) / 2));
    }
  }
  return half;
}

// Pictures of the logo's own size are taken as drawn in its pixels, and
// pictures of twice its width as drawn in the pixels of the screen that
// shows it: neither is placed.
enum class Drawn { kElsewhere, kInLogoPixels, kInScreenPixels };

Drawn drawnAs(Size size) {
  if (size.height != kHeight) return Drawn::kElsewhere;
  if (size.width == kWidth) return Drawn::kInLogoPixels;
  if (size.width == 2 * kWidth) return Drawn::kInScreenPixels;
  return Drawn::kElsewhere;
}

RgbPicture onScreen(const RgbPicture& scaled, const Placement& placement) {
  RgbPicture screen{kWidth, kHeight, std::vector<std::uint8_t>(kPixels * 3, 0)};
  for (int y = 0; y < scaled.height; ++y) {
    std::copy_n(scaled.rgb.begin() + std::size_t(y) * scaled.width * 3, scaled.width * 3,
                screen.rgb.begin() + ((y + placement.offsetY) * kWidth + placement.offsetX) * 3);
  }
  return screen;
}

logo::Result<Size> sizeOf(Input& input, const std::optional<IndexedPicture>& indexed,
                          const Limits& limits) {
  if (indexed) return Size{indexed->width, indexed->height};
  logo::Result<picture::Probe> size = picture::probe(input, limits);
  if (!size) return logo::Failure{size.reason()};
  return Size{size->width, size->height};
}

logo::Result<Screen> drawnScreen(Input& input, const std::optional<IndexedPicture>& indexed,
                                 Size size, Drawn drawn, const FitOptions& options,
                                 const Limits& limits) {
  Placement whole{size.width, size.height, 0, 0, size.width, size.height, kWidth, kHeight, 0, 0};
  RgbPicture picture;
  if (indexed) {
    picture = coloursOf(*indexed);
  } else {
    logo::Result<RgbaPicture> decoded = picture::decodeWhole(input, limits);
    if (!decoded) return logo::Failure{decoded.reason()};
    picture = onBackground(*decoded, options.background);
  }
  if (drawn == Drawn::kInScreenPixels) picture = pairsAveraged(picture);
  return Screen{std::move(picture), whole};
}

logo::Result<Screen> screenOf(Input& input, const std::optional<IndexedPicture>& indexed,
                              const FitOptions& options, const Limits& limits) {
  logo::Result<Size> size = sizeOf(input, indexed, limits);
  if (!size) return logo::Failure{size.reason()};
  if (Drawn drawn = drawnAs(*size); drawn != Drawn::kElsewhere) {
    return drawnScreen(input, indexed, *size, drawn, options, limits);
  }
  Placement placement = place(size->width, size->height, options.geometry, options.gravity);
  logo::Result<RgbPicture> scaled =
      indexed ? picture::scalePixels(*indexed, placement)
              : picture::decodeScaled(input, placement, limits, options.background);
  if (!scaled) return logo::Failure{scaled.reason()};
  return Screen{onScreen(*scaled, placement), placement};
}

bool hasBars(const Placement& placement) {
  return placement.scaledWidth < kWidth || placement.scaledHeight < kHeight;
}

// The pixels that show the picture, not the bars around it.
PixelMask pictureArea(const Placement& placement) {
  PixelMask inside(kPixels);
  for (int y = placement.offsetY; y < placement.offsetY + placement.scaledHeight; ++y) {
    for (int x = placement.offsetX; x < placement.offsetX + placement.scaledWidth; ++x) {
      inside[y * kWidth + x] = true;
    }
  }
  return inside;
}

// Dithering would spill the picture's colour errors into the bars.
void paintBars(IndexedPicture& reduced, const Placement& placement,
               const logo::PaletteEntry& background) {
  auto border = std::find(reduced.palette.begin(), reduced.palette.end(), background);
  if (border == reduced.palette.end()) return;
  auto index = static_cast<std::uint8_t>(border - reduced.palette.begin());
  PixelMask inside = pictureArea(placement);
  for (std::size_t i = 0; i < kPixels; ++i) {
    if (!inside[i]) reduced.indices[i] = index;
  }
}

// Puts the border colour in entry 0, where the system takes it from: the
// picture's own entry of that colour where it has one, else a new entry
// before the others.
IndexedPicture withBorderFirst(IndexedPicture picture, const logo::PaletteEntry& border) {
  auto found = std::find(picture.palette.begin(), picture.palette.end(), border);
  auto at = static_cast<std::size_t>(found - picture.palette.begin());
  if (found == picture.palette.end()) picture.palette.push_back(border);
  std::rotate(picture.palette.begin(), picture.palette.begin() + at,
              picture.palette.begin() + at + 1);
  for (std::uint8_t& index : picture.indices) {
    index = index == at ? 0 : index < at ? static_cast<std::uint8_t>(index + 1) : index;
  }
  return picture;
}

// The picture reduced to the slots below the ring, its colours chosen for
// the pixels the ring leaves.
logo::Result<IndexedPicture> reducedPicture(const Screen& screen, const FitOptions& options,
                                            int slots, const PixelMask& shown) {
  if (!shown.empty() && std::find(shown.begin(), shown.end(), true) == shown.end()) {
    return IndexedPicture{kWidth, kHeight, {options.background}, std::vector<std::uint8_t>(kPixels),
                          {},     {}};
  }
  bool bars = hasBars(screen.placement);
  int room = bars ? slots : slots - 1;  // bars already show the border colour
  picture::Reduction reduction{std::min(options.colours, room), options.dither,
                               bars ? std::optional(options.background) : std::nullopt};
  logo::Result<IndexedPicture> reduced = picture::reduceColours(screen.picture, reduction, shown);
  if (!reduced) return reduced;
  IndexedPicture picture = std::move(reduced).value();
  if (bars) paintBars(picture, screen.placement, options.background);
  return withBorderFirst(std::move(picture), options.background);
}

// A palette picture whose shown pixels use few enough entries keeps their
// colours exactly, renumbered in order below the ring, the border colour
// first where there is room for it.
std::optional<IndexedPicture> keptColours(const IndexedPicture& picture, const PixelMask& shown,
                                          int room, const logo::PaletteEntry& border) {
  logo::UsedEntries used;
  for (std::size_t i = 0; i < kPixels; ++i) {
    if (shown[i]) used.set(picture.indices[i]);
  }
  logo::PackedPalette packed = logo::packUsedEntries(picture.palette, used, picture.palette.size());
  if (packed.count > room) return std::nullopt;
  IndexedPicture kept{kWidth,
                      kHeight,
                      {packed.used().begin(), packed.used().end()},
                      std::vector<std::uint8_t>(kPixels),
                      {},
                      {}};
  for (std::size_t i = 0; i < kPixels; ++i) {
    if (shown[i]) kept.indices[i] = packed.remap[picture.indices[i]];
  }
  bool borderUsed =
      std::find(kept.palette.begin(), kept.palette.end(), border) != kept.palette.end();
  if (borderUsed || static_cast<int>(kept.palette.size()) < room) {
    return withBorderFirst(kept, border);
  }
  return kept;
}

logo::Result<Ring> ringOf(const Overlay& overlay, const Screen& screen) {
  if (const auto* bar = std::get_if<BarOptions>(&overlay)) return barRing(*bar);
  if (const auto* layer = std::get_if<Ring>(&overlay)) return *layer;
  const auto& shimmer = std::get<Shimmer>(overlay);
  return shimmerRing(screen.picture, shimmer.mask, pictureArea(screen.placement), shimmer.light);
}

int coloursUsed(const IndexedPicture& picture, const PixelMask& shown) {
  std::vector<bool> used(picture.palette.size());
  for (std::size_t i = 0; i < kPixels; ++i) {
    if (shown.empty() || shown[i]) used[picture.indices[i]] = true;
  }
  return static_cast<int>(std::count(used.begin(), used.end(), true));
}

// The picture in the slots below the ring, the ring's colours above it.
IndexedPicture composed(const IndexedPicture& picture, const Ring& ring) {
  IndexedPicture logo{kWidth, kHeight, picture.palette, picture.indices, {}, {}};
  if (ring.colours.empty()) return logo;
  int start = ring.start();
  logo.palette.resize(256, logo::PaletteEntry{0, 0, 0, 0});
  std::copy(ring.colours.begin(), ring.colours.end(), logo.palette.begin() + start);
  for (std::size_t i = 0; i < kPixels; ++i) {
    if (ring.slots[i] != 0) logo.indices[i] = ring.slots[i];
  }
  logo.importantColours[0] = static_cast<std::uint8_t>(start);
  return logo;
}

}  // namespace

namespace {

bool logoSized(const picture::Probe& probed) {
  return probed.palette && probed.width == kWidth && probed.height == kHeight;
}

// A palette picture of the logo's size is read whole, as stored, for the
// kept path; every other picture is left to the decoders, which need not
// read it whole.
logo::Result<std::optional<IndexedPicture>> logoSizedPalette(Input& input, const Limits& limits) {
  logo::Result<picture::Probe> probed = picture::probe(input, limits);
  if (!probed) return probed.error();
  if (!logoSized(*probed)) return std::optional<IndexedPicture>();
  logo::Result<IndexedPicture> read = picture::decodePalette(input, limits);
  if (!read) return read.error();
  return std::optional(std::move(read).value());
}

}  // namespace

logo::Result<Prepared> preparePicture(Input& input, const FitOptions& options,
                                      const Limits& limits) {
  logo::Result<std::optional<IndexedPicture>> reading = logoSizedPalette(input, limits);
  if (!reading) return reading.error();
  std::optional<IndexedPicture> indexed = std::move(reading).value();
  logo::Result<Screen> screen = screenOf(input, indexed, options, limits);
  if (!screen) return logo::Failure{screen.reason()};
  return Prepared{std::move(indexed), std::move(screen).value()};
}

logo::Result<Fitted> fitPrepared(const Prepared& prepared, const FitOptions& options,
                                 const Overlay& overlay) {
  const std::optional<IndexedPicture>& indexed = prepared.logoSized;
  const Screen& screen = prepared.screen;
  bool logoSized = indexed.has_value();
  bool animated = !std::holds_alternative<std::monostate>(overlay);
  if (logoSized && !animated) {
    return Fitted{true,
                  kWidth,
                  kHeight,
                  static_cast<int>(indexed->palette.size()),
                  0,
                  "",
                  logoBytes(*indexed)};
  }
  Ring ring;
  PixelMask shown;
  if (animated) {
    logo::Result<Ring> made = ringOf(overlay, screen);
    if (!made) return logo::Failure{made.reason()};
    ring = std::move(made).value();
    shown.resize(kPixels);
    for (std::size_t i = 0; i < kPixels; ++i) shown[i] = ring.slots[i] == 0;
  }
  int slots = ring.start();
  std::optional<IndexedPicture> kept;
  if (logoSized) {
    kept = keptColours(*indexed, shown, std::min(options.colours, slots), options.background);
  }
  logo::Result<IndexedPicture> picture = kept ? logo::Result<IndexedPicture>(std::move(*kept))
                                              : reducedPicture(screen, options, slots, shown);
  if (!picture) return logo::Failure{picture.reason()};
  return Fitted{logoSized && kept.has_value(),         screen.placement.sourceWidth,
                screen.placement.sourceHeight,         coloursUsed(*picture, shown),
                static_cast<int>(ring.colours.size()), ring.kind,
                logoBytes(composed(*picture, ring))};
}

logo::Result<Fitted> fitPicture(Input& input, const FitOptions& options, const Overlay& overlay,
                                const Limits& limits) {
  logo::Result<Prepared> prepared = preparePicture(input, options, limits);
  if (!prepared) return prepared.error();
  return fitPrepared(*prepared, options, overlay);
}

std::vector<std::uint8_t> logoBytes(const IndexedPicture& picture) {
  return logo::logoFileBytes(picture.palette, picture.indices,
                             logo::readLittleEndian(picture.importantColours, 0));
}

std::string summary(const Fitted& fitted, Geometry geometry) {
  char line[160];
  int at = 0;
  if (fitted.kept) {
    at = std::snprintf(line, sizeof line, "KEPT 320x400, %d COLORS", fitted.colours);
  } else {
    const char* verb = geometry == Geometry::kFit    ? "FIT"
                       : geometry == Geometry::kFill ? "FILL"
                                                     : "STRETCH";
    at = std::snprintf(line, sizeof line, "%s %dx%d -> 320x400, %d COLORS", verb,
                       fitted.sourceWidth, fitted.sourceHeight, fitted.colours);
  }
  if (fitted.ringColours > 0) {
    std::snprintf(line + at, sizeof line - at, " + %s %d COLORS (SLOTS %d-255)", fitted.ringKind,
                  fitted.ringColours, 256 - fitted.ringColours);
  }
  return std::string(line) + "\n";
}

std::string borderWarning(const Fitted& fitted, const logo::PaletteEntry& border) {
  const std::uint8_t* entry = fitted.logo.data() + logo::kHeaderSize;
  if (entry[0] == border.blue && entry[1] == border.green && entry[2] == border.red) return {};
  char text[96];
  std::snprintf(text, sizeof text, "the border around the logo will be %d,%d,%d (entry 0)",
                entry[2], entry[1], entry[0]);
  return text;
}

}  // namespace logofit
