// The built cycleview, run on logos made here; its GIF is read back with
// giflib's decoder and every frame composed as a viewer would.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "tests/test_support.h"

namespace {

using testing_support::Picture;
using testing_support::RunResult;
using Canvas = std::vector<std::uint32_t>;

const std::string kProgram = CYCLEVIEW_PROGRAM;

const char kUsage[] =
    "Usage: cycleview [--delay MS] [--reverse] [--raw] LOGO OUTPUT.gif\n"
    "       cycleview --help\n"
    "\n"
    "Writes the colour cycling of a start-up logo file as an animated GIF that\n"
    "loops for ever, one frame per step: at each step every palette slot from\n"
    "the one in header byte 50 up to 255 takes the colour of the slot above it,\n"
    "and slot 255 takes the colour of the first animated slot.\n"
    "\n"
    "  --delay MS  time per step in milliseconds, 20 to 10000 (default 100),\n"
    "              kept in hundredths of a second\n"
    "  --reverse   cycle the other way\n"
    "  --raw       write the 320x400 logo pixels one for one instead of the\n"
    "              640x480 view of a 4:3 screen\n"
    "\n"
    "Exit status: 0 when the GIF was written, 1 after an error message, 2 for\n"
    "a wrong command line.\n";

enum class Animated { kEverywhere, kBlock, kNowhere };

struct FrameCase {
  int firstSlot;
  bool topDown;
  Animated animated;
  std::vector<std::string> options;
  int delay;  // hundredths of a second

  bool has(const char* option) const {
    return std::find(options.begin(), options.end(), option) != options.end();
  }
};

Picture makeLogo(int firstSlot, bool topDown, Animated animated) {
  Picture logo = testing_support::makePicture();
  logo.header[logo::kAnimationStartOffset] = static_cast<std::uint8_t>(firstSlot);
  if (topDown) logo::writeLittleEndian(logo.header, logo::kHeightField, -400u);
  for (std::size_t i = 0; i < logo.pixels.size(); ++i) {
    bool inBlock = i % 320 >= 100 && i % 320 < 140 && i / 320 >= 150 && i / 320 < 190;
    if (animated == Animated::kNowhere || (animated == Animated::kBlock && !inBlock)) {
      logo.pixels[i] %= firstSlot;
    }
  }
  return logo;
}

// What the screen shows at step f, top row first.
Canvas expectedFrame(const Picture& logo, const FrameCase& c, int f) {
  bool raw = c.has("--raw");
  int s = c.firstSlot, n = 256 - s, step = c.has("--reverse") ? n - f : f;
  Canvas shown;
  for (int y = 0; y < (raw ? 400 : 480); ++y) {
    int row = raw ? y : y * 400 / 480;
    const std::uint8_t* stored = &logo.pixels[(c.topDown ? row : 399 - row) * 320];
    for (int x = 0; x < (raw ? 320 : 640); ++x) {
      int index = stored[raw ? x : x / 2];
      const logo::PaletteEntry& e = logo.palette[index < s ? index : s + (index - s + step) % n];
      shown.push_back(e.red << 16 | e.green << 8 | e.blue);
    }
  }
  return shown;
}

// Draws frame i over what the frames before it left, as a viewer does; giflib
// fills in the frame's control block, with no transparency when it has none.
GraphicsControlBlock drawFrame(const GifFileType* gif, int i, Canvas& canvas) {
  GraphicsControlBlock control{};
  DGifSavedExtensionToGCB(const_cast<GifFileType*>(gif), i, &control);
  const SavedImage& image = gif->SavedImages[i];
  const GifImageDesc& area = image.ImageDesc;
  const ColorMapObject* colours = area.ColorMap != nullptr ? area.ColorMap : gif->SColorMap;
  for (int y = 0; y < area.Height && area.Top + y < gif->SHeight; ++y) {
    for (int x = 0; x < area.Width && area.Left + x < gif->SWidth; ++x) {
      int index = image.RasterBits[y * area.Width + x];
      const GifColorType& c = colours->Colors[index];
      if (index != control.TransparentColor) {
        canvas[(area.Top + y) * gif->SWidth + area.Left + x] = c.Red << 16 | c.Green << 8 | c.Blue;
      }
    }
  }
  return control;
}

bool loopsForEver(const SavedImage& first) {
  const ExtensionBlock* b = first.ExtensionBlocks;
  return first.ExtensionBlockCount >= 2 && b[0].Function == APPLICATION_EXT_FUNC_CODE &&
         b[0].ByteCount == 11 && std::memcmp(b[0].Bytes, "NETSCAPE2.0", 11) == 0 &&
         b[1].ByteCount == 3 && std::memcmp(b[1].Bytes, "\1\0\0", 3) == 0;
}

TEST(Cycleview, EveryFrameShowsThePaletteRotatedOneStepFurther) {
  const FrameCase cases[] = {
      {255, false, Animated::kEverywhere, {}, 10},
      {244, true, Animated::kEverywhere, {"--reverse"}, 10},
      {240, false, Animated::kEverywhere, {"--raw", "--delay", "35"}, 4},
      {236, true, Animated::kEverywhere, {"--raw", "--reverse", "--delay", "20"}, 2},
      {236, false, Animated::kEverywhere, {"--delay", "10000"}, 1000},
      {240, true, Animated::kNowhere, {"--delay", "124"}, 12},
      {1, false, Animated::kBlock, {"--raw", "--reverse"}, 10},
      {1, true, Animated::kBlock, {"--delay", "26"}, 3},
  };
  for (const FrameCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "s " << c.firstSlot << (c.topDown ? " top-down " : " ")
                                      << ::testing::PrintToString(c.options));
    testing_support::Sandbox scratch;
    Picture logo = makeLogo(c.firstSlot, c.topDown, c.animated);
    scratch.write("logo.sys", logo.bytes());
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {scratch.path("logo.sys"), scratch.path("out.gif")});
    RunResult result = scratch.run(kProgram, args);
    ASSERT_EQ(result.out, "\nFILE WRITE END!!");
    ASSERT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");

    int error = 0;
    GifFileType* gif = DGifOpenFileName(scratch.path("out.gif").c_str(), &error);
    ASSERT_TRUE(gif != nullptr && DGifSlurp(gif) == GIF_OK);
    ASSERT_EQ(gif->ImageCount, 256 - c.firstSlot);
    EXPECT_TRUE(loopsForEver(gif->SavedImages[0]));
    Canvas canvas(static_cast<std::size_t>(gif->SWidth) * gif->SHeight);
    for (int f = 0; f < gif->ImageCount; ++f) {
      GraphicsControlBlock control = drawFrame(gif, f, canvas);
      EXPECT_EQ(control.DelayTime, c.delay) << f;
      EXPECT_LE(control.DisposalMode, DISPOSE_DO_NOT) << "frame " << f << " must stay in place";
      Canvas expected = expectedFrame(logo, c, f);
      auto [got, want] =
          std::mismatch(canvas.begin(), canvas.end(), expected.begin(), expected.end());
      EXPECT_TRUE(got == canvas.end() && want == expected.end())
          << "frame " << f << " differs first at pixel " << got - canvas.begin();
    }
    DGifCloseFile(gif, &error);
  }
}

TEST(Cycleview, SpeaksAndLeavesNothingBehindOnEveryError) {
  testing_support::Sandbox scratch;
  Picture logo = makeLogo(244, false, Animated::kEverywhere);
  scratch.write("logo.sys", logo.bytes());
  scratch.write("short.sys", logo.bytes().substr(0, 3000));
  std::filesystem::create_directory(scratch.path("folder"));
  const struct {
    std::vector<std::string> args;
    const char* out;
    int status;
    std::string err = "";             // the start of standard error
    std::uint64_t fileSizeLimit = 0;  // none when 0
  } cases[] = {
      {{}, kUsage, 2, "cycleview: two file names are needed\n"},
      {{"--help"}, kUsage, 0},
      {{"logo.sys"}, kUsage, 2, "cycleview: two file names are needed\n"},
      {{"logo.sys", "out.gif", "more.gif"},
       kUsage,
       2,
       "cycleview: one file name too many: more.gif\n"},
      {{"--loop", "logo.sys", "out.gif"}, kUsage, 2, "cycleview: unknown option --loop\n"},
      {{"logo.sys", "out.gif", "--delay"},
       kUsage,
       2,
       "cycleview: --delay takes a whole number of milliseconds\n"},
      {{"--delay", "1e3", "logo.sys", "out.gif"}, kUsage, 2, "cycleview: --delay takes"},
      {{"--delay", "", "logo.sys", "out.gif"}, kUsage, 2, "cycleview: --delay takes"},
      {{"--delay", "19", "logo.sys", "out.gif"}, "DELAY NUM. ERROR\n", 1},
      {{"--delay", "10001", "missing.sys", "out.gif"}, "DELAY NUM. ERROR\n", 1},
      {{"missing.sys", "out.gif"}, "IN FILE OPEN ERROR\n", 1},
      {{"folder", "out.gif"}, "IN FILE OPEN ERROR\n", 1},
      {{"/proc/self/mem", "out.gif"}, "IN FILE READ ERROR\n", 1},  // fails at offset 0
      {{"logo.sys", "./logo.sys"}, "SAME FILE ERROR\n", 1},
      {{"logo.sys", "no/such/out.gif"}, "OUT FILE OPEN ERROR\n", 1},
      {{"logo.sys", "folder"}, "OUT FILE OPEN ERROR\n", 1},
      {{"logo.sys", "out.gif"}, "\nFILE WRITE ERROR\n", 1, "", 20000},
      // Read as if complete, after a warning.
      {{"short.sys", "out.gif"}, "\nFILE WRITE END!!", 0, "cycleview: WARNING: short.sys "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    testing_support::RunOptions options;
    if (c.fileSizeLimit != 0) options.fileSizeLimit = c.fileSizeLimit;
    RunResult result = scratch.run(kProgram, c.args, options);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.status, c.status);
    EXPECT_TRUE(result.err.starts_with(c.err)) << result.err;
    EXPECT_EQ(result.err.empty(), c.err.empty()) << result.err;
    if (c.status == 0) std::filesystem::remove(scratch.path("out.gif"));
    // No output and no temporary file: only the three files made above.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.root()), {}), 3);
  }
}

// A picture without animated slots is shown as the screen shows it, still.
TEST(Cycleview, ShowsAStillPictureInOneFrame) {
  for (bool raw : {false, true}) {
    SCOPED_TRACE(raw ? "raw" : "4:3");
    testing_support::Sandbox scratch;
    Picture still = testing_support::makePicture();
    scratch.write("plain.bmp", still.bytes());
    std::vector<std::string> args = {"plain.bmp", "still.gif"};
    if (raw) args.insert(args.begin(), "--raw");
    RunResult result = scratch.run(kProgram, args);
    EXPECT_EQ(result.out, "\nFILE WRITE END!!");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err,
              "cycleview: plain.bmp has no animated slots (header byte 50 is 0); the GIF shows "
              "it still\n");
    int error = 0;
    GifFileType* gif = DGifOpenFileName(scratch.path("still.gif").c_str(), &error);
    ASSERT_NE(gif, nullptr) << error;
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    ASSERT_EQ(gif->ImageCount, 1);
    Canvas canvas(static_cast<std::size_t>(gif->SWidth) * gif->SHeight);
    drawFrame(gif, 0, canvas);
    FrameCase shown{1, false, Animated::kNowhere, {}, 0};  // step 0 of any cycle
    if (raw) shown.options = {"--raw"};
    EXPECT_EQ(canvas, expectedFrame(still, shown, 0));
    DGifCloseFile(gif, &error);
  }
}

}  // namespace
