#include "cycleview/cycleview.h"
#include "logo_image/console.h"
#include "logo_image/program.h"

using logo::say;
using logo::sayError;

int main(int argc, char** argv) {
  logo::startProgram("cycleview");
  cycleview::ViewRequest request;
  switch (cycleview::readRequest(argc, argv, request)) {
    case cycleview::RequestError::kHelp:
      logo::sayLines(cycleview::kUsageText);
      return logo::finishConsole(logo::kExitOk);
    case cycleview::RequestError::kUsage:
      logo::sayLines(cycleview::kUsageText);
      return logo::finishConsole(logo::kExitUsage);
    case cycleview::RequestError::kDelayRange:
      return sayError("DELAY NUM. ERROR\n");
    case cycleview::RequestError::kNone:
      break;
  }
  switch (cycleview::makeView(request)) {
    case cycleview::Outcome::kSourceUnreadable:
      return sayError("IN FILE OPEN ERROR\n");
    case cycleview::Outcome::kSameFile:
      return sayError("SAME FILE ERROR\n");
    case cycleview::Outcome::kSourceReadFailed:
      return sayError("IN FILE READ ERROR\n");
    case cycleview::Outcome::kNotLogo:
      return sayError("ERROR!! THIS IN-FILE IS NOT LOGO-FILE !\n");
    case cycleview::Outcome::kOutputUncreatable:
      return sayError("OUT FILE OPEN ERROR\n");
    case cycleview::Outcome::kWriteFailed:
      return sayError("\nFILE WRITE ERROR\n");
    case cycleview::Outcome::kWritten:
      break;
  }
  say("\nFILE WRITE END!!");
  return logo::finishConsole(logo::kExitOk);
}
