#include "cycleview/cycleview.h"
#include "logo_image/atomic_output.h"
#include "logo_image/conformance.h"
#include "logo_image/console.h"
#include "logo_image/files.h"

namespace cycleview {
namespace {

using logo::Outcome;

Outcome writeView(const ViewRequest& request, const Logo& logo, std::FILE* source) {
  Animation animation = planAnimation(logo, request);
  logo::AtomicOutput output(request.outputPath, source);
  if (!output) return Outcome::kOutputUncreatable;
  if (!writeGif(animation, output)) return Outcome::kWriteFailed;
  return output.commit();
}

}  // namespace

// The whole logo is read and checked before the output is opened, so a file
// that cannot be read leaves nothing behind, not even a temporary file.
Outcome makeView(const ViewRequest& request) {
  logo::File source = logo::openSource(request.logoPath);
  if (!source) return Outcome::kSourceUnreadable;
  if (logo::isSameFile(source.get(), request.outputPath)) return Outcome::kSameFile;

  logo::SourceReader reader(source.get());
  Logo logo;
  reader.read(logo.header.data(), logo.header.size());
  reader.read(logo.palette.data(), sizeof logo.palette);
  reader.read(logo.pixels.data(), logo.pixels.size());
  if (reader.failed()) return Outcome::kSourceReadFailed;
  logo::warnIfNotLogoImage(request.logoPath, source.get(), logo.header);
  if (logo.header[logo::kAnimationStartOffset] == 0) {
    logo::warn("%s has no animated slots (header byte 50 is 0); the GIF shows it still",
               request.logoPath);
  }
  return writeView(request, logo, source.get());
}

}  // namespace cycleview
