#include "palpack/palpack.h"

namespace palpack {

OpenOutcome openForRewrite(const char* sourcePath, const char* outputPath, logo::File& source,
                           logo::CheckedOutput& output) {
  source = logo::openSource(sourcePath);
  if (!source) return OpenOutcome::kSourceUnreadable;
  if (!output.open(outputPath)) return OpenOutcome::kOutputUncreatable;
  return OpenOutcome::kOpened;
}

bool writePackedCopy(std::FILE* source, logo::CheckedOutput& output, const Compaction& compaction) {
  logo::LogoHeader header;
  logo::Palette palette;
  logo::readBlock(source, header.data(), header.size());
  logo::readBlock(source, palette.data(), sizeof palette);
  logo::Palette written = paletteToWrite(compaction, palette);
  output.write(header.data(), header.size());
  output.write(written.data(), sizeof written);
  logo::copyRemappedPixels(source, output, compaction.remap);
  return output.finish();
}

}  // namespace palpack
