// Bitmaps of 16, 24 and 32 bits a pixel, read here a row at a time; those
// of 8 bits or fewer are the suite's own reader's.
#include <bit>
#include <cstring>
#include <string>

#include "logo_image/layout.h"
#include "picture/formats/byte_reader.h"
#include "picture/formats/format.h"

namespace picture {
namespace {

constexpr int kFileHeaderSize = 14;
constexpr std::uint32_t kRgb = 0, kBitfields = 3, kAlphaBitfields = 6;

struct Layout {
  std::uint32_t pixelOffset = 0;
  std::uint32_t headerSize = 0;
  long long width = 0;
  long long height = 0;  // negative: top row first
  int bits = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t masks[4] = {};  // red, green, blue, alpha
};

std::uint32_t little(const std::uint8_t* p, int bytes) {
  auto size = static_cast<std::size_t>(bytes);
  return logo::readLittleEndian({p, size}, 0, size);
}

logo::Result<Layout> readLayout(ByteReader& reader) {
  std::uint8_t header[kFileHeaderSize + 124 + 16] = {};
  if (!reader.read(header, kFileHeaderSize + 4)) {
    return logo::Failure{"BMP: the file ends inside the bitmap header"};
  }
  Layout layout;
  layout.pixelOffset = little(header + 10, 4);
  layout.headerSize = little(header + 14, 4);
  std::uint32_t size = layout.headerSize;
  if (size != 12 && size != 40 && size != 52 && size != 56 && size != 108 && size != 124) {
    return logo::Failure{"BMP: header of " + std::to_string(size) + " bytes"};
  }
  if (!reader.read(header + kFileHeaderSize + 4, size - 4)) {
    return logo::Failure{"BMP: the file ends inside the bitmap header"};
  }
  const std::uint8_t* info = header + kFileHeaderSize;
  if (size == 12) {
    layout.width = little(info + 4, 2);
    layout.height = little(info + 6, 2);
    layout.bits = static_cast<int>(little(info + 10, 2));
    return layout;
  }
  layout.width = static_cast<std::int32_t>(little(info + 4, 4));
  layout.height = static_cast<std::int32_t>(little(info + 8, 4));
  layout.bits = static_cast<int>(little(info + 14, 2));
  layout.compression = little(info + 16, 4);
  bool masked = layout.compression == kBitfields || layout.compression == kAlphaBitfields;
  // A 40-byte header is followed by the masks when there are any.
  if (size == 40 && masked) {
    int count = layout.compression == kAlphaBitfields ? 4 : 3;
    if (!reader.read(header + kFileHeaderSize + 40, 4 * count)) {
      return logo::Failure{"BMP: the file ends inside the colour masks"};
    }
  }
  if (masked || size >= 108) {
    for (int i = 0; i < 4; ++i) layout.masks[i] = little(info + 40 + 4 * i, 4);
  }
  if (size < 56 && layout.compression != kAlphaBitfields) layout.masks[3] = 0;
  return layout;
}

// One colour of a pixel from its mask, widened or narrowed to 8 bits.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t most = 0;

  explicit Channel(std::uint32_t m) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    most = m >> shift;
  }
  std::uint8_t of(std::uint32_t pixel) const {
    if (most == 0) return 255;
    return static_cast<std::uint8_t>((((pixel & mask) >> shift) * 255 + most / 2) / most);
  }
};

logo::Result<Layout> checked(const Layout& l) {
  bool masked = l.compression == kBitfields || l.compression == kAlphaBitfields;
  if (l.bits != 16 && l.bits != 24 && l.bits != 32) {
    return logo::Failure{"BMP: " + std::to_string(l.bits) + " bits per pixel"};
  }
  if (!(l.compression == kRgb || (masked && l.bits != 24))) {
    return logo::Failure{"BMP: compression " + std::to_string(l.compression) + " with " +
                         std::to_string(l.bits) + " bits"};
  }
  return l;
}

}  // namespace

logo::Result<Stored> probeBitmap(Input& input) {
  ByteReader reader(input);
  logo::Result<Layout> read = readLayout(reader);
  // The palette reader's rules for a bitmap of 8 bits or fewer.
  if (!read || read->bits <= 8) {
    std::uint8_t head[kFileHeaderSize + 124] = {};
    if (!input.seek(0)) return logo::Failure{"the input cannot be read again"};
    std::size_t size = input.read(head, sizeof head);
    logo::Result<Size> declared = paletteBitmapSize(ByteView(head, size));
    if (!declared) return declared.error();
    return Stored{*declared, 1, true};
  }
  logo::Result<Layout> layout = checked(*read);
  if (!layout) return logo::Failure{layout.reason()};
  long long height = layout->height < 0 ? -layout->height : layout->height;
  return Stored{{static_cast<int>(std::min<long long>(layout->width, 1 << 30)),
                 static_cast<int>(std::min<long long>(height, 1 << 30))},
                1};
}

// A bitmap of 8 bits or fewer is read whole by the palette reader, one
// byte a pixel, and its colours looked up a row at a time.
logo::Status decodePaletteBitmap(Input& input, Sink& target) {
  if (!input.seek(0)) return logo::Failure{"the input cannot be read again"};
  logo::Result<ByteView> bytes = input.whole();
  if (!bytes) return bytes.error();
  Reading reading = readBitmap(*bytes, Limits{});
  if (!reading) return reading.error();
  if (!reading.value()) return logo::Failure{"not a picture format logofit reads"};
  return putPalettePicture(*reading.value(), target);
}

logo::Status decodeBitmap(Input& input, Sink& target) {
  ByteReader reader(input);
  logo::Result<Layout> read = readLayout(reader);
  if (!read || read->bits <= 8) return decodePaletteBitmap(input, target);
  logo::Result<Layout> valid = checked(*read);
  if (!valid) return logo::Failure{valid.reason()};
  const Layout& layout = *valid;
  std::uint32_t headerEnd =
      kFileHeaderSize + layout.headerSize +
      (layout.headerSize == 40 && layout.compression == kBitfields        ? 12
       : layout.headerSize == 40 && layout.compression == kAlphaBitfields ? 16
                                                                          : 0);
  if (layout.pixelOffset < headerEnd || !reader.skip(layout.pixelOffset - headerEnd)) {
    return logo::Failure{"BMP: pixel offset " + std::to_string(layout.pixelOffset) +
                         " outside the file"};
  }
  int width = static_cast<int>(layout.width);
  bool topDown = layout.height < 0;
  int height = static_cast<int>(topDown ? -layout.height : layout.height);
  int bytes = layout.bits / 8;
  std::uint32_t masks[4] = {layout.masks[0], layout.masks[1], layout.masks[2], layout.masks[3]};
  if (layout.compression == kRgb) {
    bool narrow = layout.bits == 16;
    masks[0] = narrow ? 0x7C00 : 0xFF0000, masks[1] = narrow ? 0x3E0 : 0xFF00;
    masks[2] = narrow ? 0x1F : 0xFF, masks[3] = 0;
  }
  const Channel channels[4] = {Channel(masks[0]), Channel(masks[1]), Channel(masks[2]),
                               Channel(masks[3])};
  bool alpha = masks[3] != 0;
  int kept = alpha ? 4 : 3;
  std::vector<std::uint8_t> raw((std::size_t(width) * layout.bits + 31) / 32 * 4);
  std::vector<std::uint8_t> row(std::size_t(width) * kept);
  target.begin({width, height});
  for (int i = 0; i < height; ++i) {
    if (!reader.read(raw.data(), raw.size())) {
      return logo::Failure{"BMP: the pixels end early in stored row " + std::to_string(i)};
    }
    const std::uint8_t* p = raw.data();
    std::uint8_t* out = row.data();
    for (int x = 0; x < width; ++x, p += bytes, out += kept) {
      if (layout.bits == 24) {
        out[0] = p[2], out[1] = p[1], out[2] = p[0];
        continue;
      }
      std::uint32_t pixel = little(p, bytes);
      for (int c = 0; c < kept; ++c) out[c] = channels[c].of(pixel);
    }
    target.put(topDown ? i : height - 1 - i, 0, 1, width, row.data(), kept);
  }
  return {};
}

namespace {

bool sniffBitmap(ByteView head) {
  return head.size() >= 2 && head[0] == 'B' && head[1] == 'M';
}

}  // namespace

const Adapter kBmpAdapter{Format::kBmp, sniffBitmap, probeBitmap, decodeBitmap, readBitmap};

}  // namespace picture
