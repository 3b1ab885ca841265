// Built twice: HUEFIND_PALETTE_ENTRIES is 256 for huefind, 16 for huefind16.
#include <string_view>

#include "huefind/huefind.h"
#include "logo_image/console.h"
#include "logo_image/program.h"

using logo::say;
using logo::sayError;

namespace {

constexpr std::size_t kEntries = HUEFIND_PALETTE_ENTRIES;
static_assert(kEntries == 256 || kEntries == 16);
constexpr const char* kProgramName = kEntries == 16 ? "huefind16" : "huefind";

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
      logo::warn("no answer before the end of input; nothing written");
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
  logo::SourceReader reader(file.get());
  std::size_t got =
      reader.read(header.data(), header.size()) + reader.read(palette.data(), sizeof palette);
  if (reader.failed()) return sayError("IN FILE READ ERROR\n");
  if (got < header.size() + sizeof palette) {
    logo::warn("WARNING: %s is shorter than %zu bytes; the missing bytes read as zero", path,
               header.size() + sizeof palette);
  }
  huefind::NumberPrompt prompt(stdin, stdout);
  if (!searching) return update(file, header, palette, prompt);
  // The end of input ends a search as "e" would: nothing is at stake.
  huefind::searchColours(palette, prompt, stdout);
  return logo::kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  logo::startProgram(kProgramName);
  if (argc != 3) {
    sayUsage();
    return logo::finishConsole(logo::kExitUsage);
  }
  return logo::finishConsole(run(argv[1], argv[2]));
}
