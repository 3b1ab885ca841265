// Every format logofit decodes itself or through a codec library, made by
// ImageMagick from one picture whose every pixel differs, decoded whole and
// compared pixel by pixel.
#include "picture/decoding.h"

#include <Magick++.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <future>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kWidth = 37;  // odd, so rows need padding and passes are uneven
constexpr int kHeight = 23;

std::uint8_t alphaAt(int y) {
  return static_cast<std::uint8_t>(255 - 10 * y);
}

Bytes rgbaPixels() {
  Bytes rgba;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      rgba.insert(rgba.end(), {std::uint8_t(x * 6), std::uint8_t(y * 11),
                               std::uint8_t(250 - 3 * (x + y)), alphaAt(y)});
    }
  }
  return rgba;
}

// How ImageMagick writes the picture: a format and what differs from its
// plain form.
struct Encoding {
  explicit Encoding(const char* name) : format(name) {}
  Encoding& define(const char* key, const char* value) {
    defines.emplace_back(key, value);
    return *this;
  }
  Encoding& withAlpha() {
    alpha = true;
    return *this;
  }
  Encoding& turned(int tag) {
    orientation = tag;
    return *this;
  }
  Encoding& bits(int value) {
    depth = value;
    return *this;
  }
  Encoding& interlace() {
    interlaced = true;
    return *this;
  }
  Encoding& asText() {
    text = true;
    return *this;
  }

  const char* format;
  std::vector<std::pair<const char*, const char*>> defines;
  bool alpha = false;
  int orientation = 1;
  int depth = 8;
  bool interlaced = false;
  bool text = false;  // PNM's plain form
};

Bytes encode(const Encoding& e) {
  Magick::InitializeMagick(nullptr);
  Bytes rgba = rgbaPixels();
  Magick::Image image(kWidth, kHeight, "RGBA", Magick::CharPixel, rgba.data());
  if (!e.alpha) image.matte(false);
  image.magick(e.format);
  image.depth(e.depth);
  if (e.depth == 16) {
    // Half a step up, so that the two bytes of a sample differ (an 8-bit
    // value v is 257 v in 16 bits): taking the wrong one shows.
    for (auto channel : {Magick::RedChannel, Magick::GreenChannel, Magick::BlueChannel}) {
      image.quantumOperator(channel, Magick::AddEvaluateOperator, 128.0);
    }
  }
  image.quality(95);
  for (auto [key, value] : e.defines) image.defineValue(e.format, key, value);
  if (e.interlaced) image.interlaceType(Magick::LineInterlace);
  if (e.text) image.compressType(Magick::NoCompression);
  image.orientation(static_cast<Magick::OrientationType>(e.orientation));
  Magick::Blob blob;
  image.write(&blob);
  const auto* data = static_cast<const std::uint8_t*>(blob.data());
  return Bytes(data, data + blob.length());
}

struct Decoded {
  const char* what;
  Bytes input;
  int tolerance;  // per channel: what the format's own loss allows
  bool alpha;
  bool turned;  // a quarter clockwise (orientation 6)
};

// Probed and decoded whole, the picture is the source, turned as tagged.
void expectSource(const Decoded& c) {
  static const Bytes source = rgbaPixels();
  picture::Input input(c.input);
  logo::Result<picture::Probe> size = picture::probe(input);
  ASSERT_TRUE(size) << size.reason();
  int width = c.turned ? kHeight : kWidth;
  int height = c.turned ? kWidth : kHeight;
  EXPECT_EQ(size->width, width);
  EXPECT_EQ(size->height, height);
  logo::Result<picture::RgbaPicture> whole = picture::decodeWhole(input);
  ASSERT_TRUE(whole) << whole.reason();
  ASSERT_EQ(whole->width, width);
  ASSERT_EQ(whole->height, height);
  int worst = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      // Turned a quarter clockwise: the stored left column is the top row.
      int sx = c.turned ? y : x, sy = c.turned ? kHeight - 1 - x : y;
      const std::uint8_t* expected = source.data() + (sy * kWidth + sx) * 4;
      const std::uint8_t* actual = whole->rgba.data() + (y * width + x) * 4;
      for (int i = 0; i < 3; ++i) worst = std::max(worst, std::abs(actual[i] - expected[i]));
      ASSERT_EQ(actual[3], c.alpha ? expected[3] : 255) << x << "," << y;
    }
  }
  EXPECT_LE(worst, c.tolerance);
}

TEST(Decoding, GivesEveryPixelOfEveryFormat) {
  const Decoded cases[] = {
      {"PNG", encode(Encoding("PNG24")), 0, false, false},
      {"PNG, interlaced", encode(Encoding("PNG24").interlace()), 0, false, false},
      {"PNG with alpha", encode(Encoding("PNG32").withAlpha()), 0, true, false},
      {"PNG of 16 bits", encode(Encoding("PNG48").bits(16)), 1, false, false},
      // ImageMagick reduces the picture to 256 colours for a palette.
      {"PNG with a palette", encode(Encoding("PNG8")), 30, false, false},
      {"PNG with a palette, interlaced", encode(Encoding("PNG8").interlace()), 30, false, false},
      {"GIF", encode(Encoding("GIF")), 14, false, false},
      {"GIF, interlaced", encode(Encoding("GIF").interlace()), 14, false, false},
      {"PPM", encode(Encoding("PPM")), 0, false, false},
      {"PPM of 16 bits", encode(Encoding("PPM").bits(16)), 0, false, false},
      {"PPM as text", encode(Encoding("PPM").asText()), 0, false, false},
      {"BMP of 24 bits", encode(Encoding("BMP3")), 0, false, false},
      {"BMP of 32 bits with alpha", encode(Encoding("BMP").withAlpha()), 0, true, false},
      {"BMP of 16 bits, 5-6-5", encode(Encoding("BMP").define("subtype", "RGB565")), 8, false, false},
  };
  for (const Decoded& c : cases) {
    SCOPED_TRACE(c.what);
    expectSource(c);
  }
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
        ssize_t count = write(out, bytes.data() + done, std::min<std::size_t>(4096, bytes.size() - done));
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
      {"TIFF", encode(Encoding("TIFF")), ""},
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
  Bytes png = encode(Encoding("PNG24"));
  std::fwrite(png.data(), 1, png.size(), file);
  ASSERT_EQ(ftruncate(fileno(file), picture::kMaxInputBytes + 1), 0);  // sparse
  std::rewind(file);
  picture::Input input(file);
  EXPECT_EQ(picture::probe(input).reason(), "file larger than 1 GiB");
  EXPECT_EQ(std::ftell(file), 0);
  std::fclose(file);
}

}  // namespace
