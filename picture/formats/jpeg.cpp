// JPEG through libjpeg-turbo, decoded at the smallest DCT scale that still
// gives the size needed, a row at a time.
// jpeglib.h needs size_t and FILE first.
// clang-format off
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <new>
#include <string>

#include "picture/formats/byte_reader.h"
#include "picture/formats/format.h"

namespace picture {
namespace {

constexpr std::size_t kBlock = 1 << 16;

struct Reader {
  jpeg_source_mgr manager;
  Input* input;
  JOCTET buffer[kBlock];
};

struct Errors {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

extern "C" void startJpegInput(j_decompress_ptr) {}

extern "C" boolean fillJpegBuffer(j_decompress_ptr info) {
  auto* reader = reinterpret_cast<Reader*>(info->src);
  std::size_t count = reader->input->read(reader->buffer, kBlock);
  if (count == 0) {
    // As libjpeg's own sources do: an end of image, after a warning.
    WARNMS(info, JWRN_JPEG_EOF);
    reader->buffer[0] = 0xFF;
    reader->buffer[1] = JPEG_EOI;
    count = 2;
  }
  reader->manager.next_input_byte = reader->buffer;
  reader->manager.bytes_in_buffer = count;
  return TRUE;
}

extern "C" void skipJpegInput(j_decompress_ptr info, long count) {
  auto* reader = reinterpret_cast<Reader*>(info->src);
  while (count > static_cast<long>(reader->manager.bytes_in_buffer)) {
    count -= static_cast<long>(reader->manager.bytes_in_buffer);
    fillJpegBuffer(info);
  }
  reader->manager.next_input_byte += count;
  reader->manager.bytes_in_buffer -= static_cast<std::size_t>(count);
}

extern "C" void endJpegInput(j_decompress_ptr) {}

extern "C" void failJpeg(j_common_ptr info) {
  auto* errors = reinterpret_cast<Errors*>(info->err);
  (*info->err->format_message)(info, errors->message);
  std::longjmp(errors->jump, 1);
}

// A damaged picture is an error; other warnings (an odd marker) are not.
extern "C" void warnOrFailJpeg(j_common_ptr info, int level) {
  if (level < 0 && info->err->msg_code != JWRN_EXTRANEOUS_DATA) failJpeg(info);
}

// libjpeg's state and the jump target live here, so that a long jump skips
// no destructor of the caller's.
class Decompressor {
 public:
  explicit Decompressor(Input& input) {
    info_.err = jpeg_std_error(&errors_.manager);
    errors_.manager.error_exit = failJpeg;
    errors_.manager.emit_message = warnOrFailJpeg;
    reader_.input = &input;
    reader_.manager = {
        nullptr,     0, startJpegInput, fillJpegBuffer, skipJpegInput, jpeg_resync_to_restart,
        endJpegInput};
  }
  ~Decompressor() { jpeg_destroy_decompress(&info_); }

  jpeg_decompress_struct info_{};
  Errors errors_{};
  Reader reader_{};
};

int orientationOf(jpeg_decompress_struct& info) {
  for (jpeg_saved_marker_ptr marker = info.marker_list; marker; marker = marker->next) {
    if (marker->marker == JPEG_APP0 + 1 && marker->data_length > 6 &&
        std::equal(marker->data, marker->data + 6, "Exif\0\0")) {
      return exifOrientation(ByteView(marker->data + 6, marker->data_length - 6));
    }
  }
  return 1;
}

bool startHeader(Decompressor& d) {
  if (setjmp(d.errors_.jump) != 0) return false;
  jpeg_create_decompress(&d.info_);
  d.info_.src = &d.reader_.manager;
  jpeg_save_markers(&d.info_, JPEG_APP0 + 1, 0xFFFF);
  jpeg_read_header(&d.info_, TRUE);
  return true;
}

// Each scan of a progressive picture is a pass over the blocks of the
// channels it names, and a small file can hold hundreds of valid scans of
// a large picture: minutes of work. So the scans are counted and weighed
// from the markers before any is decoded, and a picture too slow to decode
// is refused at once. On the machine measured a block took about 12 ns a
// scan, and a byte of coded data as long as 8 blocks.
struct ScanWork {
  int scans = 0;
  unsigned long long blocks = 0;  // summed over the scans
  unsigned long long bytes = 0;   // of coded data
  unsigned long long weight() const { return blocks + 8 * bytes; }
};

// Encoders write about ten; libjpeg-turbo's own tools, asked to limit
// scans, stop at 500.
constexpr int kMostScans = 500;
// About 3.3 s of one core on the machine measured, so that what is taken
// is decoded within 10 s on a machine half as fast or with the other core
// busy.
constexpr unsigned long long kMostScanWork = 256'000'000;

class ScanCounter {
 public:
  ScanCounter(Input& input, const jpeg_decompress_struct& info) : reader_(input), info_(info) {}

  ScanWork count() {
    for (int marker = nextMarker(); marker >= 0 && marker != JPEG_EOI; marker = nextMarker()) {
      if (marker == 0xD8 || marker == 0x01) continue;  // SOI and TEM stand alone
      int high = reader_.next(), low = reader_.next();
      if (low < 0 || (high << 8 | low) < 2) break;
      std::uint64_t payload = static_cast<std::uint64_t>(high << 8 | low) - 2;
      std::uint64_t header = marker == 0xDA ? countScan() : 0;
      if (header > payload || !reader_.skip(payload - header)) break;
    }
    return work_;
  }

 private:
  // The next marker, past the coded data and the stuffed and restart
  // bytes within it; -1 at the end.
  int nextMarker() {
    for (;;) {
      int byte = reader_.next();
      if (byte < 0) return -1;
      if (byte != 0xFF) {
        ++work_.bytes;
        continue;
      }
      while (byte == 0xFF) byte = reader_.next();
      if (byte < 0) return -1;
      if (byte != 0 && (byte < 0xD0 || byte > 0xD7)) return byte;
      work_.bytes += 2;
    }
  }
  // The channels a scan header names; how many of its bytes were read.
  std::uint64_t countScan() {
    ++work_.scans;
    int channels = reader_.next();
    for (int i = 0; i < channels; ++i) {
      int id = reader_.next();
      reader_.next();  // its tables
      for (int c = 0; c < info_.num_components; ++c) {
        const jpeg_component_info& component = info_.comp_info[c];
        if (component.component_id == id) {
          work_.blocks += 1ull * component.width_in_blocks * component.height_in_blocks;
        }
      }
    }
    return 1 + 2 * static_cast<std::uint64_t>(std::max(channels, 0));
  }

  ByteReader reader_;
  const jpeg_decompress_struct& info_;
  ScanWork work_;
};

std::string megapixels(const jpeg_decompress_struct& info) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f megapixels", 1e-6 * info.image_width * info.image_height);
  return text;
}

std::string dataSize(unsigned long long bytes) {
  char text[32];
  if (bytes < 1'000'000) {
    std::snprintf(text, sizeof text, "%llu KB", (bytes + 999) / 1000);
  } else {
    std::snprintf(text, sizeof text, "%.1f MB", 1e-6 * double(bytes));
  }
  return text;
}

logo::Status scansAllowed(Input& input, const jpeg_decompress_struct& info) {
  std::uint64_t resume = input.position();
  if (!input.seek(0)) return logo::Failure{"the input cannot be read again"};
  ScanWork work = ScanCounter(input, info).count();
  input.seek(resume);
  if (work.scans > kMostScans) {
    return logo::Failure{"JPEG: more than " + std::to_string(kMostScans) + " progressive scans"};
  }
  if (work.weight() <= kMostScanWork) return {};
  return logo::Failure{"JPEG: progressive scans too slow to decode: " + std::to_string(work.scans) +
                       " scans of " + megapixels(info) + ", " + dataSize(work.bytes) +
                       " of coded data"};
}

// Adobe's CMYK is stored inverted: 255 is no ink.
void cmykToRgb(std::uint8_t* row, int width) {
  for (int x = 0; x < width; ++x) {
    const std::uint8_t* p = row + 4 * x;
    unsigned k = p[3];
    std::uint8_t* out = row + 3 * x;
    std::uint8_t c = p[0], m = p[1], y = p[2];
    out[0] = static_cast<std::uint8_t>((c * k + 127) / 255);
    out[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
    out[2] = static_cast<std::uint8_t>((y * k + 127) / 255);
  }
}

bool decodeRows(Decompressor& d, Sink& target, std::vector<std::uint8_t>& row) {
  if (setjmp(d.errors_.jump) != 0) return false;
  jpeg_decompress_struct& info = d.info_;
  bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk                                     ? JCS_CMYK
                         : info.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE
                                                                  : JCS_RGB;
  // The DCT scaling averages whole blocks, an area average of its own: the
  // decoder needs to give only the size shown, not the area average's twice.
  Size wanted = target.wanted();
  wanted = {(wanted.width + 1) / 2, (wanted.height + 1) / 2};
  info.scale_denom = 8;
  info.scale_num = 8;
  for (unsigned eighths = 1; eighths < 8; ++eighths) {
    auto scaled = [&](JDIMENSION side) { return (side * eighths + 7) / 8; };
    if (scaled(info.image_width) >= unsigned(wanted.width) &&
        scaled(info.image_height) >= unsigned(wanted.height)) {
      info.scale_num = eighths;
      break;
    }
  }
  jpeg_start_decompress(&info);
  target.begin({static_cast<int>(info.output_width), static_cast<int>(info.output_height)});
  row.resize(std::size_t(info.output_width) * info.output_components);
  while (info.output_scanline < info.output_height) {
    int y = static_cast<int>(info.output_scanline);
    JSAMPROW rows[1] = {row.data()};
    jpeg_read_scanlines(&info, rows, 1);
    int channels = info.output_components;
    if (cmyk) {
      cmykToRgb(row.data(), static_cast<int>(info.output_width));
      channels = 3;
    }
    target.put(y, 0, 1, static_cast<int>(info.output_width), row.data(), channels);
  }
  jpeg_finish_decompress(&info);
  return true;
}

// A progressive picture is held whole, as coefficients, until its last
// scan: 2 bytes for each of its samples at full size.
unsigned long long coefficientMiB(const jpeg_decompress_struct& info) {
  unsigned long long bytes = 0;
  for (int c = 0; c < info.num_components; ++c) {
    const jpeg_component_info& component = info.comp_info[c];
    bytes +=
        1ull * component.width_in_blocks * component.height_in_blocks * DCTSIZE2 * sizeof(JCOEF);
  }
  return (bytes + (1 << 20) - 1) >> 20;
}

std::string outOfMemory(jpeg_decompress_struct& info) {
  if (jpeg_has_multiple_scans(&info)) {
    return "JPEG: out of memory: a progressive picture is held whole while it is decoded, " +
           std::to_string(coefficientMiB(info)) + " MiB for this one";
  }
  return "JPEG: out of memory: decoding a " + std::to_string(info.image_width) + "x" +
         std::to_string(info.image_height) + " picture";
}

std::string reasonOf(Decompressor& d) {
  if (d.info_.err->msg_code == JERR_OUT_OF_MEMORY) return outOfMemory(d.info_);
  return std::string("JPEG: ") + d.errors_.message;
}

}  // namespace

logo::Result<Stored> probeJpeg(Input& input) {
  Decompressor d(input);
  if (!startHeader(d)) return logo::Failure{reasonOf(d)};
  return Stored{{static_cast<int>(std::min<JDIMENSION>(d.info_.image_width, 1 << 30)),
                 static_cast<int>(std::min<JDIMENSION>(d.info_.image_height, 1 << 30))},
                orientationOf(d.info_)};
}

logo::Status decodeJpeg(Input& input, Sink& target) {
  Decompressor d(input);
  std::vector<std::uint8_t> row;
  if (!startHeader(d)) return logo::Failure{reasonOf(d)};
  if (jpeg_has_multiple_scans(&d.info_)) {
    if (logo::Status allowed = scansAllowed(input, d.info_); !allowed) return allowed;
  }
  try {
    if (!decodeRows(d, target, row)) return logo::Failure{reasonOf(d)};
  } catch (const std::bad_alloc&) {
    return logo::Failure{outOfMemory(d.info_)};
  }
  return {};
}

namespace {

bool sniffJpeg(ByteView head) {
  return head.size() >= 3 && std::memcmp(head.data(), "\xFF\xD8\xFF", 3) == 0;
}

}  // namespace

const Adapter kJpegAdapter{Format::kJpeg, sniffJpeg, probeJpeg, decodeJpeg, nullptr};

}  // namespace picture
