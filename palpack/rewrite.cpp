#include "logo_image/pixels.h"
#include "palpack/palpack.h"

namespace palpack {

logo::Outcome writePackedCopy(std::FILE* source, const logo::SourceSnapshot& surveyed,
                              logo::AtomicOutput& output, const Compaction& compaction) {
  logo::SourceReader reader(source);
  logo::LogoHeader header;
  logo::Palette palette;
  reader.read(header.data(), header.size());
  reader.read(palette.data(), sizeof palette);
  logo::Palette written = paletteToWrite(compaction, palette);
  output.write(header.data(), header.size());
  output.write(written.data(), sizeof written);
  if (!logo::copyRemappedPixels(reader, output, compaction.remap) ||
      reader.digest() != surveyed.digest) {
    output.discard();
    return logo::Outcome::kSourceReadFailed;
  }
  return output.commit();
}

}  // namespace palpack
