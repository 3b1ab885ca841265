// logostudio beside logofit on a 20-megapixel JPEG. The first fit of a
// picture decodes it and is measured against logofit's whole run (with the
// upload over loopback); a control changed afterwards starts again from the
// picture the studio keeps on the screen. Each repetition is one call; the
// median of five is the figure.
#include <benchmark/benchmark.h>
#include <httplib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/pictures/sample_pictures.h"

namespace {

namespace samples = picture::samples;

const std::string kWork =
    (std::filesystem::temp_directory_path() / "logostudio_benchmark").string();
const std::string kPhoto = kWork + "/photo.jpg";

std::string photoBytes;
int studioPort = 0;

void makePhoto() {
  std::filesystem::create_directories(kWork);
  samples::Bytes jpeg = samples::encodeTruecolour(samples::photoLike(5472, 3648), "JPEG");
  photoBytes.assign(jpeg.begin(), jpeg.end());
  std::ofstream(kPhoto, std::ios::binary).write(photoBytes.data(), photoBytes.size());
}

// The studio, started once; its first line gives the port.
pid_t startStudio() {
  int ends[2];
  if (pipe(ends) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
  char program[] = LOGOSTUDIO_PROGRAM;
  char port[] = "--port=0";
  char* argv[] = {program, port, nullptr};
  pid_t studio = -1;
  posix_spawn(&studio, program, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(ends[1]);
  char line[128] = {};
  ssize_t got = read(ends[0], line, sizeof line - 1);
  close(ends[0]);
  if (got <= 0 || std::sscanf(line, "logostudio: http://127.0.0.1:%d/", &studioPort) != 1)
    return -1;
  return studio;
}

bool fit(httplib::Client& client, const std::string& colours, const std::string& background) {
  httplib::MultipartFormDataItems form{{"picture", photoBytes, "photo.jpg", "image/jpeg"},
                                       {"colors", colours, "", ""},
                                       {"background", background, "", ""},
                                       {"bar", "", "", ""}};
  httplib::Result answer = client.Post("/api/fit", form);
  return answer && answer->status == 200;
}

void logofitRun(benchmark::State& state) {
  std::string command =
      std::string(LOGOFIT_PROGRAM) + " --bar " + kPhoto + " " + kWork + "/out.bmp > /dev/null";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("logofit failed");
  }
}

// A new background brings the picture to the screen again: a first fit.
void studioFirstFit(benchmark::State& state) {
  httplib::Client client("127.0.0.1", studioPort);
  int round = 0;
  for (auto _ : state) {
    char background[16];
    std::snprintf(background, sizeof background, "#0000%02x", ++round % 256);
    if (!fit(client, "256", background)) state.SkipWithError("the fit failed");
  }
}

void studioControlChanged(benchmark::State& state) {
  httplib::Client client("127.0.0.1", studioPort);
  fit(client, "256", "#000000");
  int round = 0;
  for (auto _ : state) {
    if (!fit(client, std::to_string(200 + ++round % 50), "#000000")) {
      state.SkipWithError("the fit failed");
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  makePhoto();
  pid_t studio = startStudio();
  if (studio <= 0) return 1;
  using Run = void (*)(benchmark::State&);
  const std::pair<const char*, Run> runs[] = {{"logofit --bar, 20 MP JPEG", logofitRun},
                                              {"logostudio first fit", studioFirstFit},
                                              {"logostudio control changed", studioControlChanged}};
  for (auto [name, run] : runs) {
    benchmark::RegisterBenchmark(name, run)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(1)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  kill(studio, SIGTERM);
  waitpid(studio, nullptr, 0);
  return 0;
}
