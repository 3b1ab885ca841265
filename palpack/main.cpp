#include "palpack/palpack.h"

using logo::say;
using logo::sayError;
using palpack::Mode;

namespace {

struct Names {
  const char* source;
  const char* option;
  const char* output;  // nullptr when not given
};

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

int rewrite(const Names& names, const palpack::Compaction& compaction) {
  logo::File source;
  logo::CheckedOutput output;
  switch (palpack::openForRewrite(names.source, names.output, source, output)) {
    case palpack::OpenOutcome::kSourceUnreadable:
      return sayError("IN FILE OPEN ERROR\n");
    case palpack::OpenOutcome::kOutputUncreatable:
      return sayError("OUT FILE OPEN ERROR\n");
    case palpack::OpenOutcome::kOpened:
      break;
  }
  say("FILE WRITE START!!\n");
  if (!palpack::writePackedCopy(source.get(), output, compaction)) {
    return sayError("\nFILE WRITE ERROR\n");
  }
  say("\nFILE WRITE END!!");
  return logo::kExitOk;
}

int pack(const Names& names, logo::File& source, const logo::Palette& marked, int animationStart) {
  palpack::Compaction compaction = palpack::compactPalette(marked, animationStart);
  palpack::writeCompactionListing(stdout, compaction, marked);
  source.close();
  switch (palpack::askToMakeFile(stdin, stdout)) {
    case palpack::Answer::kYes:
      return rewrite(names, compaction);
    case palpack::Answer::kNo:
    case palpack::Answer::kEnd:
      return logo::kExitOk;
    case palpack::Answer::kEndOfInput:
      break;
  }
  std::fputs("palpack: no answer before the end of input; nothing written\n", stderr);
  return logo::kExitError;
}

int run(const Names& names) {
  logo::File source = logo::openSource(names.source);
  if (!source) return sayError("IN FILE OPEN ERROR\n");
  logo::LogoHeader header;
  logo::readBlock(source.get(), header.data(), header.size());

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
  // Creating the output would empty the source before the rewrite reads it.
  if (packing && logo::isSameFile(source.get(), names.output)) {
    return sayError("ERROR!! IN-FILE AND OUT-FILE ARE SAME !\n");
  }
  logo::warnIfNotLogoImage(names.source, source.get(), header);

  logo::Palette palette;
  logo::readBlock(source.get(), palette.data(), sizeof palette);
  palpack::markUsedEntries(source.get(), palette);
  if (!packing) {
    palpack::writeReport(stdout, palette);
    return logo::kExitOk;
  }
  return pack(names, source, palette, animationStart);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    logo::sayLines(palpack::kUsageText);
    return logo::finishConsole(logo::kExitUsage);
  }
  Names names{argv[1], argv[2], argc == 4 ? argv[3] : nullptr};
  return logo::finishConsole(run(names));
}
