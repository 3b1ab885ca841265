// Decodes a picture in a process whose address space may grow only a little
// beyond what it holds once the file is read, and prints the reason it
// gives: the tests' way to see what a decoder says when memory runs out. A
// process of its own, so that no free memory left by earlier tests serves
// the decoder's requests.
//
// usage: decode_in_little_memory FILE HEADROOM whole|fitted
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "picture/formats/decoder_test_support.h"

namespace {

std::size_t addressSpaceInUse() {
  unsigned long pages = 0;
  if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%lu", &pages) != 1) pages = 0;
    std::fclose(statm);
  }
  return pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// In one piece, so that no block freed on the way is left for the decoder.
std::vector<std::uint8_t> readWhole(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return {};
  std::fseek(file, 0, SEEK_END);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max(0L, std::ftell(file))));
  std::rewind(file);
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  std::fclose(file);
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: decode_in_little_memory FILE HEADROOM whole|fitted\n", stderr);
    return 2;
  }
  alarm(60);
  std::vector<std::uint8_t> bytes = readWhole(argv[1]);
  std::size_t limit = addressSpaceInUse() + std::strtoull(argv[2], nullptr, 10);
  rlimit space{limit, limit};
  if (setrlimit(RLIMIT_AS, &space) != 0) return 2;
  std::string reason;
  if (std::strcmp(argv[3], "whole") == 0) {
    picture::Input input(bytes);
    reason = picture::decodeWhole(input).reason();
  } else {
    reason = picture::testing::reasonFitting(bytes);
  }
  std::fputs(reason.c_str(), stdout);
  return 0;
}
