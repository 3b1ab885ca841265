#include "logofit/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

logo::Result<logofit::Request> read(std::vector<const char*> words) {
  words.insert(words.begin(), "logofit");
  return logofit::readRequest(static_cast<int>(words.size()), words.data());
}

TEST(CommandLine, RefusesWhatItCannotTakeAndSaysWhy) {
  const struct {
    std::vector<const char*> words;
    const char* reason;  // empty: taken
  } cases[] = {
      {.words = {"in", "out"}, .reason = ""},
      {.words = {"in"}, .reason = "two file names are needed"},
      {.words = {"in", "out", "more"}, .reason = "two file names are needed"},
      {.words = {"--fit", "--fill", "in", "out"}, .reason = "only one of --fit, --fill and"},
      {.words = {"--fit=1", "in", "out"}, .reason = "unknown option --fit=1"},
      {.words = {"--dither", "in", "out"}, .reason = "unknown option --dither"},
      {.words = {"--colours", "8", "in", "out"}, .reason = "unknown option --colours"},
      {.words = {"--shimmerx=a", "in", "out"}, .reason = "unknown option --shimmerx=a"},
      {.words = {"--colors", "2", "in", "out"}, .reason = ""},
      {.words = {"--colors", "1", "in", "out"}, .reason = "--colors takes 2 to 256"},
      {.words = {"--colors=256", "in", "out"}, .reason = ""},
      {.words = {"--colors", "257", "in", "out"}, .reason = "--colors takes 2 to 256"},
      {.words = {"--colors", "+16", "in", "out"}, .reason = "--colors takes 2 to 256"},
      {.words = {"in", "out", "--colors"}, .reason = "--colors needs a value"},
      {.words = {"--gravity=up", "in", "out"}, .reason = "--gravity takes center, top,"},
      {.words = {"--background=#12345", "in", "out"}, .reason = "--background takes a colour"},
      {.words = {"--bar", "--layer=l.png", "in", "out"}, .reason = "only one of --bar, --layer"},
      {.words = {"--shimmer=a", "--layer", "b", "in", "out"}, .reason = "only one of --bar,"},
      {.words = {"--bar=400", "in", "out"}, .reason = ""},
      {.words = {"--bar=0", "in", "out"}, .reason = "--bar takes 1 to 400 rows"},
      {.words = {"--bar=401", "in", "out"}, .reason = "--bar takes 1 to 400 rows"},
      {.words = {"--bar", "--bar-colors=128", "in", "out"}, .reason = ""},
      {.words = {"--bar", "--bar-colors=129", "in", "out"},
       .reason = "--bar-colors takes 2 to 128"},
      {.words = {"--bar", "--bar-colors", "1", "in", "out"}, .reason = "--bar-colors takes 2 to"},
      {.words = {"--bar-colors=16", "in", "out"}, .reason = "--bar-colors needs --bar"},
      {.words = {"--bar", "--bar-gradient=#ff0000", "in", "out"}, .reason = "--bar-gradient takes"},
      {.words = {"--bar", "--bar-gradient=ff0000,00ff0g", "in", "out"},
       .reason = "--bar-gradient takes"},
      {.words = {"--bar", "--bar-gradient=1,2,3,4,5,6,7,8,9,a,b,c,d,e,f,0,1", "in", "out"},
       .reason = "--bar-gradient takes"},
      {.words = {"--layer=", "in", "out"}, .reason = "--layer needs a file name"},
      {.words = {"--shimmer=m", "--shimmer-colors=1", "in", "out"},
       .reason = "--shimmer-colors takes 2 to 128"},
      {.words = {"--shimmer-colors=8", "in", "out"}, .reason = "--shimmer-colors needs --shimmer"},
      {.words = {"--bar", "--bar-band=0", "in", "out"}, .reason = "--bar-band takes 1 to 320"},
      {.words = {"--bar", "--bar-band=321", "in", "out"}, .reason = "--bar-band takes 1 to 320"},
      {.words = {"--bar", "--bar-at=middle", "in", "out"}, .reason = "--bar-at takes bottom or"},
      {.words = {"--bar-direction=left", "in", "out"}, .reason = "--bar-direction needs --bar"},
      {.words = {"--layer-order=x", "in", "out"}, .reason = "--layer-order needs --layer"},
      {.words = {"--layer=a", "--layer-order=spiral", "in", "out"},
       .reason = "--layer-order takes palette,"},
      {.words = {"--shimmer=m", "--shimmer-direction=up", "in", "out"},
       .reason = "--shimmer-direction takes out or in"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.words));
    logo::Result<logofit::Request> request = read(c.words);
    EXPECT_EQ(bool(request), *c.reason == '\0');
    EXPECT_TRUE(request.reason().starts_with(c.reason)) << request.reason();
  }
}

TEST(CommandLine, SetsWhatEachOptionSays) {
  auto request =
      read({"--fill", "--gravity", "top", "--background=#0a0B0c", "--colors=40", "--no-dither",
            "--bar=7", "--bar-colors", "9", "--bar-gradient=#ff0000,#00ff00", "in", "out"});
  ASSERT_TRUE(request) << request.reason();
  EXPECT_EQ(request->options.geometry, logofit::Geometry::kFill);
  EXPECT_EQ(request->options.gravity, logofit::Gravity::kTop);
  EXPECT_EQ(request->options.background, (logo::PaletteEntry{0x0c, 0x0b, 0x0a, 0}));
  EXPECT_EQ(request->options.colours, 40);
  EXPECT_FALSE(request->options.dither);
  const auto& bar = std::get<logofit::BarOptions>(request->animation);
  EXPECT_EQ(bar.rows, 7);
  EXPECT_EQ(bar.colours, 9);
  EXPECT_EQ(bar.gradient.size(), 2u);
  auto moved =
      read({"--bar", "--bar-direction=left", "--bar-at", "top", "--bar-band=7", "in", "out"});
  ASSERT_TRUE(moved) << moved.reason();
  const auto& movedBar = std::get<logofit::BarOptions>(moved->animation);
  EXPECT_EQ(movedBar.direction, logofit::BarDirection::kLeft);
  EXPECT_EQ(movedBar.edge, logofit::BarEdge::kTop);
  EXPECT_EQ(movedBar.band, 7);
  auto layer = read({"--layer-order=angle", "--layer=ring.png", "in", "out"});
  ASSERT_TRUE(layer) << layer.reason();
  EXPECT_EQ(std::get<logofit::LayerOptions>(layer->animation).order, logofit::LayerOrder::kAngle);
  auto shimmer =
      read({"--shimmer", "sky.png", "--shimmer-colors=24", "--shimmer-direction=in", "in", "out"});
  ASSERT_TRUE(shimmer) << shimmer.reason();
  EXPECT_STREQ(std::get<logofit::ShimmerOptions>(shimmer->animation).maskPath, "sky.png");
  EXPECT_EQ(std::get<logofit::ShimmerOptions>(shimmer->animation).light.colours, 24);
  EXPECT_EQ(std::get<logofit::ShimmerOptions>(shimmer->animation).light.direction,
            logofit::LightDirection::kIn);
  EXPECT_STREQ(shimmer->inputPath, "in");
  EXPECT_STREQ(shimmer->outputPath, "out");
}

}  // namespace
