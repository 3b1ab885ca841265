// Feeds arbitrary bytes through logofit's whole reading and fitting path:
// no input may crash it, read outside a buffer, hang or ask for gigabytes,
// and every picture it accepts must come out in the one layout.
#include <cstdint>
#include <cstdlib>

#include "logofit/fit_picture.h"
#include "picture/decoding.h"

namespace {

// Decoding and scaling a picture costs up to milliseconds; inputs of up to
// an uncompressed 150x150 picture keep every decoder in the run without
// crowding out the suite's own readers.
constexpr std::size_t kMaxImageLibraryInput = 1 << 16;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("OMP_NUM_THREADS", "1", 1);
  return 0;
}

// The overlay the last byte picks: nothing, a bar, or the input itself
// read as a layer or as a shimmer's mask over itself.
logo::Result<logofit::Overlay> overlayFor(logofit::ByteView bytes, std::uint8_t choice,
                                          const logofit::Limits& limits) {
  switch ((choice >> 3) % 4) {
    case 1:
      return logofit::Overlay(logofit::BarOptions{
          1 + choice % 400,
          2 + choice % 127,
          {},
          choice & 1 ? logofit::BarDirection::kLeft : logofit::BarDirection::kRight,
          choice & 2 ? logofit::BarEdge::kTop : logofit::BarEdge::kBottom,
          choice % 7});
    case 2: {
      logofit::Input input(bytes);
      logo::Result<logofit::Ring> layer =
          logofit::readLayer(input, limits, logofit::LayerOrder(choice % 5));
      if (!layer) return logo::Failure{layer.reason()};
      return logofit::Overlay(std::move(layer).value());
    }
    case 3: {
      logofit::Input input(bytes);
      logo::Result<logofit::PixelMask> area = logofit::readMask(input, limits);
      if (!area) return logo::Failure{area.reason()};
      logofit::ShimmerSettings light{2 + choice % 127, choice & 1 ? logofit::LightDirection::kIn
                                                                  : logofit::LightDirection::kOut};
      return logofit::Overlay(logofit::Shimmer{std::move(area).value(), light});
    }
  }
  return logofit::Overlay();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  logofit::Limits limits;
  limits.maxPixels = 1'000'000;
  logofit::ByteView bytes(data, size);
  logofit::Input probed(bytes);
  logo::Result<picture::Probe> header = picture::probe(probed, limits);
  if (size > kMaxImageLibraryInput && !(header && header->palette)) return 0;
  // The last byte picks the options; it is rarely part of a picture.
  std::uint8_t choice = size > 0 ? data[size - 1] : 0;
  logofit::FitOptions options;
  options.geometry = static_cast<logofit::Geometry>(choice % 3);
  options.colours = choice & 0x80 ? 256 : 2 + (choice >> 2) % 31;
  options.dither = (choice & 0x40) == 0;
  logo::Result<logofit::Overlay> overlay = overlayFor(bytes, choice, limits);
  if (!overlay) {
    if (overlay.reason().empty()) std::abort();  // every refusal says why
    return 0;
  }
  logofit::Input input(bytes);
  logo::Result<logofit::Fitted> fitted = logofit::fitPicture(input, options, *overlay, limits);
  if (!fitted) {
    if (fitted.reason().empty()) std::abort();
    return 0;
  }
  const std::vector<std::uint8_t>& logo = fitted->logo;
  int start = logo[logo::kAnimationStartOffset];
  bool ringRight = fitted->ringColours == 0 || start == 256 - fitted->ringColours;
  if (logo.size() != logo::kLogoFileSize || fitted->colours > 256 || !ringRight ||
      (!fitted->kept && fitted->colours > options.colours)) {
    std::abort();
  }
  return 0;
}
