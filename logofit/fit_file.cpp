// The files around the fit: the input read as its decoder needs it, a
// layer's or mask's file read whole, the output written through the
// suite's atomic output.
#include <sys/stat.h>

#include <optional>

#include "logo_image/atomic_output.h"
#include "logofit/logofit.h"

namespace logofit {
namespace {

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

// An opened file and, for a layer or a mask, its bytes.
struct Opened {
  logo::File file;
  std::vector<std::uint8_t> bytes;
};

logo::Result<Opened, Refusal> openInput(const char* path, const char* outputPath) {
  Opened input{logo::openSource(path), {}};
  if (!input.file) return Refusal(logo::Outcome::kSourceUnreadable);
  if (logo::isSameFile(input.file.get(), outputPath)) return Refusal(logo::Outcome::kSameFile);
  return input;
}

// Empty when the file was read whole.
std::optional<Refusal> readInput(Opened& input, const char* path) {
  logo::Result<std::vector<std::uint8_t>> bytes = readWhole(input.file.get());
  if (std::ferror(input.file.get())) return Refusal(logo::Outcome::kSourceReadFailed);
  if (!bytes) return Refusal(Malformed{path, bytes.reason()});
  input.bytes = std::move(bytes).value();
  return std::nullopt;
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

logo::Result<Job, Refusal> readAndFit(const Request& request) {
  const char* extraPath = overlayPath(request.animation);
  auto picture = openInput(request.inputPath, request.outputPath);
  if (!picture) return picture.error();
  auto extra = extraPath ? openInput(extraPath, request.outputPath) : Opened{};
  if (!extra) return extra.error();
  Opened input = std::move(picture).value();
  Opened overlayInput = std::move(extra).value();
  if (extraPath != nullptr) {
    if (auto refusal = readInput(overlayInput, extraPath)) return *refusal;
  }
  logo::Result<Overlay> overlay = overlayOf(request.animation, overlayInput.bytes);
  if (!overlay) return Refusal(Malformed{extraPath, overlay.reason()});
  Input source(input.file.get());
  logo::Result<Fitted> fitted = fitPicture(source, request.options, *overlay, Limits{});
  if (source.failed()) return Refusal(logo::Outcome::kSourceReadFailed);
  if (!fitted) return Refusal(Malformed{request.inputPath, fitted.reason()});
  return Job{std::move(input.file), std::move(fitted).value()};
}

logo::Outcome writeLogo(const Request& request, const Job& job) {
  logo::AtomicOutput output(request.outputPath, job.source.get());
  if (!output) return logo::Outcome::kOutputUncreatable;
  output.write(job.fitted.logo.data(), job.fitted.logo.size());
  return output.commit();
}

}  // namespace logofit
