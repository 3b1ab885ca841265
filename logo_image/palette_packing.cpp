#include "logo_image/palette_packing.h"

#include <algorithm>

#include "logo_image/pixels.h"

namespace logo {

PackedPalette packUsedEntries(std::span<const PaletteEntry> palette, const UsedEntries& used,
                              std::size_t limit) {
  PackedPalette packed;
  packed.remap = identityRemap();
  limit = std::min({limit, palette.size(), kPaletteEntries});
  for (std::size_t entry = 0; entry < limit; ++entry) {
    if (!used[entry]) {
      packed.remap[entry] = kDroppedEntry;
      continue;
    }
    const PaletteEntry& kept = palette[entry];
    packed.entries[packed.count] = {kept.blue, kept.green, kept.red, 0};
    packed.remap[entry] = static_cast<std::uint8_t>(packed.count);
    ++packed.count;
  }
  return packed;
}

}  // namespace logo
