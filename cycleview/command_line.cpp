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

}  // namespace

RequestError readRequest(int argc, const char* const* argv, ViewRequest& request) {
  const char* operands[2] = {};
  int operandCount = 0;
  bool optionsEnded = false;
  const char* delay = nullptr;
  for (int i = 1; i < argc; ++i) {
    const char* word = argv[i];
    bool isOption = !optionsEnded && word[0] == '-' && word[1] != '\0';
    if (!isOption) {
      if (operandCount == 2) return RequestError::kUsage;
      operands[operandCount++] = word;
    } else if (std::strcmp(word, "--") == 0) {
      optionsEnded = true;
    } else if (std::strcmp(word, "--help") == 0) {
      return RequestError::kHelp;
    } else if (std::strcmp(word, "--reverse") == 0) {
      request.reverse = true;
    } else if (std::strcmp(word, "--raw") == 0) {
      request.raw = true;
    } else if (std::strcmp(word, "--delay") == 0 && i + 1 < argc && isWholeNumber(argv[i + 1])) {
      delay = argv[++i];
    } else {
      return RequestError::kUsage;
    }
  }
  if (operandCount != 2) return RequestError::kUsage;
  request.logoPath = operands[0];
  request.outputPath = operands[1];
  if (delay != nullptr) {
    request.delayMs = logo::readNumber(delay);
    if (request.delayMs < kMinDelayMs || request.delayMs > kMaxDelayMs) {
      return RequestError::kDelayRange;
    }
  }
  return RequestError::kNone;
}

}  // namespace cycleview
