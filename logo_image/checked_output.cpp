#include <sys/stat.h>

#include "logo_image/logo_image.h"

namespace logo {

bool CheckedOutput::open(const char* path) {
  letWritesFailPastSizeLimit();
  path_ = path;
  failed_ = false;
  file_ = File(std::fopen(path, "wb+"));
  return static_cast<bool>(file_);
}

void CheckedOutput::write(const void* data, std::size_t size) {
  if (failed_) return;
  if (std::fwrite(data, 1, size, file_.get()) != size) failed_ = true;
}

bool CheckedOutput::finish() {
  struct stat status;
  bool regular = fstat(fileno(file_.get()), &status) == 0 && S_ISREG(status.st_mode);
  if (std::fflush(file_.get()) != 0) failed_ = true;
  if (!file_.close()) failed_ = true;
  if (failed_ && regular) std::remove(path_);
  return !failed_;
}

}  // namespace logo
