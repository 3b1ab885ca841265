#include "logo_image/console.h"
#include "logo_image/exit_status.h"
#include "logo_image/program.h"
#include "logofit/logofit.h"

using logo::say;
using logo::sayError;

namespace {

int speak(logofit::Outcome outcome, const logofit::Request& request, const logofit::Job& job) {
  switch (outcome) {
    case logofit::Outcome::kSourceUnreadable:
      return sayError("IN FILE OPEN ERROR\n");
    case logofit::Outcome::kSourceReadFailed:
      return sayError("IN FILE READ ERROR\n");
    case logofit::Outcome::kSameFile:
      return sayError("SAME FILE ERROR\n");
    case logofit::Outcome::kMalformed:
      logo::warn("%s: %s", request.inputPath, job.why.c_str());
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
  logofit::Request request;
  switch (logofit::readRequest(argc, argv, request)) {
    case logofit::CommandLine::kHelp:
      logo::sayLines(logofit::kUsageText);
      return logo::finishConsole(logo::kExitOk);
    case logofit::CommandLine::kUsage:
      logo::sayLines(logofit::kUsageText);
      return logo::finishConsole(logo::kExitUsage);
    case logofit::CommandLine::kRun:
      break;
  }
  logofit::Job job;
  logofit::Outcome outcome = logofit::readAndFit(request, job);
  if (outcome != logofit::Outcome::kDone) return speak(outcome, request, job);
  say(logofit::summary(job.fitted, request.options.geometry));
  outcome = logofit::writeLogo(request, job);
  if (outcome != logofit::Outcome::kDone) return speak(outcome, request, job);
  say("\nFILE WRITE END!!");
  return logo::finishConsole(logo::kExitOk);
}
