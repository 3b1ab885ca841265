#include <sys/stat.h>

#include "logo_image/pixels.h"
#include "palpack/palpack.h"

namespace palpack {

SurveyedSource describeSurveyed(std::FILE* source, const logo::SourceReader& survey) {
  SurveyedSource surveyed;
  surveyed.digest = survey.digest();
  struct stat status;
  if (fstat(fileno(source), &status) == 0) {
    surveyed.size = status.st_size;
    surveyed.modifiedSeconds = status.st_mtim.tv_sec;
    surveyed.modifiedNanoseconds = status.st_mtim.tv_nsec;
  }
  return surveyed;
}

bool rewindUnchanged(std::FILE* source, const SurveyedSource& surveyed) {
  struct stat status;
  if (fstat(fileno(source), &status) != 0 || !S_ISREG(status.st_mode)) return false;
  if (status.st_size != surveyed.size || status.st_mtim.tv_sec != surveyed.modifiedSeconds ||
      status.st_mtim.tv_nsec != surveyed.modifiedNanoseconds) {
    return false;
  }
  return std::fseek(source, 0, SEEK_SET) == 0;
}

logo::Outcome writePackedCopy(std::FILE* source, const SurveyedSource& surveyed,
                              logo::AtomicOutput& output, const Compaction& compaction) {
  logo::SourceReader reader(source);
  logo::LogoHeader header;
  logo::Palette palette;
  reader.read(header.data(), header.size());
  reader.read(palette.data(), sizeof palette);
  logo::Palette written = paletteToWrite(compaction, palette);
  output.write(header.data(), header.size());
  output.write(written.data(), sizeof written);
  if (!logo::copyRemappedPixels(reader, output, compaction.remap) ||
      reader.digest() != surveyed.digest) {
    output.discard();
    return logo::Outcome::kSourceReadFailed;
  }
  return output.commit();
}

}  // namespace palpack
