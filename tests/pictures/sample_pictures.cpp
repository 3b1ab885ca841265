#include "tests/pictures/sample_pictures.h"

#include <Magick++.h>
#include <gif_lib.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace picture::samples {
namespace {

void put(Bytes& out, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint8_t channel(double value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
}

// Picture row `line` counted from the bottom.
const std::uint8_t* storedRow(const IndexedPicture& picture, int line) {
  return picture.indices.data() + std::size_t(picture.height - 1 - line) * picture.width;
}

class RunLengthWriter {
 public:
  RunLengthWriter(const IndexedPicture& picture, int bits) : picture_(picture), bits_(bits) {}

  Bytes write() {
    for (int line = 0; line < picture_.height && !zeroFrom(line); ++line) writeLine(line);
    out_.insert(out_.end(), {0, 1});
    return out_;
  }

 private:
  bool zeroFrom(int line) const {
    const std::uint8_t* start = storedRow(picture_, picture_.height - 1);
    return std::all_of(start, storedRow(picture_, line) + picture_.width,
                       [](std::uint8_t i) { return i == 0; });
  }
  int count(const std::uint8_t* row, int x, int end, std::uint8_t value) const {
    int n = 0;
    while (x + n < end && n < 255 && row[x + n] == value) ++n;
    return n;
  }
  bool runStarts(const std::uint8_t* row, int x, int end) const {
    return count(row, x, end, 0) >= 4 || count(row, x, end, row[x]) >= 3;
  }
  std::uint8_t pair(std::uint8_t index) const {
    return bits_ == 8 ? index : static_cast<std::uint8_t>(index << 4 | index);
  }

  void writeLine(int line) {
    const std::uint8_t* row = storedRow(picture_, line);
    int end = picture_.width;
    while (end > 0 && row[end - 1] == 0) --end;
    if (end == 0) {
      out_.insert(out_.end(), {0, 2, 0, 1});  // a move one row up
      return;
    }
    for (int x = 0; x < end;) {
      int zeros = count(row, x, end, 0);
      int same = count(row, x, end, row[x]);
      if (zeros >= 4) {
        out_.insert(out_.end(), {0, 2, static_cast<std::uint8_t>(zeros), 0});
        x += zeros;
      } else if (same >= 3) {
        out_.insert(out_.end(), {static_cast<std::uint8_t>(same), pair(row[x])});
        x += same;
      } else {
        int n = 1;
        while (x + n < end && n < 255 && !runStarts(row, x + n, end)) ++n;
        writeLiteral(row + x, n);
        x += n;
      }
    }
    out_.insert(out_.end(), {0, 0});
  }

  void writeLiteral(const std::uint8_t* pixels, int n) {
    if (n < 3) {  // literal runs are 3 pixels or more
      for (int i = 0; i < n; ++i) out_.insert(out_.end(), {1, pair(pixels[i])});
      return;
    }
    out_.insert(out_.end(), {0, static_cast<std::uint8_t>(n)});
    std::size_t start = out_.size();
    for (int i = 0; i < n; ++i) {
      if (bits_ == 8) {
        out_.push_back(pixels[i]);
      } else if (i % 2 == 0) {
        out_.push_back(static_cast<std::uint8_t>(pixels[i] << 4));
      } else {
        out_.back() |= pixels[i];
      }
    }
    if ((out_.size() - start) % 2 != 0) out_.push_back(0);
  }

  const IndexedPicture& picture_;
  int bits_;
  Bytes out_;
};

Bytes packedRows(const IndexedPicture& picture, int bits, bool topDown) {
  std::size_t stride = (std::size_t(picture.width) * bits + 31) / 32 * 4;
  Bytes out(stride * picture.height, 0);
  for (int stored = 0; stored < picture.height; ++stored) {
    int y = topDown ? stored : picture.height - 1 - stored;
    for (int x = 0; x < picture.width; ++x) {
      int shift = 8 - bits * (x % (8 / bits) + 1);
      out[stored * stride + x * bits / 8] |=
          static_cast<std::uint8_t>(picture.indices[y * picture.width + x] << shift);
    }
  }
  return out;
}

extern "C" void appendPng(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}

extern "C" void flushNothing(png_structp) {}

int appendGif(GifFileType* gif, const GifByteType* data, int size) {
  auto* out = static_cast<Bytes*>(gif->UserData);
  out->insert(out->end(), data, data + size);
  return size;
}

void mustWork(bool done, const char* what) {
  if (!done) throw std::runtime_error(what);
}

}  // namespace

IndexedPicture patternPicture(int width, int height, int entries) {
  IndexedPicture picture{width, height, {}, {}, {}, {}};
  for (int i = 0; i < entries; ++i) {
    // 29 is odd, so every entry has a red of its own.
    picture.palette.push_back({static_cast<std::uint8_t>(i * 53 + 17),
                               static_cast<std::uint8_t>(i * 101 + 5),
                               static_cast<std::uint8_t>(i * 29 + 200), 0});
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int index = ((x / (1 + y % 17)) + y) % entries;
      if (x >= 200 && x < 223) index = (x * 7 + y) % entries;  // literal, odd length
      bool zero = y < 3 || y % 50 == 7 || (x >= width - 40 && y % 3 == 0) ||
                  (x >= 100 && x < 140 && y % 5 == 1);
      picture.indices.push_back(static_cast<std::uint8_t>(zero ? 0 : index));
    }
  }
  return picture;
}

Bytes encodeRunLengths(const IndexedPicture& picture, int bits) {
  return RunLengthWriter(picture, bits).write();
}

// The file header and the information header up to its compression field:
// all of the OS/2 header, which has none.
Bytes headerStart(std::uint32_t fileSize, std::uint32_t offset, Header header, int width,
                  int height, int bits, std::uint32_t compression) {
  bool core = header == Header::kCore;
  Bytes out = {'B', 'M'};
  put(out, fileSize, 4);
  put(out, 0, 4);
  put(out, offset, 4);
  put(out, static_cast<std::uint32_t>(header), 4);
  put(out, static_cast<std::uint32_t>(width), core ? 2 : 4);
  put(out, static_cast<std::uint32_t>(height), core ? 2 : 4);
  put(out, 1, 2);
  put(out, static_cast<std::uint32_t>(bits), 2);
  if (!core) put(out, compression, 4);
  return out;
}

Bytes encodeBitmap(const IndexedPicture& picture, const BitmapLayout& layout) {
  bool core = layout.header == Header::kCore;
  auto headerSize = static_cast<std::uint32_t>(layout.header);
  std::uint32_t entries = static_cast<std::uint32_t>(picture.palette.size());
  Bytes pixels = layout.compression == Compression::kNone
                     ? packedRows(picture, layout.bits, layout.topDown)
                     : encodeRunLengths(picture, layout.bits);
  std::uint32_t offset = 14 + headerSize + entries * (core ? 3 : 4);
  Bytes out = headerStart(offset + static_cast<std::uint32_t>(pixels.size()), offset, layout.header,
                          picture.width, layout.topDown ? -picture.height : picture.height,
                          layout.bits, static_cast<std::uint32_t>(layout.compression));
  if (!core) {
    put(out, static_cast<std::uint32_t>(pixels.size()), 4);
    put(out, 2835, 4);  // 72 dots per inch
    put(out, 2835, 4);
    put(out, layout.countInHeader ? entries : 0, 4);
    out.insert(out.end(), picture.importantColours.begin(), picture.importantColours.end());
    out.resize(14 + headerSize, 0);
  }
  for (const logo::PaletteEntry& entry : picture.palette) {
    out.insert(out.end(), {entry.blue, entry.green, entry.red});
    if (!core) out.push_back(0);
  }
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

Bytes encodeTruecolourBitmap(const PackedPicture& picture, const TruecolourLayout& layout) {
  auto headerSize = static_cast<std::uint32_t>(layout.header);
  bool core = layout.header == Header::kCore;
  int maskCount = layout.header != Header::kInfo                       ? 0
                  : layout.compression == Compression::kBitFields      ? 3
                  : layout.compression == Compression::kAlphaBitFields ? 4
                                                                       : 0;
  std::uint32_t offset = 14 + headerSize + 4 * maskCount;
  std::size_t bytes = layout.bits / 8;
  std::size_t stride = (picture.width * bytes + 3) / 4 * 4;
  Bytes out =
      headerStart(static_cast<std::uint32_t>(offset + stride * picture.height), offset,
                  layout.header, picture.width, layout.topDown ? -picture.height : picture.height,
                  layout.bits, static_cast<std::uint32_t>(layout.compression));
  if (!core) {
    out.resize(14 + 40, 0);
    int inHeader = layout.header == Header::kInfo ? maskCount : 4;
    for (int i = 0; i < inHeader; ++i) put(out, layout.masks[i], 4);
    out.resize(offset, 0);
  }
  for (int stored = 0; stored < picture.height; ++stored) {
    int y = layout.topDown ? stored : picture.height - 1 - stored;
    for (int x = 0; x < picture.width; ++x) {
      put(out, picture.pixels[std::size_t(y) * picture.width + x], static_cast<int>(bytes));
    }
    out.resize(out.size() + stride - picture.width * bytes, 0);
  }
  return out;
}

Bytes encodeTruecolourBitmap(const RgbPicture& picture) {
  PackedPicture packed{picture.width, picture.height, {}};
  for (std::size_t i = 0; i < picture.rgb.size(); i += 3) {
    packed.pixels.push_back(std::uint32_t(picture.rgb[i]) << 16 | picture.rgb[i + 1] << 8 |
                            picture.rgb[i + 2]);
  }
  return encodeTruecolourBitmap(packed, {});
}

namespace {

// What one PNG holds, in plain values, so that nothing with a destructor
// lives where libpng may jump.
struct PngParts {
  int width;
  int height;
  int bitDepth;
  int colourType;
  bool interlaced;
  const png_color* palette;
  int paletteSize;
  const png_byte* opacity;
  int opacities;
  const png_color_16* transparent;
  const std::uint8_t* rows;  // one byte a sample (two at 16 bits, high first)
  std::size_t rowBytes;
};

bool writePng(const PngParts& parts, Bytes* out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, appendPng, flushNothing);
  png_set_check_for_invalid_index(png, -1);  // so a test can write a broken file
  png_set_IHDR(png, info, parts.width, parts.height, parts.bitDepth, parts.colourType,
               parts.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (parts.paletteSize > 0) png_set_PLTE(png, info, parts.palette, parts.paletteSize);
  if (parts.opacities > 0 || parts.transparent != nullptr) {
    png_set_tRNS(png, info, parts.opacity, parts.opacities, parts.transparent);
  }
  png_write_info(png, info);
  png_set_packing(png);
  // libpng picks each pass's pixels out of whole rows, given every row once a pass.
  int passes = png_set_interlace_handling(png);
  for (int pass = 0; pass < passes; ++pass) {
    for (int y = 0; y < parts.height; ++y) png_write_row(png, parts.rows + y * parts.rowBytes);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

Bytes encodePng(const IndexedPicture& picture, int bitDepth, bool interlaced) {
  std::vector<png_color> palette;
  for (const auto& e : picture.palette) palette.push_back({e.red, e.green, e.blue});
  Bytes out;
  PngParts parts{picture.width,
                 picture.height,
                 bitDepth,
                 PNG_COLOR_TYPE_PALETTE,
                 interlaced,
                 palette.data(),
                 static_cast<int>(palette.size()),
                 picture.opacity.data(),
                 static_cast<int>(picture.opacity.size()),
                 nullptr,
                 picture.indices.data(),
                 std::size_t(picture.width)};
  mustWork(writePng(parts, &out), "libpng");
  return out;
}

Bytes encodePng(const PngSamples& picture, bool interlaced) {
  const int types[] = {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB,
                       PNG_COLOR_TYPE_RGB_ALPHA};
  bool wide = picture.bitDepth == 16;
  Bytes rows;
  for (std::uint16_t sample : picture.samples) {
    if (wide) rows.push_back(static_cast<std::uint8_t>(sample >> 8));
    rows.push_back(static_cast<std::uint8_t>(sample));
  }
  const std::vector<std::uint16_t>& key = picture.transparent;
  png_color_16 transparent{0, 0, 0, 0, 0};
  if (key.size() == 1) transparent.gray = key[0];
  if (key.size() == 3)
    transparent.red = key[0], transparent.green = key[1], transparent.blue = key[2];
  Bytes out;
  PngParts parts{picture.width,
                 picture.height,
                 picture.bitDepth,
                 types[picture.channels - 1],
                 interlaced,
                 nullptr,
                 0,
                 nullptr,
                 0,
                 key.empty() ? nullptr : &transparent,
                 rows.data(),
                 std::size_t(picture.width) * picture.channels * (wide ? 2 : 1)};
  mustWork(writePng(parts, &out), "libpng");
  return out;
}

Bytes encodeNetpbm(const NetpbmPicture& picture) {
  bool plain = picture.kind <= 3;
  bool bitmap = picture.kind == 1 || picture.kind == 4;
  char header[96];
  int length = std::snprintf(header, sizeof header, "P%d\n# made in code\n%d %d\n", picture.kind,
                             picture.width, picture.height);
  if (!bitmap) {
    length += std::snprintf(header + length, sizeof header - length, "%d\n", picture.maxval);
  }
  Bytes out(header, header + length);
  int perRow = picture.height == 0 ? 0 : static_cast<int>(picture.samples.size()) / picture.height;
  for (int y = 0; y < picture.height; ++y) {
    const int* row = picture.samples.data() + std::size_t(y) * perRow;
    if (plain) {
      std::string text;
      // A bitmap's digits need no space between them.
      for (int i = 0; i < perRow; ++i) text += std::to_string(row[i]) + (bitmap ? "" : " ");
      text += "\n";
      out.insert(out.end(), text.begin(), text.end());
    } else if (bitmap) {
      Bytes packed((perRow + 7) / 8, 0);
      for (int x = 0; x < perRow; ++x)
        packed[x / 8] |= static_cast<std::uint8_t>(row[x] << (7 - x % 8));
      out.insert(out.end(), packed.begin(), packed.end());
    } else {
      for (int i = 0; i < perRow; ++i) {
        if (picture.maxval > 255) out.push_back(static_cast<std::uint8_t>(row[i] >> 8));
        out.push_back(static_cast<std::uint8_t>(row[i]));
      }
    }
  }
  return out;
}

Bytes encodeGif(const IndexedPicture& picture) {
  Bytes out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, appendGif, &error);
  mustWork(gif != nullptr, "giflib");
  int tableSize = 2;
  while (tableSize < static_cast<int>(picture.palette.size())) tableSize *= 2;
  std::vector<GifColorType> colours(tableSize, GifColorType{0, 0, 0});
  for (std::size_t i = 0; i < picture.palette.size(); ++i) {
    colours[i] = {picture.palette[i].red, picture.palette[i].green, picture.palette[i].blue};
  }
  ColorMapObject* map = GifMakeMapObject(tableSize, colours.data());
  EGifSetGifVersion(gif, true);
  bool done = EGifPutScreenDesc(gif, picture.width, picture.height, 8, 0, map) == GIF_OK;
  auto transparent = std::find(picture.opacity.begin(), picture.opacity.end(), 0);
  if (transparent != picture.opacity.end()) {
    GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0,
                                 static_cast<int>(transparent - picture.opacity.begin())};
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    done = done && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK;
  }
  for (int frame = 0; frame < 2 && done; ++frame) {
    done = EGifPutImageDesc(gif, 0, 0, picture.width, picture.height, false, nullptr) == GIF_OK;
    std::vector<GifPixelType> row(picture.width);
    for (int y = 0; y < picture.height && done; ++y) {
      for (int x = 0; x < picture.width; ++x) {
        // The second frame shows other indices: only the first may count.
        row[x] = picture.indices[y * picture.width + x] ^ static_cast<GifPixelType>(frame);
      }
      done = EGifPutLine(gif, row.data(), picture.width) == GIF_OK;
    }
  }
  GifFreeMapObject(map);
  done = EGifCloseFile(gif, &error) == GIF_OK && done;
  mustWork(done, "giflib");
  return out;
}

Bytes encodeTruecolour(const RgbPicture& picture, const char* format, int orientation) {
  Magick::InitializeMagick(nullptr);
  Magick::Image image(picture.width, picture.height, "RGB", Magick::CharPixel, picture.rgb.data());
  image.magick(std::string(format) == "PNG" ? "PNG24" : format);
  image.quality(90);
  image.orientation(static_cast<Magick::OrientationType>(orientation));
  Magick::Blob blob;
  image.write(&blob);
  const auto* data = static_cast<const std::uint8_t*>(blob.data());
  return Bytes(data, data + blob.length());
}

RgbPicture photoLike(int width, int height) {
  RgbPicture picture{width, height, {}};
  std::uint32_t noise = 12345;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double u = double(x) / width;
      double v = double(y) / height;
      double rgb[3] = {255 * u, 255 * v, 128 + 100 * std::sin(6.28 * (1.5 * u + v))};
      if ((u - 0.7) * (u - 0.7) + (v - 0.3) * (v - 0.3) < 0.02) {  // a sun with a hard rim
        rgb[0] = 250, rgb[1] = 220, rgb[2] = 60;
      }
      if (v > 0.75) rgb[0] *= 0.4, rgb[1] = rgb[1] * 0.5 + 40, rgb[2] *= 0.3;  // the ground
      noise = noise * 1664525 + 1013904223;
      double grain = int(noise >> 24) % 25 - 12;
      for (double c : rgb) picture.rgb.push_back(channel(c + grain));
    }
  }
  return picture;
}

RgbPicture drawing(int width, int height) {
  RgbPicture picture{width, height, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double u = double(x) / width;
      double v = double(y) / height;
      std::uint8_t rgb[3] = {255, 255, 255};
      auto paint = [&](int r, int g, int b) { rgb[0] = r, rgb[1] = g, rgb[2] = b; };
      if (u > 0.1 && u < 0.45 && v > 0.1 && v < 0.5) paint(220, 30, 30);
      if ((u - 0.7) * (u - 0.7) + (v - 0.35) * (v - 0.35) < 0.04) paint(30, 160, 60);
      if (v > 0.6 && v < 0.9 && std::abs(u - 0.5) < (v - 0.6)) paint(240, 200, 0);
      if (std::abs(u - v) < 0.004 || std::abs(v - 0.55) < 0.004) paint(0, 0, 0);
      if (u > 0.05 && u < 0.3 && v > 0.65 && v < 0.95) paint(40, 60, 200);
      picture.rgb.insert(picture.rgb.end(), rgb, rgb + 3);
    }
  }
  return picture;
}

std::vector<Sample> everyKind() {
  struct Kept {
    const char* name;
    int entries;
    BitmapLayout layout;
    std::uint8_t animationStart;
  };
  const Kept bitmaps[] = {
      {"bmp8.bmp", 256, {8, Header::kInfo, Compression::kNone, false, false}, 0},
      {"bmp8-short.bmp", 20, {8}, 0},
      {"bmp8-top-down.bmp", 64, {8, Header::kInfo, Compression::kNone, true}, 0},
      {"bmp4.bmp", 16, {4, Header::kInfo, Compression::kNone, false, false}, 0},
      {"bmp4-short.bmp", 5, {4}, 0},
      {"bmp1.bmp", 2, {1}, 0},
      {"bmp8-os2.bmp", 256, {8, Header::kCore}, 0},
      {"bmp4-v4.bmp", 12, {4, Header::kV4}, 0},
      {"bmp8-v5.bmp", 100, {8, Header::kV5, Compression::kNone, true}, 0},
      {"rle8.bmp", 240, {8, Header::kInfo, Compression::kRle8}, 236},
      {"rle4.bmp", 16, {4, Header::kInfo, Compression::kRle4}, 0},
  };
  std::vector<Sample> samples;
  for (const Kept& kind : bitmaps) {
    IndexedPicture picture = patternPicture(320, 400, kind.entries);
    picture.importantColours[0] = kind.animationStart;
    samples.push_back({kind.name, encodeBitmap(picture, kind.layout), true, picture});
  }
  const std::pair<int, int> pngs[] = {{1, 2}, {2, 4}, {4, 11}, {8, 256}};
  for (auto [depth, entries] : pngs) {
    IndexedPicture picture = patternPicture(320, 400, entries);
    samples.push_back(
        {"png" + std::to_string(depth) + ".png", encodePng(picture, depth), true, picture});
  }
  IndexedPicture gif = patternPicture(320, 400, 50);
  samples.push_back({"gif.gif", encodeGif(gif), true, gif});
  samples.back().indexed.palette.resize(64, {0, 0, 0, 0});  // a GIF table has 2^n entries
  samples.push_back({"bmp24.bmp", encodeTruecolourBitmap(photoLike(160, 60)), false, {}});
  samples.push_back({"rgb.png", encodeTruecolour(photoLike(60, 160), "PNG"), false, {}});
  samples.push_back({"photo.jpg", encodeTruecolour(photoLike(200, 150), "JPEG"), false, {}});
  samples.push_back({"photo.webp", encodeTruecolour(photoLike(120, 90), "WEBP"), false, {}});
  samples.push_back({"photo.tif", encodeTruecolour(photoLike(90, 120), "TIFF", 6), false, {}});
  samples.push_back({"photo.ppm", encodeTruecolour(photoLike(64, 48), "PPM"), false, {}});
  samples.push_back({"bmp8-small.bmp", encodeBitmap(patternPicture(160, 100, 30), {8}), false, {}});
  samples.push_back({"gif-small.gif", encodeGif(patternPicture(64, 48, 7)), false, {}});
  return samples;
}

}  // namespace picture::samples
