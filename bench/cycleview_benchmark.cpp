// What one run of cycleview costs, next to copying the same logo with cp:
// whole-process time, the peak memory of the process, and the GIF's size.
// Two logos: the demo's (twelve ring colours) and one whose sixteen animated
// colours cover half the picture, spread over all of it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "logo_image/layout.h"
#include "logo_image/logo_file.h"

namespace {

const std::string kWork = (std::filesystem::temp_directory_path() / "cycleview_benchmark").string();

std::string work(const char* name) {
  return kWork + "/" + name;
}

struct Run {
  int status = -1;
  long peakKilobytes = 0;
};

// Runs a program with the named file as its standard input and its output
// thrown away. A child made by fork, unlike one made by vfork, starts its
// peak resident memory from the parent's anonymous pages only, not from the
// whole benchmark process; wait4 reports that peak.
Run spawnAndWait(std::vector<std::string> argv, const std::string& input) {
  std::vector<char*> args;
  for (std::string& word : argv) args.push_back(word.data());
  args.push_back(nullptr);
  Run run;
  pid_t child = fork();
  if (child == 0) {
    int in = open(input.c_str(), O_RDONLY);
    int out = open("/dev/null", O_WRONLY);
    if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0) _exit(126);
    execv(args[0], args.data());
    _exit(127);
  }
  if (child > 0) {
    rusage usage{};
    wait4(child, &run.status, 0, &usage);
    run.peakKilobytes = usage.ru_maxrss;
  }
  return run;
}

void runEach(benchmark::State& state, std::vector<std::string> argv, const char* output) {
  long peak = 0;
  for (auto _ : state) {
    Run run = spawnAndWait(argv, work("none"));
    if (run.status != 0) state.SkipWithError("the program failed");
    peak = std::max(peak, run.peakKilobytes);
  }
  state.counters["peak_kB"] = static_cast<double>(peak);
  std::error_code missing;
  auto size = std::filesystem::file_size(work(output), missing);
  state.counters["out_bytes"] = missing ? 0.0 : static_cast<double>(size);
}

void copyDemoLogo(benchmark::State& state) {
  runEach(state, {"/bin/cp", work("demo.sys"), work("copy.sys")}, "copy.sys");
}

void viewDemoLogo(benchmark::State& state) {
  runEach(state, {CYCLEVIEW_PROGRAM, work("demo.sys"), work("demo.gif")}, "demo.gif");
}

void viewDemoLogoRaw(benchmark::State& state) {
  runEach(state, {CYCLEVIEW_PROGRAM, "--raw", work("demo.sys"), work("demo-raw.gif")},
          "demo-raw.gif");
}

void copySixteenColourLogo(benchmark::State& state) {
  runEach(state, {"/bin/cp", work("sixteen.sys"), work("copy.sys")}, "copy.sys");
}

void viewSixteenColourLogo(benchmark::State& state) {
  runEach(state, {CYCLEVIEW_PROGRAM, work("sixteen.sys"), work("sixteen.gif")}, "sixteen.gif");
}

// Rings around the centre, every other one drawn in the sixteen animated
// slots by angle, the rest a sky gradient in slots 0..239.
std::vector<std::uint8_t> sixteenColourLogo() {
  logo::Palette palette;
  for (int slot = 0; slot < 256; ++slot) {
    bool animated = slot >= 240;
    palette[slot] = {static_cast<std::uint8_t>(animated ? 255 - (slot - 240) * 16 : 128 + slot / 2),
                     static_cast<std::uint8_t>(animated ? (slot - 240) * 16 : slot / 2),
                     static_cast<std::uint8_t>(animated ? 255 : slot / 4), 0};
  }
  std::vector<std::uint8_t> indices(320 * 400);
  for (int y = 0; y < 400; ++y) {
    int row = 399 - y;  // from the bottom, as the file stores it
    for (int column = 0; column < 320; ++column) {
      double dx = column - 160.0, dy = (row - 200.0) * 1.2 / 2;
      int ring = static_cast<int>(std::hypot(dx, dy) / 8);
      int sector =
          static_cast<int>((std::atan2(dy, dx) + std::numbers::pi) / (2 * std::numbers::pi) * 16) %
          16;
      indices[y * 320 + column] =
          static_cast<std::uint8_t>(ring % 2 == 0 ? 240 + sector : row * 240 / 400);
    }
  }
  return logo::logoFileBytes(palette, indices, 240);
}

void writeFile(const char* name, const std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(work(name).c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

// The demo's logo: the bundled picture packed, its twelve ring colours made
// the animated slots, as the demo does.
bool makeLogos() {
  std::filesystem::create_directories(kWork);
  writeFile("none", {});
  writeFile("yes", {'y', '\n'});
  writeFile("sixteen.sys", sixteenColourLogo());
  Run pack = spawnAndWait({PALPACK_PROGRAM, SAMPLE_PICTURE, "-u", work("packed.bmp")}, work("yes"));
  Run make = spawnAndWait({CYCLEMAKE_PROGRAM, work("packed.bmp"), work("demo.sys"), "12", "72",
                           "73", "74", "75", "76", "77", "78", "79", "80", "81", "82", "83"},
                          work("none"));
  return pack.status == 0 && make.status == 0;
}

}  // namespace

BENCHMARK(copyDemoLogo)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(viewDemoLogo)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(viewDemoLogoRaw)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(copySixteenColourLogo)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(viewSixteenColourLogo)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  if (!makeLogos()) {
    std::fputs("cycleview_benchmark: could not make the demo's logo\n", stderr);
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
