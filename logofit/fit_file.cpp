// The files around the fit: the input and a layer's or mask's file read
// whole, the output written through the suite's atomic output.
#include <sys/stat.h>

#include "logo_image/atomic_output.h"
#include "logofit/logofit.h"

namespace logofit {
namespace {

// More than any picture of 100 megapixels needs, even uncompressed.
constexpr long long kMaxInputBytes = 1LL << 30;

logo::Result<std::vector<std::uint8_t>> readWhole(std::FILE* in) {
  std::vector<std::uint8_t> bytes;
  struct stat status;
  if (fstat(fileno(in), &status) == 0 && S_ISREG(status.st_mode) &&
      status.st_size <= kMaxInputBytes) {
    bytes.reserve(static_cast<std::size_t>(status.st_size));
  }
  std::uint8_t block[1 << 16];
  std::size_t count;
  while ((count = std::fread(block, 1, sizeof block, in)) > 0) {
    if (static_cast<long long>(bytes.size() + count) > kMaxInputBytes) {
      return logo::Failure{"file larger than 1 GiB"};
    }
    bytes.insert(bytes.end(), block, block + count);
  }
  return bytes;
}

const char* overlayPath(const AnimationOptions& animation) {
  if (const auto* layer = std::get_if<LayerOptions>(&animation)) return layer->path;
  if (const auto* shimmer = std::get_if<ShimmerOptions>(&animation)) return shimmer->maskPath;
  return nullptr;
}

// An opened file read whole, or the outcome that stopped it.
struct Input {
  logo::File file;
  std::vector<std::uint8_t> bytes;
};

Outcome openInput(const char* path, const Request& request, Job& job, Input& input) {
  job.failedPath = path;
  input.file = logo::openSource(path);
  if (!input.file) return Outcome::kSourceUnreadable;
  if (logo::isSameFile(input.file.get(), request.outputPath)) return Outcome::kSameFile;
  return Outcome::kDone;
}

Outcome readInput(Input& input, Job& job) {
  logo::Result<std::vector<std::uint8_t>> bytes = readWhole(input.file.get());
  if (std::ferror(input.file.get())) return Outcome::kSourceReadFailed;
  if (!bytes) {
    job.why = bytes.reason();
    return Outcome::kMalformed;
  }
  input.bytes = std::move(bytes).value();
  return Outcome::kDone;
}

// The layer or the shimmer's area, read before the picture: a wrong file
// is told before the long work on the picture.
logo::Result<Overlay> overlayOf(const AnimationOptions& animation, ByteView bytes) {
  if (const auto* bar = std::get_if<BarOptions>(&animation)) return Overlay(*bar);
  if (std::holds_alternative<LayerOptions>(animation)) {
    logo::Result<Ring> layer = readLayer(bytes, Limits{});
    if (!layer) return logo::Failure{layer.reason()};
    return Overlay(std::move(layer).value());
  }
  if (const auto* shimmer = std::get_if<ShimmerOptions>(&animation)) {
    logo::Result<PixelMask> area = readMask(bytes, Limits{});
    if (!area) return logo::Failure{area.reason()};
    return Overlay(Shimmer{std::move(area).value(), shimmer->colours});
  }
  return Overlay();
}

}  // namespace

Outcome readAndFit(const Request& request, Job& job) {
  Input picture;
  Outcome outcome = openInput(request.inputPath, request, job, picture);
  if (outcome != Outcome::kDone) return outcome;
  Input extra;
  const char* extraPath = overlayPath(request.animation);
  if (extraPath != nullptr) {
    outcome = openInput(extraPath, request, job, extra);
    if (outcome != Outcome::kDone) return outcome;
  }
  job.failedPath = request.inputPath;
  outcome = readInput(picture, job);
  if (outcome != Outcome::kDone) return outcome;
  if (extraPath != nullptr) {
    job.failedPath = extraPath;
    outcome = readInput(extra, job);
    if (outcome != Outcome::kDone) return outcome;
  }
  logo::Result<Overlay> overlay = overlayOf(request.animation, extra.bytes);
  if (!overlay) {
    job.why = overlay.reason();
    return Outcome::kMalformed;
  }
  job.failedPath = request.inputPath;
  logo::Result<Fitted> fitted = fitPicture(picture.bytes, request.options, *overlay, Limits{});
  if (!fitted) {
    job.why = fitted.reason();
    return Outcome::kMalformed;
  }
  job.fitted = std::move(fitted).value();
  job.source = std::move(picture.file);
  return Outcome::kDone;
}

Outcome writeLogo(const Request& request, const Job& job) {
  logo::AtomicOutput output(request.outputPath, job.source.get());
  if (!output) return Outcome::kOutputUncreatable;
  output.write(job.fitted.logo.data(), job.fitted.logo.size());
  switch (output.commit()) {
    case logo::Outcome::kWritten:
      return Outcome::kDone;
    case logo::Outcome::kSameFile:
      return Outcome::kSameFile;
    default:
      break;
  }
  return Outcome::kWriteFailed;
}

}  // namespace logofit
