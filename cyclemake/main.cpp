#include "cyclemake/cyclemake.h"
#include "logo_image/console.h"
#include "logo_image/exit_status.h"
#include "logo_image/program.h"

using logo::sayError;

int main(int argc, char** argv) {
  logo::startProgram("cyclemake");
  if (logo::asksForHelp(argc, argv)) {
    return logo::sayLinesAndEnd(cyclemake::kHelpText, logo::kExitOk);
  }
  auto request = cyclemake::readRequest(argc, argv);
  if (request) return logo::sayOutcome(cyclemake::makeLogo(*request));
  switch (request.error()) {
    case cyclemake::RequestError::kColourCount:
      return sayError("COLOR NUM. ERROR\n");
    case cyclemake::RequestError::kPaletteIndex:
      return sayError("PALET NUM. ERROR\n");
    case cyclemake::RequestError::kUsage:
      break;
  }
  return logo::sayLinesAndEnd(cyclemake::kUsageText, logo::kExitUsage);
}
