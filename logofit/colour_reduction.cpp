// Colour reduction through libimagequant.
#include <dlfcn.h>
#include <libimagequant.h>

#include <memory>

#include "logofit/pictures.h"

namespace logofit {
namespace {

struct Release {
  void operator()(liq_attr* attr) const { liq_attr_destroy(attr); }
  void operator()(liq_image* image) const { liq_image_destroy(image); }
  void operator()(liq_result* result) const { liq_result_destroy(result); }
};
template <typename T>
using Owned = std::unique_ptr<T, Release>;

// On a 320x400 photograph speed 5 takes 70 ms less than the library's
// default 4 and loses 0.04 dB; from 7 on the loss grows to tenths of a dB.
constexpr int kSpeed = 5;
// The fastest setting still finds the colours of a drawing.
constexpr int kQuickSpeed = 10;

// libimagequant's OpenMP threads spin while they wait for each other; with
// the other core busy that doubles the time or worse. Dynamic threads take
// the second core only while the load leaves it free; the result is the
// same with any number of threads. Looked up, not linked: the OpenMP
// runtime is the library's, and clang's would be another.
void shareCoresWithTheLoad() {
  using SetDynamic = void (*)(int);
  if (auto set = reinterpret_cast<SetDynamic>(dlsym(RTLD_DEFAULT, "omp_set_dynamic"))) set(1);
}

}  // namespace

bool reduceColours(const RgbPicture& picture, const Reduction& reduction, IndexedPicture& reduced,
                   std::string& why) {
  shareCoresWithTheLoad();
  std::size_t pixels = std::size_t(picture.width) * picture.height;
  std::vector<liq_color> rgba(pixels);
  for (std::size_t i = 0; i < pixels; ++i) {
    const std::uint8_t* rgb = picture.rgb.data() + 3 * i;
    rgba[i] = {rgb[0], rgb[1], rgb[2], 255};
  }
  Owned<liq_attr> attr(liq_attr_create());
  if (!attr || liq_set_max_colors(attr.get(), reduction.colours) != LIQ_OK) {
    why = "cannot set up the colour reduction";
    return false;
  }
  liq_set_speed(attr.get(), reduction.quick ? kQuickSpeed : kSpeed);
  Owned<liq_image> image(
      liq_image_create_rgba(attr.get(), rgba.data(), picture.width, picture.height, 0));
  if (!image) {
    why = "cannot set up the colour reduction";
    return false;
  }
  if (reduction.keepBlack) liq_image_add_fixed_color(image.get(), liq_color{0, 0, 0, 255});
  liq_result* raw = nullptr;
  if (liq_image_quantize(image.get(), attr.get(), &raw) != LIQ_OK) {
    why = "the colour reduction failed";
    return false;
  }
  Owned<liq_result> result(raw);
  liq_set_dithering_level(result.get(), reduction.dither ? 1.0f : 0.0f);
  reduced.width = picture.width;
  reduced.height = picture.height;
  reduced.indices.assign(pixels, 0);
  if (liq_write_remapped_image(result.get(), image.get(), reduced.indices.data(), pixels) !=
      LIQ_OK) {
    why = "the colour reduction failed";
    return false;
  }
  const liq_palette* palette = liq_get_palette(result.get());
  reduced.palette.clear();
  for (unsigned int i = 0; i < palette->count; ++i) {
    const liq_color& c = palette->entries[i];
    reduced.palette.push_back({c.b, c.g, c.r, 0});
  }
  return true;
}

}  // namespace logofit
