#include "logo_image/console.h"
#include "palpack/palpack.h"

namespace palpack {

Answer askToMakeFile(std::FILE* in, std::FILE* out) {
  for (;;) {
    std::fputs("\nNew File Make? Y/N/E :", out);
    std::fflush(out);
    // At most two characters: one answer letter and its newline.
    int first = logo::readAnswerChar(in);
    if (first == EOF) return Answer::kEndOfInput;
    if (first == '\n') return Answer::kYes;
    int second = logo::readAnswerChar(in);
    if (second == EOF) return Answer::kEndOfInput;
    if (second != '\n') {
      std::fputs("**** Input Error !! ****", out);
      if (!logo::skipLine(in, out)) return Answer::kEndOfInput;
      continue;
    }
    switch (first) {
      case 'y':
      case 'Y':
        return Answer::kYes;
      case 'n':
      case 'N':
        return Answer::kNo;
      case 'e':
      case 'E':
        return Answer::kEnd;
    }
    std::fputs("**** Input Error !! ****", out);
  }
}

}  // namespace palpack
