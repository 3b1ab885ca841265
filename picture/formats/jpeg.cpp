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
#include <string>

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

// Each scan of a progressive picture is a pass over all of it, and a small
// file can hold thousands of valid scans: minutes of work. Encoders write
// about ten; libjpeg-turbo's own tools, asked to limit scans, stop at 500.
constexpr int kMostScans = 500;

extern "C" void limitScans(j_common_ptr common) {
  auto* info = reinterpret_cast<j_decompress_ptr>(common);
  if (info->input_scan_number <= kMostScans) return;
  auto* errors = reinterpret_cast<Errors*>(common->err);
  std::snprintf(errors->message, sizeof errors->message, "more than %d progressive scans",
                kMostScans);
  std::longjmp(errors->jump, 1);
}

// libjpeg's state and the jump target live here, so that a long jump skips
// no destructor of the caller's.
class Decompressor {
 public:
  explicit Decompressor(Input& input) {
    info_.err = jpeg_std_error(&errors_.manager);
    errors_.manager.error_exit = failJpeg;
    errors_.manager.emit_message = warnOrFailJpeg;
    progress_.progress_monitor = limitScans;
    reader_.input = &input;
    reader_.manager = {
        nullptr,     0, startJpegInput, fillJpegBuffer, skipJpegInput, jpeg_resync_to_restart,
        endJpegInput};
  }
  ~Decompressor() { jpeg_destroy_decompress(&info_); }

  jpeg_decompress_struct info_{};
  Errors errors_{};
  jpeg_progress_mgr progress_{};
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
  d.info_.progress = &d.progress_;
  d.info_.src = &d.reader_.manager;
  jpeg_save_markers(&d.info_, JPEG_APP0 + 1, 0xFFFF);
  jpeg_read_header(&d.info_, TRUE);
  return true;
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

std::string reasonOf(Decompressor& d) {
  jpeg_decompress_struct& info = d.info_;
  if (info.err->msg_code == JERR_OUT_OF_MEMORY && jpeg_has_multiple_scans(&info)) {
    return "JPEG: out of memory: a progressive picture is held whole while it is decoded, " +
           std::to_string(coefficientMiB(info)) + " MiB for this one";
  }
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
  if (!startHeader(d) || !decodeRows(d, target, row)) return logo::Failure{reasonOf(d)};
  return {};
}

namespace {

bool sniffJpeg(ByteView head) {
  return head.size() >= 3 && std::memcmp(head.data(), "\xFF\xD8\xFF", 3) == 0;
}

}  // namespace

const Adapter kJpegAdapter{Format::kJpeg, sniffJpeg, probeJpeg, decodeJpeg, nullptr};

}  // namespace picture
