#include <gtest/gtest.h>

#include "palpack/palpack.h"
#include "tests/test_support.h"

namespace {

TEST(OpenForRewrite, CreatesNothingWhenTheSourceHasGone) {
  testing_support::ScratchDir scratch;
  logo::File source;
  logo::CheckedOutput output;
  EXPECT_EQ(palpack::openForRewrite(scratch.path("gone.bmp").c_str(),
                                    scratch.path("out.bmp").c_str(), source, output),
            palpack::OpenOutcome::kSourceUnreadable);
  EXPECT_FALSE(testing_support::fileExists(scratch.path("out.bmp")));
}

}  // namespace
