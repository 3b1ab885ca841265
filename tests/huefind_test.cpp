// The built huefind and huefind16, run on pictures made here.
#include "huefind/huefind.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

#include "tests/test_support.h"

namespace {

using testing_support::Bytes;
using testing_support::colour;
using testing_support::Picture;
using testing_support::RunOptions;
using testing_support::RunResult;
using testing_support::sameBytes;
using testing_support::Sandbox;

struct Variant {
  std::string program;
  std::size_t entries;
  std::string usageHead;  // the title and syntax lines
};

void PrintTo(const Variant& variant, std::ostream* out) {
  *out << "palette of " << variant.entries;
}

const Variant kVariants[] = {
    {HUEFIND_PROGRAM, 256,
     "*************** Windos95 起動logoファイル検索TOOL ****************\n"
     "huefind ファイル名 {-s|-u} \n"},
    {HUEFIND16_PROGRAM, 16,
     "*************** Windos95 98起動logoファイル検索TOOL ****************\n"
     "huefind16 ファイル名 {-s|-u} \n"},
};

class HuefindTest : public ::testing::TestWithParam<Variant>, protected testing_support::Sandbox {
 protected:
  HuefindTest() : Sandbox(GetParam().program) {
    source.palette[7] = colour(255, 0, 0);
    source.palette[9] = colour(255, 0, 0);
    source.palette[last()] = colour(1, 2, 3, 0x55);
    save(source.bytes());
  }

  int last() const { return static_cast<int>(GetParam().entries) - 1; }
  std::size_t editedSize() const { return 54 + 4 * GetParam().entries; }
  void save(const Bytes& bytes) { write("pic.bmp", bytes); }
  Bytes saved() const { return read("pic.bmp"); }

  Picture source = testing_support::makePicture();
};

TEST_P(HuefindTest, UsageTextIsShiftJis) {
  const std::string unicode =
      "\n" + GetParam().usageHead +
      "  [パラメータ説明]\n"
      "    -s : 色検索モード。ファイル中の任意の色のRGB値を画面要求に従い\n"
      "         して、パレットの何番目にあるのかを検索する。ファイルは更新\n"
      "          されない。\n"
      "    -u : 色更新モード。パレット番号を指定し、その色を入力したRGB値\n"
      "         の色に更新する。指定したファイルを直接更新する。\n"
      "\n"
      "\n";
  Bytes expected = testing_support::shiftJisOf(unicode);
  for (const auto& args :
       std::vector<std::vector<std::string>>{{}, {"pic.bmp"}, {"pic.bmp", "-s", "more"}}) {
    RunResult result = run(args);
    EXPECT_EQ(result.status, 2);
    EXPECT_TRUE(sameBytes(result.out, expected));
  }
}

TEST_P(HuefindTest, ChecksTheOptionBeforeOpening) {
  const struct {
    std::vector<std::string> args;
    const char* out;
  } cases[] = {
      {{"pic.bmp", "-S"}, "OPTION ERROR!!\n"},
      {{"pic.bmp", "-U"}, "OPTION ERROR!!\n"},
      {{"missing.bmp", "-x"}, "OPTION ERROR!!\n"},
      {{"missing.bmp", "-s"}, "IN FILE OPEN ERROR\n"},
      {{"missing.bmp", "-u"}, "IN FILE OPEN ERROR\n"},
      {{".", "-u"}, "IN FILE OPEN ERROR\n"},
      {{".", "-s"}, "IN FILE OPEN ERROR\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    RunResult result = run(c.args, "e\n");
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.status, 1);
  }
  EXPECT_FALSE(exists("missing.bmp"));
}

TEST_P(HuefindTest, FindsTheFirstSlotOfAColour) {
  RunResult result = run({"pic.bmp", "-s"}, "255\n0\n0\n1\n2\n3\n300\n0\n0\n4\n5\ne\n");
  Bytes rgb = testing_support::shiftJisOf("\nR(赤) = \nG(緑) = \nB(青) = ");
  Bytes expected = "\nPleas Input Serch Color's RGB     (Input 'e' If You Finish)\n" + rgb +
                   "\nThis Color's Palet Number = 7\n" + rgb +
                   "\nThis Color's Palet Number = " + std::to_string(last()) + "\n" + rgb +
                   "\nSerch Out!! Coudn't Find This Color.\n" +
                   testing_support::shiftJisOf("\nR(赤) = \nG(緑) = \nB(青) = ");
  EXPECT_TRUE(sameBytes(result.out, expected));
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(sameBytes(saved(), source.bytes()));
}

TEST_P(HuefindTest, EndsASearchAtTheEndOfInput) {
  for (const Bytes typed : {"", "255\n0\n", "n\n"}) {
    EXPECT_EQ(run({"pic.bmp", "-s"}, typed).status, 0) << typed;
  }
}

TEST_P(HuefindTest, WritesTheEditsBackOnlyOnE) {
  auto withColours = [&](std::initializer_list<std::pair<int, logo::PaletteEntry>> edits) {
    Picture edited = source;
    for (auto [slot, entry] : edits) edited.palette[slot] = entry;
    return edited.bytes();
  };
  const std::string top = std::to_string(last());
  const struct {
    const char* what;
    Bytes typed;
    Bytes expected;
    int status;
  } cases[] = {
      {"e at once rewrites the same bytes", "e\n", source.bytes(), 0},
      {"edits dropped with n", "3\n10\n20\n30\nn\n", source.bytes(), 0},
      {"edits lost at the end of input", "3\n10\n20\n30\n", source.bytes(), 1},
      {"edits kept with E", "3\n10\n20\n30\n" + top + "\n300\n0\n255\nE\n",
       withColours({{3, colour(10, 20, 30)}, {last(), colour(44, 0, 255, 0x55)}}), 0},
      {"an unfinished colour is not stored", "3\n10\n20\n30\n5\n1\ne\n",
       withColours({{3, colour(10, 20, 30)}}), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    save(source.bytes());
    EXPECT_EQ(run({"pic.bmp", "-u"}, c.typed).status, c.status);
    EXPECT_TRUE(sameBytes(saved(), c.expected));
  }
}

TEST_P(HuefindTest, ExtendsAShortFileToAWholePalette) {
  save(source.bytes().substr(0, 60));
  RunResult result = run({"pic.bmp", "-u"}, "1\n7\n8\n9\ne\n");
  EXPECT_EQ(result.status, 0);
  std::string name = std::filesystem::path(GetParam().program).filename().string();
  EXPECT_EQ(result.err.rfind(name + ": WARNING", 0), 0u) << result.err;
  Bytes bytes = saved();
  ASSERT_EQ(bytes.size(), editedSize());
  EXPECT_TRUE(sameBytes(bytes.substr(0, 58), source.bytes().substr(0, 58)));
  EXPECT_EQ(bytes.substr(58, 4), Bytes("\x09\x08\x07\x00", 4));
  EXPECT_EQ(bytes.substr(62), Bytes(editedSize() - 62, '\0'));
}

TEST_P(HuefindTest, SearchesAShortFileWithZeros) {
  save(source.bytes().substr(0, 54));
  RunResult result = run({"pic.bmp", "-s"}, "0\n0\n0\ne\n");
  EXPECT_NE(result.out.find("\nThis Color's Palet Number = 0\n"), Bytes::npos);
  EXPECT_EQ(saved().size(), 54u);
}

TEST_P(HuefindTest, ReportsAFailedWriteBackAndLeavesTheFileWhole) {
  // The file-size limit stops the write after 100 bytes of the palette.
  for (const Bytes& before : {source.bytes().substr(0, 60), source.bytes()}) {
    SCOPED_TRACE(before.size());
    save(before);
    RunOptions options;
    options.input = "1\n7\n8\n9\ne\n";
    options.fileSizeLimit = 100;
    RunResult result = run({"pic.bmp", "-u"}, options);
    EXPECT_TRUE(result.out.ends_with("\nFILE WRITE ERROR\n")) << result.out;
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(sameBytes(saved(), before));
  }
}

// The name may be given to another file while the questions wait, or the
// file changed by another writer: the edit must go into neither.
TEST_P(HuefindTest, WritesOnlyIntoTheFileAsItWasRead) {
  const std::string noLonger = std::filesystem::path(GetParam().program).filename().string() +
                               ": pic.bmp is no longer the file that was read; nothing written\n";
  Picture otherEdit = source;
  otherEdit.palette[2] = colour(9, 9, 9);
  const struct {
    const char* what;
    std::function<void(const Sandbox&)> meanwhile;
    Bytes named;  // what pic.bmp holds at the end
    std::string err;
  } cases[] = {
      {"replaced",
       [](const Sandbox& box) {
         box.write("other.bmp", "other");
         ASSERT_EQ(rename(box.path("other.bmp").c_str(), box.path("pic.bmp").c_str()), 0);
       },
       "other", noLonger},
      {"moved away",
       [](const Sandbox& box) {
         ASSERT_EQ(rename(box.path("pic.bmp").c_str(), box.path("moved.bmp").c_str()), 0);
       },
       "(none)", noLonger},
      {"edited in place by another writer",
       [&](const Sandbox& box) { box.write("pic.bmp", otherEdit.bytes()); }, otherEdit.bytes(), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    save(source.bytes());
    ASSERT_EQ(link(path("pic.bmp").c_str(), path("read.bmp").c_str()), 0);
    Bytes readHeld;  // when the questions were answered
    RunOptions options;
    options.input = "1\n7\n8\n9\ne\n";
    options.pauseAt = "? ";
    options.duringRun = [&](pid_t) {
      c.meanwhile(*this);
      readHeld = read("read.bmp");
    };
    RunResult result = run({"pic.bmp", "-u"}, options);
    EXPECT_TRUE(result.out.ends_with("IN FILE READ ERROR\n")) << result.out;
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, c.err);
    EXPECT_TRUE(sameBytes(read("read.bmp"), readHeld));
    EXPECT_TRUE(sameBytes(exists("pic.bmp") ? read("pic.bmp") : "(none)", c.named));
    for (const char* name : {"pic.bmp", "read.bmp", "moved.bmp"}) std::remove(path(name).c_str());
  }
}

INSTANTIATE_TEST_SUITE_P(BothPaletteSizes, HuefindTest, ::testing::ValuesIn(kVariants),
                         [](const auto& info) {
                           return "palette" + std::to_string(info.param.entries);
                         });

}  // namespace
