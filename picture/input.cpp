// The input a decoder reads: bytes in memory, a file read in blocks, or a
// pipe kept in memory as it is read, so that a decoder can go back.
#include "picture/input.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace picture {

bool Input::isFile() {
  if (stream_ == nullptr) return false;
  if (fileSize_ == kUnknown) {
    struct stat status;
    fileSize_ = fstat(fileno(stream_), &status) == 0 && S_ISREG(status.st_mode)
                    ? static_cast<long long>(status.st_size)
                    : kNotAFile;
  }
  return fileSize_ >= 0;
}

bool Input::buffer(std::uint64_t end) {
  std::uint8_t block[1 << 16];
  while (!ended_ && owned_.size() < end) {
    std::size_t count = std::fread(block, 1, sizeof block, stream_);
    if (count == 0) ended_ = true;
    if (static_cast<long long>(owned_.size() + count) > kMaxInputBytes) return false;
    owned_.insert(owned_.end(), block, block + count);
  }
  return true;
}

std::size_t Input::read(void* data, std::size_t size) {
  if (isFile()) {
    std::size_t count = std::fread(data, 1, size, stream_);
    at_ += count;
    return count;
  }
  if (stream_ != nullptr) buffer(at_ + size);
  ByteView bytes = stream_ == nullptr ? bytes_ : ByteView(owned_);
  std::size_t count = at_ < bytes.size() ? std::min<std::size_t>(size, bytes.size() - at_) : 0;
  if (count > 0) std::memcpy(data, bytes.data() + at_, count);
  at_ += count;
  return count;
}

bool Input::seek(std::uint64_t offset) {
  if (isFile() && offset != at_ && fseeko(stream_, static_cast<off_t>(offset), SEEK_SET) != 0) {
    return false;
  }
  at_ = offset;
  return true;
}

std::uint64_t Input::size() {
  if (stream_ == nullptr) return bytes_.size();
  if (isFile()) return std::min<std::uint64_t>(fileSize_, kMaxInputBytes + 1);
  return buffer(kMaxInputBytes + 1) ? owned_.size() : kMaxInputBytes + 1;
}

bool Input::tooLarge() {
  if (stream_ == nullptr) return bytes_.size() > static_cast<std::uint64_t>(kMaxInputBytes);
  return isFile() && fileSize_ > kMaxInputBytes;
}

bool Input::failed() const {
  return stream_ != nullptr && std::ferror(stream_) != 0;
}

logo::Result<ByteView> Input::whole() {
  if (stream_ == nullptr) return bytes_;
  if (isFile() && !ended_) {
    if (fileSize_ > kMaxInputBytes) return logo::Failure{"file larger than 1 GiB"};
    owned_.reserve(static_cast<std::size_t>(fileSize_));
    std::uint64_t at = at_;
    if (!seek(0)) return logo::Failure{"the file cannot be read"};
    fileSize_ = kNotAFile;  // from now on the bytes in memory
    at_ = at;
  }
  if (!buffer(kMaxInputBytes + 1)) return logo::Failure{"file larger than 1 GiB"};
  return ByteView(owned_);
}

}  // namespace picture
