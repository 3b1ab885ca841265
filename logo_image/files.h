// Opening, reading and comparing the files the programs are given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <utility>

namespace logo {

// Owns a C stream and closes it when it goes out of scope.
class File {
 public:
  File() = default;
  explicit File(std::FILE* stream) : stream_(stream) {}
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& other) noexcept : stream_(other.stream_) { other.stream_ = nullptr; }
  File& operator=(File&& other) noexcept {
    std::swap(stream_, other.stream_);
    return *this;
  }
  ~File() { close(); }

  std::FILE* get() const { return stream_; }
  explicit operator bool() const { return stream_ != nullptr; }
  // Returns false if the close failed (buffered data was lost).
  bool close();

 private:
  std::FILE* stream_ = nullptr;
};

// Opens a file in a binary `mode` ("rb", "r+b"). A directory is refused like
// a missing file. Returns an empty File on failure.
File openFile(const char* path, const char* mode);

// Opens a source picture for reading.
inline File openSource(const char* path) {
  return openFile(path, "rb");
}

// Reads a source front to back in blocks. Whatever the stream does not hold
// reads as zero, so a short file is processed positionally; a read error is
// remembered, not taken for the end of the file. Every byte read goes into a
// digest, so that a second pass can tell whether it read the same bytes.
class SourceReader {
 public:
  explicit SourceReader(std::FILE* in) : in_(in) {}

  // Returns the number of bytes actually read.
  std::size_t read(void* data, std::size_t size);
  // True once a read has failed with an error (not at the end of the file).
  bool failed() const { return std::ferror(in_) != 0; }
  std::uint64_t digest() const { return digest_; }

 private:
  std::FILE* in_;
  std::uint64_t digest_ = 0xcbf29ce484222325;  // FNV-1a offset basis
};

// What a first pass saw of a source, so that a second pass can tell
// whether another writer changed it meanwhile.
struct SourceSnapshot {
  long long size = 0;
  long long modifiedSeconds = 0;
  long long modifiedNanoseconds = 0;
  std::uint64_t digest = 0;  // of every byte the first pass read
};

// The source's size and modification time now, and the digest of what
// `reader` has read of it.
SourceSnapshot snapshotOf(std::FILE* source, const SourceReader& reader);

// Goes back to the start of the source. False when it cannot be rewound
// (it is not a regular file: a pipe, a FIFO) or its size or modification
// time differ from the snapshot's; a second pass then compares digests.
bool rewindUnchanged(std::FILE* source, const SourceSnapshot& seen);

// True when `path` names the file that `stream` has open (the same name, a
// hard link or a symbolic link to it). False when `path` does not exist.
bool isSameFile(std::FILE* stream, const char* path);

}  // namespace logo
