// Writes one file of every kind of input logofit takes into a folder: the
// fuzzer's seed corpus.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/pictures/sample_pictures.h"

namespace {

namespace samples = logofit::samples;

// The fuzzer hands the image library only inputs of up to 8192 bytes
// (logofit/logofit_fuzzer.cpp); a larger seed would never reach it.
constexpr std::size_t kMaxImageLibrarySeed = 8192;

// Truecolour pictures, which only the image library reads, drawn small.
std::vector<samples::Sample> librarySeeds() {
  logofit::RgbPicture small = samples::photoLike(32, 24);
  std::vector<samples::Sample> seeds = {
      {"bmp24.bmp", samples::encodeTruecolourBitmap(small), false, {}}};
  const std::pair<const char*, const char*> formats[] = {
      {"rgb.png", "PNG"}, {"photo.jpg", "JPEG"}, {"photo.tif", "TIFF"}, {"photo.pnm", "PNM"}};
  for (auto [name, format] : formats) {
    seeds.push_back({name, samples::encodeTruecolour(small, format), false, {}});
  }
  return seeds;
}

bool write(const std::filesystem::path& folder, const samples::Sample& sample) {
  std::ofstream out(folder / sample.name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(sample.bytes.data()),
            static_cast<std::streamsize>(sample.bytes.size()));
  if (out.flush()) return true;
  std::perror(sample.name.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: logofit_seeds FOLDER\n", stderr);
    return 2;
  }
  std::filesystem::create_directories(argv[1]);
  std::vector<samples::Sample> small = librarySeeds();
  for (const auto& sample : small) {
    if (sample.bytes.size() > kMaxImageLibrarySeed) {
      std::fprintf(stderr, "logofit_seeds: %s is too large for the fuzzer's image library\n",
                   sample.name.c_str());
      return 1;
    }
    if (!write(argv[1], sample)) return 1;
  }
  for (const auto& sample : samples::everyKind()) {
    bool drawnSmall = std::any_of(small.begin(), small.end(),
                                  [&](const samples::Sample& s) { return s.name == sample.name; });
    if (!drawnSmall && !write(argv[1], sample)) return 1;
  }
  return 0;
}
