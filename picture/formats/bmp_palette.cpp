// The bitmap layouts editors and converters write for palette pictures,
// read from a byte buffer with every offset checked against its end.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "picture/formats/format.h"

namespace picture {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kCoreHeaderSize = 12;  // OS/2: 16-bit sizes, 3-byte palette entries
constexpr std::uint32_t kUncompressed = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;

std::string format(const char* pattern, long long a, long long b = 0) {
  char text[160];
  std::snprintf(text, sizeof text, pattern, a, b);
  return text;
}

struct Layout {
  std::size_t headerSize = 0;
  long long width = 0;
  long long height = 0;
  bool topDown = false;
  int bits = 0;
  std::uint32_t compression = kUncompressed;
  std::uint32_t coloursUsed = 0;
  std::size_t pixelOffset = 0;
};

bool knownHeaderSize(std::size_t size) {
  return size == kCoreHeaderSize || size == 40 || size == 52 || size == 56 || size == 108 ||
         size == 124;
}

logo::Result<Layout> readLayout(ByteView bytes) {
  if (bytes.size() < kFileHeaderSize + 4) {
    return logo::Failure{"the file ends inside the bitmap header"};
  }
  Layout layout;
  layout.headerSize = logo::readLittleEndian(bytes, logo::kInfoHeaderSizeField);
  if (!knownHeaderSize(layout.headerSize)) {
    return logo::Failure{
        format("unknown bitmap information header of %lld bytes", layout.headerSize)};
  }
  if (bytes.size() < kFileHeaderSize + layout.headerSize) {
    return logo::Failure{"the file ends inside the bitmap header"};
  }
  layout.pixelOffset = logo::readLittleEndian(bytes, logo::kPixelDataOffsetField);
  if (layout.headerSize == kCoreHeaderSize) {
    // The OS/2 header's 16-bit width, height, planes and bit count.
    layout.width = logo::readLittleEndian(bytes, 18, 2);
    layout.height = logo::readLittleEndian(bytes, 20, 2);
    layout.bits = static_cast<int>(logo::readLittleEndian(bytes, 24, 2));
    return layout;
  }
  layout.width = logo::readSigned32(bytes, logo::kWidthField);
  layout.height = logo::readSigned32(bytes, logo::kHeightField);
  layout.topDown = layout.height < 0;
  layout.height = std::abs(layout.height);
  layout.bits = static_cast<int>(logo::readLittleEndian(bytes, logo::kBitsPerPixelField, 2));
  layout.compression = logo::readLittleEndian(bytes, logo::kCompressionField);
  layout.coloursUsed = logo::readLittleEndian(bytes, logo::kColoursUsedField);
  return layout;
}

bool truecolour(const Layout& layout) {
  return layout.bits == 16 || layout.bits == 24 || layout.bits == 32;
}

logo::Status layoutAllowed(const Layout& layout) {
  if (layout.bits != 1 && layout.bits != 4 && layout.bits != 8) {
    return logo::Failure{format("%lld bits per pixel", layout.bits)};
  }
  bool compressionFits = layout.compression == kUncompressed ||
                         (layout.compression == kRle8 && layout.bits == 8) ||
                         (layout.compression == kRle4 && layout.bits == 4);
  if (!compressionFits) {
    return logo::Failure{
        format("compression %lld with %lld bits per pixel", layout.compression, layout.bits)};
  }
  return {};
}

std::size_t declaredEntries(const Layout& layout) {
  return layout.coloursUsed == 0 ? std::size_t{1} << layout.bits : layout.coloursUsed;
}

logo::Result<std::vector<logo::PaletteEntry>> readPalette(ByteView bytes, const Layout& layout) {
  std::size_t paletteStart = kFileHeaderSize + layout.headerSize;
  std::size_t entrySize = layout.headerSize == kCoreHeaderSize ? 3 : 4;
  std::size_t declared = declaredEntries(layout);
  if (declared > std::size_t{1} << layout.bits) {
    return logo::Failure{
        format("a palette of %lld entries for %lld bits per pixel", declared, layout.bits)};
  }
  if (layout.pixelOffset < paletteStart || layout.pixelOffset > bytes.size()) {
    return logo::Failure{format("pixel offset %lld outside the file of %lld bytes",
                                layout.pixelOffset, bytes.size())};
  }
  // Writers that drop unused entries often leave the count at zero: the
  // pixel offset then tells where the palette ends.
  std::size_t entries = std::min(declared, (layout.pixelOffset - paletteStart) / entrySize);
  if (entries == 0) return logo::Failure{"no palette before the pixels"};
  std::vector<logo::PaletteEntry> palette;
  for (std::size_t i = 0; i < entries; ++i) {
    const std::uint8_t* entry = bytes.data() + paletteStart + i * entrySize;
    palette.push_back({entry[0], entry[1], entry[2], 0});
  }
  return palette;
}

// Empty when the pixels were read.
std::string readUncompressed(ByteView bytes, const Layout& layout, IndexedPicture& picture) {
  long long rowBits = layout.width * layout.bits;
  long long stride = (rowBits + 31) / 32 * 4;
  // The last row's padding is often left out.
  long long needed = stride * (layout.height - 1) + (rowBits + 7) / 8;
  long long available = static_cast<long long>(bytes.size() - layout.pixelOffset);
  if (needed > available) {
    return format("the pixels need %lld bytes, the file holds %lld", needed, available);
  }
  int bits = layout.bits;
  int perByte = 8 / bits;
  for (long long stored = 0; stored < layout.height; ++stored) {
    const std::uint8_t* row = bytes.data() + layout.pixelOffset + stored * stride;
    long long y = layout.topDown ? stored : layout.height - 1 - stored;
    std::uint8_t* out = picture.indices.data() + y * layout.width;
    for (long long x = 0; x < layout.width; ++x) {
      int shift = 8 - bits * static_cast<int>(x % perByte + 1);
      out[x] = static_cast<std::uint8_t>((row[x / perByte] >> shift) & ((1 << bits) - 1));
    }
  }
  return {};
}

// Run-length data: pairs (count, value) and escapes 0,0 end of line;
// 0,1 end of picture; 0,2,dx,dy move; 0,n n literal pixels padded to a
// 16-bit boundary. Pixels that a move or a line end skips keep index 0.
class RleDecoder {
 public:
  RleDecoder(ByteView bytes, const Layout& layout, IndexedPicture& picture)
      : bytes_(bytes), layout_(layout), picture_(picture), at_(layout.pixelOffset) {}

  // Empty when the picture was decoded to its end mark.
  std::string decode() {
    while (true) {
      if (!has(2)) return "the run-length data ends before its end mark";
      std::uint8_t count = bytes_[at_];
      std::uint8_t value = bytes_[at_ + 1];
      at_ += 2;
      if (count > 0) {
        for (int i = 0; i < count; ++i) {
          if (!put(nibbleOrByte(value, i))) return error_;
        }
      } else if (value == 0) {
        x_ = 0;
        if (++line_ > layout_.height) return "the run-length data passes the last row";
      } else if (value == 1) {
        return {};
      } else if (value == 2) {
        if (!move()) return error_;
      } else if (!literal(value)) {
        return error_;
      }
    }
  }

 private:
  bool has(std::size_t size) const { return bytes_.size() - at_ >= size; }
  std::uint8_t nibbleOrByte(std::uint8_t value, int i) const {
    if (layout_.bits == 8) return value;
    return i % 2 == 0 ? value >> 4 : value & 15;
  }

  bool put(std::uint8_t index) {
    if (line_ >= layout_.height) {
      error_ = "the run-length data passes the last row";
      return false;
    }
    if (x_ >= layout_.width) {
      error_ = format("a run passes the end of row %lld", line_);
      return false;
    }
    long long y = layout_.topDown ? line_ : layout_.height - 1 - line_;
    picture_.indices[y * layout_.width + x_++] = index;
    return true;
  }

  bool move() {
    if (!has(2)) {
      error_ = "the run-length data ends inside a move";
      return false;
    }
    x_ += bytes_[at_];
    line_ += bytes_[at_ + 1];
    at_ += 2;
    if (x_ > layout_.width || line_ > layout_.height || (line_ == layout_.height && x_ > 0)) {
      error_ = "a move leaves the picture";
      return false;
    }
    return true;
  }

  bool literal(int count) {
    std::size_t size = layout_.bits == 8 ? count : (count + 1) / 2;
    if (!has(size)) {
      error_ = "the run-length data ends inside a literal run";
      return false;
    }
    for (int i = 0; i < count; ++i) {
      std::uint8_t byte = bytes_[at_ + (layout_.bits == 8 ? i : i / 2)];
      if (!put(nibbleOrByte(byte, i))) return false;
    }
    at_ += size + size % 2;
    if (at_ > bytes_.size()) at_ = bytes_.size();
    return true;
  }

  ByteView bytes_;
  const Layout& layout_;
  IndexedPicture& picture_;
  std::size_t at_;
  long long x_ = 0;
  long long line_ = 0;
  std::string error_;
};

// Bytes 50 to 53 hold the first animated slot of a logo, but most writers
// put the ordinary important-colour count there, often the number of
// entries: only a value that cannot be that count is kept.
std::array<std::uint8_t, 4> animationBytes(ByteView bytes, const Layout& layout) {
  std::array<std::uint8_t, 4> kept{};
  std::uint8_t start = bytes[logo::kAnimationStartOffset];
  if (layout.headerSize == kCoreHeaderSize || start == 0 || start == declaredEntries(layout)) {
    return kept;
  }
  std::copy_n(bytes.begin() + logo::kAnimationStartOffset, 4, kept.begin());
  return kept;
}

}  // namespace

logo::Result<Size> paletteBitmapSize(ByteView head) {
  logo::Result<Layout> read = readLayout(head);
  if (!read) return read.error();
  if (logo::Status allowed = layoutAllowed(*read); !allowed) return allowed.error();
  return Size{static_cast<int>(std::min<long long>(read->width, 1 << 30)),
              static_cast<int>(std::min<long long>(read->height, 1 << 30))};
}

Reading readBitmap(ByteView bytes, const Limits& limits) {
  if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M') return notMine();
  logo::Result<Layout> read = readLayout(bytes);
  if (!read) return logo::Failure{read.reason()};
  const Layout& layout = *read;
  if (truecolour(layout)) return notMine();
  if (logo::Status allowed = layoutAllowed(layout); !allowed) return allowed.error();
  logo::Status size = sizeAllowed(layout.width, layout.height, limits);
  if (!size) return size.error();
  auto palette = readPalette(bytes, layout);
  if (!palette) return logo::Failure{palette.reason()};
  IndexedPicture picture;
  picture.palette = std::move(palette).value();
  picture.width = static_cast<int>(layout.width);
  picture.height = static_cast<int>(layout.height);
  picture.indices.assign(static_cast<std::size_t>(layout.width * layout.height), 0);
  std::string problem = layout.compression == kUncompressed
                            ? readUncompressed(bytes, layout, picture)
                            : RleDecoder(bytes, layout, picture).decode();
  if (!problem.empty()) return logo::Failure{problem};
  picture.importantColours = animationBytes(bytes, layout);
  return std::optional(std::move(picture));
}

}  // namespace picture
