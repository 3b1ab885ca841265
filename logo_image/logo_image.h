// The startup-logo picture as every tool of the suite sees it: a 54-byte
// bitmap header, a 256-entry palette and 500 chunks of 256 one-byte pixels,
// and the few helpers that all the tools share.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <utility>

namespace logo {

inline constexpr std::size_t kHeaderSize = 54;
inline constexpr std::size_t kPaletteSize = 1024;
inline constexpr std::size_t kChunkSize = 256;
inline constexpr std::size_t kChunkCount = 500;
// Least-significant byte of the header's important-colours count: the first
// palette slot that the system animates, 0 for a plain bitmap.
inline constexpr std::size_t kAnimationStartOffset = 50;

inline constexpr std::size_t kPaletteEntries = 256;
inline constexpr std::size_t kPixelOffset = kHeaderSize + kPaletteSize;
inline constexpr std::size_t kLogoFileSize = kPixelOffset + kChunkSize * kChunkCount;

// Stored in the order of the bitmap format. The flag byte is the format's
// reserved byte; only the palette packer gives it a meaning, in memory.
struct PaletteEntry {
  std::uint8_t blue;
  std::uint8_t green;
  std::uint8_t red;
  std::uint8_t flag;

  friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};
static_assert(sizeof(PaletteEntry) == 4);

using LogoHeader = std::array<std::uint8_t, kHeaderSize>;
template <std::size_t Entries>
using PaletteOf = std::array<PaletteEntry, Entries>;
using Palette = PaletteOf<kPaletteEntries>;
using PixelChunk = std::array<std::uint8_t, kChunkSize>;
// Old palette index -> new palette index, applied to every rewritten pixel.
using RemapTable = std::array<std::uint8_t, kPaletteEntries>;

static_assert(sizeof(Palette) == kPaletteSize);

inline bool sameColour(const PaletteEntry& a, const PaletteEntry& b) {
  return a.blue == b.blue && a.green == b.green && a.red == b.red;
}

// Exit statuses of every program.
inline constexpr int kExitOk = 0;
inline constexpr int kExitError = 1;
inline constexpr int kExitUsage = 2;

// ---- console ----

// Writes UTF-8 text to `out` as Shift-JIS (code page 932) bytes, the
// encoding of every console text of the suite. Returns false if a character
// has no Shift-JIS form (nothing is written for it) or a write failed.
bool writeShiftJis(std::FILE* out, std::string_view utf8);

// Writes a console text to standard output as Shift-JIS.
void say(std::string_view utf8);

// Writes each line followed by "\n": the usage texts.
template <std::size_t Lines>
void sayLines(const std::array<std::string_view, Lines>& lines) {
  for (std::string_view line : lines) {
    say(line);
    say("\n");
  }
}

// Prints an error message and returns the error exit status.
int sayError(std::string_view message);

// Reads and drops the rest of an answer line, newline included, after
// flushing `out` so that what was said is seen first. False at end of input.
bool skipLine(std::FILE* in, std::FILE* out);

// Flushes standard output before the program ends; a console that could not
// take the output turns a normal end into an error end.
int finishConsole(int status);

// ---- numbers ----

// Reads a decimal number as the C library's atoi does (leading white space,
// optional sign, digits up to the first other character, 0 without digits),
// except that a value beyond the range of int saturates instead of wrapping.
int readNumber(const char* text);

// ---- files ----

// Owns a C stream and closes it when it goes out of scope.
class File {
 public:
  File() = default;
  explicit File(std::FILE* stream) : stream_(stream) {}
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& other) noexcept : stream_(other.stream_) { other.stream_ = nullptr; }
  File& operator=(File&& other) noexcept {
    std::swap(stream_, other.stream_);
    return *this;
  }
  ~File() { close(); }

  std::FILE* get() const { return stream_; }
  explicit operator bool() const { return stream_ != nullptr; }
  // Returns false if the close failed (buffered data was lost).
  bool close();

 private:
  std::FILE* stream_ = nullptr;
};

// Opens a file in a binary `mode` ("rb", "r+b"). A directory is refused like
// a missing file. Returns an empty File on failure.
File openFile(const char* path, const char* mode);

// Opens a source picture for reading.
inline File openSource(const char* path) {
  return openFile(path, "rb");
}

// Makes a write past the process's file-size limit fail with an error the
// program can report, instead of ending the program on the spot.
void letWritesFailPastSizeLimit();

// Reads `size` bytes; whatever the stream does not hold reads as zero, so a
// short file is processed positionally with its missing bytes as zero.
// Returns the number of bytes actually read.
std::size_t readBlock(std::FILE* in, void* data, std::size_t size);

// True when `path` names the file that `stream` has open (the same name, a
// hard link or a symbolic link to it). False when `path` does not exist.
bool isSameFile(std::FILE* stream, const char* path);

// If the source does not look like a 320x400, 8-bit, uncompressed bitmap of
// 129078 bytes or more with its pixels at byte 1078, prints one line
// beginning with "WARNING" on standard error. The run goes on regardless.
void warnIfNotLogoImage(const char* path, std::FILE* source, const LogoHeader& header);

// Returns why the header and size do not conform, or nullptr when they do.
// A negative size means the size is unknown (not a regular file).
const char* findNonConformance(const LogoHeader& header, long long size);

// A newly created output file whose every write, flush and close is checked.
// If any of them fails, finish() removes the incomplete file (when it is a
// regular file) and returns false.
class CheckedOutput {
 public:
  // Creates or empties `path` ("wb+"). Returns false if it cannot be created.
  bool open(const char* path);
  void write(const void* data, std::size_t size);
  bool finish();

 private:
  File file_;
  const char* path_ = nullptr;
  bool failed_ = false;
};

// ---- pixels ----

// The table that leaves every pixel as it is.
RemapTable identityRemap();

// Streams the 500 pixel chunks of `source` to `out` through one chunk
// buffer, every byte b replaced by remap[b]. Missing source bytes read as 0.
void copyRemappedPixels(std::FILE* source, CheckedOutput& out, const RemapTable& remap);

}  // namespace logo
