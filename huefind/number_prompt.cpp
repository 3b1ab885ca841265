#include "huefind/huefind.h"
#include "logo_image/console.h"
#include "logo_image/numbers.h"

namespace huefind {
namespace {

constexpr int kLineLimit = 4;  // three characters and the newline

constexpr char kInputError[] = "**** Input Error !! ****\n";
constexpr char kInputAgain[] = "Input Once again.   = ";

}  // namespace

bool NumberPrompt::ask() {
  for (;;) {
    std::fflush(out_);
    char line[kLineLimit + 1] = {};
    int length = 0;
    bool ended = false;
    while (length < kLineLimit && !ended) {
      int c = logo::readAnswerChar(in_);
      if (c == EOF) return false;
      line[length++] = static_cast<char>(c);
      ended = c == '\n';
    }
    if (!ended) {
      std::fputs(kInputError, out_);
      if (!logo::skipLine(in_, out_)) return false;
      std::fputs(kInputAgain, out_);
      continue;
    }
    if (length == 1) {
      refuse();
      continue;
    }
    line[length - 1] = '\0';
    switch (line[length - 2]) {
      case 'e':
      case 'E':
        endFlag_ = kEndUpdate;
        return true;
      case 'n':
      case 'N':
        endFlag_ = kEndNoAction;
        return true;
    }
    number_ = logo::readNumber(line);
    return true;
  }
}

void NumberPrompt::refuse() {
  std::fputs(kInputError, out_);
  std::fputs(kInputAgain, out_);
}

}  // namespace huefind
