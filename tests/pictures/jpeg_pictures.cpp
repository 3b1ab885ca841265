#include "tests/pictures/jpeg_pictures.h"

// jpeglib.h needs size_t and FILE first.
// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <cstdlib>
#include <string>

namespace picture::samples {
namespace {

// An EXIF block that holds only the orientation tag: the TIFF header, one
// directory of one SHORT entry, no next directory.
Bytes exifBlock(int orientation, bool bigEndian) {
  auto orient = static_cast<std::uint8_t>(orientation);
  Bytes little = {'I', 'I', 42, 0, 8,      0, 0, 0, 1, 0, 0x12, 1, 3, 0,
                  1,   0,   0,  0, orient, 0, 0, 0, 0, 0, 0,    0, 0, 0};
  Bytes big = {'M', 'M', 0, 42, 0, 0,      0, 8, 0, 1, 1, 0x12, 0, 3,
               0,   0,   0, 1,  0, orient, 0, 0, 0, 0, 0, 0,    0, 0};
  Bytes block = {'E', 'x', 'i', 'f', 0, 0};
  const Bytes& tiff = bigEndian ? big : little;
  block.insert(block.end(), tiff.begin(), tiff.end());
  return block;
}

// Another APP1 block, as photo editors write one before or after the EXIF.
Bytes xmpBlock() {
  std::string text = "http://ns.adobe.com/xap/1.0/";
  text.push_back('\0');
  text += "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>";
  return Bytes(text.begin(), text.end());
}

class Compressor {
 public:
  Compressor() {
    info_.err = jpeg_std_error(&errors_);
    jpeg_create_compress(&info_);
    jpeg_mem_dest(&info_, &data_, &size_);
  }
  ~Compressor() {
    jpeg_destroy_compress(&info_);
    std::free(data_);
  }
  Bytes finish() {
    jpeg_finish_compress(&info_);
    return Bytes(data_, data_ + size_);
  }

  jpeg_compress_struct info_{};

 private:
  jpeg_error_mgr errors_{};
  unsigned char* data_ = nullptr;
  unsigned long size_ = 0;
};

void writeRows(jpeg_compress_struct& info, const std::uint8_t* pixels, int channels) {
  std::size_t stride = std::size_t(info.image_width) * channels;
  while (info.next_scanline < info.image_height) {
    auto* row = const_cast<JSAMPLE*>(pixels + info.next_scanline * stride);
    jpeg_write_scanlines(&info, &row, 1);
  }
}

}  // namespace

Bytes encodeJpeg(const RgbPicture& picture, const JpegLayout& layout) {
  Compressor c;
  jpeg_compress_struct& info = c.info_;
  info.image_width = static_cast<JDIMENSION>(picture.width);
  info.image_height = static_cast<JDIMENSION>(picture.height);
  info.input_components = layout.grey ? 1 : 3;
  info.in_color_space = layout.grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, layout.quality, TRUE);
  if (layout.progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  if (layout.orientation != 0) {
    Bytes xmp = xmpBlock();
    Bytes exif = exifBlock(layout.orientation, layout.bigEndianExif);
    jpeg_write_marker(&info, JPEG_APP0 + 1, xmp.data(), static_cast<unsigned>(xmp.size()));
    jpeg_write_marker(&info, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
  }
  if (!layout.grey) {
    writeRows(info, picture.rgb.data(), 3);
    return c.finish();
  }
  Bytes red;
  for (std::size_t i = 0; i < picture.rgb.size(); i += 3) red.push_back(picture.rgb[i]);
  writeRows(info, red.data(), 1);
  return c.finish();
}

Bytes encodeCmykJpeg(const InvertedCmyk& picture) {
  Compressor c;
  jpeg_compress_struct& info = c.info_;
  info.image_width = static_cast<JDIMENSION>(picture.width);
  info.image_height = static_cast<JDIMENSION>(picture.height);
  info.input_components = 4;
  info.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&info);  // stored as CMYK, with Adobe's marker, each channel at full size
  jpeg_set_quality(&info, 100, TRUE);
  jpeg_start_compress(&info, TRUE);
  writeRows(info, picture.cmyk.data(), 4);
  return c.finish();
}

}  // namespace picture::samples
