#include "cycleview/cycleview.h"

namespace cycleview {

const std::array<std::string_view, 16> kUsageText = {
    "Usage: cycleview [--delay MS] [--reverse] [--raw] LOGO OUTPUT.gif",
    "       cycleview --help",
    "",
    "Writes the colour cycling of a start-up logo file as an animated GIF that",
    "loops for ever, one frame per step: at each step every palette slot from",
    "the one in header byte 50 up to 255 takes the colour of the slot above it,",
    "and slot 255 takes the colour of the first animated slot.",
    "",
    "  --delay MS  time per step in milliseconds, 20 to 10000 (default 100),",
    "              kept in hundredths of a second",
    "  --reverse   cycle the other way",
    "  --raw       write the 320x400 logo pixels one for one instead of the",
    "              640x480 view of a 4:3 screen",
    "",
    "Exit status: 0 when the GIF was written, 1 after an error message, 2 for",
    "a wrong command line.",
};

}  // namespace cycleview
