#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <optional>
#include <random>
#include <vector>

#include "cyclemake/cyclemake.h"
#include "logo_image/pixels.h"

namespace {

using logo::Palette;
using logo::RemapTable;

// The original step-by-step placement, kept to show that the exchanges give
// the same bytes wherever the original was right.
void placeLiterally(Palette& palette, RemapTable& remap, const std::vector<std::uint8_t>& slots) {
  for (std::size_t i = 0; i < slots.size(); ++i) {
    auto target = static_cast<std::uint8_t>(255 - i);
    std::uint8_t chosen = slots[i];
    std::uint8_t saved_remap = remap[target];
    logo::PaletteEntry saved = palette[target];
    remap[target] = chosen;
    const logo::PaletteEntry& source = palette[remap[chosen]];
    palette[target].blue = source.blue;
    palette[target].green = source.green;
    palette[target].red = source.red;
    for (int j = 0; j < 256; ++j) {
      if (remap[j] == chosen && j != target) {
        remap[j] = saved_remap;
        palette[j].blue = saved.blue;
        palette[j].green = saved.green;
        palette[j].red = saved.red;
        break;
      }
    }
  }
}

Palette randomPalette(std::mt19937& random) {
  Palette palette;
  for (logo::PaletteEntry& entry : palette) {
    std::uint32_t bits = random();
    entry = {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
             static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
  }
  return palette;
}

std::vector<std::uint8_t> distinctSlots(std::mt19937& random, int count, int below) {
  std::vector<std::uint8_t> all(below);
  std::iota(all.begin(), all.end(), 0);
  std::shuffle(all.begin(), all.end(), random);
  all.resize(count);
  return all;
}

bool samePalette(const Palette& a, const Palette& b) {
  return std::equal(a.begin(), a.end(), b.begin(), [](const auto& x, const auto& y) {
    return logo::sameColour(x, y) && x.flag == y.flag;
  });
}

TEST(SlotPlacement, ExchangesGiveTheOriginalBytesWhereTheOriginalWasRight) {
  std::mt19937 random(20261207);
  for (int round = 0; round < 2000; ++round) {
    int count = 1 + static_cast<int>(random() % 16);
    std::vector<std::uint8_t> slots = distinctSlots(random, count, 256 - count);
    // Some indices name their own target slot, which the original also handled.
    for (int i = 0; i < count; ++i) {
      if (random() % 4 == 0) slots[i] = static_cast<std::uint8_t>(255 - i);
    }
    Palette source = randomPalette(random);
    Palette literal = source;
    Palette exchanged = source;
    RemapTable literal_remap = logo::identityRemap();
    RemapTable exchanged_remap = logo::identityRemap();

    placeLiterally(literal, literal_remap, slots);
    cyclemake::placeAnimationSlots(exchanged, exchanged_remap, slots);

    ASSERT_TRUE(samePalette(exchanged, literal)) << "round " << round;
    ASSERT_EQ(exchanged_remap, literal_remap) << "round " << round;
  }
}

// What any placement must give: every source colour still shown by its
// renumbered pixels, the chosen colours in the top slots in order, and the
// flag bytes where they were.
void expectPictureKept(const Palette& source, const std::vector<std::uint8_t>& slots) {
  Palette placed = source;
  RemapTable remap = logo::identityRemap();
  cyclemake::placeAnimationSlots(placed, remap, slots);

  RemapTable sorted = remap;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, logo::identityRemap()) << "the renumbering must be a permutation";
  for (int index = 0; index < 256; ++index) {
    EXPECT_TRUE(logo::sameColour(placed[remap[index]], source[index])) << "pixel " << index;
    EXPECT_EQ(placed[index].flag, source[index].flag) << "flag of slot " << index;
  }
  for (std::size_t i = 0; i < slots.size(); ++i) {
    EXPECT_TRUE(logo::sameColour(placed[255 - i], source[slots[i]])) << "slot " << 255 - i;
  }
}

TEST(SlotPlacement, KeepsThePictureWhenIndicesLieInTheTargetRange) {
  Palette source = [] {
    std::mt19937 random(7);
    return randomPalette(random);
  }();
  const std::vector<std::vector<std::uint8_t>> cases = {
      {5, 9},       // plain exchanges
      {255},        // the index is its own target
      {2, 3, 255},  // 255 was moved away before its turn
      {2, 254, 3},  // 254 is the target of this very step
      {254, 255},   // the two top slots change places
      {240, 241, 242, 243, 244, 245, 246, 247, 248, 249, 250, 251, 252, 253, 254, 255},
      {0, 255, 1, 254, 2, 253},
  };
  for (const auto& slots : cases) {
    SCOPED_TRACE(::testing::PrintToString(slots));
    expectPictureKept(source, slots);
  }
}

TEST(SlotPlacement, KeepsThePictureForRandomDistinctIndices) {
  std::mt19937 random(1995);
  for (int round = 0; round < 500; ++round) {
    int count = 1 + static_cast<int>(random() % 16);
    Palette source = randomPalette(random);
    SCOPED_TRACE(round);
    expectPictureKept(source, distinctSlots(random, count, 256));
  }
}

struct RequestCase {
  std::vector<const char*> argv;
  std::optional<cyclemake::RequestError> expected;  // none: accepted
};

TEST(ReadRequest, ChecksCountAndIndicesInOrder) {
  using E = cyclemake::RequestError;
  const RequestCase cases[] = {
      {{"cyclemake", "a", "b", "1"}, E::kUsage},
      {{"cyclemake", "a", "b", "2", "5"}, E::kColourCount},  // fewer indices than counted
      {{"cyclemake", "a", "b", "0", "5"}, E::kColourCount},
      {{"cyclemake", "a", "b", "x", "5"}, E::kColourCount},  // no digits read as 0
      {{"cyclemake", "a", "b", "-1", "5"}, E::kColourCount},
      {{"cyclemake", "a", "b", "17", "0",  "1",  "2",  "3",  "4",  "5", "6",
        "7",         "8", "9", "10", "11", "12", "13", "14", "15", "16"},
       E::kColourCount},  // more than the 16 animated slots
      {{"cyclemake", "a", "b", "1", "256"}, E::kPaletteIndex},
      {{"cyclemake", "a", "b", "1", "-1"}, E::kPaletteIndex},
      {{"cyclemake", "a", "b", "1", "4294967301"}, E::kPaletteIndex},  // must not wrap to 5
      {{"cyclemake", "a", "b", "2", "7", "7"}, E::kPaletteIndex},
      {{"cyclemake", "a", "b", "2", "7", " +7"},
       E::kPaletteIndex},  // the same index, written otherwise
      {{"cyclemake", "a", "b", "1", "255"}, std::nullopt},
      {{"cyclemake", "a", "b", " 2x", "0", "9z"}, std::nullopt},
      {{"cyclemake", "a", "b", "16", "0",  "1",  "2",  "3",  "4",  "5",
        "6",         "7", "8", "9",  "10", "11", "12", "13", "14", "15"},
       std::nullopt},
  };
  for (const RequestCase& c : cases) {
    auto request = cyclemake::readRequest(static_cast<int>(c.argv.size()), c.argv.data());
    std::optional<cyclemake::RequestError> error;
    if (!request) error = request.error();
    EXPECT_EQ(error, c.expected) << ::testing::PrintToString(c.argv);
  }
}

TEST(ReadRequest, KeepsTheIndicesInCommandLineOrder) {
  const char* argv[] = {"cyclemake", "in.bmp", "logo.sys", "3", "40", "3", "12"};
  auto read = cyclemake::readRequest(7, argv);
  ASSERT_TRUE(read);
  const cyclemake::LogoRequest& request = *read;
  EXPECT_STREQ(request.sourcePath, "in.bmp");
  EXPECT_STREQ(request.outputPath, "logo.sys");
  EXPECT_EQ(std::vector<std::uint8_t>(request.slots().begin(), request.slots().end()),
            (std::vector<std::uint8_t>{40, 3, 12}));
}

}  // namespace
