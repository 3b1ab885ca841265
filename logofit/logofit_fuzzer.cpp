// Feeds arbitrary bytes through logofit's whole reading and fitting path:
// no input may crash it, read outside a buffer, hang or ask for gigabytes,
// and every picture it accepts must come out in the one layout.
#include <cstdint>
#include <cstdlib>

#include "logofit/logofit.h"

namespace {

// Decoding and scaling a picture costs up to milliseconds; inputs of up to
// an uncompressed 150x150 picture keep every decoder in the run without
// crowding out the suite's own readers.
constexpr std::size_t kMaxImageLibraryInput = 1 << 16;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("OMP_NUM_THREADS", "1", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  logofit::Limits limits;
  limits.maxPixels = 1'000'000;
  limits.useImageLibrary = size <= kMaxImageLibraryInput;
  limits.quickReduction = true;
  // The last byte picks the options; it is rarely part of a picture.
  std::uint8_t choice = size > 0 ? data[size - 1] : 0;
  logofit::FitOptions options;
  options.geometry = static_cast<logofit::Geometry>(choice % 3);
  options.colours = choice & 0x80 ? 256 : 2 + (choice >> 2) % 31;
  options.dither = (choice & 0x40) == 0;
  logofit::Fitted fitted;
  std::string why;
  logofit::Input input(logofit::ByteView(data, size));
  if (logofit::fitPicture(input, options, limits, fitted, why)) {
    if (fitted.logo.size() != logo::kLogoFileSize || fitted.colours > 256 ||
        (!fitted.kept && fitted.colours > options.colours)) {
      std::abort();
    }
  } else if (why.empty()) {
    std::abort();  // every refusal says why
  }
  return 0;
}
