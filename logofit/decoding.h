// Decoding pictures in the formats the suite does not own, at the scale the
// logo needs: each format's library hands over rows as they are decoded, and
// an area average folds them into a small working picture at once, so the
// memory needed depends on the output and one band of rows, not on the
// input's size. Only the adapter files behind this header include a
// library header.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "logo_image/result.h"
#include "logofit/pictures.h"

namespace logofit {

// Larger inputs are refused before they are read: more than any picture
// of 100 megapixels needs, even uncompressed.
inline constexpr long long kMaxInputBytes = 1LL << 30;
// JPEG, GIF and WebP cannot go beyond it, and no logo is made from a
// longer strip.
inline constexpr int kMaxSide = 65535;

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

enum class Format { kBmp, kPng, kGif, kJpeg, kTiff, kWebp, kPnm };

struct PictureSize {
  Format format = Format::kPng;
  int width = 0;  // as shown, after the orientation tag
  int height = 0;
  // The suite's own readers decode it (a palette or a bitmap of 8 bits or
  // fewer) and can keep its indices.
  bool indexed = false;
};

// The picture's size from its header. Bytes that begin no known format are
// refused before more of them are read; so are sizes beyond the limits.
logo::Result<PictureSize> probe(Input& input, const Limits& limits = {});

// The shown part of the picture (the placement's crop, in the oriented
// picture's coordinates) scaled to the placement's size, transparent parts
// on black.
logo::Result<RgbPicture> decodeScaled(Input& input, const Placement& placement,
                                      const Limits& limits = {});

// The picture at its own size with its alpha (255 where the format has
// none). For small pictures: the whole picture is held in memory.
logo::Result<RgbaPicture> decodeWhole(Input& input, const Limits& limits = {});

// A picture already in memory, cut and scaled as the placement says.
logo::Result<RgbPicture> scalePixels(const RgbPicture& source, const Placement& placement);
// The same for a palette picture, its colours looked up a row at a time.
logo::Result<RgbPicture> scalePixels(const IndexedPicture& source, const Placement& placement);

}  // namespace logofit
