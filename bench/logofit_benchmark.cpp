// logofit beside ImageMagick's convert on the same pictures: whole-process
// time, peak memory and the PSNR of the 256-colour result against the
// picture scaled to 320x400 without colour reduction.
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
#include <string>
#include <vector>

#include "tests/pictures/sample_pictures.h"

namespace {

namespace samples = logofit::samples;

const std::string kWork = (std::filesystem::temp_directory_path() / "logofit_benchmark").string();

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

// The input scaled as both programs are asked to, before colour reduction.
std::vector<std::uint8_t> reference(const std::string& input) {
  Magick::Image image(input);
  Magick::Geometry size(320, 400);
  size.aspect(true);
  image.resize(size);
  return rgbOf(image);
}

double psnr(const std::vector<std::uint8_t>& expected, const std::string& result) {
  std::vector<std::uint8_t> actual = rgbOf(Magick::Image(result));
  if (actual.size() != expected.size()) return 0;
  double squares = 0;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    double d = double(actual[i]) - expected[i];
    squares += d * d;
  }
  return 10 * std::log10(255.0 * 255.0 / (squares / actual.size()));
}

void measure(benchmark::State& state, const std::string& input, bool withLogofit) {
  std::string output = work(withLogofit ? "logofit.bmp" : "convert.bmp");
  std::vector<std::string> argv =
      withLogofit ? std::vector<std::string>{LOGOFIT_PROGRAM, "--stretch", input, output}
                  : std::vector<std::string>{convertProgram(), input, "-resize",       "320x400!",
                                             "-colors",        "256", "BMP3:" + output};
  long peak = 0;
  for (auto _ : state) {
    Run run = spawnAndWait(argv);
    if (run.status != 0) state.SkipWithError("the program failed");
    peak = std::max(peak, run.peakKiB);
  }
  state.counters["peak_MiB"] = peak / 1024.0;
  state.counters["PSNR_dB"] = inChild([&] { return psnr(reference(input), output); });
}

void save(const std::string& name, const samples::Bytes& bytes) {
  std::ofstream(work(name), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

double makePictures() {
  std::filesystem::create_directories(kWork);
  logofit::RgbPicture photo = samples::photoLike(4000, 3000);
  save("photo.jpg", samples::encodeTruecolour(photo, "JPEG"));
  save("photo.png", samples::encodeTruecolour(photo, "PNG"));
  save("drawing.png", samples::encodeTruecolour(samples::drawing(640, 480), "PNG"));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  inChild(makePictures);
  for (const char* input : {"photo.jpg", "photo.png", "drawing.png"}) {
    for (bool withLogofit : {true, false}) {
      std::string name = std::string(withLogofit ? "logofit/" : "convert/") + input;
      benchmark::RegisterBenchmark(name.c_str(), measure, work(input), withLogofit)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime()
          ->Iterations(5);
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
