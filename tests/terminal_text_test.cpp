// Console texts are UTF-8 for a person at a UTF-8 terminal and Shift-JIS
// bytes everywhere else, so that scripts see the same bytes as always.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/test_support.h"

namespace {

TEST(TerminalText, IsUtf8OnlyOnAUtf8Terminal) {
  const std::string searchPrompt =
      "\nPleas Input Serch Color's RGB     (Input 'e' If You Finish)\n\nR(赤) = ";
  const std::string usageStart =
      "\n*************** Windos95 起動logoファイル作成TOOL ****************\n";
  const struct {
    std::vector<std::string> environment;
    bool terminal;
    bool utf8;
  } cases[] = {
      {{"LC_ALL=C.UTF-8"}, true, true}, {{"LC_ALL=", "LC_CTYPE=", "LANG=C.UTF-8"}, true, true},
      {{"LC_ALL=C"}, true, false},      {{"LC_ALL=C.UTF-8"}, false, false},
      {{"LC_ALL=C"}, false, false},
  };
  testing_support::Sandbox scratch;
  scratch.write("pic.bmp", testing_support::makePicture().bytes());
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.environment) + (c.terminal ? " terminal" : " pipe"));
    testing_support::RunOptions options;
    options.environment = c.environment;
    options.outputToTerminal = c.terminal;
    options.input = "e\n";
    auto expected = [&](const std::string& text) {
      return c.utf8 ? text : testing_support::shiftJisOf(text);
    };
    testing_support::RunResult search = scratch.run(HUEFIND_PROGRAM, {"pic.bmp", "-s"}, options);
    // The prompt's line, left open, is closed on a terminal only.
    EXPECT_TRUE(
        testing_support::sameBytes(search.out, expected(searchPrompt + (c.terminal ? "\n" : ""))));
    testing_support::RunResult usage = scratch.run(CYCLEMAKE_PROGRAM, {}, options);
    EXPECT_TRUE(usage.out.starts_with(expected(usageStart))) << usage.out.substr(0, 80);
  }
}

}  // namespace

namespace {

// `--help` alone is the one command line whose answer is English, with a
// normal end; the same word among others is read as before.
TEST(TerminalText, HelpIsAnEnglishSummary) {
  const struct {
    std::string program;
    std::vector<std::string> args;
    int status;
    std::string start;
  } cases[] = {
      {CYCLEMAKE_PROGRAM, {"--help"}, 0, "usage: cyclemake SOURCE OUTPUT n h1 [h2 ... hn]\n"},
      {PALPACK_PROGRAM, {"--help"}, 0, "usage: palpack SOURCE -p\n"},
      {HUEFIND_PROGRAM, {"--help"}, 0, "usage: huefind FILE -s\n"},
      {HUEFIND16_PROGRAM, {"--help"}, 0, "usage: huefind16 FILE -s\n"},
      {CYCLEMAKE_PROGRAM, {"--help", "x"}, 2, "\n*"},
      {HUEFIND_PROGRAM, {"--help", "-s"}, 1, "IN FILE OPEN ERROR\n"},  // a file named so
  };
  testing_support::Sandbox scratch;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program + " " + ::testing::PrintToString(c.args));
    testing_support::RunResult result = scratch.run(c.program, c.args);
    EXPECT_EQ(result.status, c.status);
    EXPECT_TRUE(result.out.starts_with(c.start)) << result.out;
    if (c.status != 0) continue;
    EXPECT_TRUE(result.out.ends_with(".\n")) << result.out;
    EXPECT_TRUE(std::all_of(result.out.begin(), result.out.end(),
                            [](char b) { return b > 0 && b < 0x7f; }));
  }
}

}  // namespace
