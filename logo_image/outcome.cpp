#include "logo_image/outcome.h"

#include "logo_image/console.h"
#include "logo_image/exit_status.h"

namespace logo {

int sayOutcome(Outcome outcome) {
  switch (outcome) {
    case Outcome::kSourceUnreadable:
      return sayError("IN FILE OPEN ERROR\n");
    case Outcome::kSourceReadFailed:
      return sayError("IN FILE READ ERROR\n");
    case Outcome::kSameFile:
      return sayError("SAME FILE ERROR\n");
    case Outcome::kOutputUncreatable:
      return sayError("OUT FILE OPEN ERROR\n");
    case Outcome::kWriteFailed:
      return sayError("\nFILE WRITE ERROR\n");
    case Outcome::kWritten:
      break;
  }
  say("\nFILE WRITE END!!");
  return finishConsole(kExitOk);
}

}  // namespace logo
