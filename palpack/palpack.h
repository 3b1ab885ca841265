// The palette packer: finds which palette entries the pixels use, reports
// them, and packs the used colours into the low slots, renumbering the
// pixels, optionally keeping the animated slots of a logo file.
#pragma once

#include <array>
#include <cstdio>
#include <string_view>

#include "logo_image/atomic_output.h"
#include "logo_image/files.h"
#include "logo_image/layout.h"
#include "logo_image/outcome.h"
#include "logo_image/result.h"

namespace palpack {

struct Request {
  const char* source;
  const char* option;
  const char* output;  // nullptr when not given
};

// `SOURCE OPTION [OUTPUT]`; the option is checked once the source is read.
logo::Result<Request> readRequest(int argc, const char* const* argv);

enum class Mode {
  kNone,                // not one of the six option words
  kReport,              // -p, -P
  kPackAll,             // -u, -U
  kPackBelowAnimation,  // -a, -A
};

Mode modeOf(std::string_view option);

// Sets bit 0 of the flag byte of every entry that a pixel of the 500 chunks
// uses. The flag bytes are not cleared first.
void markUsedEntries(logo::SourceReader& source, logo::Palette& palette);

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

// Copies the rewound source with its palette packed and its pixels
// renumbered, and puts the output in place only if the source yielded
// exactly the bytes the survey read (else kSourceReadFailed).
logo::Outcome writePackedCopy(std::FILE* source, const logo::SourceSnapshot& surveyed,
                              logo::AtomicOutput& output, const Compaction& compaction);

extern const std::array<std::string_view, 11> kUsageText;
// The English summary that `--help` prints.
extern const std::array<std::string_view, 9> kHelpText;

}  // namespace palpack
