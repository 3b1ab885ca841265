#include "picture/fuzz/checking_sink.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace picture::fuzz {
namespace {

[[noreturn]] void broken(const char* promise, long long a = 0, long long b = 0) {
  std::fprintf(stderr, "sink contract broken: %s (%lld, %lld)\n", promise, a, b);
  std::abort();
}

}  // namespace

void CheckingSink::begin(Size delivered) {
  if (begun_) broken("begin() called twice");
  if (delivered.width <= 0 || delivered.height <= 0) {
    broken("begin() with no pixels", delivered.width, delivered.height);
  }
  // The limits were checked against the header's size: a decoder that
  // delivers more would slip past them.
  if (delivered.width > largest_.width || delivered.height > largest_.height) {
    broken("begin() with more than the header's size", delivered.width, delivered.height);
  }
  begun_ = true;
  delivered_ = delivered;
  written_.assign(std::size_t(delivered.width) * delivered.height, false);
}

void CheckingSink::put(int y, int x0, int step, int count, const std::uint8_t* pixels,
                       int channels) {
  if (!begun_) broken("put() before begin()", y, x0);
  if (channels < 1 || channels > 4) broken("put() with channels", channels);
  if (y < 0 || y >= delivered_.height) broken("put() outside the rows", y, delivered_.height);
  if (count < 0 || step < 1) broken("put() with count and step", count, step);
  if (count == 0) return;
  long long last = x0 + (count - 1LL) * step;
  if (x0 < 0 || last >= delivered_.width) broken("put() outside the columns", x0, last);
  std::size_t row = std::size_t(y) * delivered_.width;
  for (int i = 0; i < count; ++i) {
    std::size_t at = row + x0 + std::size_t(i) * step;
    if (written_[at]) broken("a pixel put twice", y, x0 + i * step);
    written_[at] = true;
  }
  // Every byte handed over is read, so that AddressSanitizer sees a row
  // shorter than `count` pixels.
  for (std::size_t i = 0; i < std::size_t(count) * channels; ++i) sum_ += pixels[i];
}

void CheckingSink::requireComplete() const {
  if (!begun_) broken("success without begin()");
  auto missing = std::find(written_.begin(), written_.end(), false);
  if (missing != written_.end()) {
    long long at = missing - written_.begin();
    broken("a pixel never put", at / delivered_.width, at % delivered_.width);
  }
}

}  // namespace picture::fuzz
