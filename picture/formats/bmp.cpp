// Bitmaps, read in blocks from the input: one parser of the file and
// information headers (12, 40, 52, 56, 108 and 124 bytes) that checks them
// whole before a pixel is read; then a palette picture (1, 4 or 8 bits,
// uncompressed, RLE8 or RLE4, either row order) as its indices, or a
// truecolour one (16, 24 or 32 bits, with or without bit fields) a row at
// a time.
#include <algorithm>
#include <array>
#include <bit>
#include <string>

#include "logo_image/layout.h"
#include "picture/formats/byte_reader.h"
#include "picture/formats/format.h"

namespace picture {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;  // OS/2: 16-bit sizes, 3-byte palette entries
constexpr std::uint32_t kLargestHeaderSize = 124;
constexpr std::size_t kMasksField = kFileHeaderSize + 40;
constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

// The fields as stored, before they are checked.
struct Fields {
  std::uint32_t pixelOffset = 0;
  std::uint32_t headerSize = 0;
  std::size_t headerEnd = 0;  // with the masks that follow a 40-byte header
  long long width = 0;
  long long height = 0;  // negative: top row first
  int bits = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t coloursUsed = 0;
  std::array<std::uint32_t, 4> masks{};  // red, green, blue, alpha
  std::array<std::uint8_t, 4> importantColours{};
};

// A header that passed every check.
struct Header {
  int width = 0;
  int height = 0;
  bool topDown = false;
  int bits = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t pixelOffset = 0;
  std::size_t headerEnd = 0;
  std::size_t entrySize = 4;
  std::size_t entries = 0;  // stored before the pixels
  std::array<std::uint32_t, 4> masks{};
  std::array<std::uint8_t, 4> importantColours{};
};

bool knownHeaderSize(std::uint32_t size) {
  return size == kCoreHeaderSize || size == 40 || size == 52 || size == 56 || size == 108 ||
         size == 124;
}

// The number of mask bytes that follow a 40-byte header; larger headers
// hold their masks.
std::size_t masksAfter(std::uint32_t headerSize, std::uint32_t compression) {
  if (headerSize != 40) return 0;
  return compression == kBitFields ? 12 : compression == kAlphaBitFields ? 16 : 0;
}

logo::Result<Fields> readFields(ByteReader& reader) {
  const char* endsEarly = "BMP: the file ends inside the bitmap header";
  std::array<std::uint8_t, kFileHeaderSize + kLargestHeaderSize + 16> bytes{};
  ByteView stored(bytes);
  if (!reader.read(bytes.data(), kFileHeaderSize + 4)) return logo::Failure{endsEarly};
  Fields fields;
  fields.pixelOffset = logo::readLittleEndian(stored, logo::kPixelDataOffsetField);
  fields.headerSize = logo::readLittleEndian(stored, logo::kInfoHeaderSizeField);
  if (!knownHeaderSize(fields.headerSize)) {
    return logo::Failure{"BMP: unknown bitmap information header of " +
                         std::to_string(fields.headerSize) + " bytes"};
  }
  if (!reader.read(bytes.data() + kFileHeaderSize + 4, fields.headerSize - 4)) {
    return logo::Failure{endsEarly};
  }
  fields.headerEnd = kFileHeaderSize + fields.headerSize;
  if (fields.headerSize == kCoreHeaderSize) {
    // The OS/2 header's 16-bit width, height, planes and bit count.
    fields.width = logo::readLittleEndian(stored, 18, 2);
    fields.height = logo::readLittleEndian(stored, 20, 2);
    fields.bits = static_cast<int>(logo::readLittleEndian(stored, 24, 2));
    return fields;
  }
  fields.width = logo::readSigned32(stored, logo::kWidthField);
  fields.height = logo::readSigned32(stored, logo::kHeightField);
  fields.bits = static_cast<int>(logo::readLittleEndian(stored, logo::kBitsPerPixelField, 2));
  fields.compression = logo::readLittleEndian(stored, logo::kCompressionField);
  fields.coloursUsed = logo::readLittleEndian(stored, logo::kColoursUsedField);
  std::copy_n(bytes.begin() + logo::kImportantColoursField, 4, fields.importantColours.begin());
  std::size_t masks = masksAfter(fields.headerSize, fields.compression);
  if (!reader.read(bytes.data() + fields.headerEnd, masks)) {
    return logo::Failure{"BMP: the file ends inside the colour masks"};
  }
  fields.headerEnd += masks;
  // A mask the header and what follows it do not hold reads as 0: no alpha
  // below a 56-byte header, but with alpha bit fields.
  for (std::size_t i = 0; i < 4; ++i) {
    fields.masks[i] = logo::readLittleEndian(stored, kMasksField + 4 * i);
  }
  return fields;
}

bool compressionFits(std::uint32_t compression, int bits) {
  switch (compression) {
    case kRgb:
      return true;
    case kRle8:
      return bits == 8;
    case kRle4:
      return bits == 4;
    case kBitFields:
    case kAlphaBitFields:
      return bits == 16 || bits == 32;
    default:
      return false;
  }
}

long long rowBytes(int width, int bits) {
  return (static_cast<long long>(width) * bits + 7) / 8;
}

long long stride(int width, int bits) {
  return (rowBytes(width, bits) + 3) / 4 * 4;
}

// Bytes 50 to 53 hold the first animated slot of a logo, but most writers
// put the ordinary important-colour count there, often the number of
// entries: only a count that can be a slot and cannot be that count is kept.
// An OS/2 header has no such field, and its fields stay 0.
std::array<std::uint8_t, 4> animationBytes(const Fields& fields, std::size_t declared) {
  std::uint32_t count = logo::readLittleEndian(fields.importantColours, 0);
  if (count == 0 || count > 255 || count == declared) return {};
  return fields.importantColours;
}

logo::Status kindAllowed(const Fields& fields) {
  int bits = fields.bits;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    return logo::Failure{"BMP: " + std::to_string(bits) + " bits per pixel"};
  }
  if (!compressionFits(fields.compression, bits)) {
    return logo::Failure{"BMP: compression " + std::to_string(fields.compression) + " with " +
                         std::to_string(bits) + " bits per pixel"};
  }
  return {};
}

// The entries a palette picture's header declares; none for truecolour.
logo::Result<std::size_t> declaredEntries(const Fields& fields) {
  if (fields.bits > 8) return std::size_t{0};
  std::size_t most = std::size_t{1} << fields.bits;
  std::size_t declared = fields.coloursUsed == 0 ? most : fields.coloursUsed;
  if (declared > most) {
    return logo::Failure{"BMP: a palette of " + std::to_string(declared) + " entries for " +
                         std::to_string(fields.bits) + " bits per pixel"};
  }
  return declared;
}

// Whether the pixels start after the header and, uncompressed, end in the file.
logo::Status pixelsInFile(const Header& header, std::uint64_t fileSize) {
  if (header.pixelOffset < header.headerEnd) {
    return logo::Failure{"BMP: pixel offset " + std::to_string(header.pixelOffset) +
                         " inside the header of " + std::to_string(header.headerEnd) + " bytes"};
  }
  if (header.pixelOffset > fileSize) {
    return logo::Failure{"BMP: pixel offset " + std::to_string(header.pixelOffset) +
                         " outside the file of " + std::to_string(fileSize) + " bytes"};
  }
  if (header.compression == kRle8 || header.compression == kRle4) return {};
  // The last row's padding is often left out.
  long long needed =
      stride(header.width, header.bits) * (header.height - 1) + rowBytes(header.width, header.bits);
  auto held = static_cast<long long>(fileSize - header.pixelOffset);
  if (needed <= held) return {};
  return logo::Failure{"BMP: the pixels need " + std::to_string(needed) +
                       " bytes, the file holds " + std::to_string(held)};
}

logo::Result<Header> checked(const Fields& fields, std::uint64_t fileSize) {
  if (logo::Status kind = kindAllowed(fields); !kind) return kind.error();
  // As a long long, the height of -2^31 has a size.
  long long height = fields.height < 0 ? -fields.height : fields.height;
  if (logo::Status size = sizeAllowed(fields.width, height, {}); !size) return size.error();
  logo::Result<std::size_t> declared = declaredEntries(fields);
  if (!declared) return declared.error();
  Header header{.width = static_cast<int>(fields.width),
                .height = static_cast<int>(height),
                .topDown = fields.height < 0,
                .bits = fields.bits,
                .compression = fields.compression,
                .pixelOffset = fields.pixelOffset,
                .headerEnd = fields.headerEnd,
                .entrySize = fields.headerSize == kCoreHeaderSize ? std::size_t{3} : std::size_t{4},
                .masks = fields.masks,
                .importantColours = animationBytes(fields, *declared)};
  if (logo::Status inFile = pixelsInFile(header, fileSize); !inFile) return inFile.error();
  // Writers that drop unused entries often leave the count at zero: the
  // pixel offset then tells where the palette ends.
  header.entries = std::min(*declared, (header.pixelOffset - header.headerEnd) / header.entrySize);
  if (header.bits <= 8 && header.entries == 0) {
    return logo::Failure{"BMP: no palette before the pixels"};
  }
  return header;
}

logo::Result<Header> readHeader(Input& input, ByteReader& reader) {
  logo::Result<Fields> fields = readFields(reader);
  if (!fields) return fields.error();
  return checked(*fields, input.size());
}

// The stored row's bytes, without its padding; the padding is skipped but
// after the last row, where it is often left out.
bool readRow(ByteReader& reader, const Header& header, int stored, std::vector<std::uint8_t>& raw) {
  std::size_t padding = stride(header.width, header.bits) - rowBytes(header.width, header.bits);
  return reader.read(raw.data(), raw.size()) &&
         (stored == header.height - 1 || reader.skip(padding));
}

logo::Failure endsEarly(int stored) {
  return logo::Failure{"BMP: the pixels end early in stored row " + std::to_string(stored)};
}

logo::Result<std::vector<std::uint8_t>> readUncompressed(ByteReader& reader, const Header& header) {
  std::vector<std::uint8_t> indices(std::size_t(header.width) * header.height);
  std::vector<std::uint8_t> raw(rowBytes(header.width, header.bits));
  int bits = header.bits;
  int perByte = 8 / bits;
  for (int stored = 0; stored < header.height; ++stored) {
    if (!readRow(reader, header, stored, raw)) return endsEarly(stored);
    int y = header.topDown ? stored : header.height - 1 - stored;
    std::uint8_t* out = indices.data() + std::size_t(y) * header.width;
    for (int x = 0; x < header.width; ++x) {
      int shift = 8 - bits * (x % perByte + 1);
      out[x] = static_cast<std::uint8_t>((raw[x / perByte] >> shift) & ((1 << bits) - 1));
    }
  }
  return indices;
}

// Run-length data: pairs (count, value) and escapes 0,0 end of line;
// 0,1 end of picture; 0,2,dx,dy move; 0,n n literal pixels padded to a
// 16-bit boundary. Pixels that a move or a line end skips keep index 0.
class RunLengths {
 public:
  RunLengths(ByteReader& reader, const Header& header)
      : reader_(reader), header_(header), indices_(std::size_t(header.width) * header.height, 0) {}

  logo::Result<std::vector<std::uint8_t>> decode() && {
    while (true) {
      int count = reader_.next();
      int value = reader_.next();
      if (value < 0) return logo::Failure{"BMP: the run-length data ends before its end mark"};
      logo::Status done;
      if (count > 0) {
        done = run(count, static_cast<std::uint8_t>(value));
      } else if (value == 0) {
        done = lineEnd();
      } else if (value == 1) {
        return std::move(indices_);
      } else if (value == 2) {
        done = move();
      } else {
        done = literal(value);
      }
      if (!done) return done.error();
    }
  }

 private:
  std::uint8_t nibbleOrByte(std::uint8_t value, int i) const {
    if (header_.bits == 8) return value;
    return i % 2 == 0 ? value >> 4 : value & 15;
  }

  logo::Status put(std::uint8_t index) {
    if (line_ >= header_.height) return passesTheLastRow();
    if (x_ >= header_.width) {
      return logo::Failure{"BMP: a run passes the end of row " + std::to_string(line_)};
    }
    int y = header_.topDown ? line_ : header_.height - 1 - line_;
    indices_[std::size_t(y) * header_.width + x_++] = index;
    return {};
  }

  logo::Status run(int count, std::uint8_t value) {
    for (int i = 0; i < count; ++i) {
      if (logo::Status placed = put(nibbleOrByte(value, i)); !placed) return placed;
    }
    return {};
  }

  logo::Status lineEnd() {
    x_ = 0;
    if (++line_ > header_.height) return passesTheLastRow();
    return {};
  }

  logo::Status move() {
    int dx = reader_.next();
    int dy = reader_.next();
    if (dy < 0) return logo::Failure{"BMP: the run-length data ends inside a move"};
    x_ += dx;
    line_ += dy;
    if (x_ > header_.width || line_ > header_.height || (line_ == header_.height && x_ > 0)) {
      return logo::Failure{"BMP: a move leaves the picture"};
    }
    return {};
  }

  logo::Status literal(int count) {
    int size = header_.bits == 8 ? count : (count + 1) / 2;
    int byte = 0;
    for (int i = 0; i < count; ++i) {
      if (header_.bits == 8 || i % 2 == 0) byte = reader_.next();
      if (byte < 0) return logo::Failure{"BMP: the run-length data ends inside a literal run"};
      logo::Status placed = put(nibbleOrByte(static_cast<std::uint8_t>(byte), i));
      if (!placed) return placed;
    }
    if (size % 2 != 0) reader_.next();
    return {};
  }

  static logo::Failure passesTheLastRow() {
    return logo::Failure{"BMP: the run-length data passes the last row"};
  }

  ByteReader& reader_;
  const Header& header_;
  std::vector<std::uint8_t> indices_;
  int x_ = 0;
  int line_ = 0;
};

// From the end of the header on: the palette, then the indices.
logo::Result<IndexedPicture> readIndexed(ByteReader& reader, const Header& header) {
  std::vector<std::uint8_t> entries(header.entries * header.entrySize);
  std::size_t paletteEnd = header.headerEnd + entries.size();
  if (!reader.read(entries.data(), entries.size()) ||
      !reader.skip(header.pixelOffset - paletteEnd)) {
    return logo::Failure{"BMP: the file ends inside the palette"};
  }
  IndexedPicture picture;
  picture.width = header.width;
  picture.height = header.height;
  for (std::size_t i = 0; i < entries.size(); i += header.entrySize) {
    picture.palette.push_back({entries[i], entries[i + 1], entries[i + 2], 0});
  }
  logo::Result<std::vector<std::uint8_t>> indices = header.compression == kRgb
                                                        ? readUncompressed(reader, header)
                                                        : RunLengths(reader, header).decode();
  if (!indices) return indices.error();
  picture.indices = std::move(indices).value();
  picture.importantColours = header.importantColours;
  if (logo::Status fits = indicesInPalette(picture, "BMP: "); !fits) return fits.error();
  return picture;
}

// One colour of a pixel from its mask, widened or narrowed to 8 bits.
class Channel {
 public:
  explicit Channel(std::uint32_t mask) : mask_(mask) {
    if (mask == 0) return;
    shift_ = std::countr_zero(mask);
    most_ = mask >> shift_;
  }
  std::uint8_t of(std::uint32_t pixel) const {
    if (most_ == 0) return 255;
    std::uint64_t value = (pixel & mask_) >> shift_;
    return static_cast<std::uint8_t>((value * 255 + most_ / 2) / most_);
  }

 private:
  std::uint32_t mask_ = 0;
  int shift_ = 0;
  std::uint64_t most_ = 0;
};

std::array<std::uint32_t, 4> masksOf(const Header& header) {
  if (header.compression != kRgb) return header.masks;
  if (header.bits == 16) return {0x7C00, 0x3E0, 0x1F, 0};  // 5-5-5
  return {0xFF0000, 0xFF00, 0xFF, 0};
}

logo::Status readTruecolour(ByteReader& reader, const Header& header, Sink& target) {
  if (!reader.skip(header.pixelOffset - header.headerEnd)) return endsEarly(0);
  std::array<std::uint32_t, 4> masks = masksOf(header);
  const Channel channels[4] = {Channel(masks[0]), Channel(masks[1]), Channel(masks[2]),
                               Channel(masks[3])};
  int kept = masks[3] != 0 ? 4 : 3;
  std::size_t bytes = header.bits / 8;
  std::vector<std::uint8_t> raw(rowBytes(header.width, header.bits));
  std::vector<std::uint8_t> row(std::size_t(header.width) * kept);
  target.begin({header.width, header.height});
  for (int stored = 0; stored < header.height; ++stored) {
    if (!readRow(reader, header, stored, raw)) return endsEarly(stored);
    for (std::size_t x = 0; x < std::size_t(header.width); ++x) {
      std::uint32_t pixel = logo::readLittleEndian(raw, x * bytes, bytes);
      for (int c = 0; c < kept; ++c) row[x * kept + c] = channels[c].of(pixel);
    }
    target.put(header.topDown ? stored : header.height - 1 - stored, 0, 1, header.width, row.data(),
               kept);
  }
  return {};
}

logo::Result<Stored> probeBitmap(Input& input) {
  ByteReader reader(input);
  logo::Result<Header> header = readHeader(input, reader);
  if (!header) return header.error();
  return Stored{{header->width, header->height}, 1, header->bits <= 8};
}

logo::Status decodeBitmap(Input& input, Sink& target) {
  ByteReader reader(input);
  logo::Result<Header> header = readHeader(input, reader);
  if (!header) return header.error();
  if (header->bits > 8) return readTruecolour(reader, *header, target);
  // A palette picture is held as its indices, one byte a pixel.
  logo::Result<IndexedPicture> picture = readIndexed(reader, *header);
  if (!picture) return picture.error();
  putPalettePicture(*picture, target);
  return {};
}

logo::Result<IndexedPicture> readBitmap(Input& input) {
  ByteReader reader(input);
  logo::Result<Header> header = readHeader(input, reader);
  if (!header) return header.error();
  if (header->bits > 8) return logo::Failure{"the picture has no palette"};
  return readIndexed(reader, *header);
}

bool sniffBitmap(ByteView head) {
  return head.size() >= 2 && head[0] == 'B' && head[1] == 'M';
}

}  // namespace

const Adapter kBmpAdapter{Format::kBmp, sniffBitmap, probeBitmap, decodeBitmap, readBitmap};

}  // namespace picture
