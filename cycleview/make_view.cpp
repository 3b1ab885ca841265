#include "cycleview/cycleview.h"
#include "logo_image/atomic_output.h"
#include "logo_image/conformance.h"
#include "logo_image/files.h"

namespace cycleview {
namespace {

Outcome writeView(const ViewRequest& request, const Logo& logo, std::FILE* source) {
  Animation animation = planAnimation(logo, request);
  logo::AtomicOutput output(request.outputPath, source);
  if (!output) return Outcome::kOutputUncreatable;
  if (!writeGif(animation, output)) return Outcome::kWriteFailed;
  return output.commitAs<Outcome>();
}

}  // namespace

// The whole logo is read and checked before the output is opened, so a file
// that is no logo leaves nothing behind, not even a temporary file.
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
  if (logo.header[logo::kAnimationStartOffset] == 0) return Outcome::kNotLogo;
  return writeView(request, logo, source.get());
}

}  // namespace cycleview
