#include <algorithm>
#include <cstring>

#include "cyclemake/cyclemake.h"
#include "logo_image/conformance.h"
#include "logo_image/pixels.h"

namespace cyclemake {

std::vector<std::uint8_t> cycledLogo(std::span<const std::uint8_t> source,
                                     std::span<const std::uint8_t> slots) {
  std::vector<std::uint8_t> made(logo::kLogoFileSize, 0);
  std::copy_n(source.begin(), std::min(source.size(), made.size()), made.begin());
  made[logo::kAnimationStartOffset] =
      static_cast<std::uint8_t>(logo::kPaletteEntries - slots.size());

  logo::Palette palette;
  std::memcpy(palette.data(), made.data() + logo::kHeaderSize, sizeof palette);
  logo::RemapTable remap = logo::identityRemap();
  placeAnimationSlots(palette, remap, slots);
  std::memcpy(made.data() + logo::kHeaderSize, palette.data(), sizeof palette);
  for (auto pixel = made.begin() + logo::kPixelOffset; pixel != made.end(); ++pixel) {
    *pixel = remap[*pixel];
  }
  return made;
}

std::string notLogoWarning(std::string_view sourceName, std::span<const std::uint8_t> source,
                           long long sourceSize) {
  logo::LogoHeader header{};
  std::copy_n(source.begin(), std::min(source.size(), header.size()), header.begin());
  return logo::notLogoWarning(sourceName, header, sourceSize);
}

}  // namespace cyclemake
