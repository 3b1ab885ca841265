// The built logofit, run on pictures of every kind made here.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "logofit/command_line.h"
#include "tests/pictures/interlaced_pictures.h"
#include "tests/pictures/sample_pictures.h"
#include "tests/test_support.h"

namespace {

namespace samples = picture::samples;
using testing_support::Bytes;
using testing_support::colour;
using testing_support::Picture;
using testing_support::RunOptions;
using testing_support::RunResult;

Bytes text(const samples::Bytes& bytes) {
  return Bytes(bytes.begin(), bytes.end());
}

class LogofitTest : public ::testing::Test, protected testing_support::Sandbox {
 protected:
  LogofitTest() : Sandbox(LOGOFIT_PROGRAM) {}

  // Runs on `input` saved as in.<ext>; the output is out.bmp.
  RunResult fit(const samples::Bytes& input, const std::string& ext,
                std::vector<std::string> options = {}) {
    std::filesystem::remove(path("out.bmp"));
    testing_support::writeFile(path("in." + ext), text(input));
    options.insert(options.end(), {"in." + ext, "out.bmp"});
    return run(options);
  }
  // Runs on `input` and checks that the output keeps every index and entry.
  void expectKept(const samples::Bytes& input, const std::string& ext,
                  const logofit::IndexedPicture& truth);
  Picture written() const {
    Bytes bytes = read("out.bmp");
    EXPECT_EQ(bytes.size(), logo::kLogoFileSize);
    return Picture::parse(bytes);
  }
  std::size_t filesInFolder() const {
    auto entries = std::filesystem::directory_iterator(root());
    return std::distance(begin(entries), end(entries));
  }
};

// The header every output has; bytes 50-53 vary.
logo::LogoHeader canonicalHeader(std::array<std::uint8_t, 4> important = {}) {
  logo::LogoHeader header = testing_support::makePicture().header;
  std::copy(important.begin(), important.end(), header.begin() + 50);
  return header;
}

logo::PaletteEntry shownAt(const Picture& picture, int x, int y) {
  return picture.palette[picture.pixels[(399 - y) * 320 + x]];
}

int distance(const logo::PaletteEntry& a, const logo::PaletteEntry& b) {
  return std::abs(a.red - b.red) + std::abs(a.green - b.green) + std::abs(a.blue - b.blue);
}

const logo::PaletteEntry kBlack{}, kRed = colour(220, 20, 20), kGreen = colour(20, 200, 40),
                                   kYellow = colour(240, 220, 0), kBlue = colour(30, 40, 210);

// Four flat bands, left to right or top to bottom.
logofit::RgbPicture bands(int width, int height, bool across) {
  logofit::RgbPicture picture{width, height, {}};
  const logo::PaletteEntry order[] = {kRed, kGreen, kYellow, kBlue};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto& c = order[across ? x * 4 / width : y * 4 / height];
      picture.rgb.insert(picture.rgb.end(), {c.red, c.green, c.blue});
    }
  }
  return picture;
}

void LogofitTest::expectKept(const samples::Bytes& input, const std::string& ext,
                             const logofit::IndexedPicture& truth) {
  RunResult result = fit(input, ext);
  EXPECT_EQ(result.out, "KEPT 320x400, " + std::to_string(truth.palette.size()) +
                            " COLORS\n\nFILE WRITE END!!");
  ASSERT_EQ(result.status, 0) << result.err;
  Picture out = written();
  EXPECT_EQ(out.header, canonicalHeader(truth.importantColours));
  for (std::size_t i = 0; i < 256; ++i) {
    logo::PaletteEntry expected = i < truth.palette.size() ? truth.palette[i] : kBlack;
    ASSERT_EQ(out.palette[i], expected) << "entry " << i;
  }
  for (int y = 0; y < 400; ++y) {
    for (int x = 0; x < 320; ++x) {
      ASSERT_EQ(out.pixels[(399 - y) * 320 + x], truth.indices[y * 320 + x]) << x << "," << y;
    }
  }
}

TEST_F(LogofitTest, KeepsEveryIndexAndEntryOfAPalettePicture) {
  for (const samples::Sample& sample : samples::everyKind()) {
    if (!sample.kept) continue;
    SCOPED_TRACE(sample.name);
    expectKept(sample.bytes, sample.name.substr(sample.name.find('.') + 1), sample.indexed);
  }
}

TEST_F(LogofitTest, FitsFillsAndStretchesOtherPictures) {
  auto wide = bands(160, 60, true);     // 8:3 on a 4:3 screen
  auto tall = bands(60, 160, false);    // 3:8
  auto square = bands(160, 120, true);  // the screen's own shape
  logofit::RgbPicture redColumn = bands(200, 50, true);
  for (int i = 0; i < 200 * 50; ++i) {
    const logo::PaletteEntry& c = i % 200 == 66 ? kRed : kBlue;
    std::copy_n(std::array{c.red, c.green, c.blue}.begin(), 3, redColumn.rgb.begin() + i * 3);
  }
  const struct {
    const char* what;
    samples::Bytes input;
    const char* ext;
    std::vector<std::string> options;
    const char* said;
    int colours;
    // Black bars: rows [0, top) and [400 - top, 400), columns likewise.
    int top, side;
    std::vector<std::tuple<int, int, logo::PaletteEntry>> probes;
  } cases[] = {
      {"24-bit bitmap",
       samples::encodeTruecolourBitmap(wide),
       "bmp",
       {},
       "FIT 160x60",
       256,
       100,
       0,
       {{40, 200, kRed}, {120, 200, kGreen}, {200, 200, kYellow}, {280, 200, kBlue}}},
      {"PNG, filled",
       samples::encodeTruecolour(wide, "PNG"),
       "png",
       {"--fill"},
       "FILL 160x60",
       256,
       0,
       0,
       {{4, 0, kGreen}, {130, 399, kGreen}, {190, 0, kYellow}, {315, 399, kYellow}}},
      {"JPEG, tall",
       samples::encodeTruecolour(tall, "JPEG"),
       "jpg",
       {"--fit"},
       "FIT 60x160",
       256,
       0,
       115,
       {{160, 50, kRed}, {160, 150, kGreen}, {160, 250, kYellow}, {160, 350, kBlue}}},
      {"TIFF turned by its tag",
       samples::encodeTruecolour(wide, "TIFF", 6),
       "tif",
       {},
       "FIT 60x160",
       256,
       0,
       115,
       {{160, 50, kRed}, {160, 150, kGreen}, {160, 250, kYellow}, {160, 350, kBlue}}},
      {"tall, filled",
       samples::encodeTruecolour(tall, "PNG"),
       "png",
       {"--fill", "--colors", "8"},
       "FILL 60x160",
       8,
       0,
       0,
       {{0, 4, kGreen}, {319, 150, kGreen}, {0, 260, kYellow}, {319, 395, kYellow}}},
      {"stretched",
       samples::encodeTruecolour(wide, "PNG"),
       "png",
       {"--stretch", "--no-dither", "--colors", "16"},
       "STRETCH 160x60",
       16,
       0,
       0,
       {{40, 0, kRed}, {120, 399, kGreen}, {200, 0, kYellow}, {280, 399, kBlue}}},
      // 8 x 50 / 6 = 66.7 columns are kept: 67, from column 66, the red one.
      {"filled, the crop rounded",
       samples::encodeTruecolour(redColumn, "PNG"),
       "png",
       {"--fill"},
       "FILL 200x50",
       256,
       0,
       0,
       {{1, 200, kRed}, {319, 200, kBlue}}},
      {"palette bitmap of another size",
       samples::encodeBitmap({160,
                              120,
                              {kRed, kGreen, kYellow, kBlue},
                              std::vector<std::uint8_t>(160 * 120, 3),
                              {},
                              {}},
                             {8}),
       "bmp",
       {"--colors", "2"},
       "FIT 160x120",
       2,
       0,
       0,
       {{0, 0, kBlue}, {319, 399, kBlue}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RunResult result = fit(c.input, c.ext, c.options);
    std::smatch said;
    std::regex line(std::string(c.said) + " -> 320x400, ([0-9]+) COLORS\n\nFILE WRITE END!!");
    ASSERT_TRUE(std::regex_match(result.out, said, line)) << result.out << result.err;
    Picture out = written();
    int colours = std::stoi(said[1]);
    EXPECT_LE(colours, c.colours);
    EXPECT_EQ(out.header, canonicalHeader());
    // Entry 0 is the border's black, the picture's colours follow it.
    for (int i = colours + 1; i < 256; ++i) ASSERT_EQ(out.palette[i], kBlack) << i;
    EXPECT_EQ(out.palette[0], kBlack);
    for (std::uint8_t pixel : out.pixels) ASSERT_LE(pixel, colours);
    for (int y = 0; y < 400; ++y) {
      for (int x = 0; x < 320; ++x) {
        bool bar = y < c.top || y >= 400 - c.top || x < c.side || x >= 320 - c.side;
        ASSERT_EQ(distance(shownAt(out, x, y), kBlack) == 0, bar) << x << "," << y;
      }
    }
    for (const auto& [x, y, expected] : c.probes) {
      EXPECT_LE(distance(shownAt(out, x, y), expected), 40) << x << "," << y;
    }
  }
}

// Scaled to exactly twice its size, a smooth picture should come back
// close to its own colours. 256 colours spread over the colours of this
// picture (a 2-D sheet of the cube, 255 x 255 levels by 200 levels) leave
// steps of about 16 levels; the nearest colour is then off by 4 per
// channel on average. Error diffusion keeps local averages right by moving
// some pixels to a neighbouring colour, which adds up to half a step to
// single pixels, and the scaling adds less than 1 on a smooth ramp: 6. A
// wrong entry or a swapped channel costs tens of levels.
TEST_F(LogofitTest, KeepsColoursCloseWhenReducing) {
  logofit::RgbPicture smooth{160, 200, {}};
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 160; ++x) {
      smooth.rgb.insert(smooth.rgb.end(), {static_cast<std::uint8_t>(x * 255 / 159),
                                           static_cast<std::uint8_t>(y * 255 / 199),
                                           static_cast<std::uint8_t>(200 - (x + y) / 2)});
    }
  }
  const std::vector<std::string> runs[] = {{"--stretch"}, {"--stretch", "--no-dither"}};
  for (const auto& options : runs) {
    SCOPED_TRACE(options.size());
    ASSERT_EQ(fit(samples::encodeTruecolour(smooth, "PNG"), "png", options).status, 0);
    Picture out = written();
    double error = 0;
    for (int y = 0; y < 400; ++y) {
      for (int x = 0; x < 320; ++x) {
        const std::uint8_t* rgb = smooth.rgb.data() + ((y / 2) * 160 + x / 2) * 3;
        error += distance(shownAt(out, x, y), colour(rgb[0], rgb[1], rgb[2]));
      }
    }
    EXPECT_LT(error / (320 * 400 * 3), 6.0);
  }
}

// Bytes of a sample, changed: `at` < 0 cuts -at bytes off its end.
samples::Bytes broken(const char* name,
                      std::vector<std::pair<long, std::vector<std::uint8_t>>> edits) {
  for (samples::Sample& sample : samples::everyKind()) {
    if (sample.name != name) continue;
    for (auto& [at, bytes] : edits) {
      if (at < 0) {
        sample.bytes.resize(sample.bytes.size() - static_cast<std::size_t>(-at));
      } else {
        std::copy(bytes.begin(), bytes.end(), sample.bytes.begin() + at);
      }
    }
    return sample.bytes;
  }
  return {};
}

TEST_F(LogofitTest, RefusesMalformedInputsAndWritesNothing) {
  const struct {
    const char* what;
    samples::Bytes input;
    const char* why;
  } cases[] = {
      {"empty", {}, "not a picture format"},
      {"text", {'h', 'e', 'l', 'l', 'o'}, "not a picture format"},
      // The scaler's limits once ended the program on a failed assertion.
      {"too wide for the scaler",
       samples::encodeBitmap({70000, 1, {kRed, kBlue}, std::vector<std::uint8_t>(70000, 1), {}, {}},
                             {8}),
       "picture too large: 70000x1 (at most 65535 pixels a side)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RunResult result = fit(c.input, "pic");
    EXPECT_EQ(result.out, "IN FILE FORMAT ERROR\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.err.starts_with("logofit: in.pic: ")) << result.err;
    EXPECT_NE(result.err.find(c.why), Bytes::npos) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1);
    EXPECT_EQ(filesInFolder(), 1u) << "only the input";
  }
}

// libpng allocates through the suite, which tells its running out of
// memory from its other failures, whatever libpng's words for it.
TEST_F(LogofitTest, SaysThatLibpngRanOutOfMemory) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the sanitizer's allocator cannot be replaced";
#endif
  // The preloaded allocator fails libpng's buffer of a 90000-byte row.
  samples::PngSamples wide{30000, 2, 3, 8, std::vector<std::uint16_t>(180000, 100), {}};
  testing_support::writeFile(path("in.png"), text(samples::encodePng(wide)));
  RunOptions options;
  options.fault = "malloc";
  RunResult result = run({"in.png", "out.bmp"}, options);
  EXPECT_EQ(result.out, "IN FILE FORMAT ERROR\n");
  EXPECT_EQ(result.err, "logofit: in.png: PNG: out of memory\n");
  EXPECT_EQ(result.status, 1);
}

// An existing logo, run-length encoded with its animation starting at slot
// 236, goes through logofit and the palette packer with both intact.
TEST_F(LogofitTest, KeepsALogoThroughThePalettePacker) {
  logofit::IndexedPicture logo = samples::patternPicture(320, 400, 256);
  logo.importantColours[0] = 236;
  ASSERT_EQ(
      fit(samples::encodeBitmap(logo, {8, samples::Header::kInfo, samples::Compression::kRle8}),
          "bmp")
          .status,
      0);
  RunOptions answer;
  answer.input = "y\n";
  RunResult packed = run(PALPACK_PROGRAM, {"out.bmp", "-a", "packed.bmp"}, answer);
  ASSERT_EQ(packed.status, 0) << packed.out;
  Picture before = written();
  Picture after = Picture::parse(testing_support::readFile(path("packed.bmp")));
  EXPECT_EQ(after.animationStart(), 236);
  EXPECT_EQ(shownColours(after), shownColours(before));
  for (int slot = 236; slot < 256; ++slot) EXPECT_EQ(after.palette[slot], logo.palette[slot]);
  for (std::size_t i = 0; i < after.pixels.size(); ++i) {
    if (before.pixels[i] >= 236) {
      ASSERT_EQ(after.pixels[i], before.pixels[i]) << i;
    }
  }
}

TEST_F(LogofitTest, AnswersTheCommandLineAndTheFiles) {
  std::string usage;
  for (std::string_view line : logofit::kUsageText) usage.append(line).append("\n");
  testing_support::writeFile(path("in.bmp"), text(samples::everyKind()[0].bytes));
  const char* kept = "KEPT 320x400, 256 COLORS\n";
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out;
  } cases[] = {
      {{"--help"}, 0, usage},
      {{"in.bmp", "out.bmp", "--help"}, 0, usage},
      {{}, 2, usage},
      {{"in.bmp"}, 2, usage},
      {{"--dither", "in.bmp", "out.bmp"}, 2, usage},
      {{"--colors", "256", "in.bmp", "out.bmp"}, 0, kept + std::string("\nFILE WRITE END!!")},
      {{"missing.bmp", "out.bmp"}, 1, "IN FILE OPEN ERROR\n"},
      {{".", "out.bmp"}, 1, "IN FILE OPEN ERROR\n"},
      {{"in.bmp", "./in.bmp"}, 1, "SAME FILE ERROR\n"},
      {{"in.bmp", "no/such/folder/out.bmp"}, 1, "OUT FILE OPEN ERROR\n"},  // before decoding
      {{"in.bmp", "out.bmp", "--colors", "002", "--stretch"},
       0,
       kept + std::string("\nFILE WRITE END!!")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    std::filesystem::remove(path("out.bmp"));
    RunResult result = run(c.args);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(testing_support::fileExists(path("out.bmp")), result.out.ends_with("END!!"));
  }
}

TEST_F(LogofitTest, LeavesNoFileWhenTheDiskIsFull) {
  testing_support::writeFile(path("in.jpg"), text(broken("photo.jpg", {})));
  for (std::uint64_t limit : {0, 1000, 129077}) {
    SCOPED_TRACE(limit);
    RunOptions options;
    options.fileSizeLimit = limit;
    RunResult result = run({"in.jpg", "out.bmp"}, options);
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.out.ends_with(" COLORS\n\nFILE WRITE ERROR\n")) << result.out;
    EXPECT_EQ(filesInFolder(), 1u);
  }
}

}  // namespace
