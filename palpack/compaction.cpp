#include "logo_image/palette_packing.h"
#include "palpack/palpack.h"

namespace palpack {
namespace {

void writeEntryLine(std::FILE* out, std::size_t index, const logo::PaletteEntry& entry) {
  std::fprintf(out, "PALET %3zu = B:%2x G:%2x R:%2x \n", index, entry.blue, entry.green, entry.red);
}

}  // namespace

Compaction compactPalette(const logo::Palette& marked, int animationStart) {
  // Bit 0 alone decides: a used entry whose source flag byte held other
  // bits must not lose its colour.
  logo::UsedEntries used;
  for (std::size_t j = 0; j < marked.size(); ++j) used[j] = (marked[j].flag & 1) != 0;
  std::size_t limit =
      animationStart == 0 ? marked.size() : static_cast<std::size_t>(animationStart);
  logo::PackedPalette packed = logo::packUsedEntries(marked, used, limit);
  return {packed.entries, packed.remap, packed.count, animationStart};
}

void writeCompactionListing(std::FILE* out, const Compaction& compaction,
                            const logo::Palette& marked) {
  std::fputs("NEW PALET = \n", out);
  for (int i = 0; i < compaction.kept; ++i) writeEntryLine(out, i, compaction.packed[i]);
  std::fputs("\nBeyond This Number Is Null\n", out);
  if (compaction.animationStart == 0) return;
  std::fputs("ANIMATION PALET = \n", out);
  for (std::size_t a = compaction.animationStart; a < marked.size(); ++a) {
    writeEntryLine(out, a, marked[a]);
  }
}

logo::Palette paletteToWrite(const Compaction& compaction, const logo::Palette& source) {
  if (compaction.animationStart == 0) return compaction.packed;
  // The boundary entry s-1 comes from the source: files made so far have it
  // there, and no renumbered pixel can point at it unless it was kept as is.
  logo::Palette written = source;
  for (int i = 0; i < compaction.animationStart - 1; ++i) written[i] = compaction.packed[i];
  return written;
}

}  // namespace palpack
