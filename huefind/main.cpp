// Built twice: HUEFIND_PALETTE_ENTRIES is 256 for huefind, 16 for huefind16.
#include <string_view>

#include "huefind/huefind.h"

using logo::say;
using logo::sayError;

namespace {

constexpr std::size_t kEntries = HUEFIND_PALETTE_ENTRIES;
static_assert(kEntries == 256 || kEntries == 16);

void sayUsage() {
  const huefind::UsageHead& head = kEntries == 16 ? huefind::kUsageHead16 : huefind::kUsageHead256;
  say("\n");
  say(head.title);
  say("\n");
  say(head.syntax);
  say("\n");
  logo::sayLines(huefind::kUsageExplanation);
}

int update(logo::File& file, const logo::LogoHeader& header, huefind::Palette<kEntries>& palette,
           huefind::NumberPrompt& prompt) {
  switch (huefind::updateColours(palette, prompt, stdout)) {
    case huefind::LoopEnd::kNoAction:
      return logo::kExitOk;
    case huefind::LoopEnd::kEndOfInput:
      std::fputs("huefind: no answer before the end of input; nothing written\n", stderr);
      return logo::kExitError;
    case huefind::LoopEnd::kUpdate:
      break;
  }
  if (!huefind::writeBack(file, header, palette)) return sayError("\nFILE WRITE ERROR\n");
  return logo::kExitOk;
}

int run(const char* path, std::string_view option) {
  bool searching = option == "-s";
  if (!searching && option != "-u") return sayError("OPTION ERROR!!\n");
  logo::File file = logo::openFile(path, searching ? "rb" : "r+b");
  if (!file) return sayError("IN FILE OPEN ERROR\n");

  logo::LogoHeader header;
  huefind::Palette<kEntries> palette;
  std::size_t got = logo::readBlock(file.get(), header.data(), header.size()) +
                    logo::readBlock(file.get(), palette.data(), sizeof palette);
  if (got < header.size() + sizeof palette) {
    std::fprintf(stderr, "WARNING: %s is shorter than %zu bytes; the missing bytes read as zero\n",
                 path, header.size() + sizeof palette);
  }
  huefind::NumberPrompt prompt(stdin, stdout);
  if (!searching) return update(file, header, palette, prompt);
  // The end of input ends a search as "e" would: nothing is at stake.
  huefind::searchColours(palette, prompt, stdout);
  return logo::kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    sayUsage();
    return logo::finishConsole(logo::kExitUsage);
  }
  return logo::finishConsole(run(argv[1], argv[2]));
}
