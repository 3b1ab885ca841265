#include "tests/test_support.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <utility>

#include "logo_image/logo_file.h"

namespace testing_support {
namespace {

std::string hexLine(const Bytes& bytes, std::size_t from) {
  std::ostringstream line;
  char cell[24];
  std::snprintf(cell, sizeof cell, "%06zx:", from);
  line << cell;
  for (std::size_t i = from; i < from + 16 && i < bytes.size(); ++i) {
    std::snprintf(cell, sizeof cell, " %02x", static_cast<unsigned char>(bytes[i]));
    line << cell;
  }
  return line.str();
}

}  // namespace

Bytes Picture::bytes() const {
  Bytes out(reinterpret_cast<const char*>(header.data()), header.size());
  out.append(reinterpret_cast<const char*>(palette.data()), sizeof palette);
  out.append(reinterpret_cast<const char*>(pixels.data()), pixels.size());
  return out + trailing;
}

Picture Picture::parse(const Bytes& bytes) {
  Picture picture;
  Bytes padded = bytes;
  if (padded.size() < logo::kLogoFileSize) padded.resize(logo::kLogoFileSize);
  std::memcpy(picture.header.data(), padded.data(), logo::kHeaderSize);
  std::memcpy(picture.palette.data(), padded.data() + logo::kHeaderSize, logo::kPaletteSize);
  std::memcpy(picture.pixels.data(), padded.data() + logo::kPixelOffset, picture.pixels.size());
  picture.trailing = padded.substr(logo::kLogoFileSize);
  return picture;
}

logo::PaletteEntry colour(int red, int green, int blue, int flag) {
  return {static_cast<std::uint8_t>(blue), static_cast<std::uint8_t>(green),
          static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(flag)};
}

Picture makePicture() {
  logo::Palette palette;
  for (int i = 0; i < 256; ++i) palette[i] = colour(i, 255 - i, (i * 7) % 256);
  std::vector<std::uint8_t> indices(logo::kChunkSize * logo::kChunkCount);
  for (std::size_t i = 0; i < indices.size(); ++i) {
    indices[i] = static_cast<std::uint8_t>((i * 37 + i / 320) % 256);
  }
  std::vector<std::uint8_t> bytes = logo::logoFileBytes(palette, indices);
  return Picture::parse(Bytes(bytes.begin(), bytes.end()));
}

std::vector<std::uint32_t> shownColours(const Picture& picture) {
  std::vector<std::uint32_t> shown;
  shown.reserve(picture.pixels.size());
  for (std::uint8_t pixel : picture.pixels) {
    const logo::PaletteEntry& entry = picture.palette[pixel];
    shown.push_back(entry.red << 16 | entry.green << 8 | entry.blue);
  }
  return shown;
}

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void writeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool fileExists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}

namespace {

// Reads both pipes until the child has closed them, so that neither fills up,
// or only until standard output holds `until` when that is not empty.
void drain(int outPipe, int errPipe, RunResult& result, const std::string& until = "") {
  pollfd fds[2] = {{outPipe, POLLIN, 0}, {errPipe, POLLIN, 0}};
  Bytes* sinks[2] = {&result.out, &result.err};
  int open_pipes = 2;
  while (open_pipes > 0) {
    if (!until.empty() && result.out.find(until) != Bytes::npos) return;
    if (poll(fds, 2, -1) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(got));
      } else {
        fds[i].fd = -1;
        --open_pipes;
      }
    }
  }
}

[[noreturn]] void startChild(const std::string& program, std::vector<char*>& argv,
                             const RunOptions& options, int in[2], int out[2], int err[2]) {
  dup2(in[0], 0);
  dup2(out[1], 1);
  dup2(err[1], 2);
  for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
  if (!options.workDir.empty() && chdir(options.workDir.c_str()) != 0) _exit(126);
  if (options.fileSizeLimit) {
    rlimit limit{*options.fileSizeLimit, *options.fileSizeLimit};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
  }
  if (options.memoryLimit) {
    rlimit limit{*options.memoryLimit, *options.memoryLimit};
    if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(126);
  }
  if (options.umask) umask(*options.umask);
  if (options.closedDescriptor >= 0) close(options.closedDescriptor);
  for (const std::string& setting : options.environment) putenv(strdup(setting.c_str()));
  if (!options.fault.empty()) {
    setenv("LD_PRELOAD", options.fault == "malloc" ? MEMORY_FAULT_LIBRARY : FAULT_INJECTION_LIBRARY,
           1);
    setenv("LOGO_FAULT", options.fault.c_str(), 1);
    // AddressSanitizer wants its runtime first; the shim touches no memory it tracks.
    setenv("ASAN_OPTIONS", "verify_asan_link_order=0", 1);
  }
  for (int signal : options.ignoredSignals) std::signal(signal, SIG_IGN);
  if (options.unprivileged && geteuid() == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(kUnprivilegedId) != 0 ||
        setuid(kUnprivilegedId) != 0) {
      _exit(126);
    }
  }
  std::signal(SIGPIPE, SIG_DFL);
  alarm(options.timeLimitSeconds);
  execv(program.c_str(), argv.data());
  _exit(127);
}

}  // namespace

RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const RunOptions& options) {
  std::vector<char*> argv;
  std::string name = program;
  argv.push_back(name.data());
  std::vector<std::string> words = args;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  // Pipes, not files, carry the console: a file-size limit must not touch them.
  int in[2];
  int out[2];
  int err[2];
  if (pipe(in) != 0 || pipe(err) != 0) std::abort();
  if (options.outputToTerminal) {
    // Raw, so that the terminal passes the bytes on as the program wrote them.
    termios raw;
    cfmakeraw(&raw);
    if (openpty(&out[0], &out[1], nullptr, &raw, nullptr) != 0) std::abort();
  } else if (pipe(out) != 0) {
    std::abort();
  }
  // A program that ends without reading its input must not end the test.
  std::signal(SIGPIPE, SIG_IGN);
  std::fflush(nullptr);
  pid_t child = fork();
  if (child == 0) startChild(program, argv, options, in, out, err);
  close(in[0]);
  close(out[1]);
  close(err[1]);
  RunResult result;
  if (!options.pauseAt.empty()) drain(out[0], err[0], result, options.pauseAt);
  if (options.duringRun) options.duringRun(child);
  // A program may end without reading what is typed; that is its business.
  ssize_t typed = write(in[1], options.input.data(), options.input.size());
  static_cast<void>(typed);
  close(in[1]);
  drain(out[0], err[0], result);
  close(out[0]);
  close(err[0]);
  int wait_status = 0;
  waitpid(child, &wait_status, 0);
  result.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
  EXPECT_NE(result.status, 128 + SIGALRM) << program << " ran out of time";
  return result;
}

Sandbox::Sandbox(std::string program) : program_(std::move(program)) {
  std::string pattern = (std::filesystem::temp_directory_path() / "logo_test.XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  root_ = pattern;
}

Sandbox::~Sandbox() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

RunResult Sandbox::run(const std::string& program, const std::vector<std::string>& args,
                       RunOptions options) const {
  if (options.workDir.empty()) options.workDir = root_.string();
  return runProgram(program, args, options);
}

RunResult Sandbox::run(const std::vector<std::string>& args, RunOptions options) const {
  return run(program_, args, std::move(options));
}

RunResult Sandbox::run(const std::vector<std::string>& args, const Bytes& input) const {
  RunOptions options;
  options.input = input;
  return run(args, options);
}

Bytes shiftJisOf(const std::string& utf8) {
  RunOptions options;
  options.input = utf8;
  RunResult converted = runProgram("/usr/bin/iconv", {"-f", "UTF-8", "-t", "CP932"}, options);
  EXPECT_EQ(converted.status, 0) << converted.err;
  return converted.out;
}

namespace {

Bytes restOf(std::FILE* stream) {
  Bytes bytes;
  for (int c; (c = std::fgetc(stream)) != EOF;) bytes.push_back(static_cast<char>(c));
  return bytes;
}

}  // namespace

FakeConsole::FakeConsole(const Bytes& typed) : in_(std::tmpfile()), out_(std::tmpfile()) {
  std::fwrite(typed.data(), 1, typed.size(), in_);
  std::rewind(in_);
}

FakeConsole::~FakeConsole() {
  std::fclose(in_);
  std::fclose(out_);
}

Bytes FakeConsole::said() {
  std::fflush(out_);
  std::rewind(out_);
  return restOf(out_);
}

Bytes FakeConsole::unread() {
  return restOf(in_);
}

::testing::AssertionResult sameBytes(const Bytes& actual, const Bytes& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  std::size_t row = at / 16 * 16;
  return ::testing::AssertionFailure()
         << "sizes " << actual.size() << " and " << expected.size() << ", first difference at byte "
         << at << "\n  actual   " << hexLine(actual, row) << "\n  expected "
         << hexLine(expected, row);
}

}  // namespace testing_support
