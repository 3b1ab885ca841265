// The bundled picture is the one its drawing program makes, and it has what
// the demo needs: a ring of colours to animate and unused palette entries.
#include <gtest/gtest.h>

#include <set>

#include "logo_image/conformance.h"
#include "tests/test_support.h"

namespace {

TEST(SamplePicture, IsWhatTheDrawingProgramMakes) {
  testing_support::Sandbox scratch;
  ASSERT_EQ(testing_support::runProgram(DRAW_SAMPLE_PROGRAM, {scratch.path("drawn.bmp")}).status,
            0);
  EXPECT_TRUE(testing_support::sameBytes(scratch.read("drawn.bmp"),
                                         testing_support::readFile(SAMPLE_PICTURE)));
}

TEST(SamplePicture, UsesSomeEntriesAndLeavesOthersFree) {
  auto sample = testing_support::Picture::parse(testing_support::readFile(SAMPLE_PICTURE));
  EXPECT_EQ(logo::checkConformance(sample.header, logo::kLogoFileSize).reason(), "");
  std::set<int> used(sample.pixels.begin(), sample.pixels.end());
  EXPECT_EQ(used.size(), 92u);
  EXPECT_FALSE(used.count(2)) << "free entries lie between used ones";
  for (int ring : {108, 109, 111, 112, 114, 115, 117, 118, 120, 121, 123, 124}) {
    EXPECT_TRUE(used.count(ring)) << ring;
  }
}

}  // namespace
