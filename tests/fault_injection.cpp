// Preloaded into a program under test (LD_PRELOAD), makes one library call
// fail the way a sick disk or a full memory would, so that the tests can
// see the program notice. LOGO_FAULT names the call:
//   fsync, fclose, fwrite  fail on a regular file open for writing, after
//                          doing nothing (fsync, fwrite) or after closing
//                          (fclose: the data may be lost, the stream is gone)
//   rename                 fails, leaving both names as they were
// Anything else, or no LOGO_FAULT, changes nothing. Failing allocations
// take a library of their own (memory_fault.cpp), which the sanitizers'
// allocator does not allow beside it.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool faulty(const char* call) {
  const char* chosen = std::getenv("LOGO_FAULT");
  return chosen != nullptr && std::strcmp(chosen, call) == 0;
}

// Standard output and error are pipes or terminals in the tests, so only the
// program's output files are hit.
bool isOutputFile(int fd) {
  struct stat status;
  int flags = fcntl(fd, F_GETFL);
  return flags != -1 && (flags & O_ACCMODE) != O_RDONLY && fstat(fd, &status) == 0 &&
         S_ISREG(status.st_mode);
}

template <typename Function>
Function next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

int fsync(int fd) {
  if (faulty("fsync") && isOutputFile(fd)) {
    errno = EIO;
    return -1;
  }
  return next<int (*)(int)>("fsync")(fd);
}

int fclose(std::FILE* stream) {
  bool fail = faulty("fclose") && isOutputFile(fileno(stream));
  int closed = next<int (*)(std::FILE*)>("fclose")(stream);
  if (!fail) return closed;
  errno = EIO;
  return EOF;
}

std::size_t fwrite(const void* data, std::size_t size, std::size_t count, std::FILE* stream) {
  if (faulty("fwrite") && isOutputFile(fileno(stream))) {
    errno = ENOSPC;
    return 0;
  }
  using Fwrite = std::size_t (*)(const void*, std::size_t, std::size_t, std::FILE*);
  return next<Fwrite>("fwrite")(data, size, count, stream);
}

int rename(const char* from, const char* to) {
  if (faulty("rename")) {
    errno = EIO;
    return -1;
  }
  return next<int (*)(const char*, const char*)>("rename")(from, to);
}

}  // extern "C"
