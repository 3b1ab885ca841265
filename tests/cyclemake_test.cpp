// The built cyclemake, run on pictures made here.
#include "cyclemake/cyclemake.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/test_support.h"

namespace {

using testing_support::Bytes;
using testing_support::Picture;
using testing_support::RunOptions;
using testing_support::RunResult;
using testing_support::sameBytes;

const std::string kProgram = CYCLEMAKE_PROGRAM;

class CyclemakeTest : public ::testing::Test, protected testing_support::Sandbox {
 protected:
  CyclemakeTest() : Sandbox(kProgram) { write("in.bmp", source.bytes()); }

  Picture made() const { return Picture::parse(read("logo.sys")); }

  Picture source = testing_support::makePicture();
};

std::vector<std::string> countAndIndices(int count, int first) {
  std::vector<std::string> args = {"in.bmp", "logo.sys", std::to_string(count)};
  for (int i = 0; i < count; ++i) args.push_back(std::to_string(first + i));
  return args;
}

TEST_F(CyclemakeTest, UsageTextIsShiftJis) {
  const std::string unicode =
      "\n"
      "*************** Windos95 起動logoファイル作成TOOL ****************\n"
      "cyclemake 参照元ファイル名 作成ファイル名 アニメ色数 h1 h2 ････hn\n"
      "  [パラメータ説明]\n"
      "    参照元ファイル名:作成時に参照されるBMP FILEの名前(read only)。\n"
      "    作成ファイル名  :新たに作成される起動logo FILEの名前。\n"
      "                     通常は logo.sys と指定して下さい。\n"
      "    アニメ色数      :パレットアニメーションする色の数。Max 16\n"
      "    h?              :パレットアニメーションする色を、現在のパレットの\n"
      "                     何番目(0-255の10進数)かで指定する。不明な場合は、\n"
      "                     huefind.exeを-s指定で実行して確認できます。アニメ\n"
      "                     色数に指定した数(n)だけ記入して下さい。色は以下の\n"
      "                     ように変化していきます。\n"
      "                       h1 = h1 -> h2   -> ････ -> hn-1 -> hn   -> h1 -> ････\n"
      "                       h2 = h2 -> h3   -> ････ -> hn   -> h1   -> h2 -> ････\n"
      "                            |     |                |       |       |\n"
      "                            |     |                |       |       |\n"
      "                       hn = hn -> hn+1 -> ････ -> hn-2 -> hn-1 -> hn -> ････\n"
      "\n"
      "\n";
  Bytes expected = testing_support::shiftJisOf(unicode);
  for (const auto& args :
       std::vector<std::vector<std::string>>{{}, {"in.bmp"}, {"in.bmp", "logo.sys", "1"}}) {
    RunResult result = run(args);
    EXPECT_EQ(result.status, 2);
    EXPECT_TRUE(sameBytes(result.out, expected));
  }
  EXPECT_NE(expected.find("h2 \xA5\xA5\xA5\xA5hn\n"), Bytes::npos) << "half-width middle dots";
  EXPECT_FALSE(exists("logo.sys"));
}

TEST_F(CyclemakeTest, RefusesBadCommandLinesBeforeTouchingAFile) {
  std::vector<std::string> seventeen = countAndIndices(17, 0);
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"in.bmp", "logo.sys", "2", "5"}, "COLOR NUM. ERROR\n"},
      {{"in.bmp", "logo.sys", "0", "5"}, "COLOR NUM. ERROR\n"},
      {{"in.bmp", "logo.sys", "1", "5", "6"}, "COLOR NUM. ERROR\n"},
      {seventeen, "COLOR NUM. ERROR\n"},
      {{"in.bmp", "logo.sys", "1", "256"}, "PALET NUM. ERROR\n"},
      {{"in.bmp", "logo.sys", "1", "-3"}, "PALET NUM. ERROR\n"},
      {{"in.bmp", "logo.sys", "3", "7", "8", "7"}, "PALET NUM. ERROR\n"},
      // the indices are checked before the source is opened
      {{"missing.bmp", "logo.sys", "1", "300"}, "PALET NUM. ERROR\n"},
      {{"missing.bmp", "logo.sys", "1", "5"}, "IN FILE OPEN ERROR\n"},
      {{"in.bmp", "no/such/folder/logo.sys", "1", "5"}, "OUT FILE OPEN ERROR\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    RunResult result = run(c.args);
    EXPECT_EQ(result.out, c.message);
    EXPECT_EQ(result.status, 1);
    EXPECT_FALSE(exists("logo.sys"));
  }
}

TEST_F(CyclemakeTest, RefusesToWriteOverItsSource) {
  ASSERT_EQ(link(path("in.bmp").c_str(), path("hard.bmp").c_str()), 0);
  ASSERT_EQ(symlink("in.bmp", path("soft.bmp").c_str()), 0);
  for (const char* output : {"in.bmp", "./in.bmp", "hard.bmp", "soft.bmp"}) {
    RunResult result = run({"in.bmp", output, "2", "5", "9"});
    EXPECT_EQ(result.out, "SAME FILE ERROR\n") << output;
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(sameBytes(read("in.bmp"), source.bytes())) << output;
  }
}

TEST_F(CyclemakeTest, ExchangesTheChosenColoursWithTheTopSlots) {
  RunResult result = run({"in.bmp", "logo.sys", "2", "5", "9"});
  EXPECT_EQ(result.out, "\nFILE WRITE END!!");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");

  Picture logo = made();
  EXPECT_EQ(logo.animationStart(), 254);
  const int exchanged[][2] = {{5, 255}, {9, 254}, {255, 5}, {254, 9}};
  for (const auto& [slot, from] : exchanged) {
    EXPECT_TRUE(logo::sameColour(logo.palette[slot], source.palette[from])) << slot;
  }
  for (std::size_t i = 0; i < source.pixels.size(); ++i) {
    int pixel = source.pixels[i];
    int expected = pixel == 5     ? 255
                   : pixel == 255 ? 5
                   : pixel == 9   ? 254
                   : pixel == 254 ? 9
                                  : pixel;
    ASSERT_EQ(logo.pixels[i], expected) << "pixel " << i;
  }
}

TEST_F(CyclemakeTest, KeepsThePictureAndTheFileLayout) {
  logo::writeLittleEndian(source.header, logo::kImportantColoursField, 0x33221100);
  source.palette[5].flag = 2;
  source.palette[255].flag = 1;
  source.trailing = Bytes(5000, '\x7f');  // not part of the picture
  write("in.bmp", source.bytes());

  const std::vector<std::vector<std::string>> cases = {
      {"in.bmp", "logo.sys", "2", "5", "9"},
      {"in.bmp", "logo.sys", "3", "2", "3", "255"},
      {"in.bmp", "logo.sys", "3", "2", "254", "3"},
      {"in.bmp", "logo.sys", "1", "255"},
      countAndIndices(16, 100),
      countAndIndices(16, 240),
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(::testing::PrintToString(args));
    int count = std::stoi(args[2]);
    ASSERT_EQ(run(args).status, 0);
    Bytes written = read("logo.sys");
    ASSERT_EQ(written.size(), logo::kLogoFileSize);
    Picture logo = Picture::parse(written);
    EXPECT_EQ(logo.animationStart(), 256 - count);
    EXPECT_EQ(Bytes(written, 51, 3), "\x11\x22\x33");
    EXPECT_TRUE(sameBytes(Bytes(written, 0, 50), source.bytes().substr(0, 50)));
    EXPECT_EQ(logo.palette[5].flag, 2);
    EXPECT_EQ(logo.palette[255].flag, 1);
    EXPECT_EQ(shownColours(logo), shownColours(source));
    for (int i = 0; i < count; ++i) {
      EXPECT_TRUE(logo::sameColour(logo.palette[255 - i], source.palette[std::stoi(args[3 + i])]));
    }
  }
}

TEST_F(CyclemakeTest, ReplacesAnExistingOutput) {
  write("logo.sys", Bytes(200000, 'x'));
  ASSERT_EQ(run({"in.bmp", "logo.sys", "1", "7"}).status, 0);
  EXPECT_EQ(read("logo.sys").size(), logo::kLogoFileSize);
}

TEST_F(CyclemakeTest, ReportsAFullDiskAndRemovesThePartialFile) {
  const struct {
    std::uint64_t limit;
    const char* message;
    int status;
  } cases[] = {
      {0, "\nFILE WRITE ERROR\n", 1},
      {60, "\nFILE WRITE ERROR\n", 1},  // the header fits, the palette does not
      {1000, "\nFILE WRITE ERROR\n", 1},
      {logo::kLogoFileSize - 1, "\nFILE WRITE ERROR\n", 1},
      {logo::kLogoFileSize, "\nFILE WRITE END!!", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.limit);
    RunOptions options;
    options.fileSizeLimit = c.limit;
    RunResult result = run({"in.bmp", "logo.sys", "2", "5", "9"}, options);
    EXPECT_EQ(result.out, c.message);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(exists("logo.sys"), c.status == 0);
  }
}

TEST_F(CyclemakeTest, WarnsAboutAnOddSourceAndGoesOn) {
  const struct {
    const char* what;
    Bytes content;
  } cases[] = {
      {"truncated", source.bytes().substr(0, 1000)},
      {"empty", ""},
      {"not a bitmap", Bytes(logo::kLogoFileSize, 'z')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    write("in.bmp", c.content);
    RunResult result = run({"in.bmp", "logo.sys", "1", "0"});
    EXPECT_EQ(result.out, "\nFILE WRITE END!!");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err.rfind("cyclemake: WARNING", 0), 0u) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1);
    EXPECT_EQ(read("logo.sys").size(), logo::kLogoFileSize);
  }
}

TEST_F(CyclemakeTest, ReadsMissingPixelsAsZero) {
  // The pixel stream stops after one and a half chunks.
  Bytes truncated = source.bytes().substr(0, logo::kPixelOffset + 384);
  write("in.bmp", truncated);
  ASSERT_EQ(run({"in.bmp", "logo.sys", "1", "0"}).status, 0);
  Picture logo = made();
  for (std::size_t i = 0; i < logo.pixels.size(); ++i) {
    int expected = i < 384 ? source.pixels[i] : 0;
    expected = expected == 0 ? 255 : expected == 255 ? 0 : expected;
    ASSERT_EQ(logo.pixels[i], expected) << "pixel " << i;
  }
}

}  // namespace
