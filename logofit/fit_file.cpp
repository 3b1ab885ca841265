// The files around the fit: the input read as the decoders need it, the
// output written through the suite's atomic output.
#include "logo_image/atomic_output.h"
#include "logofit/logofit.h"

#include <new>

namespace logofit {

Outcome readAndFit(const Request& request, Job& job) {
  job.source = logo::openSource(request.inputPath);
  if (!job.source) return Outcome::kSourceUnreadable;
  if (logo::isSameFile(job.source.get(), request.outputPath)) return Outcome::kSameFile;
  Input input(job.source.get());
  bool fitted = false;
  try {
    fitted = fitPicture(input, request.options, Limits{}, job.fitted, job.why);
  } catch (const std::bad_alloc&) {
    job.why = "out of memory";
  }
  if (input.failed()) return Outcome::kSourceReadFailed;
  if (!fitted) return Outcome::kMalformed;
  return Outcome::kDone;
}

Outcome writeLogo(const Request& request, const Job& job) {
  logo::AtomicOutput output(request.outputPath, job.source.get());
  if (!output) return Outcome::kOutputUncreatable;
  output.write(job.fitted.logo.data(), job.fitted.logo.size());
  switch (output.commit()) {
    case logo::AtomicOutput::Result::kWritten:
      return Outcome::kDone;
    case logo::AtomicOutput::Result::kSameFile:
      return Outcome::kSameFile;
    case logo::AtomicOutput::Result::kWriteFailed:
      break;
  }
  return Outcome::kWriteFailed;
}

}  // namespace logofit
