// Helpers for the tests: pictures built in memory, a sandbox folder to run
// the built programs in with given standard input, and byte comparisons
// that print a hex dump of the first difference.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "logo_image/layout.h"

namespace testing_support {

using Bytes = std::string;

// A picture laid out as the suite expects, editable field by field.
struct Picture {
  logo::LogoHeader header{};
  logo::Palette palette{};
  std::vector<std::uint8_t> pixels =
      std::vector<std::uint8_t>(logo::kChunkSize * logo::kChunkCount);
  Bytes trailing;  // bytes after the pixels, which no tool should copy

  Bytes bytes() const;
  static Picture parse(const Bytes& bytes);
  std::uint8_t animationStart() const { return header[logo::kAnimationStartOffset]; }
};

// A conforming 320x400 picture: every palette entry a different colour with
// flag byte 0, every index used by some pixel in a scrambled pattern.
Picture makePicture();

logo::PaletteEntry colour(int red, int green, int blue, int flag = 0);

// Every pixel, looked up in its palette: what the picture shows.
std::vector<std::uint32_t> shownColours(const Picture& picture);

Bytes readFile(const std::string& path);
void writeFile(const std::string& path, const Bytes& bytes);
bool fileExists(const std::string& path);

struct RunOptions {
  Bytes input;                                 // standard input; end of input after it
  std::optional<std::uint64_t> fileSizeLimit;  // RLIMIT_FSIZE of the child, in bytes
  std::optional<std::uint64_t> memoryLimit;    // RLIMIT_AS of the child, in bytes
  std::string workDir;                         // the child's current folder, if set
  int closedDescriptor = -1;                   // 0, 1 or 2: closed when the program starts
  std::optional<mode_t> umask;                 // the child's umask, if set
  // Once the program has said `pauseAt` on standard output (at once when it
  // is empty), `duringRun` is called with its process id; only then does
  // standard input receive `input`.
  std::string pauseAt;
  std::function<void(pid_t)> duringRun;
  unsigned timeLimitSeconds = 30;        // the program is killed after this
  bool outputToTerminal = false;         // standard output is a pseudo-terminal
  std::vector<std::string> environment;  // "NAME=value" settings added
  std::vector<int> ignoredSignals;       // ignored when the program starts
  // Run as the unprivileged user and group 65534 when the tests run as root,
  // so that permissions hold as they do for everyone else.
  bool unprivileged = false;
  // A library call that fails in the program: "fsync", "fclose", "fwrite",
  // "rename" (tests/fault_injection.cpp) or "malloc" (tests/memory_fault.cpp).
  std::string fault;
};

struct RunResult {
  int status = -1;  // exit status, or 128 + signal number
  Bytes out;
  Bytes err;
};

RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const RunOptions& options = {});

inline constexpr uid_t kUnprivilegedId = 65534;

// A temporary folder, removed with everything in it at the end, that a
// program runs in: names are relative to it.
class Sandbox {
 public:
  // `program` is the one run() runs.
  explicit Sandbox(std::string program = "");
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  std::string path(const std::string& name) const { return (root_ / name).string(); }
  const std::filesystem::path& root() const { return root_; }
  Bytes read(const std::string& name) const { return readFile(path(name)); }
  void write(const std::string& name, const Bytes& bytes) const { writeFile(path(name), bytes); }
  bool exists(const std::string& name) const { return fileExists(path(name)); }

  // Runs the program in the folder (unless `options` name another).
  RunResult run(const std::vector<std::string>& args, RunOptions options = {}) const;
  RunResult run(const std::vector<std::string>& args, const Bytes& input) const;
  RunResult run(const std::string& program, const std::vector<std::string>& args,
                RunOptions options = {}) const;

 private:
  std::filesystem::path root_;
  std::string program_;
};

// The Shift-JIS bytes of a UTF-8 text, converted by the system's iconv, so
// that the programs' own conversion is checked against an independent one.
Bytes shiftJisOf(const std::string& utf8);

// Temporary streams standing in for the console: `in` holds what is typed,
// `out` takes what the code under test says.
class FakeConsole {
 public:
  explicit FakeConsole(const Bytes& typed = "");
  ~FakeConsole();
  FakeConsole(const FakeConsole&) = delete;
  FakeConsole& operator=(const FakeConsole&) = delete;

  std::FILE* in() const { return in_; }
  std::FILE* out() const { return out_; }
  Bytes said();    // everything written to `out` so far
  Bytes unread();  // what is left of the typed input

 private:
  std::FILE* in_;
  std::FILE* out_;
};

::testing::AssertionResult sameBytes(const Bytes& actual, const Bytes& expected);

}  // namespace testing_support
