// Helpers for the tests: pictures built in memory, scratch folders, running
// the built programs with given standard input, and byte comparisons that
// print a hex dump of the first difference.
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

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::string path(const std::string& name) const { return (root_ / name).string(); }
  const std::filesystem::path& root() const { return root_; }

 private:
  std::filesystem::path root_;
};

Bytes readFile(const std::string& path);
void writeFile(const std::string& path, const Bytes& bytes);
bool fileExists(const std::string& path);

struct RunOptions {
  Bytes input;                                 // standard input; end of input after it
  std::optional<std::uint64_t> fileSizeLimit;  // RLIMIT_FSIZE of the child, in bytes
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
};

struct RunResult {
  int status = -1;  // exit status, or 128 + signal number
  Bytes out;
  Bytes err;
};

RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const RunOptions& options = {});

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
