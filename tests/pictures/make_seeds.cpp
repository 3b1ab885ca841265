// Writes one file of every kind of input logofit takes into a folder: the
// fuzzer's seed corpus.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/pictures/sample_pictures.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: logofit_seeds FOLDER\n", stderr);
    return 2;
  }
  std::filesystem::create_directories(argv[1]);
  for (const auto& sample : logofit::samples::everyKind()) {
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
