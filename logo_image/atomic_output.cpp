#include "logo_image/atomic_output.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <iterator>
#include <string_view>

namespace logo {
namespace {

constexpr int kInterruptingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr int kMaxLinkDepth = 40;

// The temporary file an interrupting signal must remove; empty when none.
char temporaryToRemove[PATH_MAX + 1];

// The signals whose handler removes the temporary file; one ignored when
// the program started stays ignored (nohup relies on it).
bool guarded[std::size(kInterruptingSignals)];

extern "C" void removeTemporaryAndDie(int signal) {
  removePendingOutput();
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
    for (std::size_t i = 0; i < std::size(kInterruptingSignals); ++i) {
      struct sigaction current;
      sigaction(kInterruptingSignals[i], nullptr, &current);
      guarded[i] = current.sa_handler != SIG_IGN;
      if (guarded[i]) std::signal(kInterruptingSignals[i], removeTemporaryAndDie);
    }
  }
  sigprocmask(SIG_SETMASK, &before, nullptr);
  return fd;
}

void unguardTemporary() {
  for (std::size_t i = 0; i < std::size(kInterruptingSignals); ++i) {
    if (guarded[i]) std::signal(kInterruptingSignals[i], SIG_DFL);
    guarded[i] = false;
  }
  temporaryToRemove[0] = '\0';
}

// The hidden temporary name beside `name`, cut short so that it is no longer
// than the longest name the folder takes whenever `name` itself fits.
std::string temporaryPattern(const std::string& name) {
  constexpr std::size_t kAffixes = std::string_view("..XXXXXX").size();
  std::string pattern = ".";
  pattern.append(name, 0, NAME_MAX - kAffixes);
  return pattern.append(".XXXXXX");
}

// Gives the temporary file the replaced file's owner and group, or at least
// its group, as far as the writer may. False when the writer's own stay,
// as for any new file.
bool keepOwnership(int fd, const struct stat& replaced) {
  return fchown(fd, replaced.st_uid, replaced.st_gid) == 0 ||
         fchown(fd, static_cast<uid_t>(-1), replaced.st_gid) == 0;
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
  bool replacing = stat(target.c_str(), &status) == 0;
  if (replacing) {
    // Only a file the user may write may be replaced.
    int probe = open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (probe < 0) return false;
    close(probe);
    mode = status.st_mode & 07777;
  }
  std::string pattern =
      folderOf(target) + "/" + temporaryPattern(target.substr(target.rfind('/') + 1));
  if (pattern.size() > PATH_MAX) return false;
  int fd = createGuardedTemporary(pattern);
  if (fd < 0) return false;
  temporary_ = pattern;
  // Before the mode: a change of owner clears the set-user and set-group bits.
  if (replacing) keepOwnership(fd, status);
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

Outcome AtomicOutput::commit() {
  if (!file_) return Outcome::kWriteFailed;
  if (std::fflush(file_.get()) != 0) failed_ = true;
  if (!temporary_.empty() && fsync(fileno(file_.get())) != 0) failed_ = true;
  if (!file_.close()) failed_ = true;
  if (failed_) {
    discard();
    return Outcome::kWriteFailed;
  }
  if (temporary_.empty()) return Outcome::kWritten;
  // A link from the output to the source may have been made meanwhile.
  if (source_ != nullptr && (isSameFile(source_, path_) || isSameFile(source_, target_.c_str()))) {
    discard();
    return Outcome::kSameFile;
  }
  if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    discard();
    return Outcome::kWriteFailed;
  }
  temporary_.clear();
  unguardTemporary();
  return Outcome::kWritten;
}

void AtomicOutput::discard() {
  file_.close();
  if (temporary_.empty()) return;
  unlink(temporary_.c_str());
  temporary_.clear();
  unguardTemporary();
}

void removePendingOutput() {
  if (temporaryToRemove[0] != '\0') unlink(temporaryToRemove);
}

}  // namespace logo
