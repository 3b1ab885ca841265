#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cyclemake/cyclemake.h"
#include "tests/test_support.h"

namespace {

using testing_support::Bytes;
using testing_support::Picture;

std::vector<std::uint8_t> bytesOf(const Bytes& text) {
  return {text.begin(), text.end()};
}

TEST(CycledLogo, IsTheSourcesPictureLaidOutAsALogo) {
  const Bytes whole = testing_support::makePicture().bytes();
  const struct {
    const char* what;
    Bytes source;
    std::vector<std::uint8_t> slots;
  } cases[] = {
      {"bytes after the picture are left out", whole + "trailing", {5, 9, 200}},
      // Missing pixels read as index 0, which moves to slot 255.
      {"cut inside the pixels", whole.substr(0, logo::kPixelOffset + 384), {0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Picture source = Picture::parse(c.source.substr(0, logo::kLogoFileSize));
    const std::vector<std::uint8_t> bytes = cyclemake::cycledLogo(bytesOf(c.source), c.slots);
    ASSERT_EQ(bytes.size(), logo::kLogoFileSize);
    const Picture made = Picture::parse(Bytes(bytes.begin(), bytes.end()));

    logo::LogoHeader header = source.header;
    header[logo::kAnimationStartOffset] = static_cast<std::uint8_t>(256 - c.slots.size());
    EXPECT_EQ(made.header, header);
    for (std::size_t i = 0; i < c.slots.size(); ++i) {
      EXPECT_TRUE(logo::sameColour(made.palette[255 - i], source.palette[c.slots[i]])) << i;
    }
    const std::vector<std::uint32_t> shown = testing_support::shownColours(made);
    const std::vector<std::uint32_t> before = testing_support::shownColours(source);
    auto differs = std::mismatch(shown.begin(), shown.end(), before.begin()).first;
    EXPECT_TRUE(differs == shown.end()) << "pixel " << differs - shown.begin() << " changed colour";
  }
}

TEST(NotLogoWarning, SaysWhatDoesNotConformAsTheProgramsDo) {
  const Bytes whole = testing_support::makePicture().bytes();
  const Bytes cut = whole.substr(0, 1000);
  const struct {
    const char* what;
    Bytes source;
    long long size;
    std::string warning;
  } cases[] = {
      {"a logo", whole, static_cast<long long>(whole.size()), ""},
      {"a short file", cut, 1000,
       "WARNING: in.bmp is not a 320x400 256-colour bitmap (shorter than 129078 bytes); it is "
       "processed as one anyway"},
      {"a pipe, whose size is unknown", cut, -1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(cyclemake::notLogoWarning("in.bmp", bytesOf(c.source), c.size), c.warning);
  }
}

}  // namespace
