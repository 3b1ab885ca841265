#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>

#include "logo_image/conformance.h"
#include "logo_image/console.h"
#include "logo_image/files.h"
#include "logo_image/numbers.h"
#include "logo_image/shift_jis.h"
#include "tests/test_support.h"

namespace {

using testing_support::Bytes;
using testing_support::Sandbox;

TEST(ReadNumber, FollowsAtoiAndSaturates) {
  const struct {
    const char* text;
    int expected;
  } cases[] = {
      {"7", 7},
      {" 7", 7},
      {"\t\n 42", 42},
      {"+5", 5},
      {"-1", -1},
      {"12e", 12},
      {"e12", 0},
      {"", 0},
      {"  ", 0},
      {"-", 0},
      {"+-3", 0},
      {"0x10", 0},
      {"2147483647", INT_MAX},
      {"2147483648", INT_MAX},
      {"-2147483648", INT_MIN},
      {"-99999999999999999999", INT_MIN},
      {"4294967301", INT_MAX},  // atoi on a 64-bit long would wrap this to 5
  };
  for (const auto& c : cases)
    EXPECT_EQ(logo::readNumber(c.text), c.expected) << '"' << c.text << '"';
}

Bytes shiftJisFromWriter(std::string_view utf8, bool* complete = nullptr) {
  testing_support::FakeConsole console;
  bool written = logo::writeShiftJis(console.out(), utf8);
  if (complete != nullptr) *complete = written;
  return console.said();
}

TEST(ShiftJis, MatchesIconvOnEveryKindOfCharacter) {
  const char* texts[] = {
      "plain ASCII \\ ~ {-s|-u}\n",
      "R(赤) G(緑) B(青)",                   // kanji
      "パレットアニメーション、。",          // full-width katakana and punctuation
      "ﾌｧｲﾙ名 ････hn",                       // half-width katakana, one byte each
      "して下さい。ように変化していきます",  // hiragana
  };
  for (const char* text : texts) {
    EXPECT_TRUE(
        testing_support::sameBytes(shiftJisFromWriter(text), testing_support::shiftJisOf(text)))
        << text;
  }
}

TEST(ShiftJis, ReportsCharactersItCannotWrite) {
  bool complete = true;
  EXPECT_EQ(shiftJisFromWriter("a\u00e9b", &complete), "ab");
  EXPECT_FALSE(complete);
  EXPECT_EQ(shiftJisFromWriter("a\xffz", &complete), "az");  // not UTF-8 at all
  EXPECT_FALSE(complete);
}

logo::LogoHeader conformingHeader() {
  return testing_support::makePicture().header;
}

TEST(Conformance, NamesTheFirstFieldThatDoesNotFit) {
  const struct {
    const char* what;
    std::size_t offset;
    std::uint8_t value;
    long long size;
    bool conforms;
  } cases[] = {
      {"as made", 0, 'B', logo::kLogoFileSize, true},
      {"unknown size (a pipe)", 0, 'B', -1, true},
      {"longer than needed", 0, 'B', logo::kLogoFileSize + 10, true},
      {"shorter", 0, 'B', logo::kLogoFileSize - 1, false},
      {"signature", 1, 'A', logo::kLogoFileSize, false},
      {"bits per pixel", 28, 4, logo::kLogoFileSize, false},
      {"width 321", 18, 0x41, logo::kLogoFileSize, false},
      {"height 401", 22, 0x91, logo::kLogoFileSize, false},
      {"compression", 30, 1, logo::kLogoFileSize, false},
      {"pixel offset", 10, 0x37, logo::kLogoFileSize, false},
  };
  for (const auto& c : cases) {
    logo::LogoHeader header = conformingHeader();
    header[c.offset] = c.value;
    EXPECT_EQ(logo::findNonConformance(header, c.size) == nullptr, c.conforms) << c.what;
  }
}

TEST(Conformance, AcceptsATopDownPicture) {
  logo::LogoHeader header = conformingHeader();
  std::int32_t minus400 = -400;
  for (int i = 0; i < 4; ++i) header[22 + i] = static_cast<std::uint8_t>(minus400 >> (8 * i));
  EXPECT_EQ(logo::findNonConformance(header, logo::kLogoFileSize), nullptr);
}

TEST(ReadBlock, ReadsWhatIsMissingAsZero) {
  Sandbox scratch;
  testing_support::writeFile(scratch.path("short"), "\x01\x02\x03");
  logo::File in = logo::openSource(scratch.path("short").c_str());
  ASSERT_TRUE(in);
  std::array<std::uint8_t, 6> block;
  block.fill(0xEE);
  logo::SourceReader reader(in.get());
  EXPECT_EQ(reader.read(block.data(), block.size()), 3u);
  EXPECT_FALSE(reader.failed());
  EXPECT_EQ(block, (std::array<std::uint8_t, 6>{1, 2, 3, 0, 0, 0}));
}

TEST(OpenSource, RefusesMissingFilesAndFolders) {
  Sandbox scratch;
  EXPECT_FALSE(logo::openSource(scratch.path("missing").c_str()));
  EXPECT_FALSE(logo::openSource(scratch.root().c_str()));
}

TEST(IsSameFile, SeesThroughLinks) {
  Sandbox scratch;
  std::string source = scratch.path("pic.bmp");
  testing_support::writeFile(source, "picture");
  testing_support::writeFile(scratch.path("other.bmp"), "picture");
  ASSERT_EQ(link(source.c_str(), scratch.path("hard").c_str()), 0);
  ASSERT_EQ(symlink(source.c_str(), scratch.path("soft").c_str()), 0);
  logo::File open = logo::openSource(source.c_str());
  ASSERT_TRUE(open);

  const struct {
    std::string path;
    bool same;
  } cases[] = {
      {source, true},
      {scratch.root().string() + "/./pic.bmp", true},
      {scratch.path("hard"), true},
      {scratch.path("soft"), true},
      {scratch.path("other.bmp"), false},  // equal content, another file
      {scratch.path("missing"), false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(logo::isSameFile(open.get(), c.path.c_str()), c.same) << c.path;
}

}  // namespace
