// Draws a photograph-like picture for the guide and the demo: the scene of
// the bundled sample at 1600x1200 in millions of colours (a sky that fades
// smoothly, grain everywhere, a shaded disc) with the twelve flat rainbow
// colours of its ring, which the guide animates.
//
//   draw_photo OUTPUT.png
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <random>
#include <vector>

#include "logo_image/atomic_output.h"

namespace {

constexpr int kWidth = 1600;
constexpr int kHeight = 1200;
constexpr double kCentreX = 800;
constexpr double kCentreY = 480;
constexpr double kDiscRadius = 180;
constexpr double kRingRadius = 300;
constexpr int kHorizon = 900;

struct Rgb {
  int red;
  int green;
  int blue;
};

constexpr Rgb kRainbow[12] = {{255, 0, 0}, {255, 128, 0}, {255, 255, 0}, {128, 255, 0},
                              {0, 255, 0}, {0, 255, 128}, {0, 255, 255}, {0, 128, 255},
                              {0, 0, 255}, {128, 0, 255}, {255, 0, 255}, {255, 0, 128}};

// A point of the scene without grain.
struct ScenePoint {
  Rgb colour;
  bool flat;  // on the ring, which gets no grain
};

ScenePoint sceneAt(int x, int y) {
  double dx = x - kCentreX;
  double dy = y - kCentreY;
  double radius = std::sqrt(dx * dx + dy * dy);
  if (radius >= kDiscRadius && radius < kRingRadius) {
    double turn = (std::atan2(dy, dx) + std::numbers::pi) / (2 * std::numbers::pi);
    return {kRainbow[static_cast<int>(turn * 12) % 12], true};
  }
  if (radius < kDiscRadius) {
    int shade = 230 - static_cast<int>(110 * radius / kDiscRadius);
    return {{shade, shade, shade}, false};
  }
  if (y < kHorizon) {
    double height = static_cast<double>(y) / kHorizon;
    return {{20 + static_cast<int>(48 * height), 40 + static_cast<int>(96 * height),
             120 + static_cast<int>(96 * height)},
            false};
  }
  double depth = static_cast<double>(y - kHorizon) / (kHeight - kHorizon);
  return {{10, 90 + static_cast<int>(96 * depth), 30}, false};
}

std::vector<std::uint8_t> drawRows() {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kWidth) * kHeight * 3);
  std::mt19937 random(1995);
  std::uniform_int_distribution<int> grain(-6, 6);
  auto clamp = [](int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); };
  std::size_t at = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      ScenePoint point = sceneAt(x, y);
      int noise = point.flat ? 0 : grain(random);
      pixels[at++] = clamp(point.colour.red + noise);
      pixels[at++] = clamp(point.colour.green + noise);
      pixels[at++] = clamp(point.colour.blue + noise);
    }
  }
  return pixels;
}

void writeToOutput(png_structp png, png_bytep data, png_size_t size) {
  static_cast<logo::AtomicOutput*>(png_get_io_ptr(png))->write(data, size);
}

void flushNothing(png_structp) {}

bool writePng(const char* path, const std::vector<std::uint8_t>& pixels) {
  logo::AtomicOutput output(path);
  if (!output) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &output, writeToOutput, flushNothing);
  png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < kHeight; ++y) {
    png_write_row(png, pixels.data() + static_cast<std::size_t>(y) * kWidth * 3);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return output.commit() == logo::Outcome::kWritten;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: draw_photo OUTPUT.png\n", stderr);
    return 2;
  }
  if (!writePng(argv[1], drawRows())) {
    std::fprintf(stderr, "draw_photo: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
