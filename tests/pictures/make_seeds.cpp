// Writes one file of every kind of input logofit takes into a folder: the
// fuzzer's seed corpus.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/pictures/sample_pictures.h"

namespace {

// The fuzzer skips an input above 64 KiB that its own bitmap, PNG and GIF
// readers do not take (logofit/logofit_fuzzer.cpp): such a seed would never
// reach its decoder.
constexpr std::size_t kMaxDecodedSeed = 1 << 16;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: logofit_seeds FOLDER\n", stderr);
    return 2;
  }
  std::filesystem::create_directories(argv[1]);
  for (const auto& sample : picture::samples::everyKind()) {
    if (!sample.kept && sample.bytes.size() > kMaxDecodedSeed) {
      std::fprintf(stderr, "logofit_seeds: %s is too large to reach its decoder\n",
                   sample.name.c_str());
      return 1;
    }
    std::ofstream out(std::filesystem::path(argv[1]) / sample.name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(sample.bytes.data()),
              static_cast<std::streamsize>(sample.bytes.size()));
    if (!out.flush()) {
      std::perror(sample.name.c_str());
      return 1;
    }
  }
  return 0;
}
