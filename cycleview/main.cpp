#include "cycleview/cycleview.h"
#include "logo_image/console.h"
#include "logo_image/exit_status.h"
#include "logo_image/program.h"

int main(int argc, char** argv) {
  logo::startProgram("cycleview");
  auto request = cycleview::readRequest(argc, argv);
  if (request && request->help) return logo::sayLinesAndEnd(cycleview::kUsageText, logo::kExitOk);
  if (request) return logo::sayOutcome(cycleview::makeView(*request));
  if (request.error().kind == cycleview::CommandLineError::Kind::kDelayRange) {
    return logo::sayError("DELAY NUM. ERROR\n");
  }
  logo::warn("%s", request.error().reason.c_str());
  return logo::sayLinesAndEnd(cycleview::kUsageText, logo::kExitUsage);
}
