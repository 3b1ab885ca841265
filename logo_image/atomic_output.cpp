#include "logo_image/atomic_output.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

namespace logo {
namespace {

constexpr int kInterruptingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr int kMaxLinkDepth = 40;

// The temporary file an interrupting signal must remove; empty when none.
char temporaryToRemove[PATH_MAX + 1];

extern "C" void removeTemporaryAndDie(int signal) {
  if (temporaryToRemove[0] != '\0') unlink(temporaryToRemove);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// Creates the temporary file from `pattern` with every signal held, so that
// no signal can come between its creation and the handler that removes it.
int createGuardedTemporary(std::string& pattern) {
  sigset_t all;
  sigset_t before;
  sigfillset(&all);
  sigprocmask(SIG_BLOCK, &all, &before);
  int fd = mkstemp(pattern.data());
  if (fd >= 0) {
    std::memcpy(temporaryToRemove, pattern.c_str(), pattern.size() + 1);
    for (int signal : kInterruptingSignals) std::signal(signal, removeTemporaryAndDie);
  }
  sigprocmask(SIG_SETMASK, &before, nullptr);
  return fd;
}

void unguardTemporary() {
  for (int signal : kInterruptingSignals) std::signal(signal, SIG_DFL);
  temporaryToRemove[0] = '\0';
}

std::string folderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Follows symbolic links to the name of the file they finally reach, which
// need not exist yet. Empty for a loop of links.
std::string followLinks(std::string path) {
  for (int depth = 0; depth < kMaxLinkDepth; ++depth) {
    struct stat status;
    if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
    char link[PATH_MAX + 1];
    ssize_t length = readlink(path.c_str(), link, PATH_MAX);
    if (length < 0) return "";
    link[length] = '\0';
    path = link[0] == '/' ? std::string(link) : folderOf(path) + "/" + link;
  }
  return "";
}

mode_t creationMode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

AtomicOutput::AtomicOutput(const char* path, std::FILE* source) : source_(source), path_(path) {
  struct stat status;
  if (stat(path, &status) == 0 && !S_ISREG(status.st_mode)) {
    // A device or a FIFO cannot be replaced; a folder is refused by fopen.
    if (!S_ISDIR(status.st_mode)) file_ = File(std::fopen(path, "wb"));
    return;
  }
  target_ = followLinks(path);
  if (!target_.empty()) openTemporary(target_);
}

bool AtomicOutput::openTemporary(const std::string& target) {
  mode_t mode = creationMode();
  struct stat status;
  if (stat(target.c_str(), &status) == 0) {
    // Only a file the user may write may be replaced.
    int probe = open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (probe < 0) return false;
    close(probe);
    mode = status.st_mode & 07777;
  }
  std::string name = target.substr(target.rfind('/') + 1);
  std::string pattern = folderOf(target) + "/." + name + ".XXXXXX";
  if (pattern.size() > PATH_MAX) return false;
  int fd = createGuardedTemporary(pattern);
  if (fd < 0) return false;
  temporary_ = pattern;
  if (fchmod(fd, mode) != 0) failed_ = true;
  file_ = File(fdopen(fd, "wb"));
  if (!file_) {
    close(fd);
    discard();
    return false;
  }
  return true;
}

AtomicOutput::~AtomicOutput() {
  if (file_ || !temporary_.empty()) discard();
}

void AtomicOutput::write(const void* data, std::size_t size) {
  if (failed_ || !file_) return;
  if (std::fwrite(data, 1, size, file_.get()) != size) failed_ = true;
}

AtomicOutput::Result AtomicOutput::commit() {
  if (!file_) return Result::kWriteFailed;
  if (std::fflush(file_.get()) != 0) failed_ = true;
  if (!temporary_.empty() && fsync(fileno(file_.get())) != 0) failed_ = true;
  if (!file_.close()) failed_ = true;
  if (failed_) {
    discard();
    return Result::kWriteFailed;
  }
  if (temporary_.empty()) return Result::kWritten;
  // A link from the output to the source may have been made meanwhile.
  if (source_ != nullptr && (isSameFile(source_, path_) || isSameFile(source_, target_.c_str()))) {
    discard();
    return Result::kSameFile;
  }
  if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    discard();
    return Result::kWriteFailed;
  }
  temporary_.clear();
  unguardTemporary();
  return Result::kWritten;
}

void AtomicOutput::discard() {
  file_.close();
  if (temporary_.empty()) return;
  unlink(temporary_.c_str());
  temporary_.clear();
  unguardTemporary();
}

}  // namespace logo
