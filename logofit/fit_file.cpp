// The files around the fit: the input, and a layer's or a mask's file, read
// as their decoders need them.
#include "logofit/fit_file.h"

#include <sys/stat.h>

#include <cerrno>

namespace logofit {
namespace {

const char* overlayPath(const AnimationOptions& animation) {
  if (const auto* layer = std::get_if<LayerOptions>(&animation)) return layer->path;
  if (const auto* shimmer = std::get_if<ShimmerOptions>(&animation)) return shimmer->maskPath;
  return nullptr;
}

logo::Result<logo::File, Refusal> openInput(const char* path, const char* outputPath) {
  logo::File file = logo::openSource(path);
  if (!file) return Refusal(logo::Outcome::kSourceUnreadable);
  if (logo::isSameFile(file.get(), outputPath)) return Refusal(logo::Outcome::kSameFile);
  return file;
}

std::string whyUnopened(const char* path) {
  struct stat status;
  if (stat(path, &status) != 0) return errno == EACCES ? "not readable" : "no such file";
  if (S_ISDIR(status.st_mode)) return "a folder";
  return "not readable";
}

// A FIFO or a device could block the run or never end; a layer or a mask
// is a file someone drew, so nothing else is opened as one.
logo::Status regularFile(const char* path) {
  struct stat status;
  if (stat(path, &status) != 0 || S_ISREG(status.st_mode) || S_ISDIR(status.st_mode)) return {};
  return logo::Failure{"not a regular file: a layer or a mask is read from a file"};
}

logo::Result<Overlay, Refusal> readOverlay(const AnimationOptions& animation, logo::File file,
                                           const char* path) {
  if (!file) {
    if (const auto* bar = std::get_if<BarOptions>(&animation)) return Overlay(*bar);
    return Overlay();
  }
  Input input(file.get());
  logo::Result<Overlay> overlay = overlayOf(animation, input);
  if (input.failed()) return Refusal(logo::Outcome::kSourceReadFailed);
  if (!overlay) return Refusal(Malformed{path, overlay.reason()});
  return std::move(overlay).value();
}

}  // namespace

logo::Result<Overlay> overlayOf(const AnimationOptions& animation, Input& input) {
  if (const auto* layer = std::get_if<LayerOptions>(&animation)) {
    logo::Result<Ring> ring = readLayer(input, Limits{}, layer->order);
    if (!ring) return logo::Failure{ring.reason()};
    return Overlay(std::move(ring).value());
  }
  if (const auto* shimmer = std::get_if<ShimmerOptions>(&animation)) {
    logo::Result<PixelMask> mask = readMask(input, Limits{});
    if (!mask) return logo::Failure{mask.reason()};
    return Overlay(Shimmer{std::move(mask).value(), shimmer->light});
  }
  if (const auto* bar = std::get_if<BarOptions>(&animation)) return Overlay(*bar);
  return Overlay();
}

logo::Result<logo::File, Refusal> openPicture(const Request& request) {
  return openInput(request.inputPath, request.outputPath);
}

logo::Result<Fitted, Refusal> fitFile(const Request& request, std::FILE* input) {
  const char* extraPath = overlayPath(request.animation);
  if (extraPath != nullptr) {
    if (logo::Status regular = regularFile(extraPath); !regular) {
      return Refusal(Malformed{extraPath, regular.reason()});
    }
  }
  auto extra = extraPath ? openInput(extraPath, request.outputPath) : logo::File{};
  if (!extra) {
    if (std::get<logo::Outcome>(extra.error()) != logo::Outcome::kSourceUnreadable) {
      return extra.error();
    }
    return Refusal(Unopened{extraPath, whyUnopened(extraPath)});
  }
  auto overlay = readOverlay(request.animation, std::move(extra).value(), extraPath);
  if (!overlay) return overlay.error();
  Input source(input);
  logo::Result<Fitted> fitted = fitPicture(source, request.options, *overlay, Limits{});
  if (source.failed()) return Refusal(logo::Outcome::kSourceReadFailed);
  if (!fitted) return Refusal(Malformed{request.inputPath, fitted.reason()});
  return std::move(fitted).value();
}

}  // namespace logofit
