// Preloaded into a program under test (LD_PRELOAD), makes every allocation
// of 64 KiB or more fail, as when memory runs out.
#include <cerrno>
#include <cstddef>

extern "C" void* __libc_malloc(std::size_t size);

extern "C" void* malloc(std::size_t size) {
  if (size >= (1 << 16)) {
    errno = ENOMEM;
    return nullptr;
  }
  return __libc_malloc(size);
}
