// The one file that speaks giflib.
#include <gif_lib.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <string>

#include "cycleview/cycleview.h"

namespace cycleview {
namespace {

constexpr int kColourResolution = 8;               // bits per primary colour
constexpr int kCodeSize = 8;                       // bits per palette index
constexpr GifByteType kLoopForEver[] = {1, 0, 0};  // sub-block 1: loop count 0

// Where giflib's bytes go.
struct Sink {
  std::vector<std::uint8_t> bytes;
  // No exception may unwind through giflib's C frames: one is kept here and
  // thrown once the encoder is closed.
  std::exception_ptr thrown;
};

int writeToSink(GifFileType* gif, const GifByteType* bytes, int size) {
  auto* sink = static_cast<Sink*>(gif->UserData);
  try {
    sink->bytes.insert(sink->bytes.end(), bytes, bytes + size);
  } catch (...) {
    sink->thrown = std::current_exception();
    return 0;
  }
  return size;
}

logo::Failure encoderFailure(int error) {
  const char* said = GifErrorString(error);
  return {std::string("GIF encoder: ") + (said != nullptr ? said : "failed")};
}

struct ColourMapDeleter {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using ColourMap = std::unique_ptr<ColorMapObject, ColourMapDeleter>;

void setColours(ColorMapObject& map, const logo::Palette& palette) {
  for (std::size_t slot = 0; slot < logo::kPaletteEntries; ++slot) {
    map.Colors[slot] = {palette[slot].red, palette[slot].green, palette[slot].blue};
  }
}

ColourMap colourMapOf(const logo::Palette& palette) {
  ColourMap map(GifMakeMapObject(static_cast<int>(logo::kPaletteEntries), nullptr));
  if (map) setColours(*map, palette);
  return map;
}

bool putLoopForEver(GifFileType* gif) {
  return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
         EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK &&
         EGifPutExtensionBlock(gif, sizeof kLoopForEver, kLoopForEver) == GIF_OK &&
         EGifPutExtensionTrailer(gif) == GIF_OK;
}

// Every frame stays in place under the next, so the still pixels of frame 0
// show through the transparent ones of the frames after it.
bool putFrameControl(GifFileType* gif, int delayCentiseconds, int transparentIndex) {
  GraphicsControlBlock control{DISPOSE_DO_NOT, false, delayCentiseconds, transparentIndex};
  GifByteType extension[4];
  std::size_t size = EGifGCBToExtension(&control, extension);
  return EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(size), extension) == GIF_OK;
}

// giflib masks the pixels of each line in place, so they pass through a
// scratch row.
bool putPixels(GifFileType* gif, const std::vector<std::uint8_t>& indices, int width) {
  std::vector<GifPixelType> row(static_cast<std::size_t>(width));
  for (auto line = indices.begin(); line != indices.end(); line += width) {
    std::copy_n(line, width, row.begin());
    if (EGifPutLine(gif, row.data(), width) != GIF_OK) return false;
  }
  return true;
}

// Puts again the sub-blocks that giflib wrote for an earlier image with the
// same indices. giflib writes an image's code size with its descriptor, and
// while its lines are put nothing but its sub-blocks, the empty one last:
// that is what `captured` holds. The empty block is put by the last call.
bool putCompressedAgain(GifFileType* gif, const std::vector<std::uint8_t>& captured) {
  const GifByteType* block = captured.data();
  const GifByteType* end = block + captured.size();
  bool first = true;
  for (; block < end && block[0] != 0; block += block[0] + 1) {
    if (block + block[0] >= end) return false;
    int put = first ? EGifPutCode(gif, kCodeSize, block) : EGifPutCodeNext(gif, block);
    if (put != GIF_OK) return false;
    first = false;
  }
  return block < end && EGifPutCodeNext(gif, nullptr) == GIF_OK;
}

bool putFirstFrame(GifFileType* gif, const Animation& animation) {
  return putFrameControl(gif, animation.delayCentiseconds, NO_TRANSPARENT_COLOR) &&
         EGifPutImageDesc(gif, 0, 0, animation.width, animation.height, false, nullptr) == GIF_OK &&
         putPixels(gif, animation.firstFrame, animation.width);
}

// Only the colour table differs from one later frame to the next, so the
// indices are compressed once, while the first of them is written, and their
// compressed blocks put again for the others: n - 1 compressions saved.
bool putLaterFrames(GifFileType* gif, Sink& sink, const Animation& animation) {
  ColourMap colours = colourMapOf(animation.palette);
  if (!colours) return false;
  const Rectangle& area = animation.changingArea;
  std::vector<std::uint8_t> compressed;
  for (const logo::Palette& palette : animation.laterPalettes) {
    setColours(*colours, palette);
    if (!putFrameControl(gif, animation.delayCentiseconds, kStillIndex) ||
        EGifPutImageDesc(gif, area.left, area.top, area.width, area.height, false, colours.get()) !=
            GIF_OK) {
      return false;
    }
    bool put = false;
    if (compressed.empty()) {
      std::size_t start = sink.bytes.size();
      put = putPixels(gif, animation.laterFrame, area.width);
      compressed.assign(sink.bytes.begin() + static_cast<std::ptrdiff_t>(start), sink.bytes.end());
    } else {
      put = putCompressedAgain(gif, compressed);
    }
    if (!put) return false;
  }
  return true;
}

bool putAnimation(GifFileType* gif, Sink& sink, const Animation& animation) {
  ColourMap global = colourMapOf(animation.palette);
  if (!global) return false;
  EGifSetGifVersion(gif, true);
  return EGifPutScreenDesc(gif, animation.width, animation.height, kColourResolution, 0,
                           global.get()) == GIF_OK &&
         putLoopForEver(gif) && putFirstFrame(gif, animation) &&
         putLaterFrames(gif, sink, animation);
}

}  // namespace

logo::Result<std::vector<std::uint8_t>> encodeGif(const Animation& animation) {
  Sink sink;
  int error = 0;
  GifFileType* gif = EGifOpen(&sink, writeToSink, &error);
  if (gif == nullptr) return encoderFailure(error);
  bool put = putAnimation(gif, sink, animation);
  int putError = gif->Error;
  // Closing writes the trailer and frees the encoder, whatever happened.
  bool closed = EGifCloseFile(gif, &error) == GIF_OK;
  if (sink.thrown) std::rethrow_exception(sink.thrown);
  if (!put) return encoderFailure(putError);
  if (!closed) return encoderFailure(error);
  return std::move(sink.bytes);
}

}  // namespace cycleview
