// logofit beside vipsthumbnail (libvips: the fastest common way to scale a
// picture down, and it does no colour reduction) and ImageMagick's convert,
// on large pictures of every format logofit decodes through a library or
// its own streaming readers, and on a small drawing: whole-process time,
// peak memory and the PSNR
// of each result against the picture scaled to 320x400 without colour
// reduction. Each repetition runs a program once; the median of five is
// the figure. logofit's animations are measured on the JPEG beside its
// plain run: what a bar, a layer or a shimmer adds to its time.
#include <Magick++.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/pictures/sample_pictures.h"

namespace {

namespace samples = picture::samples;

const std::string kWork = (std::filesystem::temp_directory_path() / "logofit_benchmark").string();
// 15.4 megapixels, the size of a phone's photograph.
constexpr int kWidth = 4800;
constexpr int kHeight = 3200;

std::string work(const std::string& name) {
  return kWork + "/" + name;
}

// The real convert, not a wrapper that some machines put first in PATH.
std::string convertProgram() {
  for (const char* path : {"/usr/bin/convert-im6.q16", "/usr/bin/convert"}) {
    if (access(path, X_OK) == 0) return path;
  }
  return "convert";
}

// Runs `work` in a child process and hands back the number it returns. The
// benchmark itself stays small this way: a spawned child's peak resident
// size counts the memory of the parent it was spawned from.
template <typename Work>
double inChild(Work work) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return -1;
  pid_t child = fork();
  if (child == 0) {
    Magick::InitializeMagick(nullptr);
    double value = work();
    ssize_t written = write(pipeEnds[1], &value, sizeof value);
    _exit(written == sizeof value ? 0 : 1);
  }
  close(pipeEnds[1]);
  double value = -1;
  if (read(pipeEnds[0], &value, sizeof value) != sizeof value) value = -1;
  close(pipeEnds[0]);
  waitpid(child, nullptr, 0);
  return value;
}

struct Run {
  int status = -1;
  long peakKiB = 0;
};

// Runs a program with its output thrown away; the peak resident size comes
// from the kernel's accounting of that one child.
Run spawnAndWait(std::vector<std::string> argv) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (std::string& word : argv) args.push_back(word.data());
  args.push_back(nullptr);
  pid_t child;
  Run run;
  if (posix_spawnp(&child, args[0], &actions, nullptr, args.data(), environ) == 0) {
    struct rusage usage;
    wait4(child, &run.status, 0, &usage);
    run.peakKiB = usage.ru_maxrss;
  }
  posix_spawn_file_actions_destroy(&actions);
  return run;
}

std::vector<std::uint8_t> rgbOf(Magick::Image image) {
  std::vector<std::uint8_t> rgb(image.columns() * image.rows() * 3);
  image.write(0, 0, image.columns(), image.rows(), "RGB", Magick::CharPixel, rgb.data());
  return rgb;
}

// The picture scaled as the programs are asked to, before colour reduction;
// transparent parts on black, as logofit shows them.
std::vector<std::uint8_t> reference(const std::string& input) {
  Magick::Image image(input);
  if (image.matte()) {
    image.backgroundColor(Magick::Color(0, 0, 0));
    image.alphaChannel(Magick::RemoveAlphaChannel);
  }
  Magick::Geometry size(320, 400);
  size.aspect(true);
  image.resize(size);
  return rgbOf(image);
}

std::vector<std::uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

double psnr(const std::string& input, const std::string& result) {
  std::vector<std::uint8_t> expected = readBytes(input + ".reference");
  Magick::Image image(result);
  if (image.matte()) {
    image.backgroundColor(Magick::Color(0, 0, 0));
    image.alphaChannel(Magick::RemoveAlphaChannel);
  }
  std::vector<std::uint8_t> actual = rgbOf(image);
  if (actual.size() != expected.size()) return 0;
  double squares = 0;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    double d = double(actual[i]) - expected[i];
    squares += d * d;
  }
  return 10 * std::log10(255.0 * 255.0 / (squares / actual.size()));
}

enum class Program { kLogofit, kVips, kConvert, kLogofitBar, kLogofitLayer, kLogofitShimmer };

std::vector<std::string> commandFor(Program program, const std::string& input,
                                    const std::string& output) {
  switch (program) {
    case Program::kLogofit:
      return {LOGOFIT_PROGRAM, "--stretch", input, output};
    case Program::kLogofitBar:
      return {LOGOFIT_PROGRAM, "--stretch", "--bar", input, output};
    case Program::kLogofitLayer:
      return {LOGOFIT_PROGRAM,       "--stretch", "--layer=" + work("ring.png"),
              "--layer-order=angle", input,       output};
    case Program::kLogofitShimmer:
      return {LOGOFIT_PROGRAM, "--stretch", "--shimmer=" + work("sky.png"), input, output};
    case Program::kVips:
      return {"vipsthumbnail", input, "--size", "320x400!", "-o", output};
    case Program::kConvert:
      break;
  }
  return {convertProgram(), input, "-resize", "320x400!", "-colors", "256", "BMP3:" + output};
}

void measure(benchmark::State& state, const std::string& input, Program program) {
  std::string output = work(program == Program::kVips      ? "vips.png"
                            : program == Program::kConvert ? "convert.bmp"
                                                           : "logofit.bmp");
  std::vector<std::string> argv = commandFor(program, input, output);
  long peak = 0;
  for (auto _ : state) {
    Run run = spawnAndWait(argv);
    if (run.status != 0) state.SkipWithError("the program failed");
    peak = std::max(peak, run.peakKiB);
  }
  state.counters["peak_MiB"] = peak / 1024.0;
  // An animation changes the picture on purpose: no PSNR for it.
  if (program <= Program::kConvert) {
    state.counters["PSNR_dB"] = inChild([&] { return psnr(input, output); });
  }
}

void save(const std::string& name, const samples::Bytes& bytes) {
  std::ofstream(work(name), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// The photograph as Magick++ writes it: `format`, with its options.
void write(Magick::Image image, const std::string& name, const char* format,
           std::vector<std::pair<const char*, const char*>> defines = {}) {
  image.magick(format);
  for (auto [key, value] : defines) image.defineValue(format, key, value);
  image.write(work(name));
}

// A ring of eight colours, the rest transparent, for --layer.
samples::Bytes ringLayer() {
  picture::IndexedPicture ring{320, 400, {{}}, {}, {}, {0}};
  for (int e = 1; e <= 8; ++e) {
    auto level = static_cast<std::uint8_t>(30 * e);
    ring.palette.push_back({level, 255, static_cast<std::uint8_t>(255 - level), 0});
  }
  for (int y = 0; y < 400; ++y) {
    for (int x = 0; x < 320; ++x) {
      double dx = (x - 160) * 5.0 / 3, dy = y - 200, r = std::hypot(dx, dy);
      int arc = static_cast<int>((std::atan2(dy, dx) + M_PI) / (M_PI / 4)) % 8;
      ring.indices.push_back(r < 100 || r > 130 ? 0 : 1 + arc);
    }
  }
  return samples::encodePng(ring, 8);
}

// The upper half white, for --shimmer.
samples::Bytes skyMask() {
  std::vector<std::uint8_t> rgb(320 * 400 * 3, 0);
  std::fill(rgb.begin(), rgb.begin() + rgb.size() / 2, 255);
  return samples::encodeTruecolour({320, 400, rgb}, "PNG");
}

const char* const kInputs[] = {
    "photo.jpg",  "photo.png",           "photo-alpha.png", "photo-interlaced.png",
    "photo.webp", "photo-lossless.webp", "photo.tif",       "photo.ppm",
    "photo.bmp",  "photo.gif",           "drawing.png",
};

double makePictures() {
  std::filesystem::create_directories(kWork);
  picture::RgbPicture photo = samples::photoLike(kWidth, kHeight);
  save("photo.bmp", samples::encodeTruecolourBitmap(photo));
  save("drawing.png", samples::encodeTruecolour(samples::drawing(640, 480), "PNG"));
  save("ring.png", ringLayer());
  save("sky.png", skyMask());
  Magick::Image image(kWidth, kHeight, "RGB", Magick::CharPixel, photo.rgb.data());
  photo = {};
  image.depth(8);
  write(image, "photo.jpg", "JPEG");
  write(image, "photo.png", "PNG24");
  write(image, "photo.tif", "TIFF");
  write(image, "photo.ppm", "PPM");
  write(image, "photo.webp", "WEBP");
  write(image, "photo-lossless.webp", "WEBP", {{"lossless", "true"}});
  Magick::Image interlaced = image;
  interlaced.interlaceType(Magick::LineInterlace);
  write(interlaced, "photo-interlaced.png", "PNG24");
  // Alpha falling from opaque at the top to half at the bottom.
  Magick::Image alpha(Magick::Geometry(kWidth, kHeight), "white");
  Magick::Image ramp("gradient:white-gray50");
  ramp.size(Magick::Geometry(kWidth, kHeight));
  ramp.read("gradient:white-gray50");
  Magick::Image withAlpha = image;
  withAlpha.composite(ramp, 0, 0, Magick::CopyOpacityCompositeOp);
  write(withAlpha, "photo-alpha.png", "PNG32");
  Magick::Image gif = image;
  gif.quantizeDither(false);
  gif.quantizeColors(256);
  gif.quantize();
  write(gif, "photo.gif", "GIF");
  for (const char* input : kInputs) {
    std::vector<std::uint8_t> rgb = reference(work(input));
    std::ofstream(work(input) + ".reference", std::ios::binary)
        .write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
  }
  // Written back now, not while the first programs are measured.
  sync();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (inChild(makePictures) != 0) return 1;
  const std::pair<Program, const char*> programs[] = {{Program::kLogofit, "logofit"},
                                                      {Program::kVips, "vipsthumbnail"},
                                                      {Program::kConvert, "convert"}};
  auto add = [](const std::string& name, const char* input, Program program) {
    benchmark::RegisterBenchmark(name.c_str(), measure, work(input), program)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(1)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
  };
  for (const char* input : kInputs) {
    for (auto [program, label] : programs) add(std::string(input) + "/" + label, input, program);
  }
  const std::pair<Program, const char*> animations[] = {
      {Program::kLogofitBar, "logofit --bar"},
      {Program::kLogofitLayer, "logofit --layer"},
      {Program::kLogofitShimmer, "logofit --shimmer"}};
  for (auto [program, label] : animations)
    add(std::string("photo.jpg/") + label, "photo.jpg", program);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
