// The first frame of a GIF through giflib, which hands over the colour
// table and the indices exactly as stored.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>

#include "logofit/pictures.h"

namespace logofit {
namespace {

struct Source {
  ByteView bytes;
  std::size_t at = 0;
};

int readFromMemory(GifFileType* gif, GifByteType* data, int size) {
  auto* source = static_cast<Source*>(gif->UserData);
  std::size_t count = std::min<std::size_t>(size, source->bytes.size() - source->at);
  std::memcpy(data, source->bytes.data() + source->at, count);
  source->at += count;
  return static_cast<int>(count);
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

Reading readFrame(GifFileType* gif, const Limits& limits, int transparent) {
  if (DGifGetImageDesc(gif) == GIF_ERROR) return logo::Failure{gifError(gif->Error)};
  const GifImageDesc& frame = gif->Image;
  if (std::string problem = sizeProblem(frame.Width, frame.Height, limits); !problem.empty()) {
    return logo::Failure{problem};
  }
  const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
  if (map == nullptr) return logo::Failure{"GIF: no colour table"};
  IndexedPicture picture;
  for (int i = 0; i < map->ColorCount; ++i) {
    const GifColorType& c = map->Colors[i];
    picture.palette.push_back({c.Blue, c.Green, c.Red, 0});
  }
  if (transparent >= 0 && transparent < map->ColorCount) {
    picture.opacity.assign(map->ColorCount, 255);
    picture.opacity[transparent] = 0;
  }
  picture.width = frame.Width;
  picture.height = frame.Height;
  picture.indices.assign(std::size_t(frame.Width) * frame.Height, 0);
  for (int y : storedRowOrder(frame.Height, frame.Interlace)) {
    if (DGifGetLine(gif, picture.indices.data() + std::size_t(y) * frame.Width, frame.Width) ==
        GIF_ERROR) {
      return logo::Failure{gifError(gif->Error)};
    }
  }
  return std::optional(std::move(picture));
}

Reading readFirstFrame(GifFileType* gif, const Limits& limits) {
  int transparent = -1;
  while (true) {
    GifRecordType record;
    if (DGifGetRecordType(gif, &record) == GIF_ERROR) return logo::Failure{gifError(gif->Error)};
    if (record == IMAGE_DESC_RECORD_TYPE) return readFrame(gif, limits, transparent);
    if (record == TERMINATE_RECORD_TYPE) return logo::Failure{"GIF: no frame"};
    if (record == EXTENSION_RECORD_TYPE) {
      logo::Result<int> read = readExtension(gif, transparent);
      if (!read) return logo::Failure{read.reason()};
      transparent = *read;
    }
  }
}

}  // namespace

Reading readGif(ByteView bytes, const Limits& limits) {
  if (bytes.size() < 6 || (std::memcmp(bytes.data(), "GIF87a", 6) != 0 &&
                           std::memcmp(bytes.data(), "GIF89a", 6) != 0)) {
    return notMine();
  }
  Source source{bytes, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&source, readFromMemory, &error);
  if (gif == nullptr) return logo::Failure{gifError(error)};
  Reading read = readFirstFrame(gif, limits);
  DGifCloseFile(gif, &error);
  return read;
}

}  // namespace logofit
