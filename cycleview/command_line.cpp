#include <cctype>
#include <cstring>

#include "cycleview/cycleview.h"
#include "logo_image/numbers.h"

namespace cycleview {
namespace {

bool isWholeNumber(const char* text) {
  if (*text == '+' || *text == '-') ++text;
  if (*text == '\0') return false;
  for (; *text != '\0'; ++text) {
    if (!std::isdigit(static_cast<unsigned char>(*text))) return false;
  }
  return true;
}

CommandLineError wrong(std::string reason) {
  return {CommandLineError::Kind::kUsage, std::move(reason)};
}

}  // namespace

logo::Result<ViewRequest, CommandLineError> readRequest(int argc, const char* const* argv) {
  ViewRequest request;
  const char* operands[2] = {};
  int operandCount = 0;
  bool optionsEnded = false;
  const char* delay = nullptr;
  for (int i = 1; i < argc; ++i) {
    const char* word = argv[i];
    bool isOption = !optionsEnded && word[0] == '-' && word[1] != '\0';
    if (!isOption) {
      if (operandCount == 2) return wrong(std::string("one file name too many: ") + word);
      operands[operandCount++] = word;
    } else if (std::strcmp(word, "--") == 0) {
      optionsEnded = true;
    } else if (std::strcmp(word, "--help") == 0) {
      request.help = true;
      return request;
    } else if (std::strcmp(word, "--reverse") == 0) {
      request.reverse = true;
    } else if (std::strcmp(word, "--raw") == 0) {
      request.raw = true;
    } else if (std::strcmp(word, "--delay") == 0) {
      if (i + 1 == argc || !isWholeNumber(argv[i + 1])) {
        return wrong("--delay takes a whole number of milliseconds");
      }
      delay = argv[++i];
    } else {
      return wrong(std::string("unknown option ") + word);
    }
  }
  if (operandCount != 2) return wrong("two file names are needed");
  request.logoPath = operands[0];
  request.outputPath = operands[1];
  if (delay != nullptr) {
    request.delayMs = logo::readNumber(delay);
    if (request.delayMs < kMinDelayMs || request.delayMs > kMaxDelayMs) {
      return CommandLineError{CommandLineError::Kind::kDelayRange, "--delay takes 20 to 10000"};
    }
  }
  return request;
}

}  // namespace cycleview
