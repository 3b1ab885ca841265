// The suite's own readers of palette pictures, which hand over the palette
// and the indices exactly as stored.
#pragma once

#include <optional>
#include <string>

#include "logo_image/result.h"
#include "logofit/pictures.h"

namespace logofit {

// What a reader made of the bytes: a palette picture, nothing (the bytes
// are in another format, or hold a truecolour picture it leaves to the
// image library), or the reason they are malformed.
using Reading = logo::Result<std::optional<IndexedPicture>>;
inline Reading notMine() {
  return Reading(std::optional<IndexedPicture>());
}

// The suite's own bitmap layouts: 12, 40, 52, 56, 108 and 124-byte headers,
// 1, 4 and 8 bits, any palette length, RLE8, RLE4, either row order.
Reading readBitmap(ByteView bytes, const Limits& limits);
// Palette PNG of any bit depth with its transparent entries (libpng).
Reading readPng(ByteView bytes, const Limits& limits);
// The first frame of a GIF with its transparent index (giflib).
Reading readGif(ByteView bytes, const Limits& limits);
// Whichever of the three takes the bytes, with every pixel's index checked
// against the palette.
Reading readIndexed(ByteView bytes, const Limits& limits);
// Why a picture whose highest index is `index` does not fit its palette.
std::string beyondThePalette(int index, std::size_t entries);

}  // namespace logofit
