#include "logo_image/pixels.h"

namespace logo {

RemapTable identityRemap() {
  RemapTable remap;
  for (std::size_t i = 0; i < remap.size(); ++i) remap[i] = static_cast<std::uint8_t>(i);
  return remap;
}

bool copyRemappedPixels(SourceReader& source, AtomicOutput& out, const RemapTable& remap) {
  PixelChunk chunk;
  for (std::size_t n = 0; n < kChunkCount; ++n) {
    source.read(chunk.data(), chunk.size());
    if (source.failed()) return false;
    for (std::uint8_t& pixel : chunk) pixel = remap[pixel];
    out.write(chunk.data(), chunk.size());
  }
  return true;
}

}  // namespace logo
