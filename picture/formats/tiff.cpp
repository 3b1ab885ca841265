// TIFF through libtiff. Strips are read a scanline at a time, however large
// they are, so that a picture in one strip needs no more memory than its
// rows; when each channel lies in planes of its own, each plane is read
// through a handle of its own, so that no strip is decoded again from its
// start for every row. Grey and RGB of 8 or 16 bits are taken as stored;
// every other layout (a palette, 1 to 4 bits, CMYK, ...) goes through
// libtiff's own conversion to RGBA a row at a time. Tiles, and YCbCr whose
// colour samples span rows, go through that conversion a band at a time.
#include <tiffio.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "picture/formats/format.h"

namespace picture {
namespace {

// No strip or tile of a picture within the limits needs more in one piece;
// libtiff refuses to allocate beyond it and says so.
constexpr tmsize_t kMostInOnePiece = 256 << 20;
// The RGBA band tiles are converted in.
constexpr long long kMostBandBytes = 128 << 20;

// Each handle keeps its own position, as several read the same input.
struct Handle {
  Input* input;
  std::uint64_t at = 0;
  std::string error;
  bool outOfMemory = false;
};

extern "C" tmsize_t readTiffInput(thandle_t opaque, void* data, tmsize_t size) {
  auto* handle = static_cast<Handle*>(opaque);
  if (!handle->input->seek(handle->at)) return 0;
  std::size_t count = handle->input->read(data, static_cast<std::size_t>(size));
  handle->at += count;
  return static_cast<tmsize_t>(count);
}

extern "C" tmsize_t writeTiffNothing(thandle_t, void*, tmsize_t) {
  return 0;
}

extern "C" toff_t seekTiffInput(thandle_t opaque, toff_t offset, int whence) {
  auto* handle = static_cast<Handle*>(opaque);
  toff_t to = whence == SEEK_SET   ? offset
              : whence == SEEK_CUR ? handle->at + offset
                                   : handle->input->size() + offset;
  if (to > handle->input->size()) return static_cast<toff_t>(-1);
  handle->at = to;
  return to;
}

extern "C" int closeTiffInput(thandle_t) {
  return 0;
}

extern "C" toff_t sizeOfTiffInput(thandle_t handle) {
  return static_cast<Handle*>(handle)->input->size();
}

// libtiff says why it failed in words of its own; that an allocation failed
// shows only in errno, which the failed malloc has just set.
extern "C" int keepTiffError(TIFF*, void* opaque, const char*, const char* format, va_list args) {
  auto* handle = static_cast<Handle*>(opaque);
  bool outOfMemory = errno == ENOMEM;
  if (!handle->error.empty()) return 1;
  char text[256];
  std::vsnprintf(text, sizeof text, format, args);
  handle->error = text;
  handle->outOfMemory = outOfMemory;
  return 1;
}

extern "C" int ignoreTiffWarning(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

class Opened {
 public:
  explicit Opened(Input& input) : handle_{&input, 0, {}, false} {
    errno = 0;
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
  Opened(const Opened&) = delete;
  Opened& operator=(const Opened&) = delete;
  ~Opened() {
    if (tiff_ != nullptr) TIFFClose(tiff_);
  }
  const Handle& handle() const { return handle_; }
  TIFF* tiff() const { return tiff_; }

 private:
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

int planesOf(const Layout& layout) {
  return layout.planar == PLANARCONFIG_SEPARATE ? layout.samples : 1;
}

// Grey or RGB of 8 or 16 bits, with or without alpha: taken as stored, grey
// whose white is zero turned over.
bool plainLayout(const Layout& layout) {
  bool grey = (layout.photometric == PHOTOMETRIC_MINISBLACK ||
               layout.photometric == PHOTOMETRIC_MINISWHITE) &&
              layout.samples <= 2;
  bool rgb = (layout.photometric == PHOTOMETRIC_RGB || layout.jpegAsRgb) && layout.samples >= 3 &&
             layout.samples <= 4;
  return (grey || rgb) && (layout.bits == 8 || layout.bits == 16);
}

// libtiff would say only "Read error at scanline 4294967295" on reaching
// such a strip.
logo::Status withinTheFile(TIFF* tiff, const Layout& layout, std::uint64_t fileSize) {
  std::uint32_t pieces = layout.tiled ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
  for (std::uint32_t i = 0; i < pieces; ++i) {
    std::uint64_t offset = TIFFGetStrileOffset(tiff, i);
    std::uint64_t bytes = TIFFGetStrileByteCount(tiff, i);
    if (offset > fileSize || bytes > fileSize - offset) {
      return logo::Failure{layout.tiled ? "TIFF: a tile lies beyond the end of the file"
                                        : "TIFF: a strip lies beyond the end of the file"};
    }
  }
  return {};
}

// The scanlines of each plane, read through a handle of its own: the
// first plane through the handle that read the header.
class Scanlines {
 public:
  Scanlines(Input& input, TIFF* first, int planes) : handles_{first} {
    for (int plane = 1; plane < planes; ++plane) {
      others_.push_back(std::make_unique<Opened>(input));
      handles_.push_back(others_.back()->tiff());
    }
    lines_.assign(static_cast<std::size_t>(planes),
                  std::vector<std::uint8_t>(static_cast<std::size_t>(TIFFScanlineSize(first))));
  }
  // False when a handle did not open or libtiff failed.
  bool read(std::uint32_t y) {
    for (std::size_t plane = 0; plane < handles_.size(); ++plane) {
      if (handles_[plane] == nullptr || TIFFReadScanline(handles_[plane], lines_[plane].data(), y,
                                                         static_cast<std::uint16_t>(plane)) < 0) {
        return false;
      }
    }
    return true;
  }
  std::uint8_t* plane(std::size_t index) { return lines_[index].data(); }
  // The first error a handle of another plane met.
  const Handle* failedOther() const {
    for (const auto& other : others_) {
      if (!other->handle().error.empty()) return &other->handle();
    }
    return nullptr;
  }

 private:
  std::vector<TIFF*> handles_;
  std::vector<std::unique_ptr<Opened>> others_;
  std::vector<std::vector<std::uint8_t>> lines_;
};

// Grey or RGB samples of a row, 8 bits each, side by side.
class PlainRows {
 public:
  explicit PlainRows(const Layout& layout)
      : layout_(layout),
        // Associated alpha: the colour is flattened already.
        channels_(layout.associatedAlpha ? (layout.samples >= 3 ? 3 : 1) : layout.samples),
        row_(std::size_t(layout.width) * channels_) {}
  int channels() const { return channels_; }
  const std::uint8_t* row(Scanlines& lines) {
    int planes = planesOf(layout_);
    int perPlane = layout_.samples / planes;
    for (int c = 0; c < channels_; ++c) {
      const std::uint8_t* plane = lines.plane(static_cast<std::size_t>(c / perPlane));
      std::uint8_t flip = c == 0 && layout_.photometric == PHOTOMETRIC_MINISWHITE ? 255 : 0;
      for (std::uint32_t x = 0; x < layout_.width; ++x) {
        std::size_t at = std::size_t(x) * perPlane + c % perPlane;
        std::uint8_t sample = layout_.bits == 16 ? highByte(plane, at) : plane[at];
        row_[std::size_t(x) * channels_ + c] = sample ^ flip;
      }
    }
    return row_.data();
  }

 private:
  static std::uint8_t highByte(const std::uint8_t* plane, std::size_t at) {
    std::uint16_t sample;
    std::memcpy(&sample, plane + 2 * at, 2);
    return static_cast<std::uint8_t>(sample >> 8);
  }

  const Layout& layout_;
  int channels_;
  std::vector<std::uint8_t> row_;
};

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

// libtiff's RGBA conversion, fed a row at a time through the routine it
// picked for the layout.
class ConvertedRows {
 public:
  explicit ConvertedRows(const Layout& layout) : raster_(layout.width) {}
  ~ConvertedRows() {
    if (begun_) TIFFRGBAImageEnd(&image_);
  }
  logo::Status begin(TIFF* tiff) {
    char message[1024] = "";
    if (!TIFFRGBAImageOK(tiff, message) || !TIFFRGBAImageBegin(&image_, tiff, 0, message)) {
      return logo::Failure{std::string("TIFF: ") + message};
    }
    begun_ = true;
    return {};
  }
  const std::uint8_t* row(Scanlines& lines, std::uint32_t y) {
    std::uint32_t width = image_.width;
    if (image_.isContig) {
      image_.put.contig(&image_, raster_.data(), 0, y, width, 1, 0, 0, lines.plane(0));
    } else {
      // As libtiff's own reader does: one plane of grey stands for all
      // three colours; CMYK's black ink comes where alpha would.
      bool grey = image_.photometric == PHOTOMETRIC_MINISWHITE ||
                  image_.photometric == PHOTOMETRIC_MINISBLACK;
      std::size_t colours = grey ? 1 : 3;
      std::uint8_t* red = lines.plane(0);
      std::uint8_t* green = grey ? red : lines.plane(1);
      std::uint8_t* blue = grey ? red : lines.plane(2);
      std::uint8_t* alpha = image_.alpha != 0 ? lines.plane(colours) : nullptr;
      image_.put.separate(&image_, raster_.data(), 0, y, width, 1, 0, 0, red, green, blue, alpha);
    }
    auto* pixels = reinterpret_cast<std::uint8_t*>(raster_.data());
    straighten(pixels, static_cast<int>(width));
    return pixels;
  }

 private:
  TIFFRGBAImage image_{};
  bool begun_ = false;
  std::vector<std::uint32_t> raster_;
};

logo::Failure outOfMemory(const Layout& layout) {
  return logo::Failure{"TIFF: out of memory: decoding a " + std::to_string(layout.width) + "x" +
                       std::to_string(layout.height) + " picture"};
}

logo::Failure failure(const Handle& handle, const Layout& layout) {
  if (handle.outOfMemory) return outOfMemory(layout);
  return logo::Failure{"TIFF: " + (handle.error.empty() ? "cannot be read" : handle.error)};
}

logo::Failure notOpened(const Handle& handle) {
  if (handle.outOfMemory) return logo::Failure{"TIFF: out of memory: reading the header"};
  return logo::Failure{"TIFF: " + (handle.error.empty() ? "cannot be read" : handle.error)};
}

logo::Status readStrips(Input& input, const Opened& opened, const Layout& layout, Sink& target) {
  // No layout reads more than four planes: three colours and alpha.
  Scanlines lines(input, opened.tiff(), std::min(planesOf(layout), 4));
  auto failed = [&] {
    const Handle* other = lines.failedOther();
    return failure(other != nullptr ? *other : opened.handle(), layout);
  };
  int width = static_cast<int>(layout.width);
  if (plainLayout(layout)) {
    PlainRows rows(layout);
    for (std::uint32_t y = 0; y < layout.height; ++y) {
      if (!lines.read(y)) return failed();
      target.put(static_cast<int>(y), 0, 1, width, rows.row(lines), rows.channels());
    }
    return {};
  }
  ConvertedRows rows(layout);
  if (logo::Status begun = rows.begin(opened.tiff()); !begun) return begun;
  for (std::uint32_t y = 0; y < layout.height; ++y) {
    if (!lines.read(y)) return failed();
    target.put(static_cast<int>(y), 0, 1, width, rows.row(lines, y), 4);
  }
  return {};
}

// YCbCr samples shared by rows come a pair of rows at a time, which no
// scanline holds whole.
bool sharedAcrossRows(TIFF* tiff, const Layout& layout) {
  std::uint16_t across = 1, down = 1;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_YCBCRSUBSAMPLING, &across, &down);
  return layout.photometric == PHOTOMETRIC_YCBCR && !layout.jpegAsRgb && down > 1;
}

// Through libtiff's conversion a band of tiles, or of strips, at a time.
logo::Status readBands(const Opened& opened, const Layout& layout, Sink& target) {
  TIFF* tiff = opened.tiff();
  char message[1024] = "";
  TIFFRGBAImage image;
  if (!TIFFRGBAImageOK(tiff, message) || !TIFFRGBAImageBegin(&image, tiff, 0, message)) {
    return logo::Failure{std::string("TIFF: ") + message};
  }
  // In the order stored: the orientation tag is applied afterwards, like
  // every other format's.
  image.req_orientation = image.orientation;
  std::uint32_t band = layout.tiled ? field<std::uint32_t>(tiff, TIFFTAG_TILELENGTH)
                                    : field<std::uint32_t>(tiff, TIFFTAG_ROWSPERSTRIP);
  band = std::clamp<std::uint32_t>(band, 1, layout.height);
  if (static_cast<long long>(band) * layout.width * 4 > kMostBandBytes) {
    TIFFRGBAImageEnd(&image);
    return logo::Failure{"TIFF: strips or tiles larger than 128 MiB as RGBA are not read"};
  }
  std::vector<std::uint32_t> raster(std::size_t(band) * layout.width);
  // libtiff 4.5.0, reading through a handle, rounds its buffer of raw
  // data up to a multiple of 1 KiB and then refuses uncompressed tiles of
  // another size; a buffer of the tile's own size it keeps as it is.
  std::vector<std::uint8_t> rawTile;
  if (layout.tiled && field<std::uint16_t>(tiff, TIFFTAG_COMPRESSION) == COMPRESSION_NONE) {
    rawTile.resize(static_cast<std::size_t>(TIFFTileSize(tiff)));
    TIFFReadBufferSetup(tiff, rawTile.data(), static_cast<tmsize_t>(rawTile.size()));
  }
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
  if (!read) return failure(opened.handle(), layout);
  return {};
}

}  // namespace

logo::Result<Stored> probeTiff(Input& input) {
  Opened opened(input);
  if (opened.tiff() == nullptr) return notOpened(opened.handle());
  Layout layout = layoutOf(opened.tiff());
  int orientation = field<std::uint16_t>(opened.tiff(), TIFFTAG_ORIENTATION);
  return Stored{{static_cast<int>(std::min<std::uint32_t>(layout.width, 1 << 30)),
                 static_cast<int>(std::min<std::uint32_t>(layout.height, 1 << 30))},
                orientation >= 1 && orientation <= 8 ? orientation : 1};
}

logo::Status decodeTiff(Input& input, Sink& target) {
  Opened opened(input);
  if (opened.tiff() == nullptr) return notOpened(opened.handle());
  Layout layout = layoutOf(opened.tiff());
  if (logo::Status within = withinTheFile(opened.tiff(), layout, input.size()); !within) {
    return within;
  }
  try {
    target.begin({static_cast<int>(layout.width), static_cast<int>(layout.height)});
    bool bands = layout.tiled || sharedAcrossRows(opened.tiff(), layout);
    return bands ? readBands(opened, layout, target) : readStrips(input, opened, layout, target);
  } catch (const std::bad_alloc&) {
    return outOfMemory(layout);
  }
}

namespace {

bool sniffTiff(ByteView head) {
  return head.size() >= 4 &&
         (std::memcmp(head.data(), "II*\0", 4) == 0 || std::memcmp(head.data(), "MM\0*", 4) == 0);
}

}  // namespace

const Adapter kTiffAdapter{Format::kTiff, sniffTiff, probeTiff, decodeTiff, nullptr};

}  // namespace picture
