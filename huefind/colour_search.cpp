#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

#include "huefind/huefind.h"
#include "logo_image/console.h"

namespace huefind {
namespace {

LoopEnd endOf(const NumberPrompt& prompt) {
  return prompt.endFlag() == kEndUpdate ? LoopEnd::kUpdate : LoopEnd::kNoAction;
}

// The number answered, or how the loop ends: an end letter or the end of
// input.
using Answer = logo::Result<int, LoopEnd>;

Answer askFor(const char* question, NumberPrompt& prompt, std::FILE* out) {
  logo::writeConsoleText(out, question);
  if (!prompt.ask()) return LoopEnd::kEndOfInput;
  if (prompt.endFlag() != 0) return endOf(prompt);
  return prompt.number();
}

struct Colour {
  int red = 0;
  int green = 0;
  int blue = 0;
};

logo::Result<Colour, LoopEnd> askForColour(NumberPrompt& prompt, std::FILE* out) {
  Answer red = askFor("\nR(赤) = ", prompt, out);
  if (!red) return red.error();
  Answer green = askFor("\nG(緑) = ", prompt, out);
  if (!green) return green.error();
  Answer blue = askFor("\nB(青) = ", prompt, out);
  if (!blue) return blue.error();
  return Colour{*red, *green, *blue};
}

// Asks for a palette number until it names an entry of the palette.
Answer askForEntry(std::size_t entries, NumberPrompt& prompt, std::FILE* out) {
  Answer entry = askFor("? ", prompt, out);
  while (entry && (*entry < 0 || *entry >= static_cast<int>(entries))) {
    prompt.refuse();
    entry = askFor("", prompt, out);
  }
  return entry;
}

// Writes `bytes` at the start of the file; returns how many were written.
std::size_t writeAt(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t wrote = pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) break;
    done += static_cast<std::size_t>(wrote);
  }
  return done;
}

// Puts back the bytes a failed write overwrote, and the size the file had.
// False when even that failed; nothing more can be done then.
bool putBack(int fd, std::span<const std::uint8_t> existed, off_t size) {
  return writeAt(fd, existed) == existed.size() && ftruncate(fd, size) == 0;
}

// True when the file still has the size and modification time seen, and
// its first `length` bytes read again give the digest seen.
bool readsAsSeen(std::FILE* file, const logo::SourceSnapshot& seen, std::size_t length) {
  if (!logo::rewindUnchanged(file, seen)) return false;
  logo::SourceReader reader(file);
  std::array<std::uint8_t, logo::kHeaderSize + logo::kPaletteSize> again;
  reader.read(again.data(), std::min(length, again.size()));
  return !reader.failed() && reader.digest() == seen.digest;
}

}  // namespace

int findColour(std::span<const logo::PaletteEntry> palette, int red, int green, int blue) {
  for (std::size_t n = 0; n < palette.size(); ++n) {
    const logo::PaletteEntry& entry = palette[n];
    if (entry.red == red && entry.green == green && entry.blue == blue) return static_cast<int>(n);
  }
  return -1;
}

LoopEnd searchColours(std::span<const logo::PaletteEntry> palette, NumberPrompt& prompt,
                      std::FILE* out) {
  std::fputs("\nPleas Input Serch Color's RGB     (Input 'e' If You Finish)\n", out);
  for (;;) {
    logo::Result<Colour, LoopEnd> colour = askForColour(prompt, out);
    if (!colour) return colour.error();
    int found = findColour(palette, colour->red, colour->green, colour->blue);
    if (found >= 0) {
      std::fprintf(out, "\nThis Color's Palet Number = %d\n", found);
    } else {
      std::fputs("\nSerch Out!! Coudn't Find This Color.\n", out);
    }
  }
}

LoopEnd updateColours(std::span<logo::PaletteEntry> palette, NumberPrompt& prompt, std::FILE* out) {
  for (;;) {
    std::fputs("\nPleas Input Change Palet Number.\n", out);
    std::fputs("\n   Input 'e' or 'n' If You Finish (e:update end n:no action end)\n", out);
    Answer number = askForEntry(palette.size(), prompt, out);
    if (!number) return number.error();
    logo::PaletteEntry& entry = palette[*number];
    std::fprintf(out, "\nPalet%d = R:%d G:%d B:%d", *number, entry.red, entry.green, entry.blue);
    std::fputs("\nPleas Input Update Color's RGB     (Input 'e' If You Finish)\n", out);
    logo::Result<Colour, LoopEnd> colour = askForColour(prompt, out);
    if (!colour) return colour.error();
    // Only the low 8 bits fit; the flag byte is not the user's to change.
    entry.red = static_cast<std::uint8_t>(colour->red);
    entry.green = static_cast<std::uint8_t>(colour->green);
    entry.blue = static_cast<std::uint8_t>(colour->blue);
  }
}

WriteBack writeBack(logo::File& file, const char* path, const logo::SourceSnapshot& seen,
                    std::span<const std::uint8_t> original, std::span<const std::uint8_t> edited) {
  // The name may have been given to another file while the questions waited.
  if (!logo::isSameFile(file.get(), path)) return WriteBack::kReplaced;
  int fd = fileno(file.get());
  struct stat before;
  if (fstat(fd, &before) != 0) return WriteBack::kFailed;
  // Or another writer may have changed the file, whose edits would be lost.
  if (S_ISREG(before.st_mode) && !readsAsSeen(file.get(), seen, original.size())) {
    return WriteBack::kChanged;
  }
  std::size_t written = writeAt(fd, edited);
  if (written < edited.size()) {
    putBack(fd, original.first(std::min(written, static_cast<std::size_t>(before.st_size))),
            before.st_size);
    file.close();
    return WriteBack::kFailed;
  }
  return file.close() ? WriteBack::kWritten : WriteBack::kFailed;
}

}  // namespace huefind
