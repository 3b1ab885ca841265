// What decoding does for every format: reading a pipe, refusing what is no
// picture or too large before reading it. Each format's pixels are read
// back exactly beside its adapter (formats/*_test.cpp).
#include "picture/decoding.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <future>

#include "tests/pictures/sample_pictures.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace samples = picture::samples;

constexpr int kWidth = 37;

Bytes photo(const char* format) {
  return samples::encodeTruecolour(samples::photoLike(kWidth, 23), format);
}

// Bytes through a pipe, which cannot seek: written by another thread until
// the reading end is closed; the count of bytes the pipe took comes back.
class Pipe {
 public:
  explicit Pipe(Bytes bytes) {
    std::signal(SIGPIPE, SIG_IGN);
    int ends[2];
    if (pipe(ends) != 0) return;
    reading_ = fdopen(ends[0], "rb");
    written_ = std::async(std::launch::async, [out = ends[1], bytes = std::move(bytes)] {
      std::size_t done = 0;
      while (done < bytes.size()) {
        ssize_t count =
            write(out, bytes.data() + done, std::min<std::size_t>(4096, bytes.size() - done));
        if (count <= 0) break;
        done += static_cast<std::size_t>(count);
      }
      close(out);
      return done;
    });
  }
  std::FILE* get() const { return reading_; }
  // Closes the reading end first, so that the writer stops.
  std::size_t written() {
    std::fclose(reading_);
    return written_.get();
  }

 private:
  std::FILE* reading_ = nullptr;
  std::future<std::size_t> written_;
};

TEST(Decoding, ReadsAPipeAndRefusesWhatIsNoPictureAtItsStart) {
  Bytes text(1 << 20, 'x');
  const struct {
    const char* what;
    Bytes input;
    const char* refusal;  // empty: decoded
  } cases[] = {
      // libtiff seeks back to the directory at the file's end.
      {"TIFF", photo("TIFF"), ""},
      {"a megabyte of text", text, "not a picture format logofit reads"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Pipe pipe(c.input);
    picture::Input input(pipe.get());
    logo::Result<picture::RgbaPicture> whole = picture::decodeWhole(input);
    EXPECT_EQ(whole.reason(), c.refusal);
    if (whole) {
      EXPECT_EQ(whole->width, kWidth);
      EXPECT_EQ(pipe.written(), c.input.size());
    } else {
      // At most a block read and a pipe's buffer full.
      EXPECT_LT(pipe.written(), c.input.size() / 4);
    }
  }
}

TEST(Decoding, RefusesAFileOverOneGibibyteUnread) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  Bytes png = photo("PNG");
  std::fwrite(png.data(), 1, png.size(), file);
  ASSERT_EQ(ftruncate(fileno(file), picture::kMaxInputBytes + 1), 0);  // sparse
  std::rewind(file);
  picture::Input input(file);
  EXPECT_EQ(picture::probe(input).reason(), "file larger than 1 GiB");
  EXPECT_EQ(std::ftell(file), 0);
  std::fclose(file);
}

}  // namespace
