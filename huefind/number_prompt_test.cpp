#include <gtest/gtest.h>

#include "huefind/huefind.h"
#include "tests/test_support.h"

namespace {

const std::string kRefused = "**** Input Error !! ****\nInput Once again.   = ";

// A prompt reading `typed` from a fake console.
struct Session {
  explicit Session(const std::string& typed) : console(typed) {}
  std::string said() { return console.said(); }

  testing_support::FakeConsole console;
  huefind::NumberPrompt prompt{console.in(), console.out()};
};

TEST(NumberPrompt, ReadsShortNumbersAndEndLetters) {
  const struct {
    std::string typed;
    int number;
    int endFlag;
    std::string said;
  } cases[] = {
      {"7\n", 7, 0, ""},
      {" 7\n", 7, 0, ""},
      {"+5\n", 5, 0, ""},
      {"-1\n", -1, 0, ""},
      {"255\n", 255, 0, ""},
      {"e12\n", 0, 0, ""},  // the last character decides: a number without digits
      {"x\n", 0, 0, ""},
      {" \n", 0, 0, ""},
      {"  \n", 0, 0, ""},
      {"12e\n", 0, 32, ""},
      {"E\n", 0, 32, ""},
      {"n\n", 0, 16, ""},
      {"4N\n", 0, 16, ""},
      {"\n9\n", 9, 0, kRefused},
      {"255\r\n", 255, 0, ""},  // typed on a console that ends lines with CRLF
      {"e\r\n", 0, 32, ""},
      {"\r\n9\n", 9, 0, kRefused},
      {"12\r\r\n", 12, 0, ""},  // only the carriage return before the newline goes
      {"\r7\n", 7, 0, ""},      // a lone one is white space, and the 7 is read
      {"1000\n9\n", 9, 0, kRefused},
      {"1000\n\n9\n", 9, 0, kRefused + kRefused},
      {std::string(3000, '5') + "\ne\n", 0, 32, kRefused},
  };
  for (const auto& c : cases) {
    Session session(c.typed);
    EXPECT_TRUE(session.prompt.ask()) << '"' << c.typed << '"';
    EXPECT_EQ(session.prompt.number(), c.number) << '"' << c.typed << '"';
    EXPECT_EQ(session.prompt.endFlag(), c.endFlag) << '"' << c.typed << '"';
    EXPECT_EQ(session.said(), c.said) << '"' << c.typed << '"';
  }
}

TEST(NumberPrompt, KeepsTheLastNumberAndTheEndFlag) {
  Session session("42\n4n\n7\n");
  ASSERT_TRUE(session.prompt.ask());
  ASSERT_TRUE(session.prompt.ask());
  EXPECT_EQ(session.prompt.number(), 42);
  EXPECT_EQ(session.prompt.endFlag(), 16);
  ASSERT_TRUE(session.prompt.ask());
  EXPECT_EQ(session.prompt.number(), 7);
  EXPECT_EQ(session.prompt.endFlag(), 16) << "nothing resets the end flag";
}

TEST(NumberPrompt, GivesUpAtTheEndOfInput) {
  for (const std::string typed : {"", "7", "1000", "1000\n", "\n"}) {
    Session session(typed);
    EXPECT_FALSE(session.prompt.ask()) << '"' << typed << '"';
    EXPECT_EQ(session.prompt.endFlag(), 0);
  }
}

}  // namespace
