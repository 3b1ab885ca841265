#include <malloc.h>

#include "logo_image/atomic_output.h"
#include "logo_image/console.h"
#include "logo_image/exit_status.h"
#include "logo_image/program.h"
#include "logofit/fit_file.h"

namespace {

// The working pictures, a few MiB each, follow one another: freed, they are
// kept for the next instead of going back to the system and being faulted
// in again, which took a fifth of the time of a JPEG photograph.
void keepFreedMemory() {
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
}

int refuse(const logofit::Refusal& refusal) {
  if (const auto* outcome = std::get_if<logo::Outcome>(&refusal)) return logo::sayOutcome(*outcome);
  if (const auto* unopened = std::get_if<logofit::Unopened>(&refusal)) {
    int status = logo::sayOutcome(logo::Outcome::kSourceUnreadable);
    logo::warn("%s: cannot be opened: %s", unopened->path, unopened->why.c_str());
    return status;
  }
  const auto& malformed = std::get<logofit::Malformed>(refusal);
  logo::warn("%s: %s", malformed.path, malformed.why.c_str());
  return logo::sayError("IN FILE FORMAT ERROR\n");
}

}  // namespace

int main(int argc, char** argv) {
  logo::startProgram("logofit");
  keepFreedMemory();
  logo::Result<logofit::Request> read = logofit::readRequest(argc, argv);
  if (!read) logo::warn("%s", read.reason().c_str());
  if (!read || read->help) {
    logo::sayLines(logofit::kUsageText);
    return logo::finishConsole(read ? logo::kExitOk : logo::kExitUsage);
  }
  const logofit::Request& request = *read;
  logo::Result<logo::File, logofit::Refusal> input = logofit::openPicture(request);
  if (!input) return refuse(input.error());
  // Opened before the long work on the picture, so that an output that
  // cannot be written is told at once.
  logo::AtomicOutput output(request.outputPath, input->get());
  if (!output) return logo::sayOutcome(logo::Outcome::kOutputUncreatable);
  logo::Result<logofit::Fitted, logofit::Refusal> fitted = logofit::fitFile(request, input->get());
  if (!fitted) return refuse(fitted.error());
  logo::say(logofit::summary(*fitted, request.options.geometry));
  std::string border = logofit::borderWarning(*fitted, request.options.background);
  if (!border.empty()) logo::warn("%s", border.c_str());
  output.write(fitted->logo.data(), fitted->logo.size());
  return logo::sayOutcome(output.commit());
}
