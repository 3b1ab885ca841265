#include <sys/stat.h>

#include "cyclemake/cyclemake.h"
#include "logo_image/atomic_output.h"
#include "logo_image/console.h"
#include "logo_image/files.h"
#include "logo_image/numbers.h"

namespace cyclemake {

logo::Result<LogoRequest, RequestError> readRequest(int argc, const char* const* argv) {
  if (argc < 5) return RequestError::kUsage;
  int count = logo::readNumber(argv[3]);
  if (count < 1 || count > kMaxAnimationColours || count != argc - 4) {
    return RequestError::kColourCount;
  }
  LogoRequest request;
  request.sourcePath = argv[1];
  request.outputPath = argv[2];
  request.colourCount = count;
  std::array<bool, logo::kPaletteEntries> named{};
  for (int i = 0; i < count; ++i) {
    int index = logo::readNumber(argv[4 + i]);
    // A slot can hold only one colour, and the tables have 256 entries.
    if (index < 0 || index >= static_cast<int>(logo::kPaletteEntries) || named[index]) {
      return RequestError::kPaletteIndex;
    }
    named[index] = true;
    request.animationSlots[i] = static_cast<std::uint8_t>(index);
  }
  return request;
}

namespace {

// The size that tells a short source, negative when the source is no
// regular file (a pipe) and has none.
long long sizeOf(std::FILE* source) {
  struct stat status;
  if (fstat(fileno(source), &status) != 0 || !S_ISREG(status.st_mode)) return -1;
  return status.st_size;
}

}  // namespace

logo::Outcome makeLogo(const LogoRequest& request) {
  using logo::Outcome;
  logo::File source = logo::openSource(request.sourcePath);
  if (!source) return Outcome::kSourceUnreadable;
  if (logo::isSameFile(source.get(), request.outputPath)) return Outcome::kSameFile;
  logo::AtomicOutput output(request.outputPath, source.get());
  if (!output) return Outcome::kOutputUncreatable;

  // The logo is made of the first 129078 bytes alone, so a longer source,
  // even an endless device, is read no further.
  std::vector<std::uint8_t> bytes(logo::kLogoFileSize);
  logo::SourceReader reader(source.get());
  bytes.resize(reader.read(bytes.data(), bytes.size()));
  if (reader.failed()) return Outcome::kSourceReadFailed;
  std::string warning = notLogoWarning(request.sourcePath, bytes, sizeOf(source.get()));
  if (!warning.empty()) logo::warn("%s", warning.c_str());

  std::vector<std::uint8_t> made = cycledLogo(bytes, request.slots());
  output.write(made.data(), made.size());
  return output.commit();
}

}  // namespace cyclemake
