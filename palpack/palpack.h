// The palette packer: finds which palette entries the pixels use, reports
// them, and packs the used colours into the low slots, renumbering the
// pixels, optionally keeping the animated slots of a logo file.
#pragma once

#include <array>
#include <cstdio>
#include <string_view>

#include "logo_image/logo_image.h"

namespace palpack {

enum class Mode {
  kNone,                // not one of the six option words
  kReport,              // -p, -P
  kPackAll,             // -u, -U
  kPackBelowAnimation,  // -a, -A
};

Mode modeOf(std::string_view option);

// Sets bit 0 of the flag byte of every entry that a pixel of the 500 chunks
// uses. The flag bytes are not cleared first.
void markUsedEntries(std::FILE* source, logo::Palette& palette);

// The -p listing: every entry with its flag byte after marking.
void writeReport(std::FILE* out, const logo::Palette& marked);

struct Compaction {
  logo::Palette packed{};
  // Source index -> packed index; 255 for an entry that is dropped, and
  // unchanged from the animation start index upwards.
  logo::RemapTable remap{};
  int kept = 0;
  // 0 when all 256 entries are packed, else the first animated slot.
  int animationStart = 0;
};

// Packs the marked entries below `animationStart` (all of them when it is 0)
// in their order from slot 0 upwards. An entry is kept when bit 0 of its flag
// byte is set, whatever else the flag byte holds.
Compaction compactPalette(const logo::Palette& marked, int animationStart);

// The listing of the packed palette and, when packing below the animation,
// of the animated slots.
void writeCompactionListing(std::FILE* out, const Compaction& compaction,
                            const logo::Palette& marked);

// The palette the rewrite writes: the packed one, or when packing below the
// animation, its entries below s-1 followed by the source's from s-1 up.
logo::Palette paletteToWrite(const Compaction& compaction, const logo::Palette& source);

enum class Answer { kYes, kNo, kEnd, kEndOfInput };

// `AnswerPrompt`: asks "New File Make? Y/N/E :" until it reads a valid line.
// An empty line is yes. End of input gives kEndOfInput, never a yes.
Answer askToMakeFile(std::FILE* in, std::FILE* out);

enum class OpenOutcome { kOpened, kSourceUnreadable, kOutputUncreatable };

// Opens the source again and creates the output, in that order.
OpenOutcome openForRewrite(const char* sourcePath, const char* outputPath, logo::File& source,
                           logo::CheckedOutput& output);

// Copies the source with its palette packed and its pixels renumbered.
// Returns false if the output could not be written completely (it is then
// removed).
bool writePackedCopy(std::FILE* source, logo::CheckedOutput& output, const Compaction& compaction);

extern const std::array<std::string_view, 11> kUsageText;

}  // namespace palpack
