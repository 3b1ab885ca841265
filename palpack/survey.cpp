#include "palpack/palpack.h"

namespace palpack {

logo::Result<Request> readRequest(int argc, const char* const* argv) {
  if (argc != 3 && argc != 4) return logo::Failure{"a source and an option are needed"};
  return Request{argv[1], argv[2], argc == 4 ? argv[3] : nullptr};
}

Mode modeOf(std::string_view option) {
  if (option == "-p" || option == "-P") return Mode::kReport;
  if (option == "-u" || option == "-U") return Mode::kPackAll;
  if (option == "-a" || option == "-A") return Mode::kPackBelowAnimation;
  return Mode::kNone;
}

void markUsedEntries(logo::SourceReader& source, logo::Palette& palette) {
  logo::PixelChunk chunk;
  for (std::size_t n = 0; n < logo::kChunkCount; ++n) {
    source.read(chunk.data(), chunk.size());
    for (std::uint8_t pixel : chunk) palette[pixel].flag |= 1;
  }
}

void writeReport(std::FILE* out, const logo::Palette& marked) {
  std::fputs("IN-FILE PALET = \n", out);
  for (std::size_t i = 0; i < marked.size(); ++i) {
    const logo::PaletteEntry& entry = marked[i];
    std::fprintf(out, "PALET %3zu = B:%2x G:%2x R:%2x  <== THIS COLOR USE = %d\n", i, entry.blue,
                 entry.green, entry.red, entry.flag);
  }
}

}  // namespace palpack
