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

bool skipExtension(GifFileType* gif) {
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
  while (block != nullptr) {
    if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
  }
  return true;
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

bool readFrame(GifFileType* gif, const Limits& limits, IndexedPicture& picture, std::string& why) {
  if (DGifGetImageDesc(gif) == GIF_ERROR) {
    why = gifError(gif->Error);
    return false;
  }
  const GifImageDesc& frame = gif->Image;
  if (!acceptableSize(frame.Width, frame.Height, limits, why)) return false;
  const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
  if (map == nullptr) {
    why = "GIF: no colour table";
    return false;
  }
  for (int i = 0; i < map->ColorCount; ++i) {
    const GifColorType& c = map->Colors[i];
    picture.palette.push_back({c.Blue, c.Green, c.Red, 0});
  }
  picture.width = frame.Width;
  picture.height = frame.Height;
  picture.indices.assign(std::size_t(frame.Width) * frame.Height, 0);
  for (int y : storedRowOrder(frame.Height, frame.Interlace)) {
    if (DGifGetLine(gif, picture.indices.data() + std::size_t(y) * frame.Width, frame.Width) ==
        GIF_ERROR) {
      why = gifError(gif->Error);
      return false;
    }
  }
  std::uint8_t highest = *std::max_element(picture.indices.begin(), picture.indices.end());
  if (highest >= picture.palette.size()) {
    why = "GIF: pixel index " + std::to_string(highest) + " beyond the colour table of " +
          std::to_string(picture.palette.size()) + " entries";
    return false;
  }
  return true;
}

bool readFirstFrame(GifFileType* gif, const Limits& limits, IndexedPicture& picture,
                    std::string& why) {
  while (true) {
    GifRecordType record;
    if (DGifGetRecordType(gif, &record) == GIF_ERROR) {
      why = gifError(gif->Error);
      return false;
    }
    if (record == IMAGE_DESC_RECORD_TYPE) return readFrame(gif, limits, picture, why);
    if (record == TERMINATE_RECORD_TYPE) {
      why = "GIF: no frame";
      return false;
    }
    if (record == EXTENSION_RECORD_TYPE && !skipExtension(gif)) {
      why = gifError(gif->Error);
      return false;
    }
  }
}

}  // namespace

Reading readGif(ByteView bytes, const Limits& limits, IndexedPicture& picture, std::string& why) {
  if (bytes.size() < 6 || (std::memcmp(bytes.data(), "GIF87a", 6) != 0 &&
                           std::memcmp(bytes.data(), "GIF89a", 6) != 0)) {
    return Reading::kNotMine;
  }
  Source source{bytes, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&source, readFromMemory, &error);
  if (gif == nullptr) {
    why = gifError(error);
    return Reading::kMalformed;
  }
  bool read = readFirstFrame(gif, limits, picture, why);
  DGifCloseFile(gif, &error);
  return read ? Reading::kIndexed : Reading::kMalformed;
}

}  // namespace logofit
