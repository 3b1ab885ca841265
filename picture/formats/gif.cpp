// The first frame of a GIF through giflib, which hands over the colour
// table and the indices exactly as stored: whole for the suite's reader,
// row by row for the decoder.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>

#include "picture/formats/format.h"

namespace picture {
namespace {

int readFromInput(GifFileType* gif, GifByteType* data, int size) {
  return static_cast<int>(static_cast<Input*>(gif->UserData)->read(data, size));
}

std::string gifError(int code) {
  const char* text = GifErrorString(code);
  return std::string("GIF: ") + (text ? text : "unknown error");
}

// The transparent index of the frame that follows, from its graphics
// control block; -1 when it has none.
logo::Result<int> readExtension(GifFileType* gif, int transparent) {
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return logo::Failure{gifError(gif->Error)};
  if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
    transparent = (block[1] & 1) ? block[4] : -1;
  }
  while (block != nullptr) {
    if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return logo::Failure{gifError(gif->Error)};
  }
  return transparent;
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

class Gif {
 public:
  explicit Gif(Input& input) : gif_(DGifOpen(&input, readFromInput, &error_)) {}
  ~Gif() {
    if (gif_ != nullptr) DGifCloseFile(gif_, &error_);
  }
  Gif(const Gif&) = delete;
  Gif& operator=(const Gif&) = delete;

  GifFileType* gif_;
  int error_ = 0;
};

// Reads on to the first frame's descriptor; gives the frame's transparent
// index, -1 for none.
logo::Result<int> firstFrame(Gif& g) {
  if (g.gif_ == nullptr) return logo::Failure{gifError(g.error_)};
  int transparent = -1;
  while (true) {
    GifRecordType record;
    if (DGifGetRecordType(g.gif_, &record) == GIF_ERROR) {
      return logo::Failure{gifError(g.gif_->Error)};
    }
    if (record == IMAGE_DESC_RECORD_TYPE) {
      if (DGifGetImageDesc(g.gif_) == GIF_ERROR) return logo::Failure{gifError(g.gif_->Error)};
      return transparent;
    }
    if (record == TERMINATE_RECORD_TYPE) return logo::Failure{"GIF: no frame"};
    if (record == EXTENSION_RECORD_TYPE) {
      logo::Result<int> read = readExtension(g.gif_, transparent);
      if (!read) return logo::Failure{read.reason()};
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

// The frame's rows, each to `row(y, indices)` as it is read.
template <typename Row>
logo::Result<bool> readRows(GifFileType* gif, std::vector<std::uint8_t>& indices, Row row) {
  const GifImageDesc& frame = gif->Image;
  indices.resize(std::size_t(frame.Width));
  for (int y : storedRowOrder(frame.Height, frame.Interlace)) {
    if (DGifGetLine(gif, indices.data(), frame.Width) == GIF_ERROR) {
      return logo::Failure{gifError(gif->Error)};
    }
    row(y, indices.data());
  }
  return true;
}

}  // namespace

Reading readGif(ByteView bytes, const Limits& limits) {
  if (bytes.size() < 6 || (std::memcmp(bytes.data(), "GIF87a", 6) != 0 &&
                           std::memcmp(bytes.data(), "GIF89a", 6) != 0)) {
    return notMine();
  }
  Input input(bytes);
  Gif g(input);
  logo::Result<int> transparent = firstFrame(g);
  if (!transparent) return logo::Failure{transparent.reason()};
  const GifImageDesc& frame = g.gif_->Image;
  if (logo::Status size = sizeAllowed(frame.Width, frame.Height, limits); !size) {
    return size.error();
  }
  logo::Result<std::vector<logo::PaletteEntry>> palette = paletteOf(g.gif_);
  if (!palette) return logo::Failure{palette.reason()};
  IndexedPicture picture;
  picture.palette = std::move(palette).value();
  int entries = static_cast<int>(picture.palette.size());
  if (*transparent >= 0 && *transparent < entries) {
    picture.opacity.assign(entries, 255);
    picture.opacity[*transparent] = 0;
  }
  picture.width = frame.Width;
  picture.height = frame.Height;
  picture.indices.assign(std::size_t(frame.Width) * frame.Height, 0);
  std::vector<std::uint8_t> row;
  logo::Result<bool> read = readRows(g.gif_, row, [&](int y, const std::uint8_t* indices) {
    std::copy_n(indices, frame.Width, picture.indices.begin() + std::size_t(y) * frame.Width);
  });
  if (!read) return logo::Failure{read.reason()};
  return std::optional(std::move(picture));
}

logo::Result<Stored> probeGif(Input& input) {
  Gif g(input);
  logo::Result<int> transparent = firstFrame(g);
  if (!transparent) return logo::Failure{transparent.reason()};
  return Stored{{g.gif_->Image.Width, g.gif_->Image.Height}, 1, true};
}

logo::Status decodeGif(Input& input, Sink& target) {
  Gif g(input);
  logo::Result<int> transparent = firstFrame(g);
  if (!transparent) return logo::Failure{transparent.reason()};
  logo::Result<std::vector<logo::PaletteEntry>> palette = paletteOf(g.gif_);
  if (!palette) return logo::Failure{palette.reason()};
  const GifImageDesc& frame = g.gif_->Image;
  PaletteLookup lookup(*palette, target);
  lookup.begin({frame.Width, frame.Height});
  std::vector<std::uint8_t> row;
  logo::Result<bool> read = readRows(g.gif_, row, [&](int y, const std::uint8_t* indices) {
    lookup.put(y, 0, 1, frame.Width, indices, 1);
  });
  if (!read) return logo::Failure{read.reason()};
  if (logo::Status indices = lookup.checked(); !indices) {
    return logo::Failure{"GIF: " + indices.reason()};
  }
  return {};
}

namespace {

bool sniffGif(ByteView head) {
  return head.size() >= 4 && std::memcmp(head.data(), "GIF8", 4) == 0;
}

}  // namespace

const Adapter kGifAdapter{Format::kGif, sniffGif, probeGif, decodeGif, readGif};

}  // namespace picture
