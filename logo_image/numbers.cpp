#include "logo_image/numbers.h"

#include <cctype>
#include <climits>

namespace logo {

int readNumber(const char* text) {
  auto at = [&] { return static_cast<unsigned char>(*text); };
  while (std::isspace(at())) ++text;
  bool negative = *text == '-';
  if (*text == '+' || *text == '-') ++text;
  // Accumulate towards the negative end, which has the larger range.
  long long value = 0;
  while (std::isdigit(at())) {
    value = value * 10 - (at() - '0');
    if (value < INT_MIN) return negative ? INT_MIN : INT_MAX;
    ++text;
  }
  if (negative) return static_cast<int>(value);
  return value < -INT_MAX ? INT_MAX : static_cast<int>(-value);
}

}  // namespace logo
