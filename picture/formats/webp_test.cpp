// The WebP adapter against libwebp's own decoding at the size expected,
// pixel for pixel, and an animation's first frame on its canvas.
#include <gtest/gtest.h>
#include <webp/decode.h>

#include "picture/formats/decoder_test_support.h"
#include "tests/pictures/webp_pictures.h"

namespace {

namespace samples = picture::samples;
using picture::RgbaPicture;
using picture::Size;
using picture::testing::Bytes;
using picture::testing::Rgba;

constexpr Size kWhole{picture::kMaxSide, picture::kMaxSide};

// Every pixel differs; alpha runs from opaque to nearly clear down the rows
// (the encoder drops the colour of a clear pixel).
RgbaPicture pattern(Size size, bool alpha) {
  RgbaPicture picture{size.width, size.height, {}};
  for (int y = 0; y < size.height; ++y) {
    for (int x = 0; x < size.width; ++x) {
      std::uint8_t opacity =
          alpha ? std::uint8_t(255 - 250 * y / std::max(1, size.height - 1)) : 255;
      picture.rgba.insert(picture.rgba.end(), {std::uint8_t(x * 4), std::uint8_t(y * 5),
                                               std::uint8_t(250 - 3 * (x + y)), opacity});
    }
  }
  return picture;
}

Rgba pixelOf(const RgbaPicture& picture, int x, int y) {
  const std::uint8_t* p = picture.rgba.data() + (std::size_t(y) * picture.width + x) * 4;
  return {p[0], p[1], p[2], p[3]};
}

// One opaque colour.
RgbaPicture flat(Size size) {
  RgbaPicture picture{size.width, size.height, {}};
  for (int i = 0; i < size.width * size.height; ++i) {
    picture.rgba.insert(picture.rgba.end(), {200, 100, 50, 255});
  }
  return picture;
}

// libwebp's own decoding to `size`: scaled, with colours premultiplied and
// alpha dropped, as the adapter delivers a scaled picture.
RgbaPicture referenceDecode(const std::uint8_t* data, std::size_t bytes, Size size) {
  WebPDecoderConfig config;
  WebPInitDecoderConfig(&config);
  WebPGetFeatures(data, bytes, &config.input);
  bool scaling = size.width < config.input.width || size.height < config.input.height;
  config.options.use_scaling = scaling;
  config.options.scaled_width = size.width;
  config.options.scaled_height = size.height;
  config.output.colorspace = scaling ? MODE_rgbA : MODE_RGBA;
  EXPECT_EQ(WebPDecode(data, bytes, &config), VP8_STATUS_OK);
  RgbaPicture picture{size.width, size.height, {}};
  const WebPRGBABuffer& rgba = config.output.u.RGBA;
  for (int y = 0; y < size.height; ++y) {
    const std::uint8_t* row = rgba.rgba + std::size_t(y) * rgba.stride;
    picture.rgba.insert(picture.rgba.end(), row, row + 4 * size.width);
  }
  if (scaling) {
    for (std::size_t i = 3; i < picture.rgba.size(); i += 4) picture.rgba[i] = 255;
  }
  WebPFreeDecBuffer(&config.output);
  return picture;
}

// A sink that wants half the picture's size or less gets it scaled by
// libwebp to half the size wanted (the area average after it halves it
// again); alpha then comes premultiplied, flattened on black.
TEST(WebpDecoding, DeliversHalfTheSizeWanted) {
  const Size size{61, 47};
  const struct {
    const char* what;
    bool lossless;
    bool alpha;
    Size wanted;
    Size delivered;
  } cases[] = {
      {.what = "lossy, whole",
       .lossless = false,
       .alpha = false,
       .wanted = kWhole,
       .delivered = size},
      {.what = "lossy, scaled",
       .lossless = false,
       .alpha = false,
       .wanted = {30, 24},
       .delivered = {15, 12}},
      {.what = "lossless with alpha, whole",
       .lossless = true,
       .alpha = true,
       .wanted = kWhole,
       .delivered = size},
      {.what = "lossless with alpha, scaled",
       .lossless = true,
       .alpha = true,
       .wanted = {41, 30},
       .delivered = {21, 15}},
      {.what = "lossy with alpha, scaled",
       .lossless = false,
       .alpha = true,
       .wanted = {60, 20},
       .delivered = {30, 10}},
      {.what = "one side scaled",
       .lossless = true,
       .alpha = true,
       .wanted = {200, 60},
       .delivered = {61, 30}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes webp = samples::encodeWebp(pattern(size, c.alpha), c.lossless);
    RgbaPicture reference = referenceDecode(webp.data(), webp.size(), c.delivered);
    auto compared = picture::testing::decodeAndCompare(
        webp, c.wanted, [&](int x, int y) { return pixelOf(reference, x, y); });
    picture::testing::expectDelivered(compared, c.delivered);
  }
}

// Lossless pictures come back as they were made.
TEST(WebpDecoding, GivesALosslessPictureExactly) {
  RgbaPicture source = pattern({61, 47}, true);
  auto compared =
      picture::testing::decodeAndCompare(samples::encodeWebp(source, true), kWhole,
                                         [&](int x, int y) { return pixelOf(source, x, y); });
  EXPECT_EQ(compared.reason, "");
  EXPECT_EQ(compared.worst, 0) << compared.worstAt;
}

// The first frame at its offset, the canvas around it transparent; scaled,
// the frame's edges are rounded to the nearest pixel of the smaller canvas
// and the transparent canvas comes flattened on black.
TEST(WebpDecoding, PlacesTheFirstFrameOnItsCanvas) {
  const struct {
    const char* what;
    Size canvas;
    samples::WebpFrame first;
    Size wanted;
    Size delivered;
    int left, top;
    Size frame;  // as delivered
    Rgba around;
  } cases[] = {
      {.what = "at its offset",
       .canvas = {40, 30},
       .first = {pattern({20, 10}, true), 8, 6, true},
       .wanted = kWhole,
       .delivered = {40, 30},
       .left = 8,
       .top = 6,
       .frame = {20, 10},
       .around = {0, 0, 0, 0}},
      {.what = "covering the canvas",
       .canvas = {40, 30},
       .first = {pattern({40, 30}, true), 0, 0, true},
       .wanted = kWhole,
       .delivered = {40, 30},
       .left = 0,
       .top = 0,
       .frame = {40, 30},
       .around = {0, 0, 0, 0}},
      // 100 x 25 / 400 = 6.25 to 300 x 25 / 400 = 18.75; 50 x 19 / 300 = 3.2
      // to 150 x 19 / 300 = 9.5
      {.what = "scaled",
       .canvas = {400, 300},
       .first = {pattern({200, 100}, false), 100, 50, true},
       .wanted = {50, 38},
       .delivered = {25, 19},
       .left = 6,
       .top = 3,
       .frame = {13, 7},
       .around = {0, 0, 0, 255}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RgbaPicture second = pattern(c.canvas, false);
    Bytes webp = samples::encodeAnimatedWebp(c.canvas, {c.first, {second, 0, 0, true}});
    Bytes still = samples::encodeWebp(c.first.picture, true);
    RgbaPicture frame = referenceDecode(still.data(), still.size(), c.frame);
    auto compared = picture::testing::decodeAndCompare(webp, c.wanted, [&](int x, int y) {
      bool inside =
          x >= c.left && x < c.left + c.frame.width && y >= c.top && y < c.top + c.frame.height;
      return inside ? pixelOf(frame, x - c.left, y - c.top) : c.around;
    });
    picture::testing::expectDelivered(compared, c.delivered);
  }
}

Bytes firstHalf(Bytes bytes) {
  bytes.resize(bytes.size() / 2);
  return bytes;
}

// Noise, so that half the file holds far more than its headers.
RgbaPicture noise(Size size) {
  RgbaPicture picture{size.width, size.height, {}};
  std::uint32_t state = 12345;
  for (int i = 0; i < size.width * size.height * 4; ++i) {
    state = state * 1664525 + 1013904223;
    picture.rgba.push_back(i % 4 == 3 ? 255 : std::uint8_t(state >> 24));
  }
  return picture;
}

TEST(WebpDecoding, SaysWhenTheFileEndsEarly) {
  const RgbaPicture picture = noise({200, 150});
  const struct {
    const char* what;
    Bytes webp;
  } cases[] = {
      {.what = "lossy", .webp = firstHalf(samples::encodeWebp(picture, false))},
      {.what = "lossless", .webp = firstHalf(samples::encodeWebp(picture, true))},
      {.what = "an animation",
       .webp = firstHalf(samples::encodeAnimatedWebp(
           {200, 150}, {{picture, 0, 0, true}, {pattern({2, 2}, false), 0, 0, true}}))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    picture::Input input(c.webp);
    EXPECT_EQ(picture::decodeWhole(input).reason(), "WebP: the file ends early");
  }
}

// Bits written from the lowest of each byte up, as VP8L reads them.
class BitWriter {
 public:
  void put(std::uint32_t value, int bits) {
    for (int i = 0; i < bits; ++i, ++count_) {
      if (count_ % 8 == 0) bytes_.push_back(0);
      bytes_.back() |= static_cast<std::uint8_t>((value >> i & 1) << (count_ % 8));
    }
  }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
  int count_ = 0;
};

void putLittle(Bytes& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> 8 * i));
}

void putChunk(Bytes& out, const char* name, const Bytes& payload) {
  out.insert(out.end(), name, name + 4);
  putLittle(out, static_cast<std::uint32_t>(payload.size()), 4);
  out.insert(out.end(), payload.begin(), payload.end());
  if (payload.size() % 2 != 0) out.push_back(0);
}

// A lossless frame of one colour, of any size in a few bytes: every prefix
// code holds a single symbol, so that no pixel takes a bit.
Bytes oneColour(Size size) {
  BitWriter bits;
  bits.put(0x2f, 8);  // the signature
  bits.put(static_cast<std::uint32_t>(size.width - 1), 14);
  bits.put(static_cast<std::uint32_t>(size.height - 1), 14);
  bits.put(0, 1);                                           // no alpha
  bits.put(0, 3);                                           // version 0
  bits.put(0, 1);                                           // no transform
  bits.put(0, 1);                                           // no colour cache
  bits.put(0, 1);                                           // one set of prefix codes
  for (std::uint32_t symbol : {0u, 200u, 50u, 255u, 0u}) {  // green, red, blue, alpha, distance
    bits.put(1, 1);                                         // a simple code
    bits.put(0, 1);                                         // of one symbol
    bits.put(symbol > 1 ? 1 : 0, 1);                        // of 8 bits or 1
    bits.put(symbol, symbol > 1 ? 8 : 1);
  }
  return bits.bytes();
}

// An animation whose one frame of `frame` fills a canvas of that size.
Bytes animationOf(Size frame, const Bytes& lossless) {
  Bytes vp8x = {0x02, 0, 0, 0};  // an animation
  putLittle(vp8x, static_cast<std::uint32_t>(frame.width - 1), 3);
  putLittle(vp8x, static_cast<std::uint32_t>(frame.height - 1), 3);
  Bytes anim = {0, 0, 0, 0, 0, 0};  // transparent background, looped for ever
  Bytes anmf = {0, 0, 0, 0, 0, 0};  // at 0, 0
  putLittle(anmf, static_cast<std::uint32_t>(frame.width - 1), 3);
  putLittle(anmf, static_cast<std::uint32_t>(frame.height - 1), 3);
  anmf.insert(anmf.end(), {100, 0, 0, 0});  // 100 ms, no blending or disposal
  putChunk(anmf, "VP8L", lossless);
  Bytes chunks = {'W', 'E', 'B', 'P'};
  putChunk(chunks, "VP8X", vp8x);
  putChunk(chunks, "ANIM", anim);
  putChunk(chunks, "ANMF", anmf);
  Bytes file;
  putChunk(file, "RIFF", chunks);
  return file;
}

// What the decoder was at when memory ran out, in a process that has
// little of it to spare; an animation's frame is scaled as it is decoded.
TEST(WebpDecoding, NeedsMemoryForTheSizeDeliveredAndSaysWhenItRunsOut) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the sanitizer reserves more address space than the limit";
#endif
  const Size huge{10000, 10000};
  using picture::testing::Decoding;
  const struct {
    const char* what;
    Bytes webp;
    Decoding decoding;
    std::size_t headroom;
    const char* reason;
  } cases[] = {
      // libwebp holds every pixel of a lossless picture while it decodes it.
      {.what = "a lossless frame of 10000x10000 in a few bytes",
       .webp = animationOf(huge, oneColour(huge)),
       .decoding = Decoding::kFitted,
       .headroom = 64 << 20,
       .reason = "WebP: out of memory: decoding a 10000x10000 picture"},
      {.what = "a lossless picture, whole",
       .webp = samples::encodeWebp(flat({2000, 2000}), true),
       .decoding = Decoding::kWhole,
       .headroom = 8 << 20,
       .reason = "WebP: out of memory: decoding a 2000x2000 picture"},
      {.what = "a lossy frame of 3000x3000, fitted",
       .webp = samples::encodeAnimatedWebp(
           {3000, 3000}, {{flat({3000, 3000}), 0, 0, false}, {flat({2, 2}), 0, 0, false}}),
       .decoding = Decoding::kFitted,
       .headroom = 16 << 20,
       .reason = ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(picture::testing::reasonInLittleMemory(c.webp, c.headroom, c.decoding), c.reason);
  }
}

}  // namespace
