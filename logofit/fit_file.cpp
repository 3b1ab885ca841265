// The files around the fit: the input read whole, the output written
// through the suite's atomic output.
#include <sys/stat.h>

#include "logo_image/atomic_output.h"
#include "logofit/logofit.h"

namespace logofit {
namespace {

// More than any picture of 100 megapixels needs, even uncompressed.
constexpr long long kMaxInputBytes = 1LL << 30;

bool readWhole(std::FILE* in, std::vector<std::uint8_t>& bytes, std::string& why) {
  struct stat status;
  if (fstat(fileno(in), &status) == 0 && S_ISREG(status.st_mode) &&
      status.st_size <= kMaxInputBytes) {
    bytes.reserve(static_cast<std::size_t>(status.st_size));
  }
  std::uint8_t block[1 << 16];
  std::size_t count;
  while ((count = std::fread(block, 1, sizeof block, in)) > 0) {
    if (static_cast<long long>(bytes.size() + count) > kMaxInputBytes) {
      why = "file larger than 1 GiB";
      return false;
    }
    bytes.insert(bytes.end(), block, block + count);
  }
  return true;
}

}  // namespace

Outcome readAndFit(const Request& request, Job& job) {
  job.source = logo::openSource(request.inputPath);
  if (!job.source) return Outcome::kSourceUnreadable;
  if (logo::isSameFile(job.source.get(), request.outputPath)) return Outcome::kSameFile;
  std::vector<std::uint8_t> bytes;
  bool whole = readWhole(job.source.get(), bytes, job.why);
  if (std::ferror(job.source.get())) return Outcome::kSourceReadFailed;
  if (!whole) return Outcome::kMalformed;
  if (!fitPicture(bytes, request.options, Limits{}, job.fitted, job.why))
    return Outcome::kMalformed;
  return Outcome::kDone;
}

Outcome writeLogo(const Request& request, const Job& job) {
  logo::AtomicOutput output(request.outputPath, job.source.get());
  if (!output) return Outcome::kOutputUncreatable;
  output.write(job.fitted.logo.data(), job.fitted.logo.size());
  switch (output.commit()) {
    case logo::Outcome::kWritten:
      return Outcome::kDone;
    case logo::Outcome::kSameFile:
      return Outcome::kSameFile;
    default:
      break;
  }
  return Outcome::kWriteFailed;
}

}  // namespace logofit
