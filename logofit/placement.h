// Where a picture lands on the logo's screen.
#pragma once

#include "picture/pictures.h"

namespace logofit {

using picture::Placement;

enum class Geometry { kFit, kFill, kStretch };
// The side a picture keeps to: what --fill keeps, where --fit places it.
enum class Gravity { kCenter, kTop, kBottom, kLeft, kRight };

// Where a picture of the given size lands on the screen. A logo pixel is
// shown 5/3 as wide as it is tall (320x400 filling a 4:3 display), so a
// picture keeps its proportions when its shown width to height is 4:3.
Placement place(int width, int height, Geometry geometry, Gravity gravity = Gravity::kCenter);

}  // namespace logofit
