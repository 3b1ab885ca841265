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

TEST_F(LogofitAnimation, BarRunsItsGradientWhereAsked) {
  save("in.png", samples::encodeTruecolour(samples::photoLike(400, 300), "PNG"));
  save("in.bmp", samples::encodeBitmap(sixteenColours(), {8}));
  const PaletteEntry red = colour(255, 0, 0), blue = colour(0, 0, 255);
  const struct {
    std::vector<std::string> args;
    const char* ext;
    int rows, colours;
    std::vector<PaletteEntry> ring;  // empty: not checked
    int mostPictureColours;
    int band = 0;  // 0: the default width
    bool top = false, left = false;
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
      {{"--bar=30", "--bar-at=top", "--bar-direction=left", "--bar-band=7"},
       "png",
       30,
       16,
       {},
       239,
       7,
       true,
       true},
      {{"--bar", "--bar-colors=4", "--bar-band", "100"}, "png", 20, 4, {}, 251, 100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    Picture logo = fit(c.args, c.ext);
    int s = 256 - c.colours;
    ASSERT_EQ(logo.animationStart(), s);
    EXPECT_EQ(logo.palette[0], kBlack) << "the border";
    for (int j = 0; j < static_cast<int>(c.ring.size()); ++j)
      EXPECT_EQ(logo.palette[s + j], c.ring[j]);
    int first = c.top ? 0 : 400 - c.rows;
    int band = c.band > 0 ? c.band : std::max(1, 80 / c.colours);
    for (int x = 0; x < 320; ++x) {
      int slot = at(logo, x, first);
      ASSERT_GE(slot, s) << x;
      for (int y = first; y < first + c.rows; ++y) ASSERT_EQ(at(logo, x, y), slot) << x << "," << y;
      if (x == 0) continue;
      // One slot lower, around the ring, at each band's edge the colours
      // move over: the left edges for a bar moving right.
      int before = at(logo, x - 1, first);
      int fromEdge = c.left ? 320 - x : x;
      int lower = s + ((c.left ? slot : before) - s + c.colours - 1) % c.colours;
      if (fromEdge % band == 0) {
        ASSERT_EQ(c.left ? before : slot, lower) << x;
      } else {
        ASSERT_EQ(slot, before) << x;
      }
    }
    for (int y = 0; y < 400; ++y) {
      if (y >= first && y < first + c.rows) continue;
      for (int x = 0; x < 320; ++x) ASSERT_LT(at(logo, x, y), s) << x << "," << y;
    }
    EXPECT_NE(said.out.find(" COLORS + BAR " + std::to_string(c.colours) + " COLORS (SLOTS " +
                            std::to_string(s) + "-255)"),
              std::string::npos)
        << said.out;
    std::set<std::uint8_t> used;
    for (int y = 0; y < 400; ++y) {
      for (int x = 0; x < 320; ++x) {
        if (at(logo, x, y) < s) used.insert(at(logo, x, y));
      }
    }
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

// Eight parts of a drawing (-1 outside them): the arcs of a ring, turning
// clockwise from the right, as the screen shows it; columns from the left;
// rows from the top.
int arcOf(int x, int y) {
  double dx = (x - 160) * 5.0 / 3, dy = y - 200, r = std::hypot(dx, dy);
  if (r < 100 || r > 130) return -1;
  return static_cast<int>(std::floor(std::atan2(dy, dx) / (M_PI / 4) + 8)) % 8;
}
int columnOf(int x, int y) {
  return y >= 100 && y < 300 ? x / 40 : -1;
}
int rowOf(int x, int y) {
  return x >= 60 && x < 260 && y >= 80 && y < 320 ? (y - 80) / 30 : -1;
}

// The parts drawn in a palette whose entries do not follow them: part k in
// entry 1 + kScrambled[k], of grey 30 + 25 * entry; entry 0 transparent.
const int kScrambled[] = {5, 2, 7, 0, 3, 6, 1, 4};

samples::Bytes paletteLayer(int (*partOf)(int, int), bool twoEntriesAlike = false) {
  std::vector<PaletteEntry> palette{kBlack};
  for (int e = 0; e < 8; ++e) palette.push_back(colour(30 + 25 * e, 30 + 25 * e, 30 + 25 * e));
  if (twoEntriesAlike) palette[4] = palette[5];
  auto drawn = layerPicture(palette, {0}, [&](int x, int y) {
    int part = partOf(x, y);
    return part < 0 ? 0 : 1 + kScrambled[part];
  });
  return samples::encodePng(drawn, 8);
}

// The same parts in a PNG without a palette, grey and alpha or RGBA.
samples::Bytes ownColoursLayer(int (*partOf)(int, int), int channels) {
  samples::PngSamples png{320, 400, channels, 8, {}, {}};
  for (int y = 0; y < 400; ++y) {
    for (int x = 0; x < 320; ++x) {
      int part = partOf(x, y);
      int grey = part < 0 ? 0 : 30 + 25 * kScrambled[part];
      for (int c = 1; c < channels; ++c) png.samples.push_back(grey);
      png.samples.push_back(part < 0 ? 0 : 255);
    }
  }
  return samples::encodePng(png);
}

// At each step every colour moves on to the next part in `sequence`: the
// system shows in slot x the colour slot x + 1 showed before.
TEST_F(LogofitAnimation, LayerMovesInTheOrderAsked) {
  save("in.png", samples::encodeTruecolour(samples::photoLike(400, 300), "PNG"));
  const std::vector<int> forward{0, 1, 2, 3, 4, 5, 6, 7};
  const std::vector<int> paletteOrder{2, 5, 0, 7, 4, 1, 6, 3};  // entries from the last down
  const struct {
    const char* order;
    samples::Bytes layer;
    int (*partOf)(int, int);
    std::vector<int> sequence;
    bool twoEntriesAlike = false;
  } cases[] = {
      {"--layer-order=angle", paletteLayer(arcOf), arcOf, forward},
      {"--layer-order=x", paletteLayer(columnOf), columnOf, forward},
      {"--layer-order=y", paletteLayer(rowOf), rowOf, forward},
      {"--layer-order=lightness", paletteLayer(rowOf), rowOf, paletteOrder},
      {"--layer-order=palette", paletteLayer(columnOf), columnOf, paletteOrder},
      {"--layer-order=palette", paletteLayer(columnOf, true), columnOf, paletteOrder, true},
      {"--layer-order=angle", ownColoursLayer(arcOf, 4), arcOf, forward},
      {"", ownColoursLayer(columnOf, 2), columnOf, forward},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.order << " " << &c - cases);
    save("layer.png", c.layer);
    std::vector<std::string> args{"--layer=layer.png"};
    if (*c.order) args.push_back(c.order);
    Picture logo = fit(args);
    ASSERT_EQ(logo.animationStart(), 248);
    std::vector<int> slotOf(8, -1);
    for (int y = 0; y < 400; ++y) {
      for (int x = 0; x < 320; ++x) {
        int part = c.partOf(x, y);
        if (part < 0) {
          ASSERT_LT(at(logo, x, y), 248) << x << "," << y;
          continue;
        }
        if (slotOf[part] < 0) slotOf[part] = at(logo, x, y);
        ASSERT_EQ(at(logo, x, y), slotOf[part]) << x << "," << y;
        int entry = c.twoEntriesAlike && kScrambled[part] == 3 ? 4 : kScrambled[part];
        int grey = 30 + 25 * entry;
        ASSERT_EQ(shownAt(logo, x, y), colour(grey, grey, grey)) << x << "," << y;
      }
    }
    for (int k = 0; k < 8; ++k) {
      int from = slotOf[c.sequence[k]], to = slotOf[c.sequence[(k + 1) % 8]];
      EXPECT_EQ(to, 248 + (from - 248 + 7) % 8) << "part " << c.sequence[k];
    }
  }
}

// A sky whose lightness grows downwards, at any size.
logofit::RgbPicture sky(int width, int height) {
  logofit::RgbPicture sky{width, height, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int v = y * 400 / height, u = x * 320 / width;
      sky.rgb.insert(sky.rgb.end(),
                     {static_cast<std::uint8_t>(20 + v / 3), static_cast<std::uint8_t>(60 + v / 4),
                      static_cast<std::uint8_t>(250 - v / 2 - u / 8)});
    }
  }
  return sky;
}

// Stripes of blue and of beige, equally light at every height, both
// growing lighter downwards.
logofit::RgbPicture twoHues() {
  logofit::RgbPicture picture{320, 400, {}};
  for (int y = 0; y < 400; ++y) {
    for (int x = 0; x < 320; ++x) {
      auto l = static_cast<std::uint8_t>(80 + y / 4);
      if (x / 8 % 2 == 0) {
        picture.rgb.insert(picture.rgb.end(),
                           {std::uint8_t(l - 40), std::uint8_t(l - 10), std::uint8_t(l + 80)});
      } else {
        picture.rgb.insert(picture.rgb.end(),
                           {std::uint8_t(l - 2), std::uint8_t(l - 2), std::uint8_t(l - 60)});
      }
    }
  }
  return picture;
}

double distance(const PaletteEntry& a, const PaletteEntry& b) {
  return std::abs(a.red - b.red) + std::abs(a.green - b.green) + std::abs(a.blue - b.blue);
}

TEST_F(LogofitAnimation, ShimmerSwellsAndEbbsWithoutASeam) {
  save("sky.png", samples::encodeTruecolour(sky(320, 400), "PNG"));
  save("hues.png", samples::encodeTruecolour(twoHues(), "PNG"));
  save("wide.png", samples::encodeTruecolour(sky(800, 300), "PNG"));  // bars above and below
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
  const struct {
    const char* picture;
    std::vector<std::string> args;
    int colours;
    bool in;
    int firstPictureRow;
    double mostFrameZeroError;  // mean, of 255; 0: not checked
  } cases[] = {
      {"sky.png", {"--shimmer=light.png"}, 32, false, 0, 6},
      {"sky.png",
       {"--shimmer=alpha.png", "--shimmer-colors", "5", "--shimmer-direction=in"},
       5,
       true,
       0,
       12},
      {"hues.png", {"--shimmer=light.png", "--shimmer-colors=16"}, 16, false, 0, 0},
      {"wide.png", {"--shimmer=light.png"}, 32, false, 100, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.picture << " " << ::testing::PrintToString(c.args));
    std::filesystem::copy_file(path(c.picture), path("in.png"),
                               std::filesystem::copy_options::overwrite_existing);
    Picture logo = fit(c.args);
    int n = c.colours, s = 256 - n;
    ASSERT_EQ(logo.animationStart(), s);
    // Around the ring, wrap included, no step much larger than the others,
    // and no swapping between hues.
    std::vector<double> steps;
    int hueSwaps = 0;
    for (int j = s; j < 256; ++j) {
      const PaletteEntry &a = logo.palette[j], &b = logo.palette[j == 255 ? s : j + 1];
      steps.push_back(distance(a, b));
      hueSwaps += (a.blue > a.red) != (b.blue > b.red);
    }
    std::vector<double> sorted = steps;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_LE(sorted.back(), 3 * sorted[n / 2] + 6) << "a seam in the ring";
    EXPECT_EQ(hueSwaps, 0);
    // Each pixel sits at its lightness on the rising half of the ring when
    // the light moves out of the brighter (lower) rows, so that the crest
    // reaches them first; on the falling half when it moves in.
    double error = 0, levelTop = 0, levelBottom = 0;
    int area = 0, wrongHalf = 0;
    const logofit::RgbPicture source = sky(320, 400);
    for (int y = 0; y < 400; ++y) {
      for (int x = 0; x < 320; ++x) {
        bool shimmers = inside(x, y) && y >= c.firstPictureRow && y < 400 - c.firstPictureRow;
        ASSERT_EQ(at(logo, x, y) >= s, shimmers) << x << "," << y;
        if (!shimmers) continue;
        int p = at(logo, x, y) - s;
        wrongHalf += c.in ? p != 0 && p < n - n / 2 : p > n / 2;
        (y < 150 ? levelTop : levelBottom) += c.in ? (n - p) % n : p;
        const std::uint8_t* rgb = &source.rgb[(y * 320 + x) * 3];
        PaletteEntry shown = shownAt(logo, x, y);
        error += distance(shown, colour(rgb[0], rgb[1], rgb[2])) / 3;
        ++area;
      }
    }
    int topPixels = (150 - c.firstPictureRow) * 279, bottomPixels = 50 * 279;
    EXPECT_EQ(wrongHalf, 0);
    EXPECT_GT(levelBottom / bottomPixels, levelTop / topPixels);
    if (c.mostFrameZeroError > 0) {
      EXPECT_LT(error / area, c.mostFrameZeroError);
    }
  }
}

TEST_F(LogofitAnimation, RefusesWrongLayersMasksAndCommandLines) {
  // Wide: fitted, it leaves bars above and below.
  save("in.png", samples::encodeTruecolour(samples::photoLike(80, 30), "PNG"));
  save("plain.bmp", samples::encodeBitmap(samples::patternPicture(320, 400, 16), {8}));
  save("small.png", samples::encodeTruecolour(samples::photoLike(32, 40), "PNG"));
  save("dark.png",
       samples::encodeTruecolour({320, 400, std::vector<std::uint8_t>(320 * 400 * 3, 40)}, "PNG"));
  auto clearAll = layerPicture({kBlack, kBlack}, {0, 0}, [](int, int) { return 0; });
  save("clear.png", samples::encodePng(clearAll, 8));
  auto fullLogo = samples::patternPicture(320, 400, 256);
  fullLogo.importantColours[0] = 1;
  save("full.bmp", samples::encodeBitmap(fullLogo, {8}));
  auto logo = samples::patternPicture(320, 400, 256);
  logo.importantColours[0] = 240;
  save("logo.bmp", samples::encodeBitmap(logo, {8}));
  save("rgba.png", ownColoursLayer(columnOf, 4));
  save("white.png",
       samples::encodeTruecolour({320, 400, std::vector<std::uint8_t>(320 * 400 * 3, 255)}, "PNG"));
  save("top.png",
       samples::encodePng(
           layerPicture({kBlack, kBlack}, {0, 255}, [](int, int y) { return y < 50 ? 1 : 0; }), 8));
  ASSERT_EQ(mkfifo(path("pipe.png").c_str(), 0600), 0);  // nothing ever writes it
  const struct {
    std::vector<std::string> args;
    int status;
    const char* out;
    const char* err;  // a part of the line on standard error
  } cases[] = {
      {{"--bar", "--layer=plain.bmp"}, 2, "usage", "only one of --bar, --layer and --shimmer"},
      {{"--layer=missing.png"},
       1,
       "IN FILE OPEN ERROR\n",
       "logofit: missing.png: cannot be opened: no such file"},
      {{"--layer=out.bmp"}, 1, "SAME FILE ERROR\n", ""},
      {{"--layer=plain.bmp"},
       1,
       "IN FILE FORMAT ERROR\n",
       "logofit: plain.bmp: no animated slots and no transparent entry"},
      {{"--layer=in.png"}, 1, "IN FILE FORMAT ERROR\n", "logofit: in.png: 80x30 pixels: a layer"},
      {{"--layer=dark.png"}, 1, "IN FILE FORMAT ERROR\n", "dark.png: no transparent pixel"},
      {{"--layer=logo.bmp", "--layer-order=angle"},
       1,
       "IN FILE FORMAT ERROR\n",
       "logo.bmp: an animated logo keeps its slots"},
      {{"--layer=rgba.png", "--layer-order=palette"},
       1,
       "IN FILE FORMAT ERROR\n",
       "rgba.png: --layer-order=palette needs a layer with a palette"},
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
      {{"--shimmer=white.png"},
       1,
       "IN FILE FORMAT ERROR\n",
       "white.png: the mask marks all of the picture"},
      {{"--shimmer=top.png"},
       1,
       "IN FILE FORMAT ERROR\n",
       "logofit: in.png: the mask marks only the bars around the picture"},
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
  EXPECT_EQ(filesInFolder(), 11u) << "nothing but the inputs";
}

// The left half of a picture clear, the right half a drawing: the clear
// half shows the background, drawn for the logo or scaled to it.
TEST_F(LogofitAnimation, TransparentPartsShowTheBackground) {
  const PaletteEntry background = colour(0xd7, 0x0a, 0x53);
  for (auto [width, height] : {std::pair{320, 400}, std::pair{400, 300}}) {
    SCOPED_TRACE(width);
    logofit::RgbPicture drawing = samples::drawing(width, height);
    samples::PngSamples png{width, height, 4, 8, {}, {}};
    for (int i = 0; i < width * height; ++i) {
      bool clear = i % width < width / 2;
      for (int c = 0; c < 3; ++c) png.samples.push_back(drawing.rgb[3 * i + c]);
      png.samples.push_back(clear ? 0 : 255);
    }
    save("in.png", samples::encodePng(png));
    Picture logo = fit({"--stretch", "--background=#d70a53"});
    for (int y = 0; y < 400; ++y) {
      for (int x = 0; x < 150; ++x) ASSERT_LE(distance(shownAt(logo, x, y), background), 6);
    }
  }
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
