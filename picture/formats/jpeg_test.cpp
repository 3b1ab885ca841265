// The JPEG adapter against libjpeg's own decoding at the scale expected,
// pixel for pixel, and the refusals of pictures too costly to decode.
// jpeglib.h needs size_t and FILE first.
// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <gtest/gtest.h>

#include "picture/formats/decoder_test_support.h"
#include "tests/pictures/interlaced_pictures.h"
#include "tests/pictures/jpeg_pictures.h"

namespace {

namespace samples = picture::samples;
using picture::Size;
using picture::testing::Bytes;
using picture::testing::Rgba;

constexpr Size kWhole{picture::kMaxSide, picture::kMaxSide};

struct Reference {
  Size size;
  Bytes rgb;
  int channels = 3;
  Rgba at(int x, int y) const {
    const std::uint8_t* p = rgb.data() + (std::size_t(y) * size.width + x) * channels;
    return channels == 1 ? Rgba{p[0], p[0], p[0], 255} : Rgba{p[0], p[1], p[2], 255};
  }
};

// libjpeg's own decoding at eighths/8 of the size, in its default colours.
Reference referenceDecode(const Bytes& jpeg, unsigned eighths) {
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, jpeg.data(), jpeg.size());
  jpeg_read_header(&info, TRUE);
  info.scale_num = eighths;
  info.scale_denom = 8;
  jpeg_start_decompress(&info);
  Reference reference{
      {int(info.output_width), int(info.output_height)}, {}, info.output_components};
  reference.rgb.resize(std::size_t(info.output_width) * info.output_height *
                       info.output_components);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = reference.rgb.data() +
                   std::size_t(info.output_scanline) * info.output_width * info.output_components;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return reference;
}

// A sink that wants half the picture's size or less gets a picture made
// smaller by libjpeg's DCT scaling: the smallest eighth at which both sides
// are at least half the size wanted (the area average after it halves
// them again).
TEST(JpegDecoding, DeliversTheSmallestScaleThatStillGivesTheSizeWanted) {
  const picture::RgbPicture photo = samples::photoLike(61, 47);
  const struct {
    const char* what;
    samples::JpegLayout layout;
    Size wanted;
    unsigned eighths;
    Size delivered;
  } cases[] = {
      {.what = "whole", .layout = {}, .wanted = kWhole, .eighths = 8, .delivered = {61, 47}},
      {.what = "twice the size wanted is the whole picture",
       .layout = {},
       .wanted = {61, 47},
       .eighths = 4,
       .delivered = {31, 24}},
      {.what = "an eighth, rounded up",
       .layout = {},
       .wanted = {16, 12},
       .eighths = 1,
       .delivered = {8, 6}},
      {.what = "three eighths",
       .layout = {},
       .wanted = {44, 34},
       .eighths = 3,
       .delivered = {23, 18}},
      {.what = "the side that needs more decides",
       .layout = {},
       .wanted = {16, 34},
       .eighths = 3,
       .delivered = {23, 18}},
      {.what = "grey, a quarter",
       .layout = {.grey = true},
       .wanted = {30, 24},
       .eighths = 2,
       .delivered = {16, 12}},
      {.what = "progressive, half",
       .layout = {.progressive = true},
       .wanted = {60, 46},
       .eighths = 4,
       .delivered = {31, 24}},
      {.what = "progressive, whole",
       .layout = {.progressive = true},
       .wanted = kWhole,
       .eighths = 8,
       .delivered = {61, 47}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes jpeg = samples::encodeJpeg(photo, c.layout);
    Reference reference = referenceDecode(jpeg, c.eighths);
    ASSERT_EQ(reference.size.width, c.delivered.width);
    ASSERT_EQ(reference.size.height, c.delivered.height);
    auto compared = picture::testing::decodeAndCompare(
        jpeg, c.wanted, [&](int x, int y) { return reference.at(x, y); });
    picture::testing::expectDelivered(compared, c.delivered);
  }
}

// Adobe's programs store CMYK inverted: 255 is no ink. A flat block at
// quality 100 comes back exact, so the colour is checked exactly.
TEST(JpegDecoding, TurnsInvertedCmykIntoRgb) {
  const struct {
    const char* what;
    Rgba inverted;  // cyan, magenta, yellow, black as stored
    Rgba shown;
  } cases[] = {
      {.what = "no ink is white", .inverted = {255, 255, 255, 255}, .shown = {255, 255, 255, 255}},
      {.what = "black ink alone", .inverted = {255, 255, 255, 0}, .shown = {0, 0, 0, 255}},
      {.what = "cyan alone", .inverted = {0, 255, 255, 255}, .shown = {0, 255, 255, 255}},
      // c k / 255, rounded: 100.4, 50.2, 25.1
      {.what = "some of each", .inverted = {200, 100, 50, 128}, .shown = {100, 50, 25, 255}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    samples::InvertedCmyk stored{16, 8, {}};
    for (int i = 0; i < 16 * 8; ++i) {
      stored.cmyk.insert(stored.cmyk.end(), c.inverted.begin(), c.inverted.end());
    }
    auto compared = picture::testing::decodeAndCompare(samples::encodeCmykJpeg(stored), kWhole,
                                                       [&](int, int) { return c.shown; });
    EXPECT_EQ(compared.reason, "");
    if (!compared.reason.empty()) continue;
    EXPECT_EQ(compared.worst, 0) << compared.worstAt;
  }
}

// Probed and decoded whole, the picture is turned as its EXIF block says.
TEST(JpegDecoding, TurnsAsItsExifBlockSays) {
  const picture::RgbPicture photo = samples::photoLike(61, 47);
  const struct {
    const char* what;
    samples::JpegLayout layout;
    int orientation;
    Size shown;
  } cases[] = {
      {.what = "no EXIF", .layout = {}, .orientation = 1, .shown = {61, 47}},
      {.what = "upside down, after an XMP block",
       .layout = {.orientation = 3},
       .orientation = 3,
       .shown = {61, 47}},
      {.what = "a quarter clockwise",
       .layout = {.orientation = 6},
       .orientation = 6,
       .shown = {47, 61}},
      {.what = "a quarter back, big-endian",
       .layout = {.orientation = 8, .bigEndianExif = true},
       .orientation = 8,
       .shown = {47, 61}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes jpeg = samples::encodeJpeg(photo, c.layout);
    picture::testing::expectTurned(jpeg, c.orientation, c.shown);
  }
}

// A progressive picture whose frame header claims another size: its scans
// are counted and weighed before any is decoded.
Bytes progressiveOfSize(Bytes jpeg, int width, int height) {
  for (std::size_t i = 0; i + 9 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC2) {  // marker, length, precision, height, width
      jpeg[i + 5] = std::uint8_t(height >> 8), jpeg[i + 6] = std::uint8_t(height);
      jpeg[i + 7] = std::uint8_t(width >> 8), jpeg[i + 8] = std::uint8_t(width);
      break;
    }
  }
  return jpeg;
}

TEST(JpegDecoding, RefusesWhatIsDamagedOrTooCostlyToDecode) {
  const picture::RgbPicture small = samples::photoLike(16, 16);
  // 379 scans: each of 63 coefficients of each channel alone, then refined.
  const Bytes manyScans = samples::encodeProgressiveJpeg(small, 1);
  Bytes cut = samples::encodeJpeg(samples::photoLike(200, 150), {});
  cut.resize(cut.size() - 3000);
  const struct {
    const char* what;
    Bytes jpeg;
    const char* reason;
  } cases[] = {
      {.what = "cut short", .jpeg = cut, .reason = "JPEG: Premature end of JPEG file"},
      {.what = "759 scans",
       .jpeg = samples::encodeProgressiveJpeg(small, 3),
       .reason = "JPEG: more than 500 progressive scans"},
      // Each scan a pass over the blocks of its channels: a third of the
      // scans over the 1163 x 1163 blocks of luma, two thirds over the
      // 582 x 582 of each chroma channel, the first over all three: 258
      // million blocks, beyond the 256 million allowed.
      {.what = "379 scans of 9300x9300",
       .jpeg = progressiveOfSize(manyScans, 9300, 9300),
       .reason = "JPEG: progressive scans too slow to decode: 379 scans of 86.5 megapixels, "
                 "1 KB of coded data"},
      // 1528 blocks within the bound; each of the 379 scans holds a byte or
      // more of coded data, each weighing as much as 8 blocks.
      {.what = "379 scans of 9528x9017",
       .jpeg = progressiveOfSize(manyScans, 9528, 9017),
       .reason = "JPEG: progressive scans too slow to decode: 379 scans of 85.9 megapixels, "
                 "1 KB of coded data"},
      // 241 million blocks: the scans are read, and found to be those of a
      // smaller picture.
      {.what = "379 scans of 9000x9000",
       .jpeg = progressiveOfSize(manyScans, 9000, 9000),
       .reason = "JPEG: Corrupt JPEG data: premature end of data segment"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(picture::testing::reasonFitting(c.jpeg), c.reason);
  }
}

// What the decoder was at when memory ran out, in a process that has
// little of it to spare.
TEST(JpegDecoding, SaysWhatItDecodedWhenMemoryRunsOut) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the sanitizer reserves more address space than the limit";
#endif
  auto grey = [](int width, int height) {
    return picture::RgbPicture{width, height, Bytes(std::size_t(width) * height * 3, 128)};
  };
  const Bytes progressive = samples::encodeJpeg(grey(4000, 4000), {.progressive = true});
  const Bytes wide = samples::encodeJpeg(grey(60000, 16), {});
  const struct {
    const char* what;
    const Bytes& jpeg;
    std::size_t headroom;
    const char* reason;
  } cases[] = {
      // Its coefficients: 4000 x 4000 luma samples and two quarters of
      // chroma, 2 bytes each.
      {.what = "progressive, held whole",
       .jpeg = progressive,
       .headroom = 32 << 20,
       .reason = "JPEG: out of memory: a progressive picture is held whole while it is "
                 "decoded, 46 MiB for this one"},
      {.what = "wide, its rows decoded whole",
       .jpeg = wide,
       .headroom = 1 << 20,
       .reason = "JPEG: out of memory: decoding a 60000x16 picture"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(picture::testing::reasonInLittleMemory(c.jpeg, c.headroom,
                                                     picture::testing::Decoding::kWhole),
              c.reason);
  }
}

}  // namespace
