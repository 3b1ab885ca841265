// Where a decoder reads from: bytes in memory, a file read in blocks, or a
// pipe kept in memory as it is read, so that a decoder can go back.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "logo_image/result.h"
#include "picture/pictures.h"

namespace picture {

// Larger inputs are refused before they are read: more than any picture
// of 100 megapixels needs, even uncompressed.
inline constexpr long long kMaxInputBytes = 1LL << 30;
// Where a decoder reads from: bytes in memory, or an open stream read in
// blocks (and seeked, for the formats whose parts are found by offsets).
// A stream that cannot seek (a pipe) is read whole, at most 1 GiB.
class Input {
 public:
  explicit Input(ByteView bytes) : bytes_(bytes) {}
  explicit Input(std::FILE* stream) : stream_(stream) {}

  // Up to `size` bytes from the current position; fewer at the end.
  std::size_t read(void* data, std::size_t size);
  bool seek(std::uint64_t offset);
  std::uint64_t position() const { return at_; }
  // The size of the input, or kMaxInputBytes + 1 for anything larger. A
  // pipe is read to its end for it.
  std::uint64_t size();
  // True for a file or bytes of more than kMaxInputBytes; a pipe is held to
  // the limit as it is read.
  bool tooLarge();
  // True once reading the stream failed (not at its end).
  bool failed() const;
  // The whole input in memory, at most kMaxInputBytes; the position stays.
  logo::Result<ByteView> whole();

 private:
  static constexpr long long kUnknown = -2;
  static constexpr long long kNotAFile = -1;

  bool isFile();
  // Reads a pipe on into memory until it holds `end` bytes or has ended.
  // False beyond 1 GiB.
  bool buffer(std::uint64_t end);

  ByteView bytes_;
  std::FILE* stream_ = nullptr;
  std::vector<std::uint8_t> owned_;
  bool ended_ = false;
  std::uint64_t at_ = 0;
  long long fileSize_ = kUnknown;
};

}  // namespace picture
