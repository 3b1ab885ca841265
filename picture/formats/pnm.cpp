// PBM, PGM and PPM (P1 to P6), read here a row at a time.
#include <cstring>
#include <string>

#include "picture/formats/byte_reader.h"
#include "picture/formats/format.h"

namespace picture {
namespace {

struct Header {
  int kind = 0;  // the digit after the P
  long long width = 0;
  long long height = 0;
  long long most = 1;  // the value that means full brightness
};

// A header number; whitespace and comments before it are skipped.
long long number(ByteReader& reader, int& after) {
  int c = reader.next();
  while (c == '#' || c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f') {
    if (c == '#') {
      while (c != '\n' && c != '\r' && c != -1) c = reader.next();
    }
    c = reader.next();
  }
  long long value = -1;
  while (c >= '0' && c <= '9') {
    value = (value < 0 ? 0 : value) * 10 + (c - '0');
    if (value > 1LL << 31) return -1;
    c = reader.next();
  }
  after = c;
  return value;
}

logo::Result<Header> readHeader(ByteReader& reader) {
  Header header;
  reader.next();
  header.kind = reader.next() - '0';
  int after = 0;
  header.width = number(reader, after);
  header.height = number(reader, after);
  bool bits = header.kind == 1 || header.kind == 4;
  if (!bits) header.most = number(reader, after);
  if (header.width < 0 || header.height < 0 || header.most < 1 || header.most > 65535) {
    return logo::Failure{"PNM: the header is damaged"};
  }
  // Here, while the sides are still as large as written.
  if (logo::Status size = sizeAllowed(header.width, header.height, {}); !size) return size.error();
  return header;
}

std::uint8_t eightBits(long long value, long long most) {
  return static_cast<std::uint8_t>((std::min(value, most) * 255 + most / 2) / most);
}

bool readRow(ByteReader& reader, const Header& header, std::vector<std::uint8_t>& raw,
             std::uint8_t* row) {
  int width = static_cast<int>(header.width);
  int samples = header.kind == 3 || header.kind == 6 ? 3 : 1;
  int count = width * samples;
  switch (header.kind) {
    case 1:
    case 2:
    case 3:
      for (int i = 0; i < count; ++i) {
        int after = 0;
        long long value;
        if (header.kind == 1) {
          int c;
          do c = reader.next();
          while (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '#');
          if (c != '0' && c != '1') return false;
          value = c == '0';  // 1 is black
        } else {
          value = number(reader, after);
          if (value < 0) return false;
        }
        row[i] = header.kind == 1 ? static_cast<std::uint8_t>(value * 255)
                                  : eightBits(value, header.most);
      }
      return true;
    case 4: {
      raw.resize(std::size_t(width + 7) / 8);
      if (!reader.read(raw.data(), raw.size())) return false;
      for (int x = 0; x < width; ++x) row[x] = raw[x / 8] & (0x80 >> (x % 8)) ? 0 : 255;
      return true;
    }
    default: {
      if (header.most == 255) return reader.read(row, std::size_t(count));
      bool wide = header.most > 255;
      raw.resize(std::size_t(count) * (wide ? 2 : 1));
      if (!reader.read(raw.data(), raw.size())) return false;
      for (int i = 0; i < count; ++i) {
        long long value = wide ? raw[2 * i] << 8 | raw[2 * i + 1] : raw[i];
        row[i] = eightBits(value, header.most);
      }
      return true;
    }
  }
}

}  // namespace

logo::Result<Stored> probePnm(Input& input) {
  ByteReader reader(input);
  logo::Result<Header> header = readHeader(reader);
  if (!header) return logo::Failure{header.reason()};
  return Stored{{static_cast<int>(header->width), static_cast<int>(header->height)}, 1};
}

logo::Status decodePnm(Input& input, Sink& target) {
  ByteReader reader(input);
  logo::Result<Header> header = readHeader(reader);
  if (!header) return logo::Failure{header.reason()};
  int width = static_cast<int>(header->width);
  int height = static_cast<int>(header->height);
  int samples = header->kind == 3 || header->kind == 6 ? 3 : 1;
  target.begin({width, height});
  std::vector<std::uint8_t> raw;
  std::vector<std::uint8_t> row(std::size_t(width) * samples);
  for (int y = 0; y < height; ++y) {
    if (!readRow(reader, *header, raw, row.data())) {
      return logo::Failure{"PNM: the pixels end early or are damaged in row " + std::to_string(y)};
    }
    target.put(y, 0, 1, width, row.data(), samples);
  }
  return {};
}

namespace {

bool sniffPnm(ByteView head) {
  return head.size() >= 2 && head[0] == 'P' && head[1] >= '1' && head[1] <= '6';
}

}  // namespace

const Adapter kPnmAdapter{Format::kPnm, sniffPnm, probePnm, decodePnm, nullptr};

}  // namespace picture
