#include "logo_image/conformance.h"

#include <sys/stat.h>

#include "logo_image/console.h"

namespace logo {
namespace {

// Little-endian fields of the bitmap file and information headers.
constexpr std::size_t kPixelDataOffsetField = 10;
constexpr std::size_t kWidthField = 18;
constexpr std::size_t kHeightField = 22;
constexpr std::size_t kBitsPerPixelField = 28;
constexpr std::size_t kCompressionField = 30;

std::uint32_t readLittleEndian(const LogoHeader& header, std::size_t offset, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = size; i-- > 0;) value = (value << 8) | header[offset + i];
  return value;
}

std::int32_t readSigned32(const LogoHeader& header, std::size_t offset) {
  return static_cast<std::int32_t>(readLittleEndian(header, offset, 4));
}

void writeLittleEndian32(LogoHeader& header, std::size_t offset, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i)
    header[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

LogoHeader canonicalHeader() {
  LogoHeader header{};
  header[0] = 'B';
  header[1] = 'M';
  writeLittleEndian32(header, 2, kLogoFileSize);
  writeLittleEndian32(header, kPixelDataOffsetField, kPixelOffset);
  writeLittleEndian32(header, 14, 40);  // information header size
  writeLittleEndian32(header, kWidthField, kLogoWidth);
  writeLittleEndian32(header, kHeightField, kLogoHeight);  // positive: bottom row first
  header[26] = 1;                                          // planes
  header[kBitsPerPixelField] = 8;
  writeLittleEndian32(header, 34, kLogoWidth * kLogoHeight);  // pixel bytes
  writeLittleEndian32(header, 46, kPaletteEntries);           // colours used
  return header;
}

const char* findNonConformance(const LogoHeader& header, long long size) {
  if (header[0] != 'B' || header[1] != 'M') return "no \"BM\" signature";
  if (readLittleEndian(header, kBitsPerPixelField, 2) != 8) return "not 8 bits per pixel";
  if (readSigned32(header, kWidthField) != kLogoWidth) return "width is not 320";
  std::int32_t height = readSigned32(header, kHeightField);
  if (height != kLogoHeight && height != -kLogoHeight) return "height is not 400";
  if (readLittleEndian(header, kCompressionField, 4) != 0) return "compressed";
  if (readLittleEndian(header, kPixelDataOffsetField, 4) != kPixelOffset) {
    return "pixel data does not start at byte 1078";
  }
  if (size >= 0 && size < static_cast<long long>(kLogoFileSize)) {
    return "shorter than 129078 bytes";
  }
  return nullptr;
}

void warnIfNotLogoImage(const char* path, std::FILE* source, const LogoHeader& header) {
  struct stat status;
  long long size = -1;
  if (fstat(fileno(source), &status) == 0 && S_ISREG(status.st_mode)) size = status.st_size;
  const char* reason = findNonConformance(header, size);
  if (reason == nullptr) return;
  warn("WARNING: %s is not a 320x400 256-colour bitmap (%s); it is processed as one anyway", path,
       reason);
}

}  // namespace logo
