// Between decoding.cpp and the adapter files, one a format: each adapter
// knows its format's first bytes, reads its header and hands the pixels
// over row by row to a sink that keeps what it needs of them. A format is
// one file and one row of the table in adapters.cpp.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "picture/decoding.h"

namespace picture {

// A picture as its file stores it, before the orientation tag turns it.
struct Stored {
  Size size;
  int orientation = 1;  // as in EXIF
  // The pixels are indices into a palette, which readPalette gives.
  bool palette = false;
};

struct Adapter {
  Format format;
  // True when the first bytes (at most 12, fewer for a short input) are
  // this format's.
  bool (*sniff)(ByteView head);
  // Reads the header from the input's current position, which is its start,
  // and checks it whole before any pixel is read.
  logo::Result<Stored> (*probe)(Input& input);
  // Decodes the picture from the input's start into `sink`.
  logo::Status (*decode)(Input& input, Sink& sink);
  // The palette and indices as stored, every index checked against the
  // palette, of a picture whose probe found a palette, from the input's
  // start; null for a format without palettes.
  logo::Result<IndexedPicture> (*readPalette)(Input& input);
};

extern const Adapter kBmpAdapter;
extern const Adapter kPngAdapter;
extern const Adapter kGifAdapter;
extern const Adapter kJpegAdapter;
extern const Adapter kTiffAdapter;
extern const Adapter kWebpAdapter;
extern const Adapter kPnmAdapter;

// Every format, in the order their first bytes are tried.
std::span<const Adapter* const> adapters();
const Adapter& adapterOf(Format format);

// Indices to colours on their way to another sink, every index checked
// against the palette: libraries would show one past it as black, where
// the suite's own readers refuse the picture.
class PaletteLookup final : public Sink {
 public:
  PaletteLookup(const std::vector<logo::PaletteEntry>& palette, Sink& target);
  Size wanted() const override { return target_.wanted(); }
  void begin(Size delivered) override;
  // One index a pixel; `channels` is 1.
  void put(int y, int x0, int step, int count, const std::uint8_t* indices, int channels) override;
  // Whether every index was in the palette.
  logo::Status checked() const;

 private:
  Sink& target_;
  std::size_t entries_;
  std::array<std::uint8_t, 256 * 3> colours_{};
  int highest_ = 0;
  std::vector<std::uint8_t> rgb_;
};

// Every pixel of a palette picture into `sink`, its colours looked up.
void putPalettePicture(const IndexedPicture& picture, Sink& sink);

// Why a picture whose highest index is `index` does not fit its palette.
std::string beyondThePalette(int index, std::size_t entries);
// Whether every index of `picture` is in its palette; the reason begins
// with `format` ("PNG: ").
logo::Status indicesInPalette(const IndexedPicture& picture, const char* format);

// The orientation an EXIF block (from its "II" or "MM") says, 1 if none.
int exifOrientation(ByteView exif);

}  // namespace picture
