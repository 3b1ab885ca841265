#include <algorithm>
#include <cstring>

#include "cycleview/cycleview.h"
#include "logo_image/atomic_output.h"
#include "logo_image/conformance.h"
#include "logo_image/console.h"
#include "logo_image/files.h"

namespace cycleview {
namespace {

using logo::Outcome;

// The bytes at `offset` and after, as far as `bytes` holds them; the rest of
// `into` reads as zero.
void copyFrom(std::span<const std::uint8_t> bytes, std::size_t offset, void* into,
              std::size_t size) {
  std::size_t held = bytes.size() > offset ? std::min(bytes.size() - offset, size) : 0;
  if (held > 0) std::memcpy(into, bytes.data() + offset, held);
  std::memset(static_cast<std::uint8_t*>(into) + held, 0, size - held);
}

logo::LogoHeader headerOf(std::span<const std::uint8_t> bytes) {
  logo::LogoHeader header;
  copyFrom(bytes, 0, header.data(), header.size());
  return header;
}

void warnIfOdd(const ViewRequest& request, std::FILE* source, const logo::LogoHeader& header) {
  logo::warnIfNotLogoImage(request.logoPath, source, header);
  if (header[logo::kAnimationStartOffset] == 0) {
    logo::warn("%s has no animated slots (header byte 50 is 0); the GIF shows it still",
               request.logoPath);
  }
}

}  // namespace

Logo logoOf(std::span<const std::uint8_t> bytes) {
  Logo logo;
  logo.header = headerOf(bytes);
  copyFrom(bytes, logo::kHeaderSize, logo.palette.data(), sizeof logo.palette);
  copyFrom(bytes, logo::kPixelOffset, logo.pixels.data(), logo.pixels.size());
  return logo;
}

logo::Result<std::vector<std::uint8_t>> gifOf(std::span<const std::uint8_t> logoBytes,
                                              const ViewRequest& request) {
  if (request.delayMs < kMinDelayMs || request.delayMs > kMaxDelayMs) {
    return logo::Failure{"the delay is not 20 to 10000 milliseconds"};
  }
  return encodeGif(planAnimation(logoOf(logoBytes), request));
}

// The whole logo is read and checked before the output is opened, so a file
// that cannot be read leaves nothing behind, not even a temporary file.
Outcome makeView(const ViewRequest& request) {
  logo::File source = logo::openSource(request.logoPath);
  if (!source) return Outcome::kSourceUnreadable;
  if (logo::isSameFile(source.get(), request.outputPath)) return Outcome::kSameFile;

  // Only the first 129078 bytes make the logo; a longer source is read no
  // further.
  std::vector<std::uint8_t> bytes(logo::kLogoFileSize);
  logo::SourceReader reader(source.get());
  bytes.resize(reader.read(bytes.data(), bytes.size()));
  if (reader.failed()) return Outcome::kSourceReadFailed;
  warnIfOdd(request, source.get(), headerOf(bytes));

  logo::AtomicOutput output(request.outputPath, source.get());
  if (!output) return Outcome::kOutputUncreatable;
  auto gif = gifOf(bytes, request);
  if (!gif) return Outcome::kWriteFailed;
  output.write(gif->data(), gif->size());
  return output.commit();
}

}  // namespace cycleview
