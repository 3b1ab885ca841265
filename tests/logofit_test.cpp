// The built logofit, run on pictures of every kind made here.
#include "logofit/logofit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <regex>

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

// The truecolour layout with a fourth, unused byte per pixel.
samples::Bytes thirtyTwoBitBitmap(const logofit::RgbPicture& picture) {
  samples::Bytes out(54, 0);
  out[0] = 'B', out[1] = 'M';
  logo::writeLittleEndian(out, logo::kFileSizeField, 54 + 4 * picture.width * picture.height);
  logo::writeLittleEndian(out, logo::kPixelDataOffsetField, 54);
  logo::writeLittleEndian(out, logo::kInfoHeaderSizeField, 40);
  logo::writeLittleEndian(out, logo::kWidthField, picture.width);
  logo::writeLittleEndian(out, logo::kHeightField, picture.height);
  out[logo::kPlanesField] = 1;
  out[logo::kBitsPerPixelField] = 32;
  for (int y = picture.height - 1; y >= 0; --y) {
    const std::uint8_t* rgb = picture.rgb.data() + std::size_t(y) * picture.width * 3;
    for (int x = 0; x < picture.width; ++x, rgb += 3) out.insert(out.end(), {rgb[2], rgb[1], rgb[0], 0});
  }
  return out;
}

TEST_F(LogofitTest, FitsFillsAndStretchesOtherPictures) {
  auto wide = bands(160, 60, true);     // 8:3 on a 4:3 screen
  auto tall = bands(60, 160, false);    // 3:8
  auto square = bands(160, 120, true);  // the screen's own shape
  logofit::IndexedPicture rowBands{6, 40, {kRed, kGreen, kYellow, kBlue}, {}, {}, {}};
  for (int i = 0; i < 240; ++i) rowBands.indices.push_back(static_cast<std::uint8_t>(1 + i / 60 % 3));
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
      {"32-bit bitmap",
       thirtyTwoBitBitmap(wide),
       "bmp",
       {},
       "FIT 160x60",
       256,
       100,
       0,
       {{40, 200, kRed}, {120, 200, kGreen}, {200, 200, kYellow}, {280, 200, kBlue}}},
      // Rows of 6 indices are padded to 8 bytes, or 4 for 4 bits; padding reads as red.
      {"8-bit rows with padding",
       samples::encodeBitmap(rowBands, {8}),
       "bmp",
       {"--stretch", "--no-dither"},
       "STRETCH 6x40",
       256,
       0,
       0,
       {{10, 50, kGreen}, {310, 150, kYellow}, {10, 250, kBlue}, {310, 350, kGreen}}},
      {"4-bit rows with padding",
       samples::encodeBitmap(rowBands, {4}),
       "bmp",
       {"--stretch", "--no-dither"},
       "STRETCH 6x40",
       256,
       0,
       0,
       {{10, 50, kGreen}, {310, 150, kYellow}, {10, 250, kBlue}, {310, 350, kGreen}}},
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
       samples::encodeBitmap(
           {160, 120, {kRed, kGreen, kYellow, kBlue}, std::vector<std::uint8_t>(160 * 120, 3), {}, {}},
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

const samples::Sample& sampleNamed(const std::string& name) {
  static const std::vector<samples::Sample> all = samples::everyKind();
  return *std::find_if(all.begin(), all.end(), [&](const auto& s) { return s.name == name; });
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

// The run-length bitmap sample with other run-length data.
samples::Bytes withRuns(const char* name, std::vector<std::uint8_t> runs) {
  samples::Bytes bytes = broken(name, {});
  std::uint32_t offset;
  std::memcpy(&offset, bytes.data() + 10, 4);
  bytes.resize(offset);
  bytes.insert(bytes.end(), runs.begin(), runs.end());
  return bytes;
}

samples::Bytes gifOfSize(int width, int height) {
  samples::Bytes gif = samples::encodeGif(samples::patternPicture(8, 8, 2));
  // 13-byte header, a 2-entry table, then the frame: separator, x, y, width, height
  std::size_t frame = 13 + 6;
  gif[frame + 5] = width & 255, gif[frame + 6] = width >> 8;
  gif[frame + 7] = height & 255, gif[frame + 8] = height >> 8;
  return gif;
}

TEST_F(LogofitTest, RefusesMalformedInputsAndWritesNothing) {
  std::vector<std::uint8_t> manyLineEnds;
  for (int i = 0; i < 401; ++i) manyLineEnds.insert(manyLineEnds.end(), {0, 0});
  std::vector<std::uint8_t> literalPastRow = {200, 1, 0, 200};
  literalPastRow.resize(204, 1);
  logofit::IndexedPicture outOfPalette{8, 8, {kRed, kBlue}, std::vector<std::uint8_t>(64, 3), {}, {}};
  const struct {
    const char* what;
    samples::Bytes input;
    const char* why;
  } cases[] = {
      {"empty", {}, "not a picture format"},
      {"text", {'h', 'e', 'l', 'l', 'o'}, "not a picture format"},
      {"header cut short", broken("bmp8.bmp", {{-129048, {}}}), "ends inside the bitmap header"},
      {"unknown header size", broken("bmp8.bmp", {{14, {33}}}), "header of 33 bytes"},
      {"7 bits per pixel", broken("bmp8.bmp", {{28, {7}}}), "7 bits per pixel"},
      {"run-length 8 with 4 bits", broken("bmp4.bmp", {{30, {1}}}), "compression 1 with 4 bits"},
      {"zero width", broken("bmp8.bmp", {{18, {0, 0, 0, 0}}}), "no pixels: 0x400"},
      {"absurd size", broken("bmp8.bmp", {{18, {0xa0, 0x86, 1, 0, 0xa0, 0x86, 1, 0}}}),
       "picture too large: 100000x100000 (at most 100 megapixels)"},
      {"absurd GIF frame", gifOfSize(20000, 20000), "picture too large: 20000x20000"},
      // Not too large: the limit is 100 megapixels exactly.
      {"100 megapixels, cut short", broken("bmp8.bmp", {{18, {0x10, 0x27, 0, 0, 0x10, 0x27, 0, 0}}}),
       "the pixels need 100000000 bytes"},
      {"palette too long", broken("bmp4.bmp", {{46, {17}}}), "palette of 17 entries for 4 bits"},
      {"pixel offset past the end", broken("bmp8.bmp", {{10, {0, 0, 3, 0}}}),
       "pixel offset 196608"},
      {"pixel offset in the header", broken("bmp8.bmp", {{10, {20, 0, 0, 0}}}), "pixel offset 20"},
      {"palette past the end", broken("bmp8.bmp", {{-128478, {}}}), "pixel offset 1078 outside"},
      {"pixels cut short", broken("bmp8.bmp", {{-29078, {}}}), "the pixels need 128000 bytes"},
      {"index past the palette", broken("bmp8-short.bmp", {{2000, {20}}}),
       "pixel index 20 beyond the palette of 20 entries"},
      {"run past a row", withRuns("rle8.bmp", {255, 1, 255, 1}), "passes the end of row 0"},
      {"4-bit run past a row", withRuns("rle4.bmp", {200, 0x12, 200, 0x12}),
       "passes the end of row 0"},
      {"literal past a row", withRuns("rle8.bmp", literalPastRow), "passes the end of row 0"},
      {"literal cut short", withRuns("rle8.bmp", {0, 200, 1, 2, 3}), "ends inside a literal run"},
      {"move past the picture", withRuns("rle8.bmp", {0, 2, 0, 255, 0, 2, 0, 255}),
       "a move leaves"},
      {"lines past the picture", withRuns("rle8.bmp", manyLineEnds), "passes the last row"},
      {"run-length data cut short", broken("rle8.bmp", {{-1000, {}}}), "run-length data ends"},
      {"run-length index past the palette", withRuns("rle8.bmp", {1, 240, 0, 1}),
       "pixel index 240"},
      {"PNG cut short", broken("png8.png", {{-5000, {}}}), "PNG:"},
      {"PNG index past the palette", samples::encodePng(outOfPalette, 4), "PNG: pixel index 3"},
      {"GIF cut short", broken("gif.gif", {{-30000, {}}}), "GIF:"},
      {"GIF index past the table", samples::encodeGif(outOfPalette), "GIF: pixel index 3"},
      // The scaler's limits once ended the program on a failed assertion.
      {"too wide for the scaler",
       samples::encodeBitmap({70000, 1, {kRed, kBlue}, std::vector<std::uint8_t>(70000, 1), {}, {}},
                             {8}),
       "picture too large: 70000x1 (at most 65535 pixels a side)"},
      {"truecolour bitmap cut short", broken("bmp24.bmp", {{-10000, {}}}), "BMP"},
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

// Layouts the samples do not show, each read wrong by a plausible slip.
TEST_F(LogofitTest, KeepsTheRarerLayoutsOfAPalettePicture) {
  logofit::IndexedPicture picture = samples::patternPicture(320, 400, 256);
  logofit::IndexedPicture logo = picture;
  logo.importantColours = {236, 1, 2, 3};  // all four bytes stay, as they were
  logofit::IndexedPicture flat = sampleNamed("rle8.bmp").indexed;
  std::fill(flat.indices.begin(), flat.indices.end(), 7);
  samples::Bytes lineEnds;  // every row ends with an end-of-line escape, the last too
  for (int row = 0; row < 400; ++row) lineEnds.insert(lineEnds.end(), {160, 7, 160, 7, 0, 0});
  lineEnds.insert(lineEnds.end(), {0, 1});
  const struct {
    const char* what;
    samples::Bytes input;
    const char* ext;
    const logofit::IndexedPicture& truth;
  } cases[] = {
      {"bytes 50 to 53", samples::encodeBitmap(logo, {8}), "bmp", logo},
      {"end of line after the last row", withRuns("rle8.bmp", lineEnds), "bmp", flat},
      {"interlaced GIF", samples::encodeInterlacedGif(picture), "gif", picture},
      {"interlaced PNG", samples::encodeInterlacedPng(picture), "png", picture},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    expectKept(c.input, c.ext, c.truth);
  }
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
      {{"in.bmp", "out.bmp", "more.bmp"}, 2, usage},
      {{"--fit", "--fill", "in.bmp", "out.bmp"}, 2, usage},
      {{"--colors", "1", "in.bmp", "out.bmp"}, 2, usage},
      {{"--colors", "257", "in.bmp", "out.bmp"}, 2, usage},
      {{"--colors", "+16", "in.bmp", "out.bmp"}, 2, usage},
      {{"in.bmp", "out.bmp", "--colors"}, 2, usage},
      {{"--dither", "in.bmp", "out.bmp"}, 2, usage},
      {{"--colors", "256", "in.bmp", "out.bmp"}, 0, kept + std::string("\nFILE WRITE END!!")},
      {{"missing.bmp", "out.bmp"}, 1, "IN FILE OPEN ERROR\n"},
      {{".", "out.bmp"}, 1, "IN FILE OPEN ERROR\n"},
      {{"in.bmp", "./in.bmp"}, 1, "SAME FILE ERROR\n"},
      {{"in.bmp", "no/such/folder/out.bmp"}, 1, kept + std::string("OUT FILE OPEN ERROR\n")},
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
