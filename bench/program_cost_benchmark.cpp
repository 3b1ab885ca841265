// What one run of each program costs, next to copying the same picture with
// cp: process start, one read of the picture, one write.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const std::string kWork =
    (std::filesystem::temp_directory_path() / "program_cost_benchmark").string();

// Runs a program with the named file as its standard input and its output
// thrown away; returns its exit status.
int spawnAndWait(std::vector<std::string> argv, const std::string& input) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (std::string& word : argv) args.push_back(word.data());
  args.push_back(nullptr);
  pid_t child;
  int status = -1;
  if (posix_spawn(&child, args[0], &actions, nullptr, args.data(), environ) == 0) {
    waitpid(child, &status, 0);
  }
  posix_spawn_file_actions_destroy(&actions);
  return status;
}

void runEach(benchmark::State& state, std::vector<std::string> argv, const char* answers) {
  std::string input = kWork + "/" + answers;
  for (auto _ : state) {
    if (spawnAndWait(argv, input) != 0) state.SkipWithError("the program failed");
  }
}

std::string bin(const char* program) {
  return std::string(PROGRAM_DIR) + "/" + program;
}
std::string work(const char* name) {
  return kWork + "/" + name;
}

void copyWithCp(benchmark::State& state) {
  runEach(state, {"/bin/cp", SAMPLE_PICTURE, work("copy.bmp")}, "none");
}

void makeLogo(benchmark::State& state) {
  runEach(state, {bin("cyclemake"), SAMPLE_PICTURE, work("logo.sys"), "2", "108", "109"}, "none");
}

void reportPalette(benchmark::State& state) {
  runEach(state, {bin("palpack"), SAMPLE_PICTURE, "-p"}, "none");
}

void packPalette(benchmark::State& state) {
  runEach(state, {bin("palpack"), SAMPLE_PICTURE, "-u", work("packed.bmp")}, "yes");
}

void searchColour(benchmark::State& state) {
  runEach(state, {bin("huefind"), SAMPLE_PICTURE, "-s"}, "search");
}

void writeAnswers() {
  std::filesystem::create_directories(kWork);
  auto write = [](const char* name, const char* text) {
    std::FILE* file = std::fopen(work(name).c_str(), "wb");
    std::fputs(text, file);
    std::fclose(file);
  };
  write("none", "");
  write("yes", "y\n");
  write("search", "255\n0\n0\ne\n");
}

}  // namespace

BENCHMARK(copyWithCp)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(makeLogo)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(reportPalette)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(packPalette)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(searchColour)->Unit(benchmark::kMicrosecond)->UseRealTime();

int main(int argc, char** argv) {
  writeAnswers();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
