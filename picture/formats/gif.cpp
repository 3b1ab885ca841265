// The first frame of a GIF through giflib, which hands over the colour
// table and the indices exactly as stored: whole for the palette reader,
// row by row for the decoder.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "picture/formats/format.h"

namespace picture {
namespace {

// Where giflib's reads come from, and whether memory ran out in one.
struct Source {
  Input* input = nullptr;
  bool outOfMemory = false;
};

int readFromInput(GifFileType* gif, GifByteType* data, int size) {
  auto* source = static_cast<Source*>(gif->UserData);
  try {
    return static_cast<int>(source->input->read(data, static_cast<std::size_t>(size)));
  } catch (const std::bad_alloc&) {
    // A pipe kept in memory; giflib must not see the exception.
    source->outOfMemory = true;
    return 0;
  }
}

class Gif {
 public:
  explicit Gif(Input& input) : source_{&input, false} {
    gif_ = DGifOpen(&source_, readFromInput, &error_);
  }
  ~Gif() {
    if (gif_ != nullptr) DGifCloseFile(gif_, &error_);
  }
  Gif(const Gif&) = delete;
  Gif& operator=(const Gif&) = delete;

  GifFileType* get() const { return gif_; }

  // giflib's words, but for a file that ends early and memory that ran
  // out, which it says as a failed read or allocation.
  logo::Failure failure() const {
    int code = gif_ != nullptr ? gif_->Error : error_;
    if (source_.outOfMemory || code == D_GIF_ERR_NOT_ENOUGH_MEM) {
      return logo::Failure{"GIF: out of memory"};
    }
    if (code == D_GIF_ERR_READ_FAILED && !source_.input->failed()) {
      return logo::Failure{"GIF: the file ends early"};
    }
    const char* text = GifErrorString(code);
    return logo::Failure{std::string("GIF: ") + (text != nullptr ? text : "unknown error")};
  }

 private:
  Source source_;
  int error_ = 0;
  GifFileType* gif_ = nullptr;
};

// The transparent index of the frame that follows, from its graphics
// control block; -1 when it has none.
logo::Result<int> readExtension(const Gif& g, int transparent) {
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(g.get(), &code, &block) == GIF_ERROR) return g.failure();
  if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
    transparent = (block[1] & 1) ? block[4] : -1;
  }
  while (block != nullptr) {
    if (DGifGetExtensionNext(g.get(), &block) == GIF_ERROR) return g.failure();
  }
  return transparent;
}

// Reads on to the first frame's descriptor; gives the frame's transparent
// index, -1 for none.
logo::Result<int> firstFrame(const Gif& g) {
  if (g.get() == nullptr) return g.failure();
  int transparent = -1;
  while (true) {
    GifRecordType record;
    if (DGifGetRecordType(g.get(), &record) == GIF_ERROR) return g.failure();
    if (record == IMAGE_DESC_RECORD_TYPE) {
      if (DGifGetImageDesc(g.get()) == GIF_ERROR) return g.failure();
      return transparent;
    }
    if (record == TERMINATE_RECORD_TYPE) return logo::Failure{"GIF: no frame"};
    if (record == EXTENSION_RECORD_TYPE) {
      logo::Result<int> read = readExtension(g, transparent);
      if (!read) return read.error();
      transparent = *read;
    }
  }
}

logo::Result<std::vector<logo::PaletteEntry>> paletteOf(const GifFileType* gif) {
  const ColorMapObject* map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
  if (map == nullptr) return logo::Failure{"GIF: no colour table"};
  std::vector<logo::PaletteEntry> palette;
  for (int i = 0; i < map->ColorCount; ++i) {
    const GifColorType& c = map->Colors[i];
    palette.push_back({c.Blue, c.Green, c.Red, 0});
  }
  return palette;
}

// Interlaced frames store rows 0, 8, 16, ..., then 4, 12, ..., 2, 6, ...
// and last the odd rows.
std::vector<int> storedRowOrder(int height, bool interlaced) {
  std::vector<int> order;
  if (!interlaced) {
    for (int y = 0; y < height; ++y) order.push_back(y);
    return order;
  }
  const int starts[] = {0, 4, 2, 1};
  const int steps[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int y = starts[pass]; y < height; y += steps[pass]) order.push_back(y);
  }
  return order;
}

// The frame's rows, each to `row(y, indices)` as it is read.
template <typename Row>
logo::Status readRows(const Gif& g, Row row) {
  const GifImageDesc& frame = g.get()->Image;
  std::vector<std::uint8_t> indices(std::size_t(frame.Width));
  for (int y : storedRowOrder(frame.Height, frame.Interlace)) {
    if (DGifGetLine(g.get(), indices.data(), frame.Width) == GIF_ERROR) return g.failure();
    row(y, indices.data());
  }
  return {};
}

// A frame's size is all the probe reads of it: the caller refuses a
// picture too large before a pixel is decoded.
logo::Result<Stored> probeGif(Input& input) {
  Gif g(input);
  logo::Result<int> transparent = firstFrame(g);
  if (!transparent) return transparent.error();
  return Stored{{g.get()->Image.Width, g.get()->Image.Height}, 1, true};
}

struct FirstFrame {
  std::vector<logo::PaletteEntry> palette;
  int transparent = -1;  // the transparent index, -1 for none
};

// Reads on to the first frame's descriptor and takes its colour table.
logo::Result<FirstFrame> firstFrameWithPalette(Gif& g) {
  logo::Result<int> transparent = firstFrame(g);
  if (!transparent) return transparent.error();
  logo::Result<std::vector<logo::PaletteEntry>> palette = paletteOf(g.get());
  if (!palette) return palette.error();
  return FirstFrame{std::move(palette).value(), *transparent};
}

logo::Status decodeGif(Input& input, Sink& target) {
  Gif g(input);
  logo::Result<FirstFrame> first = firstFrameWithPalette(g);
  if (!first) return first.error();
  const GifImageDesc& frame = g.get()->Image;
  PaletteLookup lookup(first->palette, target);
  lookup.begin({frame.Width, frame.Height});
  logo::Status read = readRows(
      g, [&](int y, const std::uint8_t* indices) { lookup.put(y, 0, 1, frame.Width, indices, 1); });
  if (!read) return read;
  if (logo::Status indices = lookup.checked(); !indices) {
    return logo::Failure{"GIF: " + indices.reason()};
  }
  return {};
}

logo::Result<IndexedPicture> readGif(Input& input) {
  Gif g(input);
  logo::Result<FirstFrame> first = firstFrameWithPalette(g);
  if (!first) return first.error();
  const GifImageDesc& frame = g.get()->Image;
  IndexedPicture picture;
  picture.width = frame.Width;
  picture.height = frame.Height;
  picture.palette = first->palette;
  int entries = static_cast<int>(picture.palette.size());
  if (first->transparent >= 0 && first->transparent < entries) {
    picture.opacity.assign(entries, 255);
    picture.opacity[first->transparent] = 0;
  }
  picture.indices.assign(std::size_t(frame.Width) * frame.Height, 0);
  logo::Status read = readRows(g, [&](int y, const std::uint8_t* indices) {
    std::copy_n(indices, frame.Width, picture.indices.begin() + std::size_t(y) * frame.Width);
  });
  if (!read) return read.error();
  if (logo::Status fits = indicesInPalette(picture, "GIF: "); !fits) return fits.error();
  return picture;
}

bool sniffGif(ByteView head) {
  return head.size() >= 4 && std::memcmp(head.data(), "GIF8", 4) == 0;
}

}  // namespace

const Adapter kGifAdapter{Format::kGif, sniffGif, probeGif, decodeGif, readGif};

}  // namespace picture
