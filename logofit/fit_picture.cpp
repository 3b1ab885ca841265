// Choosing between keeping a picture and fitting it, the geometry of the
// fit, and the one layout every output has.
#include <algorithm>
#include <cstdio>

#include "logo_image/conformance.h"
#include "logofit/logofit.h"

namespace logofit {
namespace {

constexpr int kWidth = logo::kLogoWidth;
constexpr int kHeight = logo::kLogoHeight;

int clamp(long long value, int most) {
  return static_cast<int>(std::clamp<long long>(value, 1, most));
}

Reading readIndexed(ByteView bytes, const Limits& limits, IndexedPicture& picture,
                    std::string& why) {
  for (auto reader : {readBitmap, readPng, readGif}) {
    Reading reading = reader(bytes, limits, picture, why);
    if (reading != Reading::kNotMine) return reading;
  }
  return Reading::kNotMine;
}

// `indexed` holds the picture when one of the suite's own readers took it.
bool scale(Input& input, const PictureSize& size, const IndexedPicture* indexed,
           const Limits& limits, const FitOptions& options, Fitted& fitted, Placement& placement,
           RgbPicture& scaled, std::string& why) {
  if (indexed != nullptr) {
    placement = place(indexed->width, indexed->height, options.geometry);
    fitted.sourceWidth = indexed->width;
    fitted.sourceHeight = indexed->height;
    logo::Result<RgbPicture> result = scalePixels(*indexed, placement);
    if (!result) why = result.reason();
    if (result) scaled = std::move(result).value();
    return bool(result);
  }
  if (!limits.useImageLibrary) {
    why = "not a picture format logofit reads";
    return false;
  }
  placement = place(size.width, size.height, options.geometry);
  fitted.sourceWidth = size.width;
  fitted.sourceHeight = size.height;
  logo::Result<RgbPicture> result = decodeScaled(input, placement, limits);
  if (!result) why = result.reason();
  if (result) scaled = std::move(result).value();
  return bool(result);
}

RgbPicture onScreen(const RgbPicture& scaled, const Placement& placement) {
  RgbPicture screen{kWidth, kHeight, std::vector<std::uint8_t>(kWidth * kHeight * 3, 0)};
  for (int y = 0; y < scaled.height; ++y) {
    std::copy_n(scaled.rgb.begin() + std::size_t(y) * scaled.width * 3, scaled.width * 3,
                screen.rgb.begin() + ((y + placement.offsetY) * kWidth + placement.offsetX) * 3);
  }
  return screen;
}

// Dithering would spill the picture's colour errors into the bars.
void paintBars(IndexedPicture& reduced, const Placement& placement) {
  auto black =
      std::find_if(reduced.palette.begin(), reduced.palette.end(),
                   [](const logo::PaletteEntry& e) { return e.red + e.green + e.blue == 0; });
  if (black == reduced.palette.end()) return;
  auto index = static_cast<std::uint8_t>(black - reduced.palette.begin());
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      bool inside = x >= placement.offsetX && x < placement.offsetX + placement.scaledWidth &&
                    y >= placement.offsetY && y < placement.offsetY + placement.scaledHeight;
      if (!inside) reduced.indices[y * kWidth + x] = index;
    }
  }
}

}  // namespace

bool acceptableSize(long long width, long long height, const Limits& limits, std::string& why) {
  char text[160];
  if (width <= 0 || height <= 0) {
    std::snprintf(text, sizeof text, "no pixels: %lldx%lld", width, height);
  } else if (width > limits.maxPixels / height) {
    std::snprintf(text, sizeof text, "picture too large: %lldx%lld (at most %lld megapixels)",
                  width, height, limits.maxPixels / 1'000'000);
  } else {
    return true;
  }
  why = text;
  return false;
}

Placement place(int width, int height, Geometry geometry) {
  Placement p{width, height, 0, 0, width, height, kWidth, kHeight, 0, 0};
  long long wide = 3LL * width;  // compared with 4 * height: the screen's 4:3
  long long tall = 4LL * height;
  if (geometry == Geometry::kStretch || wide == tall) return p;
  if (geometry == Geometry::kFill) {
    if (wide > tall) {
      p.cropWidth = clamp((8LL * height + 3) / 6, width);
      p.cropX = (width - p.cropWidth) / 2;
    } else {
      p.cropHeight = clamp((6LL * width + 4) / 8, height);
      p.cropY = (height - p.cropHeight) / 2;
    }
    return p;
  }
  if (wide > tall) {
    p.scaledHeight = clamp((3200LL * height + 3LL * width) / (6LL * width), kHeight);
    p.offsetY = (kHeight - p.scaledHeight) / 2;
  } else {
    p.scaledWidth = clamp((480LL * width + height) / (2LL * height), kWidth);
    p.offsetX = (kWidth - p.scaledWidth) / 2;
  }
  return p;
}

bool fitPicture(Input& input, const FitOptions& options, const Limits& limits, Fitted& fitted,
                std::string& why) {
  logo::Result<PictureSize> size = probe(input, limits);
  if (!size) {
    why = size.reason();
    return false;
  }
  IndexedPicture indexed;
  Reading reading = Reading::kNotMine;
  if (size->indexed) {
    logo::Result<ByteView> bytes = input.whole();
    if (!bytes) {
      why = bytes.reason();
      return false;
    }
    reading = readIndexed(*bytes, limits, indexed, why);
  }
  if (reading == Reading::kMalformed) return false;
  if (reading == Reading::kIndexed && indexed.width == kWidth && indexed.height == kHeight) {
    fitted = {true, kWidth, kHeight, static_cast<int>(indexed.palette.size()), logoBytes(indexed)};
    return true;
  }
  Placement placement;
  RgbPicture scaled;
  const IndexedPicture* own = reading == Reading::kIndexed ? &indexed : nullptr;
  if (!scale(input, *size, own, limits, options, fitted, placement, scaled, why)) return false;
  bool bars = placement.scaledWidth < kWidth || placement.scaledHeight < kHeight;
  Reduction reduction{options.colours, options.dither, bars, limits.quickReduction};
  IndexedPicture reduced;
  if (!reduceColours(onScreen(scaled, placement), reduction, reduced, why)) return false;
  if (bars) paintBars(reduced, placement);
  fitted.kept = false;
  fitted.colours = static_cast<int>(reduced.palette.size());
  fitted.logo = logoBytes(reduced);
  return true;
}

std::vector<std::uint8_t> logoBytes(const IndexedPicture& picture) {
  std::vector<std::uint8_t> bytes(logo::kLogoFileSize, 0);
  logo::LogoHeader header = logo::canonicalHeader();
  std::copy(header.begin(), header.end(), bytes.begin());
  std::copy(picture.importantColours.begin(), picture.importantColours.end(),
            bytes.begin() + logo::kAnimationStartOffset);
  for (std::size_t i = 0; i < picture.palette.size() && i < logo::kPaletteEntries; ++i) {
    const logo::PaletteEntry& entry = picture.palette[i];
    std::uint8_t* out = bytes.data() + logo::kHeaderSize + 4 * i;
    out[0] = entry.blue;
    out[1] = entry.green;
    out[2] = entry.red;
  }
  for (int y = 0; y < kHeight; ++y) {
    std::copy_n(picture.indices.begin() + y * kWidth, kWidth,
                bytes.begin() + logo::kPixelOffset + (kHeight - 1 - y) * kWidth);
  }
  return bytes;
}

std::string summary(const Fitted& fitted, Geometry geometry) {
  char line[96];
  if (fitted.kept) {
    std::snprintf(line, sizeof line, "KEPT 320x400, %d COLORS\n", fitted.colours);
  } else {
    const char* verb = geometry == Geometry::kFit    ? "FIT"
                       : geometry == Geometry::kFill ? "FILL"
                                                     : "STRETCH";
    std::snprintf(line, sizeof line, "%s %dx%d -> 320x400, %d COLORS\n", verb, fitted.sourceWidth,
                  fitted.sourceHeight, fitted.colours);
  }
  return line;
}

}  // namespace logofit
