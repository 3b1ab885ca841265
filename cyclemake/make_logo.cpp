#include "cyclemake/cyclemake.h"
#include "logo_image/atomic_output.h"
#include "logo_image/conformance.h"
#include "logo_image/files.h"
#include "logo_image/numbers.h"
#include "logo_image/pixels.h"

namespace cyclemake {

logo::Result<LogoRequest, RequestError> readRequest(int argc, const char* const* argv) {
  if (argc < 5) return RequestError::kUsage;
  int count = logo::readNumber(argv[3]);
  if (count < 1 || count > kMaxAnimationColours || count != argc - 4) {
    return RequestError::kColourCount;
  }
  LogoRequest request;
  request.sourcePath = argv[1];
  request.outputPath = argv[2];
  request.colourCount = count;
  std::array<bool, logo::kPaletteEntries> named{};
  for (int i = 0; i < count; ++i) {
    int index = logo::readNumber(argv[4 + i]);
    // A slot can hold only one colour, and the tables have 256 entries.
    if (index < 0 || index >= static_cast<int>(logo::kPaletteEntries) || named[index]) {
      return RequestError::kPaletteIndex;
    }
    named[index] = true;
    request.animationSlots[i] = static_cast<std::uint8_t>(index);
  }
  return request;
}

logo::Outcome makeLogo(const LogoRequest& request) {
  using logo::Outcome;
  logo::File source = logo::openSource(request.sourcePath);
  if (!source) return Outcome::kSourceUnreadable;
  if (logo::isSameFile(source.get(), request.outputPath)) return Outcome::kSameFile;
  logo::AtomicOutput output(request.outputPath, source.get());
  if (!output) return Outcome::kOutputUncreatable;

  logo::SourceReader reader(source.get());
  logo::LogoHeader header;
  logo::Palette palette;
  reader.read(header.data(), header.size());
  reader.read(palette.data(), sizeof palette);
  if (reader.failed()) return Outcome::kSourceReadFailed;
  logo::warnIfNotLogoImage(request.sourcePath, source.get(), header);

  header[logo::kAnimationStartOffset] =
      static_cast<std::uint8_t>(logo::kPaletteEntries - request.colourCount);
  logo::RemapTable remap = logo::identityRemap();
  placeAnimationSlots(palette, remap, request.slots());
  output.write(header.data(), header.size());
  output.write(palette.data(), sizeof palette);
  if (!logo::copyRemappedPixels(reader, output, remap)) return Outcome::kSourceReadFailed;
  return output.commit();
}

}  // namespace cyclemake
