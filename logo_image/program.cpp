#include "logo_image/program.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <exception>
#include <new>

#include "logo_image/atomic_output.h"
#include "logo_image/console.h"
#include "logo_image/exit_status.h"

namespace logo {
namespace {

const char* currentName = "logo";
std::terminate_handler usualTermination = nullptr;

// Nothing may be allocated here: one line by write(2), no output left.
[[noreturn]] void endOutOfMemory() {
  removePendingOutput();
  const char said[] = ": out of memory; nothing written\n";
  ssize_t wrote = write(STDERR_FILENO, currentName, std::strlen(currentName));
  wrote = write(STDERR_FILENO, said, sizeof said - 1);
  static_cast<void>(wrote);
  _exit(kExitError);
}

// Running out of memory throws everywhere, in the programs as in the tests
// and the fuzzers: the picture library turns it into a reason where it
// decodes, and one that no code catches ends the run here.
[[noreturn]] void endUncaught() {
  try {
    if (std::current_exception()) std::rethrow_exception(std::current_exception());
  } catch (const std::bad_alloc&) {
    endOutOfMemory();
  } catch (...) {
  }
  usualTermination();
  std::abort();
}

}  // namespace

void startProgram(const char* name) {
  currentName = name;
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor is the closed one: it takes the null device
    // with the access that makes its use fail.
    if (open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY) != fd) _exit(1);
  }
  std::signal(SIGXFSZ, SIG_IGN);
  usualTermination = std::set_terminate(endUncaught);
  watchTerminalLines();
}

bool asksForHelp(int argc, const char* const* argv) {
  return argc == 2 && std::strcmp(argv[1], "--help") == 0;
}

const char* programName() {
  return currentName;
}

}  // namespace logo
