#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "logo_image/conformance.h"
#include "logo_image/console.h"
#include "logo_image/files.h"
#include "logo_image/logo_file.h"
#include "logo_image/numbers.h"
#include "logo_image/palette_packing.h"
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

struct Written {
  Bytes bytes;
  bool complete;
};

Written shiftJisFromWriter(std::string_view utf8) {
  testing_support::FakeConsole console;
  bool complete = logo::writeShiftJis(console.out(), utf8);
  return {console.said(), complete};
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
    Written written = shiftJisFromWriter(text);
    EXPECT_TRUE(testing_support::sameBytes(written.bytes, testing_support::shiftJisOf(text)))
        << text;
    EXPECT_TRUE(written.complete) << text;
  }
}

TEST(ShiftJis, ReportsCharactersItCannotWrite) {
  const struct {
    const char* text;
    const char* written;
  } cases[] = {
      {"a\u00e9b", "ab"}, {"a\xffz", "az"},  // not UTF-8 at all
  };
  for (const auto& c : cases) {
    Written written = shiftJisFromWriter(c.text);
    EXPECT_EQ(written.bytes, c.written);
    EXPECT_FALSE(written.complete);
  }
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
    const char* reason;  // empty: conforms
  } cases[] = {
      {"as made", 0, 'B', logo::kLogoFileSize, ""},
      {"unknown size (a pipe)", 0, 'B', -1, ""},
      {"longer than needed", 0, 'B', logo::kLogoFileSize + 10, ""},
      {"shorter", 0, 'B', logo::kLogoFileSize - 1, "shorter than 129078 bytes"},
      {"signature", 1, 'A', logo::kLogoFileSize, "no \"BM\" signature"},
      {"bits per pixel", 28, 4, logo::kLogoFileSize, "not 8 bits per pixel"},
      {"width 321", 18, 0x41, logo::kLogoFileSize, "width is not 320"},
      {"height 401", 22, 0x91, logo::kLogoFileSize, "height is not 400"},
      {"compression", 30, 1, logo::kLogoFileSize, "compressed"},
      {"pixel offset", 10, 0x37, logo::kLogoFileSize, "pixel data does not start at byte 1078"},
  };
  for (const auto& c : cases) {
    logo::LogoHeader header = conformingHeader();
    header[c.offset] = c.value;
    logo::Status conforms = logo::checkConformance(header, c.size);
    EXPECT_EQ(static_cast<bool>(conforms), *c.reason == '\0') << c.what;
    EXPECT_EQ(conforms.reason(), c.reason) << c.what;
  }
}

TEST(Conformance, AcceptsATopDownPicture) {
  logo::LogoHeader header = conformingHeader();
  std::int32_t minus400 = -400;
  for (int i = 0; i < 4; ++i) header[22 + i] = static_cast<std::uint8_t>(minus400 >> (8 * i));
  EXPECT_EQ(logo::checkConformance(header, logo::kLogoFileSize).reason(), "");
}

TEST(LogoFileBytes, LaysOutTheWholeFile) {
  using testing_support::colour;
  // Flag bytes that must not reach the file; fewer entries than 256.
  const logo::PaletteEntry palette[] = {colour(1, 2, 3, 0x80), colour(4, 5, 6, 1)};
  std::vector<std::uint8_t> indices(320 * 400, 0);
  std::fill_n(indices.begin(), 320, 1);  // the top row
  std::vector<std::uint8_t> bytes = logo::logoFileBytes(palette, indices, 0x010203F0);

  logo::LogoHeader header = logo::canonicalHeader();
  std::copy_n("\xF0\x03\x02\x01", 4, header.begin() + 50);
  Bytes expected(header.begin(), header.end());
  expected += Bytes("\x03\x02\x01\x00\x06\x05\x04\x00", 8) + Bytes(254 * 4, '\0');
  expected += Bytes(399 * 320, '\0') + Bytes(320, '\1');  // bottom row first
  EXPECT_TRUE(testing_support::sameBytes(Bytes(bytes.begin(), bytes.end()), expected));
}

TEST(PackUsedEntries, PacksInOrderBelowTheLimit) {
  using testing_support::colour;
  std::vector<logo::PaletteEntry> palette;
  for (int i = 0; i < 6; ++i) palette.push_back(colour(10 * i, 0, 0, 1));
  logo::UsedEntries used;
  for (int entry : {1, 3, 4, 5}) used[entry] = true;
  const struct {
    std::size_t limit;
    std::vector<int> packed;  // old index of each packed entry, in order
    std::vector<int> remap;   // of entries 0 to 6
  } cases[] = {
      {256, {1, 3, 4, 5}, {255, 0, 255, 1, 2, 3, 6}},  // the whole (short) palette
      {4, {1, 3}, {255, 0, 255, 1, 4, 5, 6}},          // 4 and up stay where they are
      {0, {}, {0, 1, 2, 3, 4, 5, 6}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.limit);
    logo::PackedPalette packed = logo::packUsedEntries(palette, used, c.limit);
    ASSERT_EQ(packed.used().size(), c.packed.size());
    for (std::size_t slot = 0; slot < c.packed.size(); ++slot) {
      EXPECT_EQ(packed.used()[slot], colour(10 * c.packed[slot], 0, 0)) << slot;
    }
    EXPECT_EQ(packed.entries[c.packed.size()], colour(0, 0, 0));
    for (std::size_t index = 0; index < c.remap.size(); ++index) {
      EXPECT_EQ(packed.remap[index], c.remap[index]) << index;
    }
  }
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
