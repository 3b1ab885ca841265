#include "tests/pictures/interlaced_pictures.h"

// clang-format off: jpeglib.h needs size_t and FILE first.
#include <jpeglib.h>

#include <cstdio>
// clang-format on
#include <gif_lib.h>

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
