#include "cyclemake/cyclemake.h"

namespace cyclemake {
namespace {

std::uint8_t sourceIndexShownIn(const logo::RemapTable& remap, std::uint8_t slot) {
  for (std::size_t index = 0; index < remap.size(); ++index) {
    if (remap[index] == slot) return static_cast<std::uint8_t>(index);
  }
  return slot;  // unreachable while `remap` stays a permutation
}

// Each slot keeps its own flag byte: only the colour moves.
void exchangeColours(logo::PaletteEntry& a, logo::PaletteEntry& b) {
  std::swap(a.blue, b.blue);
  std::swap(a.green, b.green);
  std::swap(a.red, b.red);
}

}  // namespace

void placeAnimationSlots(logo::Palette& palette, logo::RemapTable& remap,
                         std::span<const std::uint8_t> slots) {
  for (std::size_t i = 0; i < slots.size(); ++i) {
    auto target = static_cast<std::uint8_t>(logo::kPaletteEntries - 1 - i);
    std::uint8_t chosen = slots[i];
    std::uint8_t chosenNowIn = remap[chosen];
    std::uint8_t displaced = sourceIndexShownIn(remap, target);
    exchangeColours(palette[chosenNowIn], palette[target]);
    remap[chosen] = target;
    remap[displaced] = chosenNowIn;
  }
}

}  // namespace cyclemake
