// Whether a source looks like the picture the suite expects.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "logo_image/layout.h"
#include "logo_image/result.h"

namespace logo {

// The header of a conforming picture: a 14-byte file header and a 40-byte
// information header for an uncompressed, bottom-up, 8-bit 320x400 bitmap
// with 256 palette entries and its pixels at byte 1078; byte 50 is 0.
LogoHeader canonicalHeader();

// Nothing when the header and size conform, else the reason they do not
// (the first field that does not fit). A negative size means the size is
// unknown (not a regular file).
Status checkConformance(const LogoHeader& header, long long size);

// The line warnIfNotLogoImage prints, without the program's name; empty
// for a header and size that conform.
std::string notLogoWarning(std::string_view path, const LogoHeader& header, long long size);

// If the source does not look like a 320x400, 8-bit, uncompressed bitmap of
// 129078 bytes or more with its pixels at byte 1078, prints one line
// beginning with "WARNING" on standard error. The run goes on regardless.
void warnIfNotLogoImage(const char* path, std::FILE* source, const LogoHeader& header);

}  // namespace logo
