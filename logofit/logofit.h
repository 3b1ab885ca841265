// The picture fitter: any picture in, a bitmap in the exact layout the
// suite reads out (320x400, 8 bits, 256 palette entries, pixels at 1078).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "logo_image/files.h"
#include "logofit/decoding.h"
#include "logofit/pictures.h"

namespace logofit {

enum class Geometry { kFit, kFill, kStretch };

struct FitOptions {
  Geometry geometry = Geometry::kFit;
  int colours = 256;
  bool dither = true;
};

struct Request {
  const char* inputPath = nullptr;
  const char* outputPath = nullptr;
  FitOptions options;
};

enum class CommandLine { kRun, kHelp, kUsage };

// --fit, --fill, --stretch (one of them), --colors N (2 to 256) and
// --no-dither in any order around exactly two file names.
CommandLine readRequest(int argc, const char* const* argv, Request& request);

// Where a picture of the given size lands on the screen. A logo pixel is
// shown 5/3 as wide as it is tall (320x400 filling a 4:3 display), so a
// picture keeps its proportions when its shown width to height is 4:3.
Placement place(int width, int height, Geometry geometry);

struct Fitted {
  bool kept = false;  // the input's own indices and palette
  int sourceWidth = 0;
  int sourceHeight = 0;
  int colours = 0;  // palette entries written
  std::vector<std::uint8_t> logo;
};

// Decodes the input and makes the logo: the kept path for a 320x400
// palette picture, else scaled as `options` says and reduced in colours.
// False, with the reason, when the input holds no picture logofit can read.
bool fitPicture(Input& input, const FitOptions& options, const Limits& limits, Fitted& fitted,
                std::string& why);

// The bitmap file of a 320x400 picture with at most 256 entries: header,
// palette padded with zero entries, pixels bottom row first.
std::vector<std::uint8_t> logoBytes(const IndexedPicture& picture);

// The line that says what was done, e.g. "FIT 1600x1200 -> 320x400, 256 COLORS\n".
std::string summary(const Fitted& fitted, Geometry geometry);

enum class Outcome {
  kDone,
  kSourceUnreadable,
  kSourceReadFailed,
  kSameFile,
  kMalformed,
  kOutputUncreatable,
  kWriteFailed,
};

struct Job {
  logo::File source;
  Fitted fitted;
  std::string why;  // for kMalformed
};

// Opens the input and fits it. Prints nothing.
Outcome readAndFit(const Request& request, Job& job);
// Writes the fitted logo through the suite's atomic output.
Outcome writeLogo(const Request& request, const Job& job);

extern const std::array<std::string_view, 16> kUsageText;

}  // namespace logofit
