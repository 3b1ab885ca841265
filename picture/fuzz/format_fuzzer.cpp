// Feeds arbitrary bytes to one format's adapter, as decoding.cpp does:
// the first bytes to its sniff, then its probe, and for a picture within
// the limits its decoder into a sink that checks every promise of the Sink
// contract; its palette reader too, where it has one. Built once a
// format, PICTURE_FUZZ_FORMAT naming it, so that each fuzzer's coverage is
// its own format's.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "picture/formats/format.h"
#include "picture/fuzz/checking_sink.h"

#ifndef PICTURE_FUZZ_FORMAT
#error "PICTURE_FUZZ_FORMAT names the format, e.g. kPng"
#endif

namespace picture::fuzz {
namespace {

// A logo's 320x400 pixels at most: every layout of rows, strips, tiles and
// blocks fits, and a thousand runs a second do. A megapixel drops the TIFF
// and bitmap fuzzers to a few hundred: AddressSanitizer maps each buffer
// above 128 KiB afresh, and the fuzzer soon favours inputs that declare
// the largest size allowed.
constexpr Limits kLimits{.maxPixels = 128'000};
// What adapterFor() in decoding.cpp hands to sniff.
constexpr std::size_t kSniffedBytes = 12;

void requireReason(const std::string& reason, const char* step) {
  if (!reason.empty()) return;
  std::fprintf(stderr, "%s failed without a reason\n", step);
  std::abort();
}

// The size a scaling decoder (JPEG, WebP) is asked for: the last byte, so
// rarely part of a picture, picks 1 to 16 eighths of the stored size, from
// the smallest scale to none at all.
Size wantedFor(Size stored, std::uint8_t last) {
  long long eighths = 1 + last % 16;
  auto scaled = [&](int side) { return static_cast<int>(std::max(1LL, side * eighths / 8)); };
  return {scaled(stored.width), scaled(stored.height)};
}

void checkPalettePicture(const IndexedPicture& picture) {
  bool sized = picture.width > 0 && picture.height > 0 &&
               sizeAllowed(picture.width, picture.height, kLimits);
  if (!sized || picture.indices.size() != std::size_t(picture.width) * picture.height ||
      picture.palette.size() > 256 || picture.opacity.size() > picture.palette.size()) {
    std::fprintf(stderr, "palette picture of %dx%d with %zu indices, %zu entries, %zu opacities\n",
                 picture.width, picture.height, picture.indices.size(), picture.palette.size(),
                 picture.opacity.size());
    std::abort();
  }
  // The way decodeInto() hands a palette picture over.
  CheckingSink sink({picture.width, picture.height}, {picture.width, picture.height});
  putPalettePicture(picture, sink);
  sink.requireComplete();
}

// As decodePalette() calls it: after a probe that found a palette of a
// size within the limits.
void fuzzPaletteReader(const Adapter& adapter, ByteView bytes) {
  Input header(bytes);
  logo::Result<Stored> stored = adapter.probe(header);
  if (!stored || !stored->palette) return;
  Size size = stored->size;
  if (!sizeAllowed(size.width, size.height, kLimits) || !sidesAllowed(size)) return;
  Input input(bytes);
  logo::Result<IndexedPicture> picture = adapter.readPalette(input);
  if (!picture) {
    requireReason(picture.reason(), "the palette reader");
    return;
  }
  checkPalettePicture(*picture);
}

void fuzzDecoder(const Adapter& adapter, ByteView bytes) {
  Input header(bytes);
  logo::Result<Stored> stored = adapter.probe(header);
  if (!stored) {
    requireReason(stored.reason(), "the probe");
    return;
  }
  if (stored->orientation < 1 || stored->orientation > 8) {
    std::fprintf(stderr, "the probe gave orientation %d\n", stored->orientation);
    std::abort();
  }
  Size size = stored->size;
  if (!sizeAllowed(size.width, size.height, kLimits) || !sidesAllowed(size)) return;
  Input input(bytes);
  CheckingSink sink(wantedFor(size, bytes.back()), size);
  logo::Status decoded = adapter.decode(input, sink);
  if (!decoded) {
    requireReason(decoded.reason(), "the decoder");
    return;
  }
  sink.requireComplete();
}

}  // namespace
}  // namespace picture::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace picture;
  const Adapter& adapter = adapterOf(Format::PICTURE_FUZZ_FORMAT);
  if (adapter.format != Format::PICTURE_FUZZ_FORMAT) std::abort();
  ByteView bytes(data, size);
  if (!adapter.sniff(bytes.first(std::min(size, fuzz::kSniffedBytes)))) return 0;
  if (adapter.readPalette != nullptr) fuzz::fuzzPaletteReader(adapter, bytes);
  fuzz::fuzzDecoder(adapter, bytes);
  return 0;
}
