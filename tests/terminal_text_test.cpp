// Console texts are UTF-8 for a person at a UTF-8 terminal and Shift-JIS
// bytes everywhere else, so that scripts see the same bytes as always.
#include <gtest/gtest.h>

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
    testing_support::RunResult search =
        scratch.run(HUEFIND_PROGRAM, {"pic.bmp", "-s"}, options);
    // The prompt's line, left open, is closed on a terminal only.
    EXPECT_TRUE(testing_support::sameBytes(search.out,
                                           expected(searchPrompt + (c.terminal ? "\n" : ""))));
    testing_support::RunResult usage = scratch.run(CYCLEMAKE_PROGRAM, {}, options);
    EXPECT_TRUE(usage.out.starts_with(expected(usageStart))) << usage.out.substr(0, 80);
  }
}

}  // namespace
