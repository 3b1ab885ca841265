#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cycleview/cycleview.h"
#include "tests/test_support.h"

namespace {

std::vector<std::uint8_t> bytesOf(const testing_support::Bytes& text) {
  return {text.begin(), text.end()};
}

testing_support::Bytes textOf(const std::vector<std::uint8_t>& bytes) {
  return {bytes.begin(), bytes.end()};
}

// The range the command line allows, so that a caller that builds its own
// request gets no GIF the program would not write.
TEST(GifOf, TakesOnlyTheDelaysTheCommandLineTakes) {
  const std::vector<std::uint8_t> logo = bytesOf(testing_support::makePicture().bytes());
  const struct {
    int delayMs;
    std::string reason;  // empty: a GIF
  } cases[] = {
      {19, "the delay is not 20 to 10000 milliseconds"},
      {20, ""},
      {10000, ""},
      {10001, "the delay is not 20 to 10000 milliseconds"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.delayMs);
    cycleview::ViewRequest request;
    request.delayMs = c.delayMs;
    auto gif = cycleview::gifOf(logo, request);
    EXPECT_EQ(gif.reason(), c.reason);
  }
}

// The program reads a short logo file as if zeros followed it.
TEST(GifOf, ReadsMissingBytesAsZero) {
  // Cut inside the palette, before the first pixel.
  const testing_support::Bytes cut = testing_support::makePicture().bytes().substr(0, 1000);
  testing_support::Bytes padded = cut;
  padded.resize(logo::kLogoFileSize);
  cycleview::ViewRequest request;
  auto fromCut = cycleview::gifOf(bytesOf(cut), request);
  auto fromPadded = cycleview::gifOf(bytesOf(padded), request);
  ASSERT_TRUE(fromCut && fromPadded);
  EXPECT_TRUE(testing_support::sameBytes(textOf(*fromCut), textOf(*fromPadded)));
}

}  // namespace
