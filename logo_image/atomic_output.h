// An output file that appears complete or not at all.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "logo_image/files.h"

namespace logo {

// Writes a new file through a temporary file created in the output's
// folder and renamed over the output only after every write, the flush,
// fsync and the close succeeded. On failure, or on SIGINT, SIGTERM, SIGHUP
// or SIGQUIT while it is open, the temporary file is removed and the output
// stays as it was. A symbolic link keeps pointing where it did: the file it
// finally names is replaced. A new file gets 0666 less the umask, a replaced
// one keeps its permission bits. An existing output that is not a regular
// file (a device, a FIFO) is written directly. One may be open at a time.
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

  enum class Result { kWritten, kWriteFailed, kSameFile };
  // Completes the file and puts it in place. kSameFile when the output has
  // meanwhile become the source file; nothing is replaced then.
  Result commit();
  // commit(), its result told in the caller's own outcome type, which names
  // kWritten, kSameFile and kWriteFailed.
  template <typename Outcome>
  Outcome commitAs() {
    switch (commit()) {
      case Result::kWritten:
        return Outcome::kWritten;
      case Result::kSameFile:
        return Outcome::kSameFile;
      case Result::kWriteFailed:
        break;
    }
    return Outcome::kWriteFailed;
  }
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

}  // namespace logo
