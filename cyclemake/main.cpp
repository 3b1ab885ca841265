#include "cyclemake/cyclemake.h"
#include "logo_image/console.h"
#include "logo_image/program.h"

using logo::say;
using logo::sayError;

int main(int argc, char** argv) {
  logo::startProgram("cyclemake");
  cyclemake::LogoRequest request;
  switch (cyclemake::readRequest(argc, argv, request)) {
    case cyclemake::RequestError::kUsage:
      logo::sayLines(cyclemake::kUsageText);
      return logo::finishConsole(logo::kExitUsage);
    case cyclemake::RequestError::kColourCount:
      return sayError("COLOR NUM. ERROR\n");
    case cyclemake::RequestError::kPaletteIndex:
      return sayError("PALET NUM. ERROR\n");
    case cyclemake::RequestError::kNone:
      break;
  }
  switch (cyclemake::makeLogo(request)) {
    case cyclemake::Outcome::kSourceUnreadable:
      return sayError("IN FILE OPEN ERROR\n");
    case cyclemake::Outcome::kSourceReadFailed:
      return sayError("IN FILE READ ERROR\n");
    case cyclemake::Outcome::kSameFile:
      return sayError("SAME FILE ERROR\n");
    case cyclemake::Outcome::kOutputUncreatable:
      return sayError("OUT FILE OPEN ERROR\n");
    case cyclemake::Outcome::kWriteFailed:
      return sayError("\nFILE WRITE ERROR\n");
    case cyclemake::Outcome::kWritten:
      break;
  }
  say("\nFILE WRITE END!!");
  return logo::finishConsole(logo::kExitOk);
}
