#include <cstring>

#include "logofit/logofit.h"

namespace logofit {
namespace {

bool readColourCount(const char* text, int& colours) {
  std::size_t length = std::strlen(text);
  if (length == 0 || length > 3 || std::strspn(text, "0123456789") != length) return false;
  colours = std::atoi(text);
  return colours >= 2 && colours <= 256;
}

}  // namespace

CommandLine readRequest(int argc, const char* const* argv, Request& request) {
  std::vector<const char*> names;
  bool geometryGiven = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view word = argv[i];
    if (word == "--help") return CommandLine::kHelp;
  }
  for (int i = 1; i < argc; ++i) {
    std::string_view word = argv[i];
    if (word == "--fit" || word == "--fill" || word == "--stretch") {
      if (geometryGiven) return CommandLine::kUsage;
      geometryGiven = true;
      request.options.geometry = word == "--fit"    ? Geometry::kFit
                                 : word == "--fill" ? Geometry::kFill
                                                    : Geometry::kStretch;
    } else if (word == "--colors") {
      if (++i == argc || !readColourCount(argv[i], request.options.colours)) {
        return CommandLine::kUsage;
      }
    } else if (word == "--no-dither") {
      request.options.dither = false;
    } else if (word.starts_with("--")) {
      return CommandLine::kUsage;
    } else {
      names.push_back(argv[i]);
    }
  }
  if (names.size() != 2) return CommandLine::kUsage;
  request.inputPath = names[0];
  request.outputPath = names[1];
  return CommandLine::kRun;
}

const std::array<std::string_view, 16> kUsageText = {
    "usage: logofit [--fit | --fill | --stretch] [--colors N] [--no-dither] INPUT OUTPUT.bmp",
    "       logofit --help",
    "Writes any picture (BMP, PNG, GIF, JPEG, TIFF, WebP, PNM) as a 320x400 bitmap",
    "with a 256-entry palette, laid out as the other tools of the suite read it.",
    "A 320x400 picture with a palette (BMP, PNG, GIF) is kept as it is: every pixel",
    "keeps its index, every entry its colour, a bitmap's header bytes 50-53 stay.",
    "Any other picture is scaled to the screen, which shows 320x400 at 4:3,",
    "and reduced to at most N colours:",
    "  --fit        show all of it, with black bars where it does not reach (default)",
    "  --fill       cover the screen, cutting the overflow equally from both sides",
    "  --stretch    ignore its proportions",
    "  --colors N   at most N colours, 2 to 256 (default 256)",
    "  --no-dither  nearest colours instead of error diffusion",
    "  --help       this text",
    "Exit status: 0 done, 1 after an error message, 2 after this text for a wrong",
    "command line.",
};

}  // namespace logofit
