// Decoding every format the suite does not read itself, and all scaling,
// through Magick++.
#include <Magick++.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "logofit/pictures.h"

namespace logofit {
namespace {

constexpr Magick::MagickSizeType kMiB = 1024 * 1024;

void startLibrary() {
  static const bool started = [] {
    Magick::InitializeMagick(nullptr);
    // Enough for 100 megapixels (8 bytes each); Debian's policy lowers
    // memory and map further, and the library then keeps a large picture in
    // a temporary file of at most 1 GiB. JPEG, GIF and WebP cannot go beyond
    // 65535 pixels a side, and no logo is made from a longer strip.
    Magick::ResourceLimits::memory(1024 * kMiB);
    Magick::ResourceLimits::map(1024 * kMiB);
    Magick::ResourceLimits::disk(1024 * kMiB);
    Magick::ResourceLimits::width(65535);
    Magick::ResourceLimits::height(65535);
    Magick::ResourceLimits::listLength(16);
    return true;
  }();
  (void)started;
}

// Only raster formats known by their first bytes: Magick++ would otherwise
// also take vector and script formats that read other files or run
// programs.
const char* formatOf(ByteView bytes) {
  auto startsWith = [&](const char* magic, std::size_t size, std::size_t at = 0) {
    return bytes.size() >= at + size && std::memcmp(bytes.data() + at, magic, size) == 0;
  };
  if (startsWith("\xFF\xD8\xFF", 3)) return "JPEG";
  if (startsWith("\x89PNG\r\n\x1A\n", 8)) return "PNG";
  if (startsWith("GIF8", 4)) return "GIF";
  if (startsWith("BM", 2)) return "BMP";
  if (startsWith("II*\0", 4) || startsWith("MM\0*", 4)) return "TIFF";
  if (startsWith("RIFF", 4) && startsWith("WEBP", 4, 8)) return "WEBP";
  if (bytes.size() >= 2 && bytes[0] == 'P' && bytes[1] >= '1' && bytes[1] <= '6') return "PNM";
  return nullptr;
}

// The library's text without the program name before it and the source
// location after it: "Premature end of JPEG file".
std::string reasonOf(const Magick::Exception& failure, const char* format) {
  std::string text = failure.what();
  std::size_t colon = text.find(": ");
  if (colon != std::string::npos && text.compare(0, colon, MagickCore::GetClientName()) == 0) {
    text.erase(0, colon + 2);
  }
  text = text.substr(0, std::min(text.find(" `"), text.find(" @ ")));
  return std::string(format) + ": " + text;
}

// Reads the first frame. Damaged data is an error; other warnings (an odd
// colour profile, say) are not. Empty when the frame was read.
std::string readFirstFrame(Magick::Image& image, ByteView bytes, bool ping) {
  const char* format = formatOf(bytes);
  if (format == nullptr) return "not a picture format logofit reads";
  startLibrary();
  try {
    image.quiet(false);
    image.magick(format);
    image.subImage(0);
    image.subRange(1);
    Magick::Blob blob(bytes.data(), bytes.size());
    if (ping) {
      image.ping(blob);
    } else {
      image.read(blob);
    }
  } catch (const Magick::WarningCorruptImage& damaged) {
    return reasonOf(damaged, format);
  } catch (const Magick::Warning&) {
  } catch (const Magick::Exception& failure) {
    return reasonOf(failure, format);
  }
  if (image.columns() == 0 || image.rows() == 0) return "the picture has no pixels";
  return {};
}

// JPEG can be decoded at 1/2, 1/4 or 1/8 of its size, far faster; the
// hint asks for no less than the scaled picture needs, whichever way the
// picture is turned.
void hintDecodedSize(Magick::Image& image, const Placement& placement) {
  auto needed = [](int full, int scaled, int crop) {
    return static_cast<long long>(std::ceil(double(full) * scaled / crop));
  };
  std::string side = std::to_string(
      std::max(needed(placement.sourceWidth, placement.scaledWidth, placement.cropWidth),
               needed(placement.sourceHeight, placement.scaledHeight, placement.cropHeight)));
  image.defineValue("jpeg", "size", side + "x" + side);
}

// Cameras store a portrait photograph as a landscape one with a tag that
// says how to turn it.
bool turnedAQuarter(const Magick::Image& image) {
  Magick::OrientationType orientation = image.orientation();
  return orientation == Magick::LeftTopOrientation || orientation == Magick::RightTopOrientation ||
         orientation == Magick::RightBottomOrientation ||
         orientation == Magick::LeftBottomOrientation;
}

logo::Result<RgbPicture> cropScaleAndExport(Magick::Image& image, const Placement& placement) {
  try {
    image.autoOrient();
    double rx = double(image.columns()) / placement.sourceWidth;
    double ry = double(image.rows()) / placement.sourceHeight;
    image.colorSpace(Magick::sRGBColorspace);
    if (image.matte()) {
      image.backgroundColor(Magick::Color(0, 0, 0));
      image.alphaChannel(Magick::RemoveAlphaChannel);
    }
    auto scaledTo = [](int value, double ratio) {
      return static_cast<std::size_t>(std::lround(value * ratio));
    };
    Magick::Geometry crop(std::max<std::size_t>(1, scaledTo(placement.cropWidth, rx)),
                          std::max<std::size_t>(1, scaledTo(placement.cropHeight, ry)),
                          scaledTo(placement.cropX, rx), scaledTo(placement.cropY, ry));
    if (crop.width() != image.columns() || crop.height() != image.rows()) {
      image.crop(crop);
      image.page(Magick::Geometry(0, 0, 0, 0));
    }
    Magick::Geometry size(placement.scaledWidth, placement.scaledHeight);
    size.aspect(true);
    // A box average down to twice the final size first: on a photograph
    // many times larger than the screen it halves the time of the scaling
    // and changes the result by less than a quantization step (above 50 dB).
    if (image.columns() >= 3u * size.width() && image.rows() >= 3u * size.height()) {
      Magick::Geometry twice(2 * size.width(), 2 * size.height());
      twice.aspect(true);
      image.scale(twice);
    }
    image.resize(size);
    RgbPicture scaled{placement.scaledWidth, placement.scaledHeight, {}};
    scaled.rgb.assign(std::size_t(scaled.width) * scaled.height * 3, 0);
    image.write(0, 0, scaled.width, scaled.height, "RGB", Magick::CharPixel, scaled.rgb.data());
    return scaled;
  } catch (const Magick::Exception& failure) {
    return logo::Failure{reasonOf(failure, "scaling")};
  }
}

}  // namespace

logo::Result<Size> probePicture(ByteView bytes) {
  Magick::Image image;
  if (std::string problem = readFirstFrame(image, bytes, true); !problem.empty()) {
    return logo::Failure{problem};
  }
  Size size{static_cast<int>(std::min<std::size_t>(image.columns(), 1 << 30)),
            static_cast<int>(std::min<std::size_t>(image.rows(), 1 << 30))};
  if (turnedAQuarter(image)) std::swap(size.width, size.height);
  return size;
}

logo::Result<RgbPicture> decodeScaled(ByteView bytes, const Placement& placement) {
  Magick::Image image;
  const char* format = formatOf(bytes);
  if (format != nullptr && std::strcmp(format, "JPEG") == 0) hintDecodedSize(image, placement);
  if (std::string problem = readFirstFrame(image, bytes, false); !problem.empty()) {
    return logo::Failure{problem};
  }
  return cropScaleAndExport(image, placement);
}

logo::Result<RgbaPicture> decodeWhole(ByteView bytes) {
  Magick::Image image;
  if (std::string problem = readFirstFrame(image, bytes, false); !problem.empty()) {
    return logo::Failure{problem};
  }
  try {
    image.autoOrient();
    image.colorSpace(Magick::sRGBColorspace);
    RgbaPicture whole{static_cast<int>(image.columns()), static_cast<int>(image.rows()), {}};
    whole.rgba.assign(std::size_t(whole.width) * whole.height * 4, 255);
    // Without an opacity channel the library would export it as transparent.
    const char* channels = image.matte() ? "RGBA" : "RGB";
    std::vector<std::uint8_t> pixels(std::size_t(whole.width) * whole.height * 4);
    image.write(0, 0, whole.width, whole.height, channels, Magick::CharPixel, pixels.data());
    std::size_t step = image.matte() ? 4 : 3;
    for (std::size_t i = 0; i < std::size_t(whole.width) * whole.height; ++i) {
      std::copy_n(pixels.data() + i * step, step, whole.rgba.data() + i * 4);
    }
    return whole;
  } catch (const Magick::Exception& failure) {
    return logo::Failure{reasonOf(failure, "decoding")};
  }
}

logo::Result<RgbPicture> scalePixels(const RgbPicture& source, const Placement& placement) {
  startLibrary();
  try {
    // Not the constructor that takes the pixels: beyond the library's
    // limits it ends the program on a failed assertion instead of throwing.
    Magick::Image image(Magick::Geometry(source.width, source.height), Magick::Color(0, 0, 0));
    image.classType(Magick::DirectClass);
    image.modifyImage();
    if (!MagickCore::ImportImagePixels(image.image(), 0, 0, source.width, source.height, "RGB",
                                       MagickCore::CharPixel, source.rgb.data())) {
      return logo::Failure{"scaling: the pixels could not be taken over"};
    }
    return cropScaleAndExport(image, placement);
  } catch (const Magick::Exception& failure) {
    return logo::Failure{reasonOf(failure, "scaling")};
  }
}

}  // namespace logofit
