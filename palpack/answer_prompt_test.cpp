#include <gtest/gtest.h>

#include "palpack/palpack.h"
#include "tests/test_support.h"

namespace {

using palpack::Answer;

struct Dialogue {
  Answer answer;
  std::string said;
  std::string unread;
};

Dialogue answerTo(const std::string& typed) {
  testing_support::FakeConsole console(typed);
  Answer answer = palpack::askToMakeFile(console.in(), console.out());
  return {answer, console.said(), console.unread()};
}

TEST(AnswerPrompt, TakesOneLetterOrAnEmptyLine) {
  const std::string ask = "\nNew File Make? Y/N/E :";
  const std::string error = "**** Input Error !! ****";
  const struct {
    std::string typed;
    Answer answer;
    std::string said;
  } cases[] = {
      {"\n", Answer::kYes, ask},
      {"y\n", Answer::kYes, ask},
      {"Y\n", Answer::kYes, ask},
      {"n\n", Answer::kNo, ask},
      {"N\n", Answer::kNo, ask},
      {"e\n", Answer::kEnd, ask},
      {"E\n", Answer::kEnd, ask},
      {"yes\nn\n", Answer::kNo, ask + error + ask},
      {"x\ny\n", Answer::kYes, ask + error + ask},
      {" y\nE\n", Answer::kEnd, ask + error + ask},
      {"yy\n\n", Answer::kYes, ask + error + ask},
      {std::string(5000, 'n') + "\ne\n", Answer::kEnd, ask + error + ask},
      {"", Answer::kEndOfInput, ask},
      {"y", Answer::kEndOfInput, ask},  // a line cut short is no answer
      {"x\n", Answer::kEndOfInput, ask + error + ask},
      {"yes", Answer::kEndOfInput, ask + error},
      {"y\r\n", Answer::kYes, ask},  // typed on a console that ends lines with CRLF
      {"\r\n", Answer::kYes, ask},
      {"e\r\n", Answer::kEnd, ask},
      {"\ry\nn\n", Answer::kNo, ask + error + ask},  // a carriage return elsewhere counts
      {"y\r", Answer::kEndOfInput, ask + error},
  };
  for (const auto& c : cases) {
    Dialogue dialogue = answerTo(c.typed);
    EXPECT_EQ(dialogue.answer, c.answer) << '"' << c.typed << '"';
    EXPECT_EQ(dialogue.said, c.said) << '"' << c.typed << '"';
  }
}

TEST(AnswerPrompt, ReadsNoFurtherThanTheAnswerLine) {
  EXPECT_EQ(answerTo("n\nrest\n").unread, "rest\n");
  EXPECT_EQ(answerTo("\nrest\n").unread, "rest\n");
}

}  // namespace
