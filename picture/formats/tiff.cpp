// TIFF through libtiff, strip by strip or tile by tile: the common layouts
// (8 or 16-bit grey or RGB, samples side by side, in strips) a scanline at a
// time, every other layout through libtiff's RGBA conversion, a band of
// strips or tiles at a time.
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "picture/formats/format.h"

namespace picture {
namespace {

// No strip or tile of a picture within the limits needs more in one piece;
// libtiff refuses to allocate beyond it and says so.
constexpr tmsize_t kMostInOnePiece = 256 << 20;
// The RGBA band the other layouts are converted in.
constexpr long long kMostBandBytes = 128 << 20;

struct Handle {
  Input* input;
  std::string error;
};

extern "C" tmsize_t readTiffInput(thandle_t handle, void* data, tmsize_t size) {
  return static_cast<tmsize_t>(
      static_cast<Handle*>(handle)->input->read(data, static_cast<std::size_t>(size)));
}

extern "C" tmsize_t writeTiffNothing(thandle_t, void*, tmsize_t) {
  return 0;
}

extern "C" toff_t seekTiffInput(thandle_t handle, toff_t offset, int whence) {
  Input& input = *static_cast<Handle*>(handle)->input;
  toff_t to = whence == SEEK_SET   ? offset
              : whence == SEEK_CUR ? input.position() + offset
                                   : input.size() + offset;
  return input.seek(to) ? to : static_cast<toff_t>(-1);
}

extern "C" int closeTiffInput(thandle_t) {
  return 0;
}

extern "C" toff_t sizeOfTiffInput(thandle_t handle) {
  return static_cast<Handle*>(handle)->input->size();
}

extern "C" int keepTiffError(TIFF*, void* handle, const char*, const char* format, va_list args) {
  char text[256];
  std::vsnprintf(text, sizeof text, format, args);
  auto* h = static_cast<Handle*>(handle);
  if (h->error.empty()) h->error = text;
  return 1;
}

extern "C" int ignoreTiffWarning(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

class Opened {
 public:
  explicit Opened(Input& input) : handle_{&input, {}} {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMostInOnePiece);
    TIFFOpenOptionsSetErrorHandlerExtR(options, keepTiffError, &handle_);
    TIFFOpenOptionsSetWarningHandlerExtR(options, ignoreTiffWarning, &handle_);
    // "m": no memory map, the input is read through the handle.
    tiff_ =
        TIFFClientOpenExt("TIFF", "rm", &handle_, readTiffInput, writeTiffNothing, seekTiffInput,
                          closeTiffInput, sizeOfTiffInput, nullptr, nullptr, options);
    TIFFOpenOptionsFree(options);
  }
  ~Opened() {
    if (tiff_ != nullptr) TIFFClose(tiff_);
  }
  logo::Failure failure(const char* fallback = "cannot be read") const {
    return logo::Failure{"TIFF: " + (handle_.error.empty() ? fallback : handle_.error)};
  }

  Handle handle_;
  TIFF* tiff_ = nullptr;
};

template <typename T>
T field(TIFF* tiff, ttag_t tag) {
  T value{};
  TIFFGetFieldDefaulted(tiff, tag, &value);
  return value;
}

struct Layout {
  std::uint32_t width, height;
  std::uint16_t bits, samples, photometric, planar;
  bool tiled;
  bool associatedAlpha;
  bool jpegAsRgb;  // JPEG's YCbCr, which libtiff turns into RGB
};

Layout layoutOf(TIFF* tiff) {
  Layout layout{field<std::uint32_t>(tiff, TIFFTAG_IMAGEWIDTH),
                field<std::uint32_t>(tiff, TIFFTAG_IMAGELENGTH),
                field<std::uint16_t>(tiff, TIFFTAG_BITSPERSAMPLE),
                field<std::uint16_t>(tiff, TIFFTAG_SAMPLESPERPIXEL),
                field<std::uint16_t>(tiff, TIFFTAG_PHOTOMETRIC),
                field<std::uint16_t>(tiff, TIFFTAG_PLANARCONFIG),
                TIFFIsTiled(tiff) != 0,
                false,
                false};
  if (field<std::uint16_t>(tiff, TIFFTAG_COMPRESSION) == COMPRESSION_JPEG &&
      layout.photometric == PHOTOMETRIC_YCBCR) {
    TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    layout.jpegAsRgb = true;
  }
  std::uint16_t extras = 0;
  std::uint16_t* kinds = nullptr;
  if (TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extras, &kinds) && extras > 0) {
    layout.associatedAlpha = kinds[0] == EXTRASAMPLE_ASSOCALPHA;
  }
  return layout;
}

// Grey or RGB, with or without alpha, samples side by side in strips.
bool plainLayout(const Layout& layout) {
  bool grey = layout.photometric == PHOTOMETRIC_MINISBLACK && layout.samples <= 2;
  bool rgb = (layout.photometric == PHOTOMETRIC_RGB || layout.jpegAsRgb) && layout.samples >= 3 &&
             layout.samples <= 4;
  return (grey || rgb) && (layout.bits == 8 || layout.bits == 16) && !layout.tiled &&
         (layout.planar == PLANARCONFIG_CONTIG || layout.samples == 1);
}

bool readScanlines(TIFF* tiff, const Layout& layout, Sink& target) {
  int width = static_cast<int>(layout.width);
  int samples = layout.samples;
  // Associated alpha: the colour is flattened already.
  int channels = layout.associatedAlpha ? (samples >= 3 ? 3 : 1) : samples;
  std::vector<std::uint8_t> line(static_cast<std::size_t>(TIFFScanlineSize(tiff)));
  std::vector<std::uint8_t> row(std::size_t(width) * samples);
  std::vector<std::uint8_t> kept(std::size_t(width) * channels);
  for (std::uint32_t y = 0; y < layout.height; ++y) {
    if (TIFFReadScanline(tiff, line.data(), y, 0) < 0) return false;
    const std::uint8_t* pixels = line.data();
    if (layout.bits == 16) {
      const auto* wide = reinterpret_cast<const std::uint16_t*>(line.data());
      for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<std::uint8_t>(wide[i] >> 8);
      pixels = row.data();
    }
    if (channels != samples) {
      for (int x = 0; x < width; ++x)
        std::copy_n(pixels + x * samples, channels, &kept[x * channels]);
      pixels = kept.data();
    }
    target.put(static_cast<int>(y), 0, 1, width, pixels, channels);
  }
  return true;
}

// libtiff's conversion gives colours premultiplied by their alpha.
void straighten(std::uint8_t* rgba, int count) {
  for (int i = 0; i < count; ++i, rgba += 4) {
    unsigned alpha = rgba[3];
    if (alpha == 0 || alpha == 255) continue;
    for (int c = 0; c < 3; ++c) {
      rgba[c] = static_cast<std::uint8_t>(std::min(255u, (rgba[c] * 255u + alpha / 2) / alpha));
    }
  }
}

bool readConverted(TIFF* tiff, const Layout& layout, Sink& target, std::string& why) {
  char message[1024] = "";
  TIFFRGBAImage image;
  if (!TIFFRGBAImageOK(tiff, message) || !TIFFRGBAImageBegin(&image, tiff, 0, message)) {
    why = message;
    return false;
  }
  // In the order stored: the orientation tag is applied afterwards, like
  // every other format's.
  image.req_orientation = image.orientation;
  std::uint32_t band = layout.tiled ? field<std::uint32_t>(tiff, TIFFTAG_TILELENGTH)
                                    : field<std::uint32_t>(tiff, TIFFTAG_ROWSPERSTRIP);
  band = std::clamp<std::uint32_t>(band, 1, layout.height);
  if (static_cast<long long>(band) * layout.width * 4 > kMostBandBytes) {
    TIFFRGBAImageEnd(&image);
    why = "strips or tiles larger than 128 MiB as RGBA are not read";
    return false;
  }
  std::vector<std::uint32_t> raster(std::size_t(band) * layout.width);
  int width = static_cast<int>(layout.width);
  bool read = true;
  for (std::uint32_t top = 0; read && top < layout.height; top += band) {
    std::uint32_t rows = std::min(band, layout.height - top);
    image.row_offset = static_cast<int>(top);
    image.col_offset = 0;
    read = TIFFRGBAImageGet(&image, raster.data(), layout.width, rows) != 0;
    for (std::uint32_t y = 0; read && y < rows; ++y) {
      auto* pixels = reinterpret_cast<std::uint8_t*>(raster.data() + std::size_t(y) * width);
      straighten(pixels, width);
      target.put(static_cast<int>(top + y), 0, 1, width, pixels, 4);
    }
  }
  TIFFRGBAImageEnd(&image);
  return read;
}

}  // namespace

logo::Result<Stored> probeTiff(Input& input) {
  Opened opened(input);
  if (opened.tiff_ == nullptr) return opened.failure();
  Layout layout = layoutOf(opened.tiff_);
  int orientation = field<std::uint16_t>(opened.tiff_, TIFFTAG_ORIENTATION);
  return Stored{{static_cast<int>(std::min<std::uint32_t>(layout.width, 1 << 30)),
                 static_cast<int>(std::min<std::uint32_t>(layout.height, 1 << 30))},
                orientation >= 1 && orientation <= 8 ? orientation : 1};
}

logo::Status decodeTiff(Input& input, Sink& target) {
  Opened opened(input);
  if (opened.tiff_ == nullptr) return opened.failure();
  TIFF* tiff = opened.tiff_;
  Layout layout = layoutOf(tiff);
  target.begin({static_cast<int>(layout.width), static_cast<int>(layout.height)});
  std::string why;
  bool read = plainLayout(layout) ? readScanlines(tiff, layout, target)
                                  : readConverted(tiff, layout, target, why);
  if (!read) return why.empty() ? opened.failure() : logo::Failure{"TIFF: " + why};
  return {};
}

namespace {

bool sniffTiff(ByteView head) {
  return head.size() >= 4 &&
         (std::memcmp(head.data(), "II*\0", 4) == 0 || std::memcmp(head.data(), "MM\0*", 4) == 0);
}

}  // namespace

const Adapter kTiffAdapter{Format::kTiff, sniffTiff, probeTiff, decodeTiff, nullptr};

}  // namespace picture
