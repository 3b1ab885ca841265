// The first frame of GIF pictures made by tests/pictures, read back
// exactly; and broken files, each refused for what is wrong with it.
#include <gtest/gtest.h>

#include "picture/decoding.h"
#include "tests/pictures/exact_pictures.h"
#include "tests/pictures/interlaced_pictures.h"

namespace {

namespace samples = picture::samples;
using samples::Bytes;

picture::IndexedPicture pattern(int entries) {
  return samples::patternPicture(37, 23, entries);
}

// The picture as its GIF holds it: a colour table of 2^n entries, the
// ones beyond the palette black.
picture::IndexedPicture inTable(picture::IndexedPicture picture) {
  std::size_t size = 2;
  while (size < picture.palette.size()) size *= 2;
  picture.palette.resize(size, {0, 0, 0, 0});
  if (!picture.opacity.empty()) picture.opacity.resize(size, 255);
  return picture;
}

picture::IndexedPicture withClearEntry(picture::IndexedPicture picture, std::uint8_t entry) {
  picture.opacity.assign(picture.palette.size(), 255);
  picture.opacity[entry] = 0;
  return picture;
}

TEST(Gif, GivesEveryIndexOfTheFirstFrame) {
  const struct {
    const char* what;
    Bytes input;
    picture::IndexedPicture picture;
  } cases[] = {
      {.what = "7 colours",
       .input = samples::encodeGif(pattern(7)),
       .picture = inTable(pattern(7))},
      {.what = "a transparent entry",
       .input = samples::encodeGif(withClearEntry(pattern(5), 3)),
       .picture = inTable(withClearEntry(pattern(5), 3))},
      {.what = "interlaced",
       .input = samples::encodeInterlacedGif(pattern(256)),
       .picture = pattern(256)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    samples::expectPalettePicture(c.input, c.picture);
  }
}

// A GIF whose frame says it is `width` x `height`, followed by the pixels
// of an 8x8 one.
Bytes gifOfSize(int width, int height) {
  Bytes gif = samples::encodeGif(samples::patternPicture(8, 8, 2));
  // 13-byte header, a 2-entry table, then the frame: separator, x, y, width, height
  std::size_t frame = 13 + 6;
  return samples::edited(
      gif, frame + 5,
      {static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(width >> 8),
       static_cast<std::uint8_t>(height), static_cast<std::uint8_t>(height >> 8)});
}

TEST(Gif, RefusesABrokenFile) {
  Bytes gif = samples::encodeGif(pattern(256));
  std::size_t frameStart = 13 + 3 * 256;
  picture::IndexedPicture beyond{8, 8, pattern(2).palette, Bytes(64, 3), {}, {}};
  Bytes noFrame(gif.begin(), gif.begin() + static_cast<std::ptrdiff_t>(frameStart));
  noFrame.push_back(';');
  const struct {
    const char* what;
    Bytes input;
    const char* reason;
  } cases[] = {
      {.what = "cut short in its first frame",
       .input = Bytes(gif.begin(), gif.begin() + static_cast<std::ptrdiff_t>(frameStart) + 40),
       .reason = "GIF: the file ends early"},
      {.what = "no frame", .input = noFrame, .reason = "GIF: no frame"},
      // The size is refused from the frame's header, before its pixels are read.
      {.what = "a frame of 400 megapixels",
       .input = gifOfSize(20000, 20000),
       .reason = "picture too large: 20000x20000 (at most 100 megapixels)"},
      {.what = "index beyond the table",
       .input = samples::encodeGif(beyond),
       .reason = "GIF: pixel index 3 beyond the palette of 2 entries"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(samples::refusal(c.input), c.reason);
  }
}

}  // namespace
