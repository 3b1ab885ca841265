#include <gtest/gtest.h>

#include "logo_image/pixels.h"
#include "palpack/palpack.h"
#include "tests/test_support.h"

namespace {

using testing_support::colour;

logo::Palette paletteWithFlags(std::initializer_list<std::pair<int, int>> flags) {
  logo::Palette palette;
  for (int i = 0; i < 256; ++i) palette[i] = colour(i, i / 2, 255 - i);
  for (auto [index, flag] : flags) palette[index].flag = static_cast<std::uint8_t>(flag);
  return palette;
}

TEST(CompactPalette, KeepsEntriesWithBitZeroInSourceOrder) {
  // Flag bytes after marking: 1 used, 3 used with a source flag of 2,
  // 1 unused with a source flag of 1, 2 unused with a source flag of 2.
  logo::Palette marked = paletteWithFlags({{3, 1}, {10, 3}, {77, 2}, {200, 1}});
  palpack::Compaction packed = palpack::compactPalette(marked, 0);

  ASSERT_EQ(packed.kept, 3);
  const int kept[] = {3, 10, 200};
  for (int slot = 0; slot < 3; ++slot) {
    EXPECT_TRUE(logo::sameColour(packed.packed[slot], marked[kept[slot]]));
    EXPECT_EQ(packed.packed[slot].flag, 0);
    EXPECT_EQ(packed.remap[kept[slot]], slot);
  }
  for (int slot = 3; slot < 256; ++slot) {
    EXPECT_TRUE(logo::sameColour(packed.packed[slot], colour(0, 0, 0))) << slot;
  }
  EXPECT_EQ(packed.remap[77], 255);
  EXPECT_EQ(packed.remap[0], 255);
}

TEST(CompactPalette, LeavesTheAnimatedSlotsAlone) {
  logo::Palette marked = paletteWithFlags({{0, 1}, {5, 1}, {239, 1}, {240, 1}, {250, 1}});
  palpack::Compaction packed = palpack::compactPalette(marked, 240);
  EXPECT_EQ(packed.kept, 3);
  EXPECT_EQ(packed.remap[239], 2);
  for (int index = 240; index < 256; ++index) EXPECT_EQ(packed.remap[index], index);

  logo::Palette source = paletteWithFlags({});
  logo::Palette written = palpack::paletteToWrite(packed, source);
  EXPECT_TRUE(logo::sameColour(written[2], source[239]));
  EXPECT_TRUE(logo::sameColour(written[100], colour(0, 0, 0)));
  for (int index = 239; index < 256; ++index) {
    EXPECT_TRUE(logo::sameColour(written[index], source[index])) << "from the source: " << index;
  }
}

// The system draws entry 0 around the logo: packing must not change it.
TEST(CompactPalette, KeepsAUsedEntryZeroWhereItIs) {
  for (int animationStart : {0, 240}) {
    logo::Palette marked = paletteWithFlags({{0, 1}, {7, 1}, {241, 1}});
    palpack::Compaction packed = palpack::compactPalette(marked, animationStart);
    EXPECT_EQ(packed.remap[0], 0) << animationStart;
    EXPECT_TRUE(logo::sameColour(packed.packed[0], marked[0])) << animationStart;
  }
}

TEST(CompactPalette, WritesTheSourcePaletteWhenOnlySlotZeroIsPacked) {
  logo::Palette marked = paletteWithFlags({{0, 1}});
  logo::Palette source = paletteWithFlags({{9, 4}});
  palpack::Compaction packed = palpack::compactPalette(marked, 1);
  EXPECT_EQ(packed.remap[0], 0);
  EXPECT_EQ(packed.remap, logo::identityRemap());
  logo::Palette written = palpack::paletteToWrite(packed, source);
  EXPECT_EQ(written, source);
}

std::string listingOf(const palpack::Compaction& packed, const logo::Palette& marked) {
  testing_support::FakeConsole console;
  palpack::writeCompactionListing(console.out(), packed, marked);
  return console.said();
}

TEST(CompactionListing, ShowsPackedThenAnimatedEntries) {
  logo::Palette marked;
  marked.fill(colour(0, 0, 0));
  marked[4] = colour(255, 16, 10, 1);
  marked[254] = colour(1, 2, 3);
  marked[255] = colour(0xab, 0xcd, 0xef);
  EXPECT_EQ(listingOf(palpack::compactPalette(marked, 0), marked),
            "NEW PALET = \n"
            "PALET   0 = B: a G:10 R:ff \n"
            "\nBeyond This Number Is Null\n");
  EXPECT_EQ(listingOf(palpack::compactPalette(marked, 254), marked),
            "NEW PALET = \n"
            "PALET   0 = B: a G:10 R:ff \n"
            "\nBeyond This Number Is Null\n"
            "ANIMATION PALET = \n"
            "PALET 254 = B: 3 G: 2 R: 1 \n"
            "PALET 255 = B:ef G:cd R:ab \n");
}

}  // namespace
