#include "cyclemake/cyclemake.h"

namespace cyclemake {

RequestError readRequest(int argc, const char* const* argv, LogoRequest& request) {
  if (argc < 5) return RequestError::kUsage;
  int count = logo::readNumber(argv[3]);
  if (count < 1 || count > kMaxAnimationColours || count != argc - 4) {
    return RequestError::kColourCount;
  }
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
  return RequestError::kNone;
}

Outcome makeLogo(const LogoRequest& request) {
  logo::File source = logo::openSource(request.sourcePath);
  if (!source) return Outcome::kSourceUnreadable;
  // Creating the output would empty the source before it is read.
  if (logo::isSameFile(source.get(), request.outputPath)) return Outcome::kSameFile;
  logo::CheckedOutput output;
  if (!output.open(request.outputPath)) return Outcome::kOutputUncreatable;

  logo::LogoHeader header;
  logo::Palette palette;
  logo::readBlock(source.get(), header.data(), header.size());
  logo::readBlock(source.get(), palette.data(), sizeof palette);
  logo::warnIfNotLogoImage(request.sourcePath, source.get(), header);

  header[logo::kAnimationStartOffset] =
      static_cast<std::uint8_t>(logo::kPaletteEntries - request.colourCount);
  logo::RemapTable remap = logo::identityRemap();
  placeAnimationSlots(palette, remap, request.slots());

  output.write(header.data(), header.size());
  output.write(palette.data(), sizeof palette);
  logo::copyRemappedPixels(source.get(), output, remap);
  return output.finish() ? Outcome::kWritten : Outcome::kWriteFailed;
}

}  // namespace cyclemake
