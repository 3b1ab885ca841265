#include "tests/pictures/tiff_pictures.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace picture::samples {
namespace {

// The file grows in memory; libtiff seeks back to write the directory.
struct Output {
  Bytes bytes;
  std::size_t at = 0;
};

extern "C" tmsize_t readNothing(thandle_t, void*, tmsize_t) {
  return 0;
}

extern "C" tmsize_t writeOutput(thandle_t handle, void* data, tmsize_t size) {
  auto* out = static_cast<Output*>(handle);
  auto count = static_cast<std::size_t>(size);
  if (out->bytes.size() < out->at + count) out->bytes.resize(out->at + count);
  std::memcpy(out->bytes.data() + out->at, data, count);
  out->at += count;
  return size;
}

extern "C" toff_t seekOutput(thandle_t handle, toff_t offset, int whence) {
  auto* out = static_cast<Output*>(handle);
  out->at = whence == SEEK_SET   ? offset
            : whence == SEEK_CUR ? out->at + offset
                                 : out->bytes.size() + offset;
  return out->at;
}

extern "C" int closeOutput(thandle_t) {
  return 0;
}

extern "C" toff_t sizeOfOutput(thandle_t handle) {
  return static_cast<Output*>(handle)->bytes.size();
}

void mustWork(bool done) {
  if (!done) throw std::runtime_error("libtiff could not write the picture");
}

// `count` samples from `first`, packed at `bits` each, the first in the
// highest bits of a byte; 16-bit samples in the machine's order, as
// libtiff takes them.
void pack(const TiffPicture& picture, int bits, int y, int x0, int width, int channel, int channels,
          std::vector<std::uint8_t>& out) {
  std::fill(out.begin(), out.end(), 0);
  auto* wide = reinterpret_cast<std::uint16_t*>(out.data());
  for (int x = 0; x < width; ++x) {
    for (int c = 0; c < channels; ++c) {
      std::uint16_t value = picture.sample(x0 + x, y, channel + c);
      std::size_t i = std::size_t(x) * channels + c;
      if (bits == 16) {
        wide[i] = value;
      } else {
        std::size_t bit = i * bits;
        out[bit / 8] |= static_cast<std::uint8_t>(value << (8 - bits - bit % 8));
      }
    }
  }
}

void setTags(TIFF* tiff, const TiffPicture& picture, const TiffLayout& layout) {
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, picture.width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, picture.height);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, picture.channels);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, layout.bits);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, layout.photometric);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG,
               layout.planar ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, layout.compression);
  TIFFSetField(tiff, TIFFTAG_ORIENTATION, layout.orientation);
  if (layout.extraSample != 0) {
    std::uint16_t kind = static_cast<std::uint16_t>(layout.extraSample);
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &kind);
  }
  if (layout.photometric == PHOTOMETRIC_PALETTE) {
    std::size_t entries = layout.colourMap.size() / 3;
    const std::uint16_t* map = layout.colourMap.data();
    TIFFSetField(tiff, TIFFTAG_COLORMAP, map, map + entries, map + 2 * entries);
  }
  if (layout.tileSide != 0) {
    TIFFSetField(tiff, TIFFTAG_TILEWIDTH, layout.tileSide);
    TIFFSetField(tiff, TIFFTAG_TILELENGTH, layout.tileSide);
  } else {
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP,
                 layout.rowsPerStrip != 0 ? layout.rowsPerStrip : picture.height);
  }
}

void writeStrips(TIFF* tiff, const TiffPicture& picture, const TiffLayout& layout) {
  int planes = layout.planar ? picture.channels : 1;
  int channels = picture.channels / planes;
  std::vector<std::uint8_t> line(static_cast<std::size_t>(TIFFScanlineSize(tiff)));
  for (int plane = 0; plane < planes; ++plane) {
    for (int y = 0; y < picture.height; ++y) {
      pack(picture, layout.bits, y, 0, picture.width, plane, channels, line);
      mustWork(TIFFWriteScanline(tiff, line.data(), static_cast<std::uint32_t>(y),
                                 static_cast<std::uint16_t>(plane)) == 1);
    }
  }
}

// A tile's rows packed as strips' are, the parts past the picture zero.
void writeTiles(TIFF* tiff, const TiffPicture& picture, const TiffLayout& layout) {
  int planes = layout.planar ? picture.channels : 1;
  int channels = picture.channels / planes;
  int side = layout.tileSide;
  std::size_t rowBytes = (std::size_t(side) * channels * layout.bits + 7) / 8;
  std::vector<std::uint8_t> tile(rowBytes * side), row(rowBytes);
  for (int plane = 0; plane < planes; ++plane) {
    for (int top = 0; top < picture.height; top += side) {
      for (int left = 0; left < picture.width; left += side) {
        std::fill(tile.begin(), tile.end(), 0);
        int width = std::min(side, picture.width - left);
        for (int y = top; y < std::min(top + side, picture.height); ++y) {
          pack(picture, layout.bits, y, left, width, plane, channels, row);
          std::copy(row.begin(), row.end(), tile.begin() + (y - top) * rowBytes);
        }
        mustWork(TIFFWriteTile(tiff, tile.data(), static_cast<std::uint32_t>(left),
                               static_cast<std::uint32_t>(top), 0,
                               static_cast<std::uint16_t>(plane)) > 0);
      }
    }
  }
}

}  // namespace

Bytes encodeTiff(const TiffPicture& picture, const TiffLayout& layout) {
  Output out;
  TIFF* tiff = TIFFClientOpen("test", "w", &out, readNothing, writeOutput, seekOutput, closeOutput,
                              sizeOfOutput, nullptr, nullptr);
  mustWork(tiff != nullptr);
  setTags(tiff, picture, layout);
  if (layout.tileSide != 0) {
    writeTiles(tiff, picture, layout);
  } else {
    writeStrips(tiff, picture, layout);
  }
  TIFFClose(tiff);
  return out.bytes;
}

}  // namespace picture::samples
