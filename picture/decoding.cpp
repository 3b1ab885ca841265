// Which decoder reads an input, and the two ways its rows are kept: folded
// into the working picture at once, or whole for a small picture.
#include "picture/decoding.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "picture/formats/format.h"
#include "picture/resampling.h"

namespace picture {
namespace {

// Only raster formats known by their first bytes.
logo::Result<const Adapter*> adapterFor(Input& input) {
  std::uint8_t head[12] = {};
  if (!input.seek(0)) return logo::Failure{"the input cannot be read again"};
  std::size_t size = input.read(head, sizeof head);
  input.seek(0);
  for (const Adapter* adapter : adapters()) {
    if (adapter->sniff(ByteView(head, size))) return adapter;
  }
  return logo::Failure{"not a picture format logofit reads"};
}

logo::Status decodeWith(Input& input, const Adapter& adapter, Sink& sink) {
  if (!input.seek(0)) return logo::Failure{"the input cannot be read again"};
  return adapter.decode(input, sink);
}

struct Probed {
  const Adapter* adapter;
  Stored stored;
};

logo::Result<Probed> probeChecked(Input& input, const Limits& limits) {
  if (input.tooLarge()) return logo::Failure{"file larger than 1 GiB"};
  logo::Result<const Adapter*> adapter = adapterFor(input);
  if (!adapter) return logo::Failure{adapter.reason()};
  logo::Result<Stored> stored = (*adapter)->probe(input);
  if (!stored) return logo::Failure{stored.reason()};
  Size size = stored->size;
  if (logo::Status allowed = sizeAllowed(size.width, size.height, limits); !allowed) {
    return allowed.error();
  }
  if (logo::Status sides = sidesAllowed(size); !sides) return sides.error();
  return Probed{*adapter, *stored};
}

// The whole picture, red green blue alpha.
class WholePicture final : public Sink {
 public:
  Size wanted() const override { return {kMaxSide, kMaxSide}; }
  void begin(Size delivered) override {
    picture_ = {delivered.width, delivered.height,
                std::vector<std::uint8_t>(std::size_t(delivered.width) * delivered.height * 4)};
  }
  void put(int y, int x0, int step, int count, const std::uint8_t* pixels, int channels) override {
    if (y < 0 || y >= picture_.height || x0 < 0 || step < 1) return;
    std::uint8_t* row = picture_.rgba.data() + std::size_t(y) * picture_.width * 4;
    for (int i = 0, x = x0; i < count && x < picture_.width; ++i, x += step) {
      const std::uint8_t* p = pixels + i * channels;
      std::uint8_t* out = row + 4 * x;
      bool grey = channels < 3;
      out[0] = p[0];
      out[1] = grey ? p[0] : p[1];
      out[2] = grey ? p[0] : p[2];
      out[3] = channels == 2 ? p[1] : channels == 4 ? p[3] : 255;
    }
  }
  RgbaPicture take() { return std::move(picture_); }

 private:
  RgbaPicture picture_;
};

}  // namespace

logo::Result<Probe> probe(Input& input, const Limits& limits) {
  logo::Result<Probed> probed = probeChecked(input, limits);
  if (!probed) return logo::Failure{probed.reason()};
  const Stored& stored = probed->stored;
  Size size = stored.size;
  if (stored.orientation >= 5) std::swap(size.width, size.height);
  return Probe{probed->adapter->format, size.width, size.height, stored.orientation,
               stored.palette};
}

logo::Status decodeInto(Input& input, Sink& sink, const Limits& limits) {
  try {
    logo::Result<Probed> probed = probeChecked(input, limits);
    if (!probed) return probed.error();
    return decodeWith(input, *probed->adapter, sink);
  } catch (const std::bad_alloc&) {
    return logo::Failure{"out of memory"};
  }
}

logo::Result<IndexedPicture> decodePalette(Input& input, const Limits& limits) {
  try {
    logo::Result<Probed> probed = probeChecked(input, limits);
    if (!probed) return probed.error();
    const Adapter& adapter = *probed->adapter;
    if (!probed->stored.palette || adapter.readPalette == nullptr) {
      return logo::Failure{"the picture has no palette"};
    }
    if (!input.seek(0)) return logo::Failure{"the input cannot be read again"};
    return adapter.readPalette(input);
  } catch (const std::bad_alloc&) {
    return logo::Failure{"out of memory"};
  }
}

logo::Result<RgbPicture> decodeScaled(Input& input, const Placement& placement,
                                      const Limits& limits, const logo::PaletteEntry& background) {
  if (!followable(placement)) return logo::Failure{"no pixels to show"};
  try {
    logo::Result<Probed> probed = probeChecked(input, limits);
    if (!probed) return logo::Failure{probed.reason()};
    int orientation = probed->stored.orientation;
    AreaAverage average(wantedSize(placement, orientation), background);
    logo::Status decoded = decodeWith(input, *probed->adapter, average);
    if (!decoded) return logo::Failure{decoded.reason()};
    return lanczos(oriented(std::move(average).result(), orientation), placement);
  } catch (const std::bad_alloc&) {
    return logo::Failure{"out of memory"};
  }
}

logo::Result<RgbaPicture> decodeWhole(Input& input, const Limits& limits) {
  try {
    logo::Result<Probed> probed = probeChecked(input, limits);
    if (!probed) return logo::Failure{probed.reason()};
    WholePicture whole;
    logo::Status decoded = decodeWith(input, *probed->adapter, whole);
    if (!decoded) return logo::Failure{decoded.reason()};
    return oriented(whole.take(), probed->stored.orientation);
  } catch (const std::bad_alloc&) {
    return logo::Failure{"out of memory"};
  }
}

}  // namespace picture
