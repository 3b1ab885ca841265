// Indices to colours on their way to another sink.
#include <algorithm>

#include "picture/formats/format.h"

namespace picture {

PaletteLookup::PaletteLookup(const std::vector<logo::PaletteEntry>& palette, Sink& target)
    : target_(target), entries_(palette.size()) {
  for (std::size_t i = 0; i < std::min<std::size_t>(palette.size(), 256); ++i) {
    colours_[3 * i] = palette[i].red;
    colours_[3 * i + 1] = palette[i].green;
    colours_[3 * i + 2] = palette[i].blue;
  }
}

void PaletteLookup::begin(Size delivered) {
  target_.begin(delivered);
  rgb_.resize(std::size_t(delivered.width) * 3);
}

void PaletteLookup::put(int y, int x0, int step, int count, const std::uint8_t* indices, int) {
  count = std::min<int>(count, static_cast<int>(rgb_.size() / 3));
  for (int i = 0; i < count; ++i) {
    highest_ = std::max<int>(highest_, indices[i]);
    std::copy_n(colours_.begin() + 3 * indices[i], 3, rgb_.begin() + 3 * i);
  }
  target_.put(y, x0, step, count, rgb_.data(), 3);
}

logo::Status PaletteLookup::checked() const {
  if (std::size_t(highest_) < entries_) return {};
  return logo::Failure{beyondThePalette(highest_, entries_)};
}

std::string beyondThePalette(int index, std::size_t entries) {
  return "pixel index " + std::to_string(index) + " beyond the palette of " +
         std::to_string(entries) + " entries";
}

logo::Status indicesInPalette(const IndexedPicture& picture, const char* format) {
  auto highest = std::max_element(picture.indices.begin(), picture.indices.end());
  if (highest == picture.indices.end() || *highest < picture.palette.size()) return {};
  return logo::Failure{format + beyondThePalette(*highest, picture.palette.size())};
}

void putPalettePicture(const IndexedPicture& picture, Sink& target) {
  PaletteLookup lookup(picture.palette, target);
  lookup.begin({picture.width, picture.height});
  for (int y = 0; y < picture.height; ++y) {
    lookup.put(y, 0, 1, picture.width, picture.indices.data() + std::size_t(y) * picture.width, 1);
  }
}

}  // namespace picture
