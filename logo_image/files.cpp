#include "logo_image/files.h"

#include <sys/stat.h>

#include <cstring>

namespace logo {

bool File::close() {
  if (stream_ == nullptr) return true;
  bool closed = std::fclose(stream_) == 0;
  stream_ = nullptr;
  return closed;
}

File openFile(const char* path, const char* mode) {
  File file(std::fopen(path, mode));
  struct stat status;
  // A directory opens for reading on some systems but yields no bytes.
  if (file && fstat(fileno(file.get()), &status) == 0 && S_ISDIR(status.st_mode)) file.close();
  return file;
}

std::size_t SourceReader::read(void* data, std::size_t size) {
  auto* bytes = static_cast<unsigned char*>(data);
  std::size_t got = std::fread(bytes, 1, size, in_);
  std::memset(bytes + got, 0, size - got);
  for (std::size_t i = 0; i < got; ++i) digest_ = (digest_ ^ bytes[i]) * 0x100000001b3;
  return got;
}

SourceSnapshot snapshotOf(std::FILE* source, const SourceReader& reader) {
  SourceSnapshot seen;
  seen.digest = reader.digest();
  struct stat status;
  if (fstat(fileno(source), &status) == 0) {
    seen.size = status.st_size;
    seen.modifiedSeconds = status.st_mtim.tv_sec;
    seen.modifiedNanoseconds = status.st_mtim.tv_nsec;
  }
  return seen;
}

bool rewindUnchanged(std::FILE* source, const SourceSnapshot& seen) {
  struct stat status;
  if (fstat(fileno(source), &status) != 0 || !S_ISREG(status.st_mode)) return false;
  if (status.st_size != seen.size || status.st_mtim.tv_sec != seen.modifiedSeconds ||
      status.st_mtim.tv_nsec != seen.modifiedNanoseconds) {
    return false;
  }
  return std::fseek(source, 0, SEEK_SET) == 0;
}

bool isSameFile(std::FILE* stream, const char* path) {
  struct stat open_file;
  struct stat named_file;
  if (fstat(fileno(stream), &open_file) != 0 || stat(path, &named_file) != 0) return false;
  return open_file.st_dev == named_file.st_dev && open_file.st_ino == named_file.st_ino;
}

}  // namespace logo
