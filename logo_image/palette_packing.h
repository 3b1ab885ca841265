// Packing the used entries of a palette into its lowest slots.
#pragma once

#include <bitset>
#include <cstdint>
#include <span>

#include "logo_image/layout.h"

namespace logo {

// Which palette entries a picture's pixels use, by index.
using UsedEntries = std::bitset<kPaletteEntries>;

// What an unused entry below the limit is renumbered to. No pixel of the
// picture shows such an entry, so the number is never applied; it is kept
// because palpack has always put it there.
inline constexpr std::uint8_t kDroppedEntry = 255;

struct PackedPalette {
  // The used entries below the limit in their order from slot 0 up, their
  // flag bytes 0; zero entries after them.
  Palette entries{};
  // Old index -> new index: a used entry's slot in `entries`, kDroppedEntry
  // for an unused entry below the limit, and the index itself from the
  // limit up.
  RemapTable remap{};
  // The number of used entries below the limit.
  int count = 0;

  std::span<const PaletteEntry> used() const {
    return std::span(entries).first(static_cast<std::size_t>(count));
  }
};

// Packs the entries of `palette` below `limit` that `used` marks into the
// lowest slots, keeping their order. Entries from the limit up (and from
// the end of `palette` up, if it is shorter) keep their index.
PackedPalette packUsedEntries(std::span<const PaletteEntry> palette, const UsedEntries& used,
                              std::size_t limit);

}  // namespace logo
