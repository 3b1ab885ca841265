// Writes the format fuzzers' seeds: small valid files of every layout each
// adapter reads, one folder a format (jpeg/, png/, ...). Small, so that a
// seed's mutations run a thousand times a second; odd sizes, so that rows
// end inside a byte, a block, a strip or a tile.
#include <Magick++.h>

#include <bit>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/pictures/interlaced_pictures.h"
#include "tests/pictures/sample_pictures.h"

namespace {

using picture::samples::Bytes;
namespace samples = picture::samples;

constexpr int kWidth = 37;
constexpr int kHeight = 21;

struct Seed {
  std::string name;
  Bytes bytes;
};

void put(Bytes& out, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// The photograph with an opacity that falls from left to right.
Bytes rgbaPixels() {
  picture::RgbPicture photo = samples::photoLike(kWidth, kHeight);
  Bytes rgba;
  for (std::size_t i = 0; i < photo.rgb.size() / 3; ++i) {
    rgba.insert(rgba.end(), photo.rgb.begin() + 3 * i, photo.rgb.begin() + 3 * i + 3);
    rgba.push_back(static_cast<std::uint8_t>(255 - 255 * (i % kWidth) / kWidth));
  }
  return rgba;
}

Bytes blobBytes(const Magick::Blob& blob) {
  const auto* data = static_cast<const std::uint8_t*>(blob.data());
  return Bytes(data, data + blob.length());
}

// How ImageMagick writes a seed: its format, what differs from the plain
// form, and whether the opacity is kept.
struct Written {
  const char* name;
  const char* format;
  void (*setup)(Magick::Image&);
  bool alpha = false;
};

Seed write(const Written& row) {
  Bytes rgba = rgbaPixels();
  Magick::Image image(kWidth, kHeight, "RGBA", Magick::CharPixel, rgba.data());
  if (!row.alpha) image.matte(false);
  image.magick(row.format);
  image.quality(90);
  row.setup(image);
  Magick::Blob blob;
  image.write(&blob);
  return {row.name, blobBytes(blob)};
}

std::vector<Seed> written(std::initializer_list<Written> rows) {
  std::vector<Seed> seeds;
  for (const Written& row : rows) seeds.push_back(write(row));
  return seeds;
}

void plain(Magick::Image&) {}

std::vector<Seed> jpegSeeds() {
  std::vector<Seed> seeds = written({
      {"baseline.jpg", "JPEG", plain},
      {"progressive.jpg", "PJPEG", plain},
      {"grey.jpg", "JPEG", [](Magick::Image& i) { i.type(Magick::GrayscaleType); }},
      {"cmyk.jpg", "JPEG", [](Magick::Image& i) { i.type(Magick::ColorSeparationType); }},
      // ImageMagick halves the colours' resolution below quality 90.
      {"subsampled.jpg", "JPEG", [](Magick::Image& i) { i.quality(75); }},
  });
  seeds.push_back({"refined.jpg", samples::encodeProgressiveJpeg(samples::photoLike(9, 7), 1)});
  // The baseline picture with an EXIF block right after its start that
  // holds only the orientation tag, a quarter turn (6).
  Bytes turned = seeds.front().bytes;
  const Bytes app1 = {0xFF, 0xE1, 0,  34, 'E', 'x', 'i', 'f', 0, 0,  // marker, length, name
                      'I',  'I',  42, 0,  8,   0,   0,   0,   1, 0,  // header, one entry
                      0x12, 1,    3,  0,  1,   0,   0,   0,   6, 0,
                      0,    0,    0,  0,  0,   0};  // no next directory
  turned.insert(turned.begin() + 2, app1.begin(), app1.end());
  seeds.push_back({"turned.jpg", turned});
  return seeds;
}

std::vector<Seed> pngSeeds() {
  std::vector<Seed> seeds = written({
      {"rgb.png", "PNG24", plain},
      {"rgba.png", "PNG32", plain, true},
      {"rgb16.png", "PNG48", plain},
      {"rgba16.png", "PNG64", plain, true},
      {"grey.png", "PNG", [](Magick::Image& i) { i.type(Magick::GrayscaleType); }},
      {"grey-alpha.png", "PNG", [](Magick::Image& i) { i.type(Magick::GrayscaleMatteType); }, true},
      {"interlaced-rgb.png", "PNG24",
       [](Magick::Image& i) { i.interlaceType(Magick::LineInterlace); }},
  });
  for (int depth : {1, 2, 4, 8}) {
    picture::IndexedPicture indexed = samples::patternPicture(kWidth, kHeight, 1 << depth);
    if (depth == 8) indexed.opacity = {0, 128, 255, 7};
    seeds.push_back(
        {"palette" + std::to_string(depth) + ".png", samples::encodePng(indexed, depth)});
  }
  seeds.push_back({"interlaced-palette.png",
                   samples::encodePng(samples::patternPicture(kWidth, kHeight, 40), 8, true)});
  return seeds;
}

std::vector<Seed> gifSeeds() {
  picture::IndexedPicture indexed = samples::patternPicture(kWidth, kHeight, 12);
  picture::IndexedPicture transparent = indexed;
  transparent.opacity = {255, 255, 0};
  std::vector<Seed> seeds = written({{"photo.gif", "GIF", plain}});
  seeds.push_back({"two-frames.gif", samples::encodeGif(indexed)});
  seeds.push_back({"transparent.gif", samples::encodeGif(transparent)});
  seeds.push_back({"interlaced.gif", samples::encodeInterlacedGif(indexed)});
  return seeds;
}

std::vector<Seed> webpSeeds() {
  std::vector<Seed> seeds = written({
      {"lossy.webp", "WEBP", plain},
      {"lossy-alpha.webp", "WEBP", plain, true},
      {"lossless.webp", "WEBP", [](Magick::Image& i) { i.defineValue("WEBP", "lossless", "true"); },
       true},
  });
  // An animation: its first frame on a canvas.
  Bytes rgba = rgbaPixels();
  std::vector<Magick::Image> frames(
      2, Magick::Image(kWidth, kHeight, "RGBA", Magick::CharPixel, rgba.data()));
  frames[1].negate();
  for (Magick::Image& frame : frames) frame.magick("WEBP");
  Magick::Blob blob;
  Magick::writeImages(frames.begin(), frames.end(), &blob, true);
  seeds.push_back({"animated.webp", blobBytes(blob)});
  return seeds;
}

std::vector<Seed> tiffSeeds() {
  return written({
      {"plain.tif", "TIFF", [](Magick::Image& i) { i.compressType(Magick::NoCompression); }},
      {"lzw.tif", "TIFF", [](Magick::Image& i) { i.compressType(Magick::LZWCompression); }},
      {"deflate-alpha.tif", "TIFF",
       [](Magick::Image& i) { i.compressType(Magick::ZipCompression); }, true},
      {"packbits-grey.tif", "TIFF",
       [](Magick::Image& i) {
         i.compressType(Magick::RLECompression);
         i.type(Magick::GrayscaleType);
       }},
      {"jpeg.tif", "TIFF", [](Magick::Image& i) { i.compressType(Magick::JPEGCompression); }},
      {"rgb16.tif", "TIFF", [](Magick::Image& i) { i.depth(16); }},
      {"tiled.tif", "TIFF",
       [](Magick::Image& i) { i.defineValue("TIFF", "tile-geometry", "16x16"); }, true},
      {"planes.tif", "TIFF", [](Magick::Image& i) { i.interlaceType(Magick::PlaneInterlace); }},
      {"palette.tif", "TIFF", [](Magick::Image& i) { i.type(Magick::PaletteType); }},
      {"bilevel-g4.tif", "TIFF",
       [](Magick::Image& i) {
         i.type(Magick::BilevelType);
         i.compressType(Magick::Group4Compression);
       }},
      {"cmyk.tif", "TIFF", [](Magick::Image& i) { i.type(Magick::ColorSeparationType); }},
      {"big-endian-turned.tif", "TIFF",
       [](Magick::Image& i) {
         i.defineValue("TIFF", "endian", "msb");
         i.orientation(Magick::LeftBottomOrientation);
       }},
  });
}

// A bitmap of 16 or 32 bits whose colours are where `masks` (red, green,
// blue, alpha) say, behind an information header of `headerSize` bytes.
Bytes maskedBitmap(int bits, const std::uint32_t (&masks)[4], int headerSize) {
  Bytes rgba = rgbaPixels();
  int stride = (kWidth * bits / 8 + 3) / 4 * 4;
  bool trailing = headerSize == 40;  // the masks follow the header
  std::uint32_t offset = 14 + headerSize + (trailing ? 16 : 0);
  Bytes out = {'B', 'M'};
  put(out, offset + stride * kHeight, 4);
  put(out, 0, 4);
  put(out, offset, 4);
  put(out, headerSize, 4);
  put(out, kWidth, 4);
  put(out, kHeight, 4);
  put(out, 1, 2);
  put(out, bits, 2);
  put(out, trailing ? 6 : 3, 4);  // alpha bitfields, or bitfields
  put(out, stride * kHeight, 4);
  out.resize(14 + 40, 0);
  for (std::uint32_t mask : masks) put(out, mask, 4);
  out.resize(offset, 0);
  for (int y = kHeight - 1; y >= 0; --y) {
    for (int x = 0; x < kWidth; ++x) {
      const std::uint8_t* p = rgba.data() + 4 * (std::size_t(y) * kWidth + x);
      std::uint32_t pixel = 0;
      for (int c = 0; c < 4; ++c) {
        std::uint32_t mask = masks[c];
        if (mask == 0) continue;
        int shift = std::countr_zero(mask);
        pixel |= (p[c] * (mask >> shift) / 255) << shift;
      }
      put(out, pixel, bits / 8);
    }
    out.resize(out.size() + stride - kWidth * bits / 8, 0);
  }
  return out;
}

std::vector<Seed> bmpSeeds() {
  using samples::Compression;
  using samples::Header;
  struct Palette {
    const char* name;
    int entries;
    samples::BitmapLayout layout;
  };
  const Palette palettes[] = {
      {"palette8.bmp", 256, {8}},
      {"palette8-top-down.bmp", 64, {8, Header::kInfo, Compression::kNone, true}},
      {"palette8-uncounted.bmp", 30, {8, Header::kInfo, Compression::kNone, false, false}},
      {"palette4.bmp", 16, {4}},
      {"palette1.bmp", 2, {1}},
      {"os2.bmp", 256, {8, Header::kCore}},
      {"v4.bmp", 12, {4, Header::kV4}},
      {"v5.bmp", 100, {8, Header::kV5}},
      {"rle8.bmp", 200, {8, Header::kInfo, Compression::kRle8}},
      {"rle4.bmp", 16, {4, Header::kInfo, Compression::kRle4}},
  };
  std::vector<Seed> seeds;
  for (const Palette& p : palettes) {
    seeds.push_back({p.name, samples::encodeBitmap(
                                 samples::patternPicture(kWidth, kHeight, p.entries), p.layout)});
  }
  seeds.push_back(
      {"rgb24.bmp", samples::encodeTruecolourBitmap(samples::photoLike(kWidth, kHeight))});
  seeds.push_back({"rgb565.bmp", maskedBitmap(16, {0xF800, 0x7E0, 0x1F, 0}, 56)});
  seeds.push_back({"argb4444.bmp", maskedBitmap(16, {0xF00, 0xF0, 0xF, 0xF000}, 40)});
  seeds.push_back({"rgba32-v5.bmp", maskedBitmap(32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 124)});
  return seeds;
}

// PBM, PGM and PPM, in text and in bytes, written by hand: a header, then
// samples of `most` at full brightness.
Bytes pnm(int kind, int most, const char* comment = "") {
  picture::RgbPicture photo = samples::photoLike(kWidth, kHeight);
  bool colour = kind == 3 || kind == 6;
  bool bits = kind == 1 || kind == 4;
  std::string header = "P" + std::to_string(kind) + "\n" + comment + std::to_string(kWidth) + " " +
                       std::to_string(kHeight) + "\n";
  if (!bits) header += std::to_string(most) + "\n";
  Bytes out(header.begin(), header.end());
  for (int y = 0; y < kHeight; ++y) {
    std::uint8_t packed = 0;
    for (int x = 0; x < kWidth; ++x) {
      const std::uint8_t* rgb = photo.rgb.data() + 3 * (std::size_t(y) * kWidth + x);
      for (int c = 0; c < (colour ? 3 : 1); ++c) {
        bool dark = rgb[c] < 128;  // 1 is black
        unsigned value = rgb[c] * most / 255;
        if (kind == 1) {
          out.insert(out.end(), {static_cast<std::uint8_t>(dark ? '1' : '0'), ' '});
        } else if (kind == 4) {
          packed |= static_cast<std::uint8_t>(dark << (7 - x % 8));
          if (x % 8 == 7 || x == kWidth - 1) {
            out.push_back(packed);
            packed = 0;
          }
        } else if (kind <= 3) {
          std::string text = std::to_string(value) + " ";
          out.insert(out.end(), text.begin(), text.end());
        } else {
          if (most > 255) out.push_back(static_cast<std::uint8_t>(value >> 8));
          out.push_back(static_cast<std::uint8_t>(value));
        }
      }
    }
    if (kind <= 3) out.push_back('\n');
  }
  return out;
}

std::vector<Seed> pnmSeeds() {
  return {
      {"bits-text.pbm", pnm(1, 1)},    {"grey-text.pgm", pnm(2, 255, "# a comment\n")},
      {"colour-text.ppm", pnm(3, 15)}, {"bits.pbm", pnm(4, 1)},
      {"grey.pgm", pnm(5, 255)},       {"grey16.pgm", pnm(5, 65535)},
      {"colour.ppm", pnm(6, 255)},     {"colour-100.ppm", pnm(6, 100)},
  };
}

struct Format {
  const char* folder;
  std::vector<Seed> (*seeds)();
};

const Format kFormats[] = {
    {"jpeg", jpegSeeds}, {"png", pngSeeds}, {"gif", gifSeeds}, {"webp", webpSeeds},
    {"tiff", tiffSeeds}, {"bmp", bmpSeeds}, {"pnm", pnmSeeds},
};

bool writeSeed(const std::filesystem::path& folder, const Seed& seed) {
  std::ofstream out(folder / seed.name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(seed.bytes.data()),
            static_cast<std::streamsize>(seed.bytes.size()));
  return bool(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: picture_seeds FOLDER\n", stderr);
    return 2;
  }
  Magick::InitializeMagick(nullptr);
  for (const Format& format : kFormats) {
    std::filesystem::path folder = std::filesystem::path(argv[1]) / format.folder;
    std::filesystem::create_directories(folder);
    for (const Seed& seed : format.seeds()) {
      if (!writeSeed(folder, seed)) {
        std::perror((folder / seed.name).c_str());
        return 1;
      }
    }
  }
  return 0;
}
