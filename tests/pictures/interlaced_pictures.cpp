#include "tests/pictures/interlaced_pictures.h"

// clang-format off: jpeglib.h needs size_t and FILE first.
#include <jpeglib.h>

#include <cstdio>
// clang-format on
#include <gif_lib.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace picture::samples {
namespace {

int appendGifBytes(GifFileType* gif, const GifByteType* data, int size) {
  auto* out = static_cast<Bytes*>(gif->UserData);
  out->insert(out->end(), data, data + size);
  return size;
}

extern "C" void appendPngBytes(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}

extern "C" void flushNoPngBytes(png_structp) {}

}  // namespace

Bytes encodeInterlacedGif(const IndexedPicture& picture) {
  Bytes out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, appendGifBytes, &error);
  if (gif == nullptr) throw std::runtime_error("giflib");
  std::vector<GifColorType> colours(256, GifColorType{0, 0, 0});
  for (std::size_t i = 0; i < picture.palette.size(); ++i) {
    colours[i] = {picture.palette[i].red, picture.palette[i].green, picture.palette[i].blue};
  }
  ColorMapObject* map = GifMakeMapObject(256, colours.data());
  bool done = EGifPutScreenDesc(gif, picture.width, picture.height, 8, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, picture.width, picture.height, true, nullptr) == GIF_OK;
  const struct { int first, step; } passes[] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
  std::vector<GifPixelType> row(picture.width);
  for (const auto& pass : passes) {
    for (int y = pass.first; y < picture.height && done; y += pass.step) {
      std::copy_n(picture.indices.begin() + std::size_t(y) * picture.width, picture.width,
                  row.begin());
      done = EGifPutLine(gif, row.data(), picture.width) == GIF_OK;
    }
  }
  GifFreeMapObject(map);
  if (EGifCloseFile(gif, &error) != GIF_OK || !done) throw std::runtime_error("giflib");
  return out;
}

Bytes encodeInterlacedPng(const IndexedPicture& picture) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng");
  }
  png_set_write_fn(png, &out, appendPngBytes, flushNoPngBytes);
  png_set_IHDR(png, info, picture.width, picture.height, 8, PNG_COLOR_TYPE_PALETTE,
               PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> palette;
  for (const auto& e : picture.palette) palette.push_back({e.red, e.green, e.blue});
  png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  png_write_info(png, info);
  // libpng picks each pass's pixels out of whole rows, given every row once per pass.
  int passes = png_set_interlace_handling(png);
  for (int pass = 0; pass < passes; ++pass) {
    for (int y = 0; y < picture.height; ++y) {
      png_write_row(png, picture.indices.data() + std::size_t(y) * picture.width);
    }
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

Bytes encodeProgressiveJpeg(const RgbPicture& picture, int refinements) {
  std::vector<jpeg_scan_info> scans = {{3, {0, 1, 2}, 0, 0, 0, 0}};
  for (int component = 0; component < 3; ++component) {
    for (int k = 1; k < 64; ++k) {
      scans.push_back({1, {component}, k, k, 0, refinements});
      for (int bit = refinements; bit > 0; --bit) {
        scans.push_back({1, {component}, k, k, bit, bit - 1});
      }
    }
  }
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* data = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &data, &size);
  info.image_width = static_cast<JDIMENSION>(picture.width);
  info.image_height = static_cast<JDIMENSION>(picture.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  info.scan_info = scans.data();
  info.num_scans = static_cast<int>(scans.size());
  jpeg_start_compress(&info, TRUE);
  for (int y = 0; y < picture.height; ++y) {
    auto* row = const_cast<JSAMPLE*>(picture.rgb.data() + std::size_t(y) * picture.width * 3);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  Bytes out(data, data + size);
  std::free(data);
  return out;
}

}  // namespace picture::samples
