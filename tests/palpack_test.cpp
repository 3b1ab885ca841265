// The built palpack, run on pictures made here.
#include "palpack/palpack.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/test_support.h"

namespace {

using testing_support::Bytes;
using testing_support::colour;
using testing_support::Picture;
using testing_support::RunOptions;
using testing_support::RunResult;
using testing_support::sameBytes;

const std::string kProgram = PALPACK_PROGRAM;

class PalpackTest : public ::testing::Test, protected testing_support::Sandbox {
 protected:
  PalpackTest() : Sandbox(kProgram) { save(source); }

  void save(const Picture& picture) { write("in.bmp", picture.bytes()); }
  Picture written() const { return Picture::parse(read("out.bmp")); }
  bool outputExists() const { return exists("out.bmp"); }

  Picture source = testing_support::makePicture();
};

// A picture whose pixels use only the given palette entries, in turn.
Picture pictureUsing(const std::vector<int>& entries) {
  Picture picture = testing_support::makePicture();
  for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
    picture.pixels[i] = static_cast<std::uint8_t>(entries[i * 7 % entries.size()]);
  }
  return picture;
}

Picture logoUsing(const std::vector<int>& entries, int animationStart) {
  Picture picture = pictureUsing(entries);
  picture.header[logo::kAnimationStartOffset] = static_cast<std::uint8_t>(animationStart);
  return picture;
}

const char kNotLogo[] = "ERROR!! THIS IN-FILE IS NOT LOGO-FILE !\n";
const char kNoOutput[] = "ERROR!! PLEASE INPUT OUT-FILE-NAME !\n";

TEST_F(PalpackTest, UsageTextIsShiftJis) {
  const std::string unicode =
      "\n"
      "*************** Windos95 起動logoファイル編集TOOL ****************\n"
      "palpack 参照元ﾌｧｲﾙ名 {-p|-u|-a} [作成ﾌｧｲﾙ名] \n"
      "            |          |          +---- 新たに作成されるBMP FILEの名前\n"
      "            |          +------ オプションの指定\n"
      "            |            -p : パレットの表示(256色)\n"
      "            |            -u : パレットの再配分(256色)\n"
      "            |            -a : パレットの再配分(除アニメ色)\n"
      "            +------ 作成時に参照されるBMP FILEの名前(read only)\n"
      "\n"
      "\n";
  Bytes expected = testing_support::shiftJisOf(unicode);
  for (const auto& args : std::vector<std::vector<std::string>>{
           {}, {"in.bmp"}, {"in.bmp", "-u", "out.bmp", "extra"}}) {
    RunResult result = run(args);
    EXPECT_EQ(result.status, 2);
    EXPECT_TRUE(sameBytes(result.out, expected));
  }
  // "ﾌｧｲﾙ" in half-width katakana, one byte a character
  EXPECT_NE(expected.find("\xCC\xA7\xB2\xD9"), Bytes::npos);
}

TEST_F(PalpackTest, ChecksTheSourceBeforeTheOption) {
  ASSERT_EQ(link(path("in.bmp").c_str(), path("hard.bmp").c_str()), 0);
  ASSERT_EQ(symlink("in.bmp", path("soft.bmp").c_str()), 0);
  const struct {
    std::vector<std::string> args;
    std::string out;
  } cases[] = {
      {{"missing.bmp", "-u"}, "IN FILE OPEN ERROR\n"},
      {{"missing.bmp", "-x", "out.bmp"}, "IN FILE OPEN ERROR\n"},
      {{"in.bmp", "-x", "out.bmp"}, "OPTION ERROR!!\n"},
      {{"in.bmp", "-p-", "out.bmp"}, "OPTION ERROR!!\n"},
      {{"in.bmp", "p"}, "OPTION ERROR!!\n"},
      {{"in.bmp", "-u"}, kNoOutput},
      {{"in.bmp", "-U"}, kNoOutput},
      {{"in.bmp", "-a"}, kNoOutput},
      {{"in.bmp", "-A", "out.bmp"}, kNotLogo},
      {{"in.bmp", "-u", "in.bmp"},
       "NOW IN-FILE'S PALET SERCH!(-u mode)\nERROR!! IN-FILE AND OUT-FILE ARE SAME !\n"},
      {{"in.bmp", "-U", "hard.bmp"},
       "NOW IN-FILE'S PALET SERCH!(-u mode)\nERROR!! IN-FILE AND OUT-FILE ARE SAME !\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    RunResult result = run(c.args, "y\n");
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.status, 1);
    EXPECT_FALSE(outputExists());
  }
  EXPECT_TRUE(sameBytes(read("in.bmp"), source.bytes()));
}

TEST_F(PalpackTest, RefusesALogoAsItsOwnOutput) {
  save(logoUsing({0, 250}, 240));
  Bytes before = read("in.bmp");
  RunResult result = run({"in.bmp", "-a", "./in.bmp"}, "y\n");
  EXPECT_EQ(result.out,
            "NOW IN-FILE'S PALET SERCH!(-a mode)\nERROR!! IN-FILE AND OUT-FILE ARE SAME !\n");
  EXPECT_TRUE(sameBytes(read("in.bmp"), before));
}

TEST_F(PalpackTest, ReportsEveryEntryAndItsUse) {
  Picture picture = pictureUsing({0, 7, 9});
  picture.palette[0] = colour(0, 0, 0);
  picture.palette[7] = colour(255, 16, 10);
  picture.palette[8] = colour(1, 2, 3, 1);  // unused, flag byte 1
  picture.palette[9].flag = 2;              // used, flag byte 2
  save(picture);
  for (const char* option : {"-p", "-P"}) {
    RunResult result = run({"in.bmp", option, "out.bmp"});
    EXPECT_EQ(result.status, 0);
    EXPECT_FALSE(outputExists()) << "an output name is ignored";
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 258);
    EXPECT_TRUE(
        result.out.starts_with("NOW IN-FILE'S PALET SERCH!(-p mode)\n"
                               "IN-FILE PALET = \n"
                               "PALET   0 = B: 0 G: 0 R: 0  <== THIS COLOR USE = 1\n"));
    for (const char* line : {"PALET   7 = B: a G:10 R:ff  <== THIS COLOR USE = 1\n",
                             "PALET   8 = B: 3 G: 2 R: 1  <== THIS COLOR USE = 1\n",
                             "PALET   9 = B:3f G:f6 R: 9  <== THIS COLOR USE = 3\n",
                             "PALET 255 = B:f9 G: 0 R:ff  <== THIS COLOR USE = 0\n"}) {
      EXPECT_NE(result.out.find(line), Bytes::npos) << line;
    }
  }
}

TEST_F(PalpackTest, PacksTheUsedColoursIntoTheLowSlots) {
  Picture picture = pictureUsing({3, 10, 200});
  save(picture);
  RunResult result = run({"in.bmp", "-u", "out.bmp"}, "y\n");
  EXPECT_EQ(result.out,
            "NOW IN-FILE'S PALET SERCH!(-u mode)\n"
            "NEW PALET = \n"
            "PALET   0 = B:15 G:fc R: 3 \n"
            "PALET   1 = B:46 G:f5 R: a \n"
            "PALET   2 = B:78 G:37 R:c8 \n"
            "\nBeyond This Number Is Null\n"
            "\nNew File Make? Y/N/E :"
            "FILE WRITE START!!\n"
            "\nFILE WRITE END!!");
  EXPECT_EQ(result.status, 0);
  Bytes bytes = read("out.bmp");
  ASSERT_EQ(bytes.size(), logo::kLogoFileSize);
  Picture packed = Picture::parse(bytes);
  EXPECT_EQ(packed.header, picture.header);
  for (int slot = 3; slot < 256; ++slot) {
    ASSERT_EQ(packed.palette[slot], colour(0, 0, 0)) << slot;
  }
  for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
    int expected = picture.pixels[i] == 3 ? 0 : picture.pixels[i] == 10 ? 1 : 2;
    ASSERT_EQ(packed.pixels[i], expected) << i;
  }
  EXPECT_EQ(shownColours(packed), shownColours(picture));
}

TEST_F(PalpackTest, WritesOnlyOnYes) {
  const struct {
    Bytes typed;
    int status;
    bool written;
  } cases[] = {
      {"\n", 0, true},     {"y\n", 0, true},
      {"Y\n", 0, true},    {"n\n", 0, false},
      {"N\n", 0, false},   {"e\n", 0, false},
      {"E\n", 0, false},   {"yes\nn\n", 0, false},
      {"x\ny\n", 0, true}, {Bytes(300, 'y') + "\nn\n", 0, false},
      {"", 1, false},      {"yes\n", 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed.substr(0, 10));
    std::remove(path("out.bmp").c_str());
    RunResult result = run({"in.bmp", "-u", "out.bmp"}, c.typed);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(outputExists(), c.written);
    EXPECT_EQ(result.out.find("FILE WRITE START!!") != Bytes::npos, c.written);
  }
}

TEST_F(PalpackTest, ReportsAnOutputItCannotCreate) {
  RunResult result = run({"in.bmp", "-u", "no/such/folder/out.bmp"}, "y\n");
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(result.out.ends_with("\nNew File Make? Y/N/E :OUT FILE OPEN ERROR\n"));
}

TEST_F(PalpackTest, ReportsAFullDiskAndRemovesThePartialFile) {
  for (std::uint64_t limit : {0, 2000, 129077}) {
    SCOPED_TRACE(limit);
    RunOptions options;
    options.input = "y\n";
    options.fileSizeLimit = limit;
    RunResult result = run({"in.bmp", "-u", "out.bmp"}, options);
    EXPECT_TRUE(result.out.ends_with("FILE WRITE START!!\n\nFILE WRITE ERROR\n")) << result.out;
    EXPECT_EQ(result.status, 1);
    EXPECT_FALSE(outputExists());
  }
}

TEST_F(PalpackTest, PacksBelowTheAnimationAndKeepsItsSlots) {
  std::vector<int> low_and_animated;
  for (int i = 0; i < 100; ++i) low_and_animated.push_back(i);
  for (int i = 240; i < 256; ++i) low_and_animated.push_back(i);
  std::vector<int> all_below;
  for (int i = 0; i < 240; ++i) all_below.push_back(i);

  const struct {
    const char* what;
    Picture picture;
  } cases[] = {
      {"every slot below 240 used", logoUsing(all_below, 240)},
      {"slots 0-99 and 240-255 used", logoUsing(low_and_animated, 240)},
      {"sparse below 240", logoUsing({4, 17, 17, 90, 238, 239, 241, 255}, 240)},
      {"start index 1", logoUsing({0, 1, 2, 200}, 1)},
      {"start index 16", logoUsing({3, 15, 16, 100}, 16)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    save(c.picture);
    int start = c.picture.animationStart();
    RunResult result = run({"in.bmp", "-a", "out.bmp"}, "\n");
    ASSERT_EQ(result.status, 0);
    EXPECT_TRUE(result.out.starts_with("NOW IN-FILE'S PALET SERCH!(-a mode)\n"));
    EXPECT_NE(result.out.find("\nBeyond This Number Is Null\nANIMATION PALET = \n"), Bytes::npos);
    Picture packed = written();
    EXPECT_EQ(packed.header, c.picture.header);
    EXPECT_EQ(shownColours(packed), shownColours(c.picture));
    for (int slot = start - 1; slot < 256; ++slot) {
      EXPECT_TRUE(logo::sameColour(packed.palette[slot], c.picture.palette[slot])) << slot;
    }
    for (std::size_t i = 0; i < c.picture.pixels.size(); ++i) {
      if (c.picture.pixels[i] >= start) {
        ASSERT_EQ(packed.pixels[i], c.picture.pixels[i]) << i;
      }
    }
  }
}

TEST_F(PalpackTest, LeavesAFullyUsedLogoAsItWas) {
  std::vector<int> all_below;
  for (int i = 0; i < 240; ++i) all_below.push_back(i);
  Picture picture = logoUsing(all_below, 240);
  save(picture);
  ASSERT_EQ(run({"in.bmp", "-a", "out.bmp"}, "y\n").status, 0);
  EXPECT_TRUE(sameBytes(read("out.bmp"), picture.bytes()));
}

TEST_F(PalpackTest, ZeroesTheUnusedSlotsBelowTheAnimation) {
  std::vector<int> entries;
  for (int i = 0; i < 100; ++i) entries.push_back(i);
  for (int i = 240; i < 256; ++i) entries.push_back(i);
  save(logoUsing(entries, 240));
  ASSERT_EQ(run({"in.bmp", "-a", "out.bmp"}, "y\n").status, 0);
  Picture packed = written();
  for (int slot = 0; slot < 100; ++slot) {
    EXPECT_TRUE(logo::sameColour(packed.palette[slot], source.palette[slot])) << slot;
  }
  for (int slot = 100; slot < 239; ++slot) {
    EXPECT_TRUE(logo::sameColour(packed.palette[slot], colour(0, 0, 0))) << slot;
  }
}

TEST_F(PalpackTest, KeepsUsedColoursWhateverTheirFlagBytes) {
  Picture picture = pictureUsing({1, 2, 5, 130, 131, 250});
  picture.palette[2].flag = 2;  // used: must be kept
  picture.palette[130].flag = 0xFE;
  picture.palette[7].flag = 1;  // unused, but marked in the source: kept
  picture.palette[9].flag = 2;  // unused: dropped
  for (int start : {0, 240}) {
    SCOPED_TRACE(start);
    picture.header[logo::kAnimationStartOffset] = static_cast<std::uint8_t>(start);
    save(picture);
    ASSERT_EQ(run({"in.bmp", start == 0 ? "-u" : "-a", "out.bmp"}, "y\n").status, 0);
    Picture packed = written();
    EXPECT_EQ(shownColours(packed), shownColours(picture));
    EXPECT_TRUE(logo::sameColour(packed.palette[3], picture.palette[7]));
    EXPECT_TRUE(logo::sameColour(packed.palette[4], picture.palette[130]));
  }
}

TEST_F(PalpackTest, PacksTheAnimatedSlotsTooWhenAskedToPackAll) {
  Picture picture = logoUsing({0, 100, 250}, 240);
  save(picture);
  ASSERT_EQ(run({"in.bmp", "-u", "out.bmp"}, "y\n").status, 0);
  Picture packed = written();
  EXPECT_EQ(packed.animationStart(), 240);
  EXPECT_TRUE(logo::sameColour(packed.palette[2], picture.palette[250]));
  EXPECT_EQ(shownColours(packed), shownColours(picture));
}

}  // namespace
