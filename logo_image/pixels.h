// Moving pixel chunks from a source to an output.
#pragma once

#include "logo_image/atomic_output.h"
#include "logo_image/files.h"
#include "logo_image/layout.h"

namespace logo {

// The table that leaves every pixel as it is.
RemapTable identityRemap();

// Streams the 500 pixel chunks of `source` to `out` through one chunk
// buffer, every byte b replaced by remap[b]. Missing source bytes read as 0.
// Stops early, returning false, when a read fails.
bool copyRemappedPixels(SourceReader& source, AtomicOutput& out, const RemapTable& remap);

}  // namespace logo
