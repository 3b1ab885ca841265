#include "logo_image/conformance.h"
#include "logo_image/console.h"
#include "logo_image/exit_status.h"
#include "logo_image/program.h"
#include "palpack/palpack.h"

using logo::Outcome;
using logo::say;
using logo::sayError;
using logo::sayOutcome;
using palpack::Mode;

namespace {

using Names = palpack::Request;

const char kSameFile[] = "ERROR!! IN-FILE AND OUT-FILE ARE SAME !\n";

const char* announcement(Mode mode) {
  switch (mode) {
    case Mode::kReport:
      return "NOW IN-FILE'S PALET SERCH!(-p mode)\n";
    case Mode::kPackAll:
      return "NOW IN-FILE'S PALET SERCH!(-u mode)\n";
    default:
      return "NOW IN-FILE'S PALET SERCH!(-a mode)\n";
  }
}

int rewrite(const Names& names, logo::File& source, const logo::SourceSnapshot& surveyed,
            const palpack::Compaction& compaction) {
  if (!logo::rewindUnchanged(source.get(), surveyed)) {
    return sayOutcome(Outcome::kSourceReadFailed);
  }
  logo::AtomicOutput output(names.output, source.get());
  if (!output) return sayOutcome(Outcome::kOutputUncreatable);
  say("FILE WRITE START!!\n");
  Outcome outcome = palpack::writePackedCopy(source.get(), surveyed, output, compaction);
  return outcome == Outcome::kSameFile ? sayError(kSameFile) : sayOutcome(outcome);
}

int pack(const Names& names, logo::File& source, const logo::SourceSnapshot& surveyed,
         const logo::Palette& marked, int animationStart) {
  palpack::Compaction compaction = palpack::compactPalette(marked, animationStart);
  palpack::writeCompactionListing(stdout, compaction, marked);
  switch (palpack::askToMakeFile(stdin, stdout)) {
    case palpack::Answer::kYes:
      return rewrite(names, source, surveyed, compaction);
    case palpack::Answer::kNo:
    case palpack::Answer::kEnd:
      return logo::kExitOk;
    case palpack::Answer::kEndOfInput:
      break;
  }
  logo::warn("no answer before the end of input; nothing written");
  return logo::kExitError;
}

int run(const Names& names) {
  logo::File source = logo::openSource(names.source);
  if (!source) return sayOutcome(Outcome::kSourceUnreadable);
  logo::SourceReader reader(source.get());
  logo::LogoHeader header;
  reader.read(header.data(), header.size());
  if (reader.failed()) return sayOutcome(Outcome::kSourceReadFailed);

  Mode mode = palpack::modeOf(names.option);
  if (mode == Mode::kNone) return sayError("OPTION ERROR!!\n");
  bool packing = mode != Mode::kReport;
  if (packing && names.output == nullptr) {
    return sayError("ERROR!! PLEASE INPUT OUT-FILE-NAME !\n");
  }
  int animationStart = 0;
  if (mode == Mode::kPackBelowAnimation) {
    animationStart = header[logo::kAnimationStartOffset];
    if (animationStart == 0) return sayError("ERROR!! THIS IN-FILE IS NOT LOGO-FILE !\n");
  }
  say(announcement(mode));
  // Replacing the source would lose the picture the rewrite reads.
  if (packing && logo::isSameFile(source.get(), names.output)) return sayError(kSameFile);
  logo::warnIfNotLogoImage(names.source, source.get(), header);

  logo::Palette palette;
  reader.read(palette.data(), sizeof palette);
  palpack::markUsedEntries(reader, palette);
  if (reader.failed()) return sayOutcome(Outcome::kSourceReadFailed);
  if (!packing) {
    palpack::writeReport(stdout, palette);
    return logo::kExitOk;
  }
  return pack(names, source, logo::snapshotOf(source.get(), reader), palette, animationStart);
}

}  // namespace

int main(int argc, char** argv) {
  logo::startProgram("palpack");
  if (logo::asksForHelp(argc, argv)) return logo::sayLinesAndEnd(palpack::kHelpText, logo::kExitOk);
  auto request = palpack::readRequest(argc, argv);
  if (!request) return logo::sayLinesAndEnd(palpack::kUsageText, logo::kExitUsage);
  return logo::finishConsole(run(*request));
}
