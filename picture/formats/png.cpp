// PNG through libpng, set up once for the probe, the decoder and the
// palette reader: a row at a time, an interlaced picture pass by pass, each
// pass's pixels put where they belong, so no pass waits for the others in
// memory. A palette picture goes out as its indices, exactly as stored.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "picture/formats/format.h"

namespace picture {
namespace {

// What libpng's callbacks tell the reader, in plain values: an error
// handler that jumps away must not leave a string half made.
struct Callbacks {
  Input* input = nullptr;
  bool outOfMemory = false;
  char message[160] = {};
};

Callbacks& callbacksOf(png_voidp pointer) {
  return *static_cast<Callbacks*>(pointer);
}

extern "C" void readPngInput(png_structp png, png_bytep data, png_size_t size) {
  Callbacks& callbacks = callbacksOf(png_get_io_ptr(png));
  std::size_t count = 0;
  try {
    count = callbacks.input->read(data, size);
  } catch (const std::bad_alloc&) {
    callbacks.outOfMemory = true;  // a pipe kept in memory; libpng must not see the exception
  }
  if (count != size) png_error(png, "the file ends early");
}

extern "C" void stopPng(png_structp png, png_const_charp message) {
  Callbacks& callbacks = callbacksOf(png_get_error_ptr(png));
  std::snprintf(callbacks.message, sizeof callbacks.message, "%s", message);
  png_longjmp(png, 1);
}

extern "C" void ignorePngWarning(png_structp, png_const_charp) {}

// libpng's words for a failed allocation vary with what it was allocating.
extern "C" png_voidp allocateForPng(png_structp png, png_alloc_size_t size) {
  void* memory = std::malloc(size);
  if (memory == nullptr) callbacksOf(png_get_mem_ptr(png)).outOfMemory = true;
  return memory;
}

extern "C" void freeForPng(png_structp, png_voidp memory) {
  std::free(memory);
}

// libpng leaves a failed call by a long jump to the step that called it.
// So each step sets its own jump target first thing, and nothing with a
// destructor lives in its frame or in the frames it calls: the jump would
// skip the destructor.
class Png {
 public:
  explicit Png(Input& input) {
    callbacks_.input = &input;
    png_ = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &callbacks_, stopPng, ignorePngWarning,
                                    &callbacks_, allocateForPng, freeForPng);
    info_ = png_ != nullptr ? png_create_info_struct(png_) : nullptr;
    if (info_ == nullptr) {
      callbacks_.outOfMemory = true;
      return;
    }
    png_set_read_fn(png_, &callbacks_, readPngInput);
    png_set_chunk_malloc_max(png_, 8 << 20);
    // libpng allocates and clears a text chunk's declared length, whatever
    // the limit above: a 94-byte file asked for 1.2 GB. No text is used.
    static const png_byte kText[] = "tEXt\0zTXt\0iTXt";
    png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, kText, 3);
  }
  ~Png() { png_destroy_read_struct(&png_, &info_, nullptr); }
  Png(const Png&) = delete;
  Png& operator=(const Png&) = delete;

  bool readHeader() {
    if (info_ == nullptr || setjmp(png_jmpbuf(png_)) != 0) return false;
    png_read_info(png_, info_);
    return true;
  }

  // Palette pictures as their indices, one a byte; the others as 8-bit
  // grey, grey and alpha, RGB or RGBA.
  bool readPixels(Sink& target) {
    if (setjmp(png_jmpbuf(png_)) != 0) return false;
    if (indexed()) {
      png_set_packing(png_);
    } else {
      png_set_expand(png_);  // small greys to 8 bits, tRNS to alpha
      png_set_scale_16(png_);
    }
    png_read_update_info(png_, info_);
    row_.resize(png_get_rowbytes(png_, info_));
    readRows(target);
    png_read_end(png_, nullptr);
    return true;
  }

  logo::Failure failure() const {
    return logo::Failure{std::string("PNG: ") +
                         (callbacks_.outOfMemory ? "out of memory" : callbacks_.message)};
  }

  Size size() const {
    // libpng refuses sides beyond 2^31 - 1.
    return {static_cast<int>(png_get_image_width(png_, info_)),
            static_cast<int>(png_get_image_height(png_, info_))};
  }

  bool indexed() const { return png_get_color_type(png_, info_) == PNG_COLOR_TYPE_PALETTE; }

  std::vector<logo::PaletteEntry> palette() const {
    png_colorp entries = nullptr;
    int count = 0;
    png_get_PLTE(png_, info_, &entries, &count);
    std::vector<logo::PaletteEntry> palette;
    for (int i = 0; i < count; ++i) {
      palette.push_back({entries[i].blue, entries[i].green, entries[i].red, 0});
    }
    return palette;
  }

  // The palette entries' opacities, empty without a tRNS chunk.
  std::vector<std::uint8_t> opacity() const {
    png_bytep alpha = nullptr;
    int count = 0;
    if ((png_get_tRNS(png_, info_, &alpha, &count, nullptr) & PNG_INFO_tRNS) == 0) return {};
    png_colorp entries = nullptr;
    int entryCount = 0;
    png_get_PLTE(png_, info_, &entries, &entryCount);
    return std::vector<std::uint8_t>(alpha, alpha + std::min(count, entryCount));
  }

 private:
  void readRows(Sink& target) {
    int channels = png_get_channels(png_, info_);
    auto [width, height] = size();
    target.begin({width, height});
    if (png_get_interlace_type(png_, info_) == PNG_INTERLACE_NONE) {
      for (int y = 0; y < height; ++y) {
        png_read_row(png_, row_.data(), nullptr);
        target.put(y, 0, 1, width, row_.data(), channels);
      }
      return;
    }
    // Without interlace handling libpng gives each pass's rows as they are
    // stored and skips the passes that hold no pixel.
    for (int pass = 0; pass < 7; ++pass) {
      int columns = static_cast<int>(PNG_PASS_COLS(width, pass));
      int rows = static_cast<int>(PNG_PASS_ROWS(height, pass));
      if (columns == 0 || rows == 0) continue;
      for (int i = 0; i < rows; ++i) {
        png_read_row(png_, row_.data(), nullptr);
        int y = static_cast<int>(PNG_ROW_FROM_PASS_ROW(i, pass));
        target.put(y, PNG_PASS_START_COL(pass), 1 << PNG_PASS_COL_SHIFT(pass), columns, row_.data(),
                   channels);
      }
    }
  }

  Callbacks callbacks_;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  std::vector<std::uint8_t> row_;
};

// Indices into a palette picture, as the decoder puts them.
class Indices final : public Sink {
 public:
  explicit Indices(IndexedPicture& picture) : picture_(picture) {}
  Size wanted() const override { return {picture_.width, picture_.height}; }
  void begin(Size delivered) override {
    picture_.indices.assign(std::size_t(delivered.width) * delivered.height, 0);
  }
  void put(int y, int x0, int step, int count, const std::uint8_t* indices, int) override {
    std::uint8_t* row = picture_.indices.data() + std::size_t(y) * picture_.width;
    for (int i = 0; i < count; ++i) row[x0 + i * step] = indices[i];
  }

 private:
  IndexedPicture& picture_;
};

logo::Result<Stored> probePng(Input& input) {
  Png png(input);
  if (!png.readHeader()) return png.failure();
  return Stored{png.size(), 1, png.indexed()};
}

logo::Status decodePng(Input& input, Sink& target) {
  Png png(input);
  if (!png.readHeader()) return png.failure();
  if (!png.indexed()) {
    if (!png.readPixels(target)) return png.failure();
    return {};
  }
  // The palette's opacities are left out, as for a GIF's transparent index.
  PaletteLookup lookup(png.palette(), target);
  if (!png.readPixels(lookup)) return png.failure();
  if (logo::Status indices = lookup.checked(); !indices) {
    return logo::Failure{"PNG: " + indices.reason()};
  }
  return {};
}

logo::Result<IndexedPicture> readPng(Input& input) {
  Png png(input);
  if (!png.readHeader()) return png.failure();
  if (!png.indexed()) return logo::Failure{"the picture has no palette"};
  IndexedPicture picture;
  picture.width = png.size().width;
  picture.height = png.size().height;
  picture.palette = png.palette();
  picture.opacity = png.opacity();
  Indices indices(picture);
  if (!png.readPixels(indices)) return png.failure();
  if (logo::Status fits = indicesInPalette(picture, "PNG: "); !fits) return fits.error();
  return picture;
}

bool sniffPng(ByteView head) {
  return head.size() >= 8 && std::memcmp(head.data(), "\x89PNG\r\n\x1A\n", 8) == 0;
}

}  // namespace

const Adapter kPngAdapter{Format::kPng, sniffPng, probePng, decodePng, readPng};

}  // namespace picture
