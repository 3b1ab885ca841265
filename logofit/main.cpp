#include "logo_image/console.h"
#include "logo_image/exit_status.h"
#include "logo_image/program.h"
#include "logofit/logofit.h"

using logo::say;
using logo::sayError;

namespace {

int speak(logofit::Outcome outcome, const logofit::Job& job) {
  switch (outcome) {
    case logofit::Outcome::kSourceUnreadable:
      return sayError("IN FILE OPEN ERROR\n");
    case logofit::Outcome::kSourceReadFailed:
      return sayError("IN FILE READ ERROR\n");
    case logofit::Outcome::kSameFile:
      return sayError("SAME FILE ERROR\n");
    case logofit::Outcome::kMalformed:
      logo::warn("%s: %s", job.failedPath, job.why.c_str());
      return sayError("IN FILE FORMAT ERROR\n");
    case logofit::Outcome::kOutputUncreatable:
      return sayError("OUT FILE OPEN ERROR\n");
    case logofit::Outcome::kWriteFailed:
      return sayError("\nFILE WRITE ERROR\n");
    case logofit::Outcome::kDone:
      break;
  }
  return logo::kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  logo::startProgram("logofit");
  logo::Result<logofit::Request> read = logofit::readRequest(argc, argv);
  if (!read) logo::warn("%s", read.reason().c_str());
  if (!read || read->help) {
    logo::sayLines(logofit::kUsageText);
    return logo::finishConsole(read ? logo::kExitOk : logo::kExitUsage);
  }
  const logofit::Request& request = *read;
  logofit::Job job;
  logofit::Outcome outcome = logofit::readAndFit(request, job);
  if (outcome != logofit::Outcome::kDone) return speak(outcome, job);
  say(logofit::summary(job.fitted, request.options.geometry));
  if (std::string border = logofit::borderWarning(job.fitted, request.options.background); !border.empty()) {
    logo::warn("%s", border.c_str());
  }
  outcome = logofit::writeLogo(request, job);
  if (outcome != logofit::Outcome::kDone) return speak(outcome, job);
  say("\nFILE WRITE END!!");
  return logo::finishConsole(logo::kExitOk);
}
