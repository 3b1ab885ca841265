#include "logo_image/conformance.h"

#include <sys/stat.h>

#include "logo_image/console.h"

namespace logo {

LogoHeader canonicalHeader() {
  LogoHeader header{};
  header[0] = 'B';
  header[1] = 'M';
  writeLittleEndian(header, kFileSizeField, kLogoFileSize);
  writeLittleEndian(header, kPixelDataOffsetField, kPixelOffset);
  writeLittleEndian(header, kInfoHeaderSizeField, 40);
  writeLittleEndian(header, kWidthField, kLogoWidth);
  writeLittleEndian(header, kHeightField, kLogoHeight);  // positive: bottom row first
  header[kPlanesField] = 1;
  header[kBitsPerPixelField] = 8;
  writeLittleEndian(header, kPixelBytesField, kLogoWidth * kLogoHeight);
  writeLittleEndian(header, kColoursUsedField, kPaletteEntries);
  return header;
}

Status checkConformance(const LogoHeader& header, long long size) {
  if (header[0] != 'B' || header[1] != 'M') return Failure{"no \"BM\" signature"};
  if (readLittleEndian(header, kBitsPerPixelField, 2) != 8) return Failure{"not 8 bits per pixel"};
  if (readSigned32(header, kWidthField) != kLogoWidth) return Failure{"width is not 320"};
  std::int32_t height = readSigned32(header, kHeightField);
  if (height != kLogoHeight && height != -kLogoHeight) return Failure{"height is not 400"};
  if (readLittleEndian(header, kCompressionField) != 0) return Failure{"compressed"};
  if (readLittleEndian(header, kPixelDataOffsetField) != kPixelOffset) {
    return Failure{"pixel data does not start at byte 1078"};
  }
  if (size >= 0 && size < static_cast<long long>(kLogoFileSize)) {
    return Failure{"shorter than 129078 bytes"};
  }
  return {};
}

std::string notLogoWarning(std::string_view path, const LogoHeader& header, long long size) {
  Status conforms = checkConformance(header, size);
  if (conforms) return "";
  std::string line = "WARNING: ";
  line.append(path).append(" is not a 320x400 256-colour bitmap (").append(conforms.reason());
  return line.append("); it is processed as one anyway");
}

void warnIfNotLogoImage(const char* path, std::FILE* source, const LogoHeader& header) {
  struct stat status;
  long long size = -1;
  if (fstat(fileno(source), &status) == 0 && S_ISREG(status.st_mode)) size = status.st_size;
  std::string line = notLogoWarning(path, header, size);
  if (!line.empty()) warn("%s", line.c_str());
}

}  // namespace logo
