// The whole logo file, built in memory.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "logo_image/layout.h"

namespace logo {

// The 129078 bytes of a logo file: the canonical header (conformance.h)
// with `importantColours` in bytes 50 to 53, whose lowest byte is the first
// animated slot (0 for a still picture); `palette`, its flag bytes written
// as 0 and zero entries after it up to 256 (entries beyond 256 are not
// written); then the 320x400 pixels, given top row first and stored bottom
// row first. Pixels missing from `indicesTopRowFirst` are index 0, any
// beyond 128000 are not written.
std::vector<std::uint8_t> logoFileBytes(std::span<const PaletteEntry> palette,
                                        std::span<const std::uint8_t> indicesTopRowFirst,
                                        std::uint32_t importantColours = 0);

}  // namespace logo
