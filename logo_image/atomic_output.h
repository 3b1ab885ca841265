// An output file that appears complete or not at all.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "logo_image/files.h"
#include "logo_image/outcome.h"

namespace logo {

// Writes a new file through a temporary file created in the output's
// folder and renamed over the output only after every write, the flush,
// fsync and the close succeeded. On failure, or on SIGINT, SIGTERM, SIGHUP
// or SIGQUIT while it is open (unless the program started with the signal
// ignored), the temporary file is removed and the output stays as it was.
// Only SIGKILL or a crash leaves it behind, as ".NAME.XXXXXX" (NAME cut
// short where the whole would not fit). A symbolic link keeps pointing
// where it did: the file it finally names is replaced. A new file gets 0666
// less the umask; a replaced one keeps its permission bits, and its owner
// and group as far as the writer may set them. An existing output that is
// not a regular file (a device, a FIFO) is written directly. One may be
// open at a time.
class AtomicOutput {
 public:
  // Opens the output at once. `source`, when given, is the stream the
  // program reads from: commit() refuses to replace that file.
  explicit AtomicOutput(const char* path, std::FILE* source = nullptr);
  AtomicOutput(const AtomicOutput&) = delete;
  AtomicOutput& operator=(const AtomicOutput&) = delete;
  // Removes the temporary file unless commit() renamed it into place.
  ~AtomicOutput();

  // False when the output cannot be written (a folder, a file the user may
  // not write, a missing folder); nothing was created then.
  explicit operator bool() const { return static_cast<bool>(file_); }

  // Failures are remembered and reported by commit().
  void write(const void* data, std::size_t size);

  // Completes the file and puts it in place: kWritten, kWriteFailed, or
  // kSameFile when the output has meanwhile become the source file; nothing
  // is replaced then.
  Outcome commit();
  // Drops everything written; the output stays as it was.
  void discard();

 private:
  bool openTemporary(const std::string& target);

  File file_;
  std::FILE* source_;
  const char* path_;
  std::string target_;     // the regular file to replace, links followed
  std::string temporary_;  // empty when writing directly
  bool failed_ = false;
};

// Removes the temporary file of the output that is open, if any, as a
// signal would. Safe to call from a signal or allocation failure handler.
void removePendingOutput();

}  // namespace logo
