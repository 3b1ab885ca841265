#include <gtest/gtest.h>

#include "huefind/huefind.h"
#include "tests/test_support.h"

namespace {

using testing_support::colour;

TEST(FindColour, ReportsTheFirstMatchAnywhereInThePalette) {
  huefind::Palette<16> palette{};
  palette[7] = colour(255, 0, 0);
  palette[9] = colour(255, 0, 0);
  palette[15] = colour(1, 2, 3, 9);
  palette[3] = colour(0, 0, 44);  // what 300 would be cut to
  const struct {
    int red, green, blue, found;
  } cases[] = {
      {255, 0, 0, 7},  {1, 2, 3, 15},   {0, 0, 0, 0},   {0, 0, 44, 3},
      {0, 0, 300, -1}, {256, 0, 0, -1}, {-1, 0, 0, -1}, {3, 2, 1, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(huefind::findColour(palette, c.red, c.green, c.blue), c.found)
        << c.red << " " << c.green << " " << c.blue;
  }
}

struct Edit {
  huefind::LoopEnd end;
  std::string said;
};

template <std::size_t Entries>
Edit edit(huefind::Palette<Entries>& palette, const std::string& typed) {
  testing_support::FakeConsole console(typed);
  huefind::NumberPrompt prompt(console.in(), console.out());
  huefind::LoopEnd end = huefind::updateColours(palette, prompt, console.out());
  return {end, console.said()};
}

TEST(UpdateColours, StoresTheLowEightBitsAndKeepsTheFlag) {
  huefind::Palette<256> palette{};
  palette[3] = colour(1, 1, 1, 7);
  Edit result = edit(palette, "3\n10\n20\n300\ne\n");
  EXPECT_EQ(result.end, huefind::LoopEnd::kUpdate);
  EXPECT_EQ(palette[3], colour(10, 20, 44, 7));
}

TEST(UpdateColours, ShowsTheValuesOfAnEarlierEdit) {
  huefind::Palette<256> palette{};
  Edit result = edit(palette, "3\n10\n20\n30\n3\nn\n");
  EXPECT_EQ(result.end, huefind::LoopEnd::kNoAction);
  EXPECT_NE(result.said.find("\nPalet3 = R:0 G:0 B:0"), std::string::npos);
  EXPECT_NE(result.said.find("\nPalet3 = R:10 G:20 B:30"), std::string::npos);
}

TEST(UpdateColours, StoresNothingForAColourLeftUnfinished) {
  for (const char* typed : {"3\ne\n", "3\n10\ne\n", "3\n10\n20\nn\n", "e\n"}) {
    huefind::Palette<256> palette{};
    edit(palette, typed);
    EXPECT_EQ(palette[3], colour(0, 0, 0)) << typed;
  }
}

TEST(UpdateColours, RefusesNumbersOutsideThePalette) {
  huefind::Palette<16> palette{};
  Edit result = edit(palette, "16\n-1\n15\n1\n2\n3\ne\n");
  EXPECT_EQ(result.end, huefind::LoopEnd::kUpdate);
  EXPECT_EQ(palette[15], colour(1, 2, 3));
  const std::string refused = "**** Input Error !! ****\nInput Once again.   = ";
  EXPECT_NE(result.said.find("? " + refused + refused + "\nPalet15 = "), std::string::npos)
      << result.said;

  huefind::Palette<256> wide{};
  EXPECT_EQ(edit(wide, "300\nn\n").end, huefind::LoopEnd::kNoAction);
  EXPECT_EQ(edit(wide, "255\n").end, huefind::LoopEnd::kEndOfInput);
}

}  // namespace
