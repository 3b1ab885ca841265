// The colour finder: reports which palette slot holds a typed colour, or
// edits palette colours in place. Two programs, for palettes of 256 and of
// 16 entries; nothing else differs but their names and usage texts.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

#include "logo_image/files.h"
#include "logo_image/layout.h"
#include "logo_image/result.h"

namespace huefind {

// The end flag after "e" (write the edits back) and after "n" (drop them).
inline constexpr std::uint8_t kEndUpdate = 0x20;
inline constexpr std::uint8_t kEndNoAction = 0x10;

// `NumberPrompt`: reads answer lines of at most three characters and a
// newline: a number read as atoi does, or a line whose last character is an
// end letter. Too long and empty lines are refused and read again.
class NumberPrompt {
 public:
  NumberPrompt(std::FILE* in, std::FILE* out) : in_(in), out_(out) {}

  // Reads until a line is accepted. Returns false at end of input.
  bool ask();
  // Refuses an accepted number, as the prompt refuses a bad line.
  void refuse();

  int number() const { return number_; }
  // 0 until an end letter was read; once set it stays set.
  std::uint8_t endFlag() const { return endFlag_; }

 private:
  std::FILE* in_;
  std::FILE* out_;
  int number_ = 0;
  std::uint8_t endFlag_ = 0;
};

template <std::size_t Entries>
using Palette = logo::PaletteOf<Entries>;

// The first entry showing exactly this colour, or -1. A component outside
// 0 to 255 matches no entry.
int findColour(std::span<const logo::PaletteEntry> palette, int red, int green, int blue);

enum class LoopEnd { kUpdate, kNoAction, kEndOfInput };

// Asks for colours and reports their slots until an end letter is typed.
LoopEnd searchColours(std::span<const logo::PaletteEntry> palette, NumberPrompt& prompt,
                      std::FILE* out);

// Asks for palette numbers and new colours, editing `palette` in memory,
// until an end letter is typed. Palette numbers outside the palette are
// refused.
LoopEnd updateColours(std::span<logo::PaletteEntry> palette, NumberPrompt& prompt, std::FILE* out);

enum class WriteBack { kWritten, kReplaced, kChanged, kFailed };

// Writes `edited` over the start of the file open as `file` and closes it,
// but only while `path` still names that file (else kReplaced) and, for a
// regular file, no other writer has changed it since `seen` was taken,
// when `original` was read from there (else kChanged); nothing is written
// then. A write that fails part-way puts back `original` and the file's
// size: the file is edited whole or not at all.
WriteBack writeBack(logo::File& file, const char* path, const logo::SourceSnapshot& seen,
                    std::span<const std::uint8_t> original, std::span<const std::uint8_t> edited);

struct Request {
  const char* path;
  bool searching;  // -s; else -u
};

enum class RequestError { kUsage, kOption };

// `FILE -s` or `FILE -u`.
logo::Result<Request, RequestError> readRequest(int argc, const char* const* argv);

// The whole program for a palette of `entries` (256 or 16) entries.
int runProgram(int argc, char** argv, std::size_t entries);

struct UsageHead {
  std::string_view title;
  std::string_view syntax;
};

extern const UsageHead kUsageHead256;
extern const UsageHead kUsageHead16;
extern const std::array<std::string_view, 8> kUsageExplanation;
// The English summaries that `--help` prints.
extern const std::array<std::string_view, 8> kHelpText256;
extern const std::array<std::string_view, 8> kHelpText16;

}  // namespace huefind
