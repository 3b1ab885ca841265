#include "logo_image/logo_image.h"

namespace logo {

RemapTable identityRemap() {
  RemapTable remap;
  for (std::size_t i = 0; i < remap.size(); ++i) remap[i] = static_cast<std::uint8_t>(i);
  return remap;
}

void copyRemappedPixels(std::FILE* source, CheckedOutput& out, const RemapTable& remap) {
  PixelChunk chunk;
  for (std::size_t n = 0; n < kChunkCount; ++n) {
    readBlock(source, chunk.data(), chunk.size());
    for (std::uint8_t& pixel : chunk) pixel = remap[pixel];
    out.write(chunk.data(), chunk.size());
  }
}

}  // namespace logo
