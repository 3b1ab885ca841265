#include "logo_image/program.h"

#include <cstring>
#include <string_view>

#include "huefind/huefind.h"
#include "logo_image/console.h"
#include "logo_image/exit_status.h"
#include "logo_image/outcome.h"

using logo::say;
using logo::sayError;

namespace huefind {
namespace {

struct Variant {
  const char* name;
  std::size_t entries;
  const UsageHead& usageHead;
  const std::array<std::string_view, 8>& helpText;
};

void sayUsage(const UsageHead& head) {
  say("\n");
  say(head.title);
  say("\n");
  say(head.syntax);
  say("\n");
  logo::sayLines(kUsageExplanation);
}

// The header and palette as they lie at the start of the file.
struct Head {
  logo::LogoHeader header;
  logo::Palette palette;  // only the first entries are the file's

  std::span<const std::uint8_t> bytes(std::size_t entries) const {
    return {reinterpret_cast<const std::uint8_t*>(this), sizeof header + entries * 4};
  }
};
static_assert(sizeof(Head) == logo::kHeaderSize + logo::kPaletteSize);

// The head as read, and what was seen of the file then.
struct Read {
  Head head{};
  logo::SourceSnapshot seen;
};

int update(logo::File& file, const char* path, const Read& read, std::size_t entries,
           NumberPrompt& prompt) {
  Head edited = read.head;
  switch (updateColours(std::span(edited.palette).first(entries), prompt, stdout)) {
    case LoopEnd::kNoAction:
      return logo::kExitOk;
    case LoopEnd::kEndOfInput:
      logo::warn("no answer before the end of input; nothing written");
      return logo::kExitError;
    case LoopEnd::kUpdate:
      break;
  }
  switch (writeBack(file, path, read.seen, read.head.bytes(entries), edited.bytes(entries))) {
    case WriteBack::kReplaced:
      logo::warn("%s is no longer the file that was read; nothing written", path);
      return logo::sayOutcome(logo::Outcome::kSourceReadFailed);
    case WriteBack::kChanged:
      // As palpack says it when its source changed while it asked.
      return logo::sayOutcome(logo::Outcome::kSourceReadFailed);
    case WriteBack::kFailed:
      return logo::sayOutcome(logo::Outcome::kWriteFailed);
    case WriteBack::kWritten:
      break;
  }
  return logo::kExitOk;
}

int run(const Request& request, std::size_t entries) {
  logo::File file = logo::openFile(request.path, request.searching ? "rb" : "r+b");
  if (!file) return logo::sayOutcome(logo::Outcome::kSourceUnreadable);

  Read read;
  logo::SourceReader reader(file.get());
  std::size_t wanted = read.head.bytes(entries).size();
  std::size_t got = reader.read(&read.head, wanted);
  if (reader.failed()) return logo::sayOutcome(logo::Outcome::kSourceReadFailed);
  read.seen = logo::snapshotOf(file.get(), reader);
  if (got < wanted) {
    logo::warn("WARNING: %s is shorter than %zu bytes; the missing bytes read as zero",
               request.path, wanted);
  }
  NumberPrompt prompt(stdin, stdout);
  auto palette = std::span(read.head.palette).first(entries);
  if (!request.searching) return update(file, request.path, read, entries, prompt);
  // The end of input ends a search as "e" would: nothing is at stake.
  searchColours(palette, prompt, stdout);
  return logo::kExitOk;
}

}  // namespace

logo::Result<Request, RequestError> readRequest(int argc, const char* const* argv) {
  if (argc != 3) return RequestError::kUsage;
  std::string_view option = argv[2];
  if (option != "-s" && option != "-u") return RequestError::kOption;
  return Request{argv[1], option == "-s"};
}

int runProgram(int argc, char** argv, std::size_t entries) {
  const Variant variant = entries == 16 ? Variant{"huefind16", 16, kUsageHead16, kHelpText16}
                                        : Variant{"huefind", 256, kUsageHead256, kHelpText256};
  logo::startProgram(variant.name);
  if (logo::asksForHelp(argc, argv)) return logo::sayLinesAndEnd(variant.helpText, logo::kExitOk);
  auto request = readRequest(argc, argv);
  if (request) return logo::finishConsole(run(*request, variant.entries));
  if (request.error() == RequestError::kOption) return sayError("OPTION ERROR!!\n");
  sayUsage(variant.usageHead);
  return logo::finishConsole(logo::kExitUsage);
}

}  // namespace huefind
