// PNG through libpng, a row at a time; an interlaced picture pass by pass,
// each pass's pixels put where they belong, so no pass waits for the
// others in memory.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <string>

#include "picture/formats/format.h"

namespace picture {
namespace {

struct Source {
  Input* input;
  std::string error;
};

extern "C" void readPngInput(png_structp png, png_bytep data, png_size_t size) {
  auto* source = static_cast<Source*>(png_get_io_ptr(png));
  if (source->input->read(data, size) != size) png_error(png, "the file ends early");
}

extern "C" void keepPngError(png_structp png, png_const_charp message) {
  static_cast<Source*>(png_get_error_ptr(png))->error = message;
  png_longjmp(png, 1);
}

extern "C" void ignorePngWarning(png_structp, png_const_charp) {}

class Decoder {
 public:
  explicit Decoder(Input& input) : source_{&input, {}} {
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source_, keepPngError, ignorePngWarning);
    info_ = png_ ? png_create_info_struct(png_) : nullptr;
    if (info_ != nullptr) {
      png_set_read_fn(png_, &source_, readPngInput);
      png_set_chunk_malloc_max(png_, 8 << 20);
    }
  }
  ~Decoder() { png_destroy_read_struct(&png_, &info_, nullptr); }
  std::string reason() const {
    return "PNG: " + (png_ == nullptr || info_ == nullptr ? "out of memory" : source_.error);
  }

  Source source_;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
};

bool readHeader(Decoder& d) {
  if (d.info_ == nullptr || setjmp(png_jmpbuf(d.png_)) != 0) return false;
  png_read_info(d.png_, d.info_);
  return true;
}

std::vector<logo::PaletteEntry> paletteOf(png_structp png, png_infop info) {
  png_colorp entries = nullptr;
  int count = 0;
  png_get_PLTE(png, info, &entries, &count);
  std::vector<logo::PaletteEntry> palette;
  for (int i = 0; i < count; ++i) {
    palette.push_back({entries[i].blue, entries[i].green, entries[i].red, 0});
  }
  return palette;
}

void readRows(png_structp png, png_infop info, Sink& target, std::vector<std::uint8_t>& row) {
  int channels = png_get_channels(png, info);
  int width = static_cast<int>(png_get_image_width(png, info));
  int height = static_cast<int>(png_get_image_height(png, info));
  target.begin({width, height});
  row.resize(std::size_t(width) * channels);
  if (png_get_interlace_type(png, info) == PNG_INTERLACE_NONE) {
    for (int y = 0; y < height; ++y) {
      png_read_row(png, row.data(), nullptr);
      target.put(y, 0, 1, width, row.data(), channels);
    }
    return;
  }
  for (int pass = 0; pass < 7; ++pass) {
    int columns = static_cast<int>(PNG_PASS_COLS(width, pass));
    int rows = static_cast<int>(PNG_PASS_ROWS(height, pass));
    if (columns == 0 || rows == 0) continue;
    for (int i = 0; i < rows; ++i) {
      png_read_row(png, row.data(), nullptr);
      int y = static_cast<int>(PNG_ROW_FROM_PASS_ROW(i, pass));
      target.put(y, PNG_PASS_START_COL(pass), 1 << PNG_PASS_COL_SHIFT(pass), columns, row.data(),
                 channels);
    }
  }
}

bool paletted(const Decoder& d) {
  return png_get_color_type(d.png_, d.info_) == PNG_COLOR_TYPE_PALETTE;
}

// Everything that libpng may leave by a long jump, the palette lookup and
// the row included, lives in the caller: no destructor is skipped.
bool readPixels(Decoder& d, Sink& target, std::vector<std::uint8_t>& row) {
  if (setjmp(png_jmpbuf(d.png_)) != 0) return false;
  png_structp png = d.png_;
  png_infop info = d.info_;
  if (paletted(d)) {
    png_set_packing(png);  // 1, 2 and 4-bit indices to a byte each
  } else {
    png_set_expand(png);  // small greys to 8 bits, tRNS to alpha
    png_set_strip_16(png);
  }
  png_read_update_info(png, info);
  readRows(png, info, target, row);
  png_read_end(png, nullptr);
  return true;
}

}  // namespace

logo::Result<Stored> probePng(Input& input) {
  Decoder d(input);
  if (!readHeader(d)) return logo::Failure{d.reason()};
  png_uint_32 width = png_get_image_width(d.png_, d.info_);
  png_uint_32 height = png_get_image_height(d.png_, d.info_);
  return Stored{{static_cast<int>(std::min<png_uint_32>(width, 1 << 30)),
                 static_cast<int>(std::min<png_uint_32>(height, 1 << 30))},
                1,
                paletted(d)};
}

logo::Status decodePng(Input& input, Sink& target) {
  Decoder d(input);
  std::vector<std::uint8_t> row;
  if (!readHeader(d)) return logo::Failure{d.reason()};
  if (!paletted(d)) {
    if (!readPixels(d, target, row)) return logo::Failure{d.reason()};
    return {};
  }
  // The palette's opacities are left out, as the suite's reader leaves them.
  PaletteLookup lookup(paletteOf(d.png_, d.info_), target);
  if (!readPixels(d, lookup, row)) return logo::Failure{d.reason()};
  if (logo::Status indices = lookup.checked(); !indices) {
    return logo::Failure{"PNG: " + indices.reason()};
  }
  return {};
}

namespace {

bool sniffPng(ByteView head) {
  return head.size() >= 8 && std::memcmp(head.data(), "\x89PNG\r\n\x1A\n", 8) == 0;
}

}  // namespace

const Adapter kPngAdapter{Format::kPng, sniffPng, probePng, decodePng, readPng};

}  // namespace picture
