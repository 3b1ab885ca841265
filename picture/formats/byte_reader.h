// Reading the formats the suite parses itself (PNM, bitmaps) in blocks from
// an input.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "picture/decoding.h"

namespace picture {

class ByteReader {
 public:
  explicit ByteReader(Input& input) : input_(input), block_(1 << 16) {}

  // The next byte, or -1 at the end.
  int next() {
    if (at_ == size_ && !refill()) return -1;
    return block_[at_++];
  }
  // False if the input ends first.
  bool read(std::uint8_t* data, std::size_t size) {
    while (size > 0) {
      if (at_ == size_ && !refill()) return false;
      std::size_t count = std::min(size, size_ - at_);
      std::copy_n(block_.begin() + static_cast<std::ptrdiff_t>(at_), count, data);
      at_ += count, data += count, size -= count;
    }
    return true;
  }
  bool skip(std::uint64_t count) {
    std::uint64_t buffered = size_ - at_;
    if (count <= buffered) {
      at_ += count;
      return true;
    }
    std::uint64_t to = input_.position() + (count - buffered);
    at_ = size_ = 0;
    return to <= input_.size() && input_.seek(to);
  }

 private:
  bool refill() {
    size_ = input_.read(block_.data(), block_.size());
    at_ = 0;
    return size_ > 0;
  }

  Input& input_;
  std::vector<std::uint8_t> block_;
  std::size_t at_ = 0;
  std::size_t size_ = 0;
};

}  // namespace picture
