// Interlaced GIF pictures, whose rows are stored out of order, and
// progressive JPEG pictures, stored in scans.
#pragma once

#include "tests/pictures/sample_pictures.h"

namespace picture::samples {

// One frame, its rows stored 0, 8, 16, ..., then 4, 12, ..., 2, 6, ...,
// then 1, 3, 5, ...
Bytes encodeInterlacedGif(const IndexedPicture& picture);
// Every coefficient of every channel in a scan of its own, then refined a
// bit at a time: 3 + 189 x (refinements + 1) scans, all valid.
Bytes encodeProgressiveJpeg(const RgbPicture& picture, int refinements);

}  // namespace picture::samples
