// logofit's animated layers and the border colour, run through the built
// programs: every pixel's slot, every ring colour, and the frames cycleview
// makes of a bar.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "logofit/rings.h"
#include "tests/pictures/sample_pictures.h"
#include "tests/test_support.h"

namespace {

namespace samples = picture::samples;
using logo::PaletteEntry;
using testing_support::colour;
using testing_support::Picture;
using testing_support::RunResult;

const PaletteEntry kBlack{};

class LogofitAnimation : public ::testing::Test, protected testing_support::Sandbox {
 protected:
  LogofitAnimation() : Sandbox(LOGOFIT_PROGRAM) {}

  void save(const std::string& name, const samples::Bytes& bytes) {
    write(name, std::string(bytes.begin(), bytes.end()));
  }
  // logofit with `args` before in.<ext> and out.bmp; the logo it wrote.
  Picture fit(std::vector<std::string> args, const std::string& ext = "png") {
    std::filesystem::remove(path("out.bmp"));
    args.insert(args.end(), {"in." + ext, "out.bmp"});
    said = run(args);
    EXPECT_EQ(said.status, 0) << said.out << said.err;
    if (!exists("out.bmp")) return {};
    return Picture::parse(read("out.bmp"));
  }
  std::size_t filesInFolder() const {
    auto entries = std::filesystem::directory_iterator(root());
    return std::distance(begin(entries), end(entries));
  }

  RunResult said;
};

// Logo pixel (x, y), y counted from the top.
std::uint8_t at(const Picture& logo, int x, int y) {
  return logo.pixels[(399 - y) * 320 + x];
}
PaletteEntry shownAt(const Picture& logo, int x, int y) {
  return logo.palette[at(logo, x, y)];
}

// A 16-colour picture at the logo's size: kept colour for colour.
logofit::IndexedPicture sixteenColours() {
  logofit::IndexedPicture picture = samples::patternPicture(320, 400, 16);
  picture.palette[0] = colour(250, 250, 250);  // no black: entry 0 must make room for it
  return picture;
}

// The ring of a gradient, computed as a person would by hand.
std::vector<PaletteEntry> ringOf(const std::vector<PaletteEntry>& stops, int n) {
  std::vector<PaletteEntry> ring;
  int m = static_cast<int>(stops.size());
  for (int j = 0; j < n; ++j) {
    double t = double(j) * m / n;
    int k = static_cast<int>(t);
    const PaletteEntry &a = stops[k], &b = stops[(k + 1) % m];
    auto mix = [&](int p, int q) {
      return static_cast<int>(std::floor(p + (q - p) * (t - k) + 0.5));
    };
    ring.push_back(colour(mix(a.red, b.red), mix(a.green, b.green), mix(a.blue, b.blue)));
  }
  return ring;
}

TEST_F(LogofitAnimation, BarRunsItsGradientToTheRight) {
  save("in.png", samples::encodeTruecolour(samples::photoLike(400, 300), "PNG"));
  save("in.bmp", samples::encodeBitmap(sixteenColours(), {8}));
  const PaletteEntry red = colour(255, 0, 0), blue = colour(0, 0, 255);
  const struct {
    std::vector<std::string> args;
    const char* ext;
    int rows, colours;
    std::vector<PaletteEntry> ring;  // empty: not checked
    int mostPictureColours;
  } cases[] = {
      {{"--bar"}, "png", 20, 16, {}, 239},
      {{"--bar=1", "--bar-colors", "2", "--bar-gradient=#FF0000,0000ff"},
       "png",
       1,
       2,
       {red, blue},
       253},
      {{"--bar=400", "--bar-colors=128"}, "png", 400, 128, {}, 0},
      {{"--bar=37", "--bar-colors=16", "--bar-gradient", "ff0000,00ff00,0000FF"},
       "png",
       37,
       16,
       ringOf({red, colour(0, 255, 0), blue}, 16),
       239},
      {{"--bar", "--colors", "8"}, "png", 20, 16, {}, 8},
      {{"--bar=50"}, "bmp", 50, 16, {}, 16},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    Picture logo = fit(c.args, c.ext);
    int s = 256 - c.colours;
    ASSERT_EQ(logo.animationStart(), s);
    EXPECT_EQ(logo.palette[0], kBlack) << "the border";
    for (int j = 0; j < static_cast<int>(c.ring.size()); ++j)
      EXPECT_EQ(logo.palette[s + j], c.ring[j]);
    int bandWidth = 0;
    for (int x = 0; x < 320; ++x) {
      int slot = at(logo, x, 399);
      ASSERT_GE(slot, s) << x;
      for (int y = 400 - c.rows; y < 400; ++y) ASSERT_EQ(at(logo, x, y), slot) << x << "," << y;
      if (x == 0) continue;
      int previous = at(logo, x - 1, 399);
      if (slot == previous) continue;
      // One slot lower, around the ring, at each band's left edge.
      ASSERT_EQ(slot, s + (previous - s + c.colours - 1) % c.colours) << x;
      if (bandWidth == 0) bandWidth = x;
      ASSERT_EQ(x % bandWidth, 0) << "bands of equal width";
    }
    EXPECT_GT(bandWidth, 0);
    for (int y = 0; y < 400 - c.rows; ++y) {
      for (int x = 0; x < 320; ++x) ASSERT_LT(at(logo, x, y), s) << x << "," << y;
    }
    EXPECT_NE(said.out.find(" COLORS + BAR " + std::to_string(c.colours) + " COLORS (SLOTS " +
                            std::to_string(s) + "-255)"),
              std::string::npos)
        << said.out;
    std::set<std::uint8_t> used;
    for (int i = 0; i < (400 - c.rows) * 320; ++i) used.insert(logo.pixels[c.rows * 320 + i]);
    EXPECT_LE(static_cast<int>(used.size()), std::max(c.mostPictureColours, 1));
  }
  // The kept bitmap's colours above the bar are its own, in its own order
  // after the border's black.
  logofit::IndexedPicture truth = sixteenColours();
  Picture logo = fit({"--bar=50"}, "bmp");
  for (int y = 0; y < 350; ++y) {
    for (int x = 0; x < 320; ++x) {
      std::uint8_t index = truth.indices[y * 320 + x];
      ASSERT_EQ(at(logo, x, y), index + 1) << x << "," << y;
      ASSERT_EQ(shownAt(logo, x, y), truth.palette[index]) << x << "," << y;
    }
  }
}

// cycleview --raw of a bar: every frame shows the bar one band further
// right, wrapping round, and the picture above it still.
TEST_F(LogofitAnimation, CycleviewShowsTheBarMovingRight) {
  save("in.png", samples::encodeTruecolour(samples::photoLike(400, 300), "PNG"));
  fit({"--bar=10", "--bar-colors=8"});
  ASSERT_EQ(run(CYCLEVIEW_PROGRAM, {"--raw", "out.bmp", "out.gif"}).status, 0);
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path("out.gif").c_str(), &error);
  ASSERT_NE(gif, nullptr);
  ASSERT_EQ(DGifSlurp(gif), GIF_OK);
  ASSERT_EQ(gif->ImageCount, 8);
  std::vector<std::uint32_t> canvas(320 * 400), previous;
  int band = logofit::barBandWidth(8);
  for (int f = 0; f < gif->ImageCount; ++f) {
    const SavedImage& frame = gif->SavedImages[f];
    const ColorMapObject* map =
        frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
    GraphicsControlBlock control{};
    DGifSavedExtensionToGCB(gif, f, &control);
    for (int y = 0; y < frame.ImageDesc.Height; ++y) {
      for (int x = 0; x < frame.ImageDesc.Width; ++x) {
        int index = frame.RasterBits[y * frame.ImageDesc.Width + x];
        if (index == control.TransparentColor) continue;
        const GifColorType& c = map->Colors[index];
        canvas[(y + frame.ImageDesc.Top) * 320 + x + frame.ImageDesc.Left] =
            c.Red << 16 | c.Green << 8 | c.Blue;
      }
    }
    if (f > 0) {
      for (int i = 0; i < 390 * 320; ++i) ASSERT_EQ(canvas[i], previous[i]) << "frame " << f;
      for (int y = 390; y < 400; ++y) {
        for (int x = 0; x < 320; ++x) {
          int from = x >= band ? x - band : x - band + 8 * band;  // one period of 8 bands on
          ASSERT_EQ(canvas[y * 320 + x], previous[y * 320 + from])
              << "frame " << f << " at " << x << "," << y;
        }
      }
    }
    previous = canvas;
  }
  DGifCloseFile(gif, &error);
}

// A palette picture of the logo's size in a few entries, some of them
// transparent, in the pattern `pattern(x, y)` gives.
template <typename Pattern>
logofit::IndexedPicture layerPicture(std::vector<PaletteEntry> palette,
                                     std::vector<std::uint8_t> opacity, Pattern pattern) {
  logofit::IndexedPicture picture{320, 400, palette, {}, {}, opacity};
  for (int y = 0; y < 400; ++y) {
    for (int x = 0; x < 320; ++x) picture.indices.push_back(pattern(x, y));
  }
  return picture;
}

TEST_F(LogofitAnimation, LayerKeepsItsSlotsAndColours) {
  logofit::IndexedPicture under = sixteenColours();
  save("in.bmp", samples::encodeBitmap(under, {8}));
  logofit::IndexedPicture animated = samples::patternPicture(320, 400, 256);
  animated.importantColours[0] = 236;
  const PaletteEntry red = colour(200, 0, 0), green = colour(0, 200, 0), blue = colour(0, 0, 200),
                     clear = colour(9, 9, 9);
  // Entry 0 clear, 1 red, 2 clear at opacity 100, 3 green unused, 4 blue.
  auto ring =
      layerPicture({clear, red, clear, green, blue}, {0, 255, 100, 255, 255},
                   [](int x, int y) { return (x / 10 + y / 10) % 3 == 0 ? (x + y) % 3 : 4; });
  auto gifRing = ring;
  gifRing.opacity = {0};  // a GIF has one transparent index
  gifRing.palette.resize(8, kBlack);
  const struct {
    const char* what;
    samples::Bytes layer;
    const char* ext;
    int start;
    std::vector<PaletteEntry> colours;  // of slots start..255
  } cases[] = {
      {"animated logo", samples::encodeBitmap(animated, {8}), "bmp", 236,
       std::vector<PaletteEntry>(animated.palette.begin() + 236, animated.palette.end())},
      {"PNG with tRNS", samples::encodePng(ring, 8), "png", 254, {red, blue}},
      {"GIF with a transparent index", samples::encodeGif(gifRing), "gif", 253, {red, clear, blue}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    save(std::string("layer.") + c.ext, c.layer);
    Picture logo = fit({std::string("--layer=layer.") + c.ext}, "bmp");
    ASSERT_EQ(logo.animationStart(), c.start);
    for (std::size_t j = 0; j < c.colours.size(); ++j)
      EXPECT_EQ(logo.palette[c.start + j], c.colours[j]);
    const logofit::IndexedPicture& drawn = c.start == 236    ? animated
                                           : c.ext[0] == 'g' ? gifRing
                                                             : ring;
    for (int y = 0; y < 400; ++y) {
      for (int x = 0; x < 320; ++x) {
        std::uint8_t index = drawn.indices[y * 320 + x];
        bool inLayer = c.start == 236 ? index >= 236 : drawn.opaque(index);
        if (!inLayer) {
          ASSERT_EQ(shownAt(logo, x, y), under.palette[under.indices[y * 320 + x]])
              << x << "," << y;
        } else if (c.start == 236) {
          ASSERT_EQ(at(logo, x, y), index);
        } else {
          ASSERT_EQ(shownAt(logo, x, y), drawn.palette[index]) << x << "," << y;
          ASSERT_GE(at(logo, x, y), c.start);
        }
      }
    }
  }
}

TEST_F(LogofitAnimation, ShimmerRunsFromDarkToBright) {
  // Drawn at the logo's size, so every pixel can be compared with it.
  logofit::RgbPicture sky{320, 400, {}};
  for (int y = 0; y < 400; ++y) {
    for (int x = 0; x < 320; ++x) {
      sky.rgb.insert(sky.rgb.end(),
                     {static_cast<std::uint8_t>(20 + y / 3), static_cast<std::uint8_t>(60 + y / 4),
                      static_cast<std::uint8_t>(250 - y / 2 - x / 8)});
    }
  }
  save("in.png", samples::encodeTruecolour(sky, "PNG"));
  auto inside = [](int x, int y) { return y < 200 && x > 40; };
  logofit::RgbPicture light{320, 400, {}};
  for (int y = 0; y < 400; ++y) {
    for (int x = 0; x < 320; ++x) {
      std::uint8_t v = inside(x, y) ? 200 : 60;
      light.rgb.insert(light.rgb.end(), {v, v, v});
    }
  }
  save("light.png", samples::encodeTruecolour(light, "PNG"));
  save("alpha.png",
       samples::encodePng(layerPicture({kBlack, colour(255, 255, 255)}, {0, 255},
                                       [&](int x, int y) { return inside(x, y) ? 1 : 0; }),
                          8));
  for (const char* mask : {"light.png", "alpha.png"}) {
    for (int n : {16, 5}) {
      SCOPED_TRACE(::testing::Message() << mask << " " << n);
      Picture logo = fit({std::string("--shimmer=") + mask, "--shimmer-colors", std::to_string(n)});
      int s = logo.animationStart();
      ASSERT_GE(s, 256 - n);
      for (int i = s + 1; i < 256; ++i) {
        const PaletteEntry &a = logo.palette[i - 1], &b = logo.palette[i];
        EXPECT_LE(299 * a.red + 587 * a.green + 114 * a.blue,
                  299 * b.red + 587 * b.green + 114 * b.blue);
      }
      double error = 0;
      int area = 0;
      for (int y = 0; y < 400; ++y) {
        for (int x = 0; x < 320; ++x) {
          ASSERT_EQ(at(logo, x, y) >= s, inside(x, y)) << x << "," << y;
          if (!inside(x, y)) continue;
          const std::uint8_t* rgb = &sky.rgb[(y * 320 + x) * 3];
          PaletteEntry shown = shownAt(logo, x, y);
          error += std::abs(shown.red - rgb[0]) + std::abs(shown.green - rgb[1]) +
                   std::abs(shown.blue - rgb[2]);
          ++area;
        }
      }
      // The area spans about 100 levels of blue: n colours leave steps of 100 / n.
      EXPECT_LT(error / area / 3, 100.0 / n);
    }
  }
}

TEST_F(LogofitAnimation, RefusesWrongLayersMasksAndCommandLines) {
  save("in.png", samples::encodeTruecolour(samples::photoLike(40, 30), "PNG"));
  save("plain.bmp", samples::encodeBitmap(samples::patternPicture(320, 400, 16), {8}));
  save("small.png", samples::encodeTruecolour(samples::photoLike(32, 40), "PNG"));
  save("dark.png",
       samples::encodeTruecolour({320, 400, std::vector<std::uint8_t>(320 * 400 * 3, 40)}, "PNG"));
  auto clearAll = layerPicture({kBlack, kBlack}, {0, 0}, [](int, int) { return 0; });
  save("clear.png", samples::encodePng(clearAll, 8));
  auto fullLogo = samples::patternPicture(320, 400, 256);
  fullLogo.importantColours[0] = 1;
  save("full.bmp", samples::encodeBitmap(fullLogo, {8}));
  ASSERT_EQ(mkfifo(path("pipe.png").c_str(), 0600), 0);  // nothing ever writes it
  const struct {
    std::vector<std::string> args;
    int status;
    const char* out;
    const char* err;  // a part of the line on standard error
  } cases[] = {
      {{"--bar", "--layer=plain.bmp"}, 2, "usage", "only one of --bar, --layer and --shimmer"},
      {{"--layer=missing.png"}, 1, "IN FILE OPEN ERROR\n", ""},
      {{"--layer=out.bmp"}, 1, "SAME FILE ERROR\n", ""},
      {{"--layer=plain.bmp"},
       1,
       "IN FILE FORMAT ERROR\n",
       "logofit: plain.bmp: no animated slots and no transparent entry"},
      {{"--layer=in.png"}, 1, "IN FILE FORMAT ERROR\n", "logofit: in.png: no palette"},
      {{"--layer=pipe.png"}, 1, "IN FILE FORMAT ERROR\n", "pipe.png: not a regular file"},
      {{"--layer=clear.png"},
       1,
       "IN FILE FORMAT ERROR\n",
       "clear.png: the layer has no opaque pixel"},
      {{"--layer=full.bmp"}, 1, "IN FILE FORMAT ERROR\n", "full.bmp: 255 animated slots"},
      {{"--shimmer=small.png"},
       1,
       "IN FILE FORMAT ERROR\n",
       "logofit: small.png: 32x40: a mask is 320x400"},
      {{"--shimmer=dark.png"},
       1,
       "IN FILE FORMAT ERROR\n",
       "logofit: dark.png: the mask marks no pixel"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"in.png", "out.bmp"});
    if (c.args[0] == "--layer=out.bmp") save("out.bmp", {'x'});
    RunResult result = run(args);
    EXPECT_EQ(result.status, c.status);
    EXPECT_TRUE(result.out.starts_with(c.out)) << result.out;
    EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
    std::filesystem::remove(path("out.bmp"));
  }
  EXPECT_EQ(filesInFolder(), 7u) << "nothing but the inputs";
}

// The system draws entry 0 around the logo, so every logo made by fitting
// has black there; a kept one stays as it is and says so.
TEST_F(LogofitAnimation, PutsTheBorderColourInEntryZero) {
  logofit::RgbPicture bright = samples::drawing(200, 100);
  for (auto& value : bright.rgb) value = static_cast<std::uint8_t>(std::max<int>(value, 90));
  save("in.png", samples::encodeTruecolour(bright, "PNG"));
  save("black.png", samples::encodeTruecolour(samples::drawing(200, 150), "PNG"));
  save("in.bmp", samples::encodeBitmap(sixteenColours(), {8}));
  const PaletteEntry blue = colour(0x20, 0x40, 0x80);
  const struct {
    std::vector<std::string> args;
    const char* ext;
    int most;  // colours counted in the summary
    const char* warning;
    PaletteEntry border;
  } cases[] = {
      {{"--fit"}, "png", 256, "", kBlack},
      {{"--fill"}, "png", 255, "", kBlack},
      {{"--stretch"}, "png", 255, "", kBlack},
      {{"--stretch", "--colors", "40"}, "png", 40, "", kBlack},
      {{"--stretch", "--colors", "6", "black.png"}, "", 6, "", kBlack},
      {{"--fit", "--background=#204080"}, "png", 256, "", blue},
      {{"--stretch", "--background", "204080", "--colors=2"}, "png", 2, "", blue},
      {{},
       "bmp",
       16,
       "logofit: the border around the logo will be 250,250,250 (entry 0)\n",
       colour(250, 250, 250)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    std::vector<std::string> args = c.args;
    if (*c.ext) args.push_back(std::string("in.") + c.ext);
    args.push_back("out.bmp");
    RunResult result = run(args);
    ASSERT_EQ(result.status, 0);
    EXPECT_EQ(result.err, c.warning);
    Picture logo = Picture::parse(read("out.bmp"));
    int said = std::stoi(result.out.substr(result.out.find(", ") + 2));
    EXPECT_LE(said, c.most);
    EXPECT_EQ(logo.palette[0], c.border);
    if (c.args.size() == 2 && c.args[0] == "--fit") {  // bars above and below the picture
      for (int x = 0; x < 320; ++x) ASSERT_EQ(at(logo, x, 0), 0) << x;
    }
    std::set<std::uint8_t> used(logo.pixels.begin(), logo.pixels.end());
    EXPECT_EQ(static_cast<int>(used.size()), said);
  }
}

// 320x400 is drawn in the logo's pixels, 640x400 for the screen, which
// doubles each logo pixel's width: neither is placed, whatever the option.
TEST_F(LogofitAnimation, TakesPicturesDrawnForTheLogoAsDrawn) {
  for (int width : {320, 640}) {
    // Every right pixel a third of its left one: a pair's average is two thirds.
    logofit::RgbPicture drawn = samples::photoLike(width, 400);
    for (std::size_t i = 3; i < drawn.rgb.size(); i += 6) {
      for (int c = 0; c < 3; ++c) drawn.rgb[i + c] = drawn.rgb[i - 3 + c] / 3;
    }
    save("in.png", samples::encodeTruecolour(drawn, "PNG"));
    for (const char* geometry : {"--fit", "--fill"}) {
      SCOPED_TRACE(::testing::Message() << width << " " << geometry);
      Picture logo = fit({geometry});
      EXPECT_TRUE(said.out.find(std::to_string(width) + "x400 -> 320x400, ") != std::string::npos)
          << said.out;
      int step = width / 320;
      double error = 0;
      for (int y = 0; y < 400; ++y) {
        for (int x = 0; x < 320; ++x) {
          const std::uint8_t* left = &drawn.rgb[(y * width + step * x) * 3];
          const std::uint8_t* right = left + 3 * (step - 1);
          PaletteEntry shown = shownAt(logo, x, y);
          for (int c = 0; c < 3; ++c) {
            int expected = (left[c] + right[c] + 1) / 2;
            error += std::abs((c == 0 ? shown.red : c == 1 ? shown.green : shown.blue) - expected);
          }
        }
      }
      // As for any photograph reduced to 256 colours with dithering.
      EXPECT_LT(error / (320 * 400 * 3), 8.0);
    }
  }
}

}  // namespace
