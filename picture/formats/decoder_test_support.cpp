#include "picture/formats/decoder_test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace picture::testing {
namespace {

class Comparison final : public Sink {
 public:
  Comparison(Size wanted, Expected expected) : wanted_(wanted), expected_(std::move(expected)) {}
  Size wanted() const override { return wanted_; }
  void begin(Size delivered) override;
  void put(int y, int x0, int step, int count, const std::uint8_t* pixels, int channels) override;

  Size delivered() const { return delivered_; }
  // The largest difference in any channel of any pixel, and where.
  int worst() const { return worst_; }
  std::string worstAt() const;
  // Whether each row got as many pixels as it is wide, and none outside.
  bool everyPixelOnce() const;

 private:
  Size wanted_;
  Expected expected_;
  Size delivered_;
  std::vector<int> putInRow_;
  bool outside_ = false;
  int worst_ = 0;
  int worstX_ = 0;
  int worstY_ = 0;
};

void Comparison::begin(Size delivered) {
  delivered_ = delivered;
  putInRow_.assign(static_cast<std::size_t>(std::max(0, delivered.height)), 0);
}

void Comparison::put(int y, int x0, int step, int count, const std::uint8_t* pixels, int channels) {
  if (y < 0 || y >= delivered_.height || x0 < 0 || x0 + (count - 1) * step >= delivered_.width) {
    outside_ = true;
    return;
  }
  putInRow_[y] += count;
  for (int i = 0; i < count; ++i) {
    const std::uint8_t* p = pixels + i * channels;
    bool grey = channels < 3;
    Rgba actual{p[0], grey ? p[0] : p[1], grey ? p[0] : p[2],
                channels == 2   ? p[1]
                : channels == 4 ? p[3]
                                : std::uint8_t(255)};
    int x = x0 + i * step;
    Rgba expected = expected_(x, y);
    for (int c = 0; c < 4; ++c) {
      int difference = std::abs(actual[c] - expected[c]);
      if (difference > worst_) worst_ = difference, worstX_ = x, worstY_ = y;
    }
  }
}

std::string Comparison::worstAt() const {
  return std::to_string(worstX_) + "," + std::to_string(worstY_);
}

bool Comparison::everyPixelOnce() const {
  return !outside_ && std::all_of(putInRow_.begin(), putInRow_.end(),
                                  [&](int count) { return count == delivered_.width; });
}

}  // namespace

Compared decodeAndCompare(const Bytes& bytes, Size wanted, const Expected& expected) {
  Comparison comparison(wanted, expected);
  Input input(bytes);
  logo::Status decoded = decodeInto(input, comparison);
  return {decoded.reason(), comparison.delivered(), comparison.worst(), comparison.worstAt(),
          comparison.everyPixelOnce()};
}

std::string reasonInLittleMemory(const Bytes& bytes, std::size_t headroom, Decoding decoding) {
  char path[] = "/tmp/picture_testXXXXXX";
  int file = mkstemp(path);
  if (file < 0) return "no temporary file";
  bool saved = write(file, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  close(file);
  int ends[2];
  if (!saved || pipe(ends) != 0) return "no temporary file";
  std::string room = std::to_string(headroom);
  const char* how = decoding == Decoding::kWhole ? "whole" : "fitted";
  pid_t child = fork();
  if (child == 0) {
    dup2(ends[1], STDOUT_FILENO);
    close(ends[0]);
    execl(DECODE_IN_LITTLE_MEMORY, DECODE_IN_LITTLE_MEMORY, path, room.c_str(), how, nullptr);
    _exit(127);
  }
  close(ends[1]);
  std::string said;
  char block[256];
  for (ssize_t count; (count = read(ends[0], block, sizeof block)) > 0;) said.append(block, count);
  close(ends[0]);
  int status = 0;
  waitpid(child, &status, 0);
  unlink(path);
  if (WIFSIGNALED(status)) return "ended by signal " + std::to_string(WTERMSIG(status));
  if (WEXITSTATUS(status) != 0) return "exited with " + std::to_string(WEXITSTATUS(status));
  return said;
}

std::string reasonFitting(const Bytes& bytes) {
  Input input(bytes);
  logo::Result<Probe> probed = probe(input);
  if (!probed) return probed.reason();
  int width = probed->width, height = probed->height;
  // The whole picture, as large as fits, its sides in proportion.
  double scale = std::min({1.0, 320.0 / width, 400.0 / height});
  Placement placement{width,
                      height,
                      0,
                      0,
                      width,
                      height,
                      std::max(1, static_cast<int>(width * scale)),
                      std::max(1, static_cast<int>(height * scale)),
                      0,
                      0};
  return decodeScaled(input, placement).reason();
}

}  // namespace picture::testing
