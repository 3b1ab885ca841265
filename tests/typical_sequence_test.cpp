// The whole road of a picture: pack it, make the logo, repack the logo.
#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace {

using testing_support::Picture;
using testing_support::RunOptions;

const int kRingSlots[] = {108, 109, 111, 112, 114, 115, 117, 118, 120, 121, 123, 124};

int slotHolding(const Picture& picture, const logo::PaletteEntry& wanted) {
  for (int slot = 0; slot < 256; ++slot) {
    if (logo::sameColour(picture.palette[slot], wanted)) return slot;
  }
  return -1;
}

TEST(TypicalSequence, KeepsThePictureFromSampleToRepackedLogo) {
  testing_support::Sandbox scratch;
  RunOptions options;
  options.input = "y\n";
  auto read = [&](const char* name) { return Picture::parse(scratch.read(name)); };

  Picture sample = Picture::parse(testing_support::readFile(SAMPLE_PICTURE));
  scratch.write("pic.bmp", sample.bytes());

  ASSERT_EQ(scratch.run(PALPACK_PROGRAM, {"pic.bmp", "-u", "packed.bmp"}, options).status, 0);
  Picture packed = read("packed.bmp");
  std::vector<std::string> make = {"packed.bmp", "logo.sys", "12"};
  for (int slot : kRingSlots)
    make.push_back(std::to_string(slotHolding(packed, sample.palette[slot])));
  ASSERT_EQ(scratch.run(CYCLEMAKE_PROGRAM, make, options).status, 0);
  ASSERT_EQ(scratch.run(PALPACK_PROGRAM, {"logo.sys", "-a", "repacked.bmp"}, options).status, 0);

  Picture repacked = read("repacked.bmp");
  EXPECT_EQ(scratch.read("repacked.bmp").size(), logo::kLogoFileSize);
  EXPECT_EQ(repacked.animationStart(), 244);
  EXPECT_EQ(shownColours(repacked), shownColours(sample));
  for (int i = 0; i < 12; ++i) {
    EXPECT_TRUE(logo::sameColour(repacked.palette[255 - i], sample.palette[kRingSlots[i]])) << i;
  }
  // The slots that gave way to the ring were free after the first packing;
  // the second packing closes the gap they left.
  for (std::uint8_t pixel : repacked.pixels) {
    ASSERT_TRUE(pixel < 92 - 12 || pixel >= 244) << int{pixel};
  }
}

}  // namespace
