// Palette PNG files through libpng, which hands over the palette and the
// indices exactly as stored. Other PNG files are left to the image library.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>

#include "picture/formats/format.h"

namespace picture {
namespace {

struct Source {
  ByteView bytes;
  std::size_t at = 0;
  std::string error;
};

extern "C" void readFromMemory(png_structp png, png_bytep data, png_size_t size) {
  auto* source = static_cast<Source*>(png_get_io_ptr(png));
  if (source->bytes.size() - source->at < size) png_error(png, "the file ends early");
  std::memcpy(data, source->bytes.data() + source->at, size);
  source->at += size;
}

extern "C" void keepError(png_structp png, png_const_charp message) {
  static_cast<Source*>(png_get_error_ptr(png))->error = message;
  png_longjmp(png, 1);
}

extern "C" void ignoreWarning(png_structp, png_const_charp) {}

// Everything that libpng may leave by a long jump lives in the caller or in
// plain locals, so the jump skips no destructor. False for a PNG that is
// not a palette picture.
bool readRows(png_structp png, png_infop info, const Limits& limits, IndexedPicture& picture,
              std::vector<png_bytep>& rows, std::string& problem) {
  png_read_info(png, info);
  if (png_get_color_type(png, info) != PNG_COLOR_TYPE_PALETTE) return false;
  png_uint_32 width = png_get_image_width(png, info);
  png_uint_32 height = png_get_image_height(png, info);
  problem = sizeAllowed(width, height, limits).reason();
  if (!problem.empty()) return true;
  png_colorp palette = nullptr;
  int entries = 0;
  png_get_PLTE(png, info, &palette, &entries);
  for (int i = 0; i < entries; ++i) {
    picture.palette.push_back({palette[i].blue, palette[i].green, palette[i].red, 0});
  }
  png_bytep alpha = nullptr;
  int transparent = 0;
  if (png_get_tRNS(png, info, &alpha, &transparent, nullptr) & PNG_INFO_tRNS) {
    picture.opacity.assign(alpha, alpha + std::min(transparent, entries));
  }
  png_set_packing(png);  // 1, 2 and 4-bit indices to one byte each, unscaled
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  picture.width = static_cast<int>(width);
  picture.height = static_cast<int>(height);
  picture.indices.assign(std::size_t{width} * height, 0);
  rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y)
    rows[y] = picture.indices.data() + std::size_t{y} * width;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  return true;
}

}  // namespace

Reading readPng(ByteView bytes, const Limits& limits) {
  if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) return notMine();
  Source source{bytes, 8, {}};
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, keepError, ignoreWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return logo::Failure{"out of memory"};
  }
  IndexedPicture picture;
  std::vector<png_bytep> rows;
  std::string problem;
  volatile bool palettePicture = false;
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_set_read_fn(png, &source, readFromMemory);
    png_set_sig_bytes(png, 8);
    png_set_chunk_malloc_max(png, 8 << 20);
    palettePicture = readRows(png, info, limits, picture, rows, problem);
  } else {
    problem = "PNG: " + source.error;
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (!problem.empty()) return logo::Failure{problem};
  if (!palettePicture) return notMine();
  return std::optional(std::move(picture));
}

}  // namespace picture
