// A sink that keeps no pixel but holds a decoder to the Sink contract:
// one begin() with a size no larger than the header promised, then every
// pixel of that size put exactly once, each with 1 to 4 channels. A broken
// promise stops the fuzzer with a line that says which.
#pragma once

#include <cstdint>
#include <vector>

#include "picture/decoding.h"

namespace picture::fuzz {

class CheckingSink final : public Sink {
 public:
  // `largest` is the size the probe read from the header.
  CheckingSink(Size wanted, Size largest) : wanted_(wanted), largest_(largest) {}

  Size wanted() const override { return wanted_; }
  void begin(Size delivered) override;
  void put(int y, int x0, int step, int count, const std::uint8_t* pixels, int channels) override;
  // For a decoder that reported success: aborts unless begin() came and
  // every pixel was put.
  void requireComplete() const;

 private:
  Size wanted_;
  Size largest_;
  Size delivered_;
  bool begun_ = false;
  std::vector<bool> written_;  // a bit a pixel: 16 KiB at most, never a fresh mapping
  std::uint32_t sum_ = 0;
};

}  // namespace picture::fuzz
