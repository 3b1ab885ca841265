// Near colours merged, so that the choice of a palette, whose time grows
// with the number of different colours it is given, gets at most 32,768.
#pragma once

#include <cstdint>
#include <vector>

namespace picture {

struct Colour {
  std::uint8_t r, g, b, a;

  friend bool operator==(const Colour&, const Colour&) = default;
};

// Each colour replaced by the mean of the colours that agree with it in all
// but the fewest low bits (at most 2 of each channel) that bring the number
// of different colours within 32,768, rounded to the nearest. Pictures with
// fewer colours keep theirs exactly.
std::vector<Colour> withNearColoursMerged(std::vector<Colour> pixels);

}  // namespace picture
