// Hostile but ordinary conditions: a full disk, a signal, a source that
// changes or cannot be read twice, closed standard descriptors, read errors.
// After each, every file in the folder must be exactly what it should be.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <map>
#include <thread>

#include "tests/test_support.h"

namespace {

using testing_support::Bytes;
using testing_support::RunOptions;
using testing_support::RunResult;

const std::string kCyclemake = CYCLEMAKE_PROGRAM;
const std::string kPalpack = PALPACK_PROGRAM;
const std::string kHuefind = HUEFIND_PROGRAM;
const std::string kHuefind16 = HUEFIND16_PROGRAM;

const std::vector<std::string> kMakeLogo = {"in.bmp", "out.sys", "2", "5", "9"};
const std::vector<std::string> kPackAll = {"in.bmp", "-u", "out.sys"};
const std::vector<std::string> kPackLogo = {"in.bmp", "-a", "out.sys"};
const char kQuestion[] = "Y/N/E :";

// A conforming picture, and a logo of it whose top six slots cycle.
const Bytes kPicture = testing_support::makePicture().bytes();
const Bytes kLogo = [] {
  testing_support::Picture logo = testing_support::makePicture();
  logo.header[logo::kAnimationStartOffset] = 250;
  return logo.bytes();
}();

// Every entry of a folder: a file's bytes and permission bits, or where a
// symbolic link points.
using Folder = std::map<std::string, std::string>;

Folder snapshot(const testing_support::Sandbox& scratch) {
  Folder folder;
  for (const auto& entry : std::filesystem::directory_iterator(scratch.root())) {
    std::string name = entry.path().filename().string();
    struct stat status;
    lstat(entry.path().c_str(), &status);
    if (S_ISLNK(status.st_mode)) {
      folder[name] = "link to " + std::filesystem::read_symlink(entry.path()).string();
    } else if (S_ISREG(status.st_mode)) {
      folder[name] = std::to_string(status.st_mode & 07777) + " " +
                     testing_support::readFile(entry.path().string());
    } else {
      folder[name] = "special";
    }
  }
  return folder;
}

::testing::AssertionResult sameFolder(const Folder& actual, const Folder& expected) {
  for (const auto& [name, content] : expected) {
    auto found = actual.find(name);
    if (found == actual.end()) return ::testing::AssertionFailure() << name << " is missing";
    if (found->second != content) {
      return ::testing::AssertionFailure()
             << name
             << " differs: " << testing_support::sameBytes(found->second, content).message();
    }
  }
  for (const auto& [name, content] : actual) {
    if (!expected.contains(name)) return ::testing::AssertionFailure() << name << " left behind";
  }
  return ::testing::AssertionSuccess();
}

bool anyTemporaryFile(const std::string& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename().string().starts_with(".")) return true;
  }
  return false;
}

// Feeds the source through the FIFO in.bmp: `bytes` of it, then, once the
// program has created its temporary output, the signal.
std::function<void(pid_t)> stallThenSignal(const std::string& folder, const Bytes& source,
                                           std::size_t bytes, int signal) {
  return [=](pid_t child) {
    int fifo = open((folder + "/in.bmp").c_str(), O_WRONLY);
    ASSERT_GE(fifo, 0);
    ASSERT_EQ(write(fifo, source.data(), bytes), static_cast<ssize_t>(bytes));
    for (int wait = 0; wait < 1000 && !anyTemporaryFile(folder); ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(anyTemporaryFile(folder)) << "no temporary output to interrupt";
    kill(child, signal);
    close(fifo);
  };
}

enum class Existing { kNone, kOldFile, kLinkToOther, kReadOnly };

// Puts the output there as it existed before the run. A read-only output is
// the unprivileged user's own file, in a folder everyone may write.
void prepare(const testing_support::Sandbox& scratch, Existing existing) {
  switch (existing) {
    case Existing::kNone:
      return;
    case Existing::kOldFile:
      scratch.write("out.sys", "old");
      return;
    case Existing::kLinkToOther:
      scratch.write("other.bmp", "other");
      ASSERT_EQ(symlink("other.bmp", scratch.path("out.sys").c_str()), 0);
      return;
    case Existing::kReadOnly:
      scratch.write("out.sys", "old");
      ASSERT_EQ(chmod(scratch.path("out.sys").c_str(), 0444), 0);
      if (geteuid() == 0) {
        ASSERT_EQ(chown(scratch.path("out.sys").c_str(), testing_support::kUnprivilegedId,
                        testing_support::kUnprivilegedId),
                  0);
      }
      ASSERT_EQ(chmod(scratch.root().c_str(), 0777), 0);
      return;
  }
}

TEST(SafeOutput, AFailedOrInterruptedWriteLeavesEveryFileAsItWas) {
  const Bytes& picture = kPicture;
  const struct {
    const char* what;
    std::string program;
    std::vector<std::string> args;
    Bytes source;
    Existing existing;
    std::uint64_t sizeLimit;  // 0: no limit; the source comes through a FIFO
    int signal;
  } cases[] = {
      {"cyclemake, limit, old file", kCyclemake, kMakeLogo, picture, Existing::kOldFile, 100000, 0},
      {"cyclemake, limit, link", kCyclemake, kMakeLogo, picture, Existing::kLinkToOther, 100000, 0},
      {"cyclemake, limit, new file", kCyclemake, kMakeLogo, picture, Existing::kNone, 1, 0},
      {"palpack -u, limit, old file", kPalpack, kPackAll, picture, Existing::kOldFile, 100000, 0},
      {"palpack -u, limit, link", kPalpack, kPackAll, picture, Existing::kLinkToOther, 60000, 0},
      {"palpack -a, limit, new file", kPalpack, kPackLogo, kLogo, Existing::kNone, 2000, 0},
      {"SIGINT, old file", kCyclemake, kMakeLogo, picture, Existing::kOldFile, 0, SIGINT},
      {"SIGINT, new file", kCyclemake, kMakeLogo, picture, Existing::kNone, 0, SIGINT},
      {"SIGTERM, link", kCyclemake, kMakeLogo, picture, Existing::kLinkToOther, 0, SIGTERM},
      {"SIGTERM, new file", kCyclemake, kMakeLogo, picture, Existing::kNone, 0, SIGTERM},
      {"SIGHUP, old file", kCyclemake, kMakeLogo, picture, Existing::kOldFile, 0, SIGHUP},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing_support::Sandbox scratch;
    prepare(scratch, c.existing);
    RunOptions options;
    options.input = "y\n";
    if (c.signal == 0) {
      scratch.write("in.bmp", c.source);
      options.fileSizeLimit = c.sizeLimit;
    } else {
      ASSERT_EQ(mkfifo(scratch.path("in.bmp").c_str(), 0600), 0);
      options.duringRun = stallThenSignal(scratch.root().string(), c.source, 60000, c.signal);
    }
    Folder before = snapshot(scratch);
    RunResult result = scratch.run(c.program, c.args, options);
    if (c.signal == 0) {
      EXPECT_TRUE(result.out.ends_with("\nFILE WRITE ERROR\n")) << result.out;
      EXPECT_EQ(result.status, 1);
    } else {
      EXPECT_EQ(result.status, 128 + c.signal);
    }
    EXPECT_TRUE(sameFolder(snapshot(scratch), before));
  }
}

// Failures a test cannot bring about honestly, planted by the fault-injection
// library, and a read-only output as its owner sees it.
TEST(SafeOutput, RareFailuresLeaveEveryFileAsItWas) {
  const Bytes& picture = kPicture;
  const std::string kCycleview = CYCLEVIEW_PROGRAM;
  const Bytes kWriteError = "\nFILE WRITE ERROR\n";
  const struct {
    const char* what;
    std::string program;
    std::vector<std::string> args;
    Bytes source;
    Existing existing;
    std::string fault;
    bool unprivileged;
    Bytes said;
    Bytes err;
  } cases[] = {
      {"fsync fails", kCyclemake, kMakeLogo, picture, Existing::kOldFile, "fsync", false,
       kWriteError, ""},
      {"close fails", kCyclemake, kMakeLogo, picture, Existing::kNone, "fclose", false, kWriteError,
       ""},
      {"write fails", kPalpack, kPackAll, picture, Existing::kLinkToOther, "fwrite", false,
       kWriteError, ""},
      {"rename fails", kCyclemake, kMakeLogo, picture, Existing::kOldFile, "rename", false,
       kWriteError, ""},
      {"out of memory",
       kCycleview,
       {"in.bmp", "out.sys"},
       kLogo,
       Existing::kNone,
       "malloc",
       false,
       "",
       "cycleview: out of memory; nothing written\n"},
      {"read-only output", kCyclemake, kMakeLogo, picture, Existing::kReadOnly, "", true,
       "OUT FILE OPEN ERROR\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
#ifdef __SANITIZE_ADDRESS__
    if (c.fault == "malloc") continue;  // the sanitizer's allocator cannot be replaced
#endif
    testing_support::Sandbox scratch;
    scratch.write("in.bmp", c.source);
    prepare(scratch, c.existing);
    RunOptions options;
    options.input = "y\n";
    options.fault = c.fault;
    options.unprivileged = c.unprivileged;
    Folder before = snapshot(scratch);
    RunResult result = scratch.run(c.program, c.args, options);
    EXPECT_TRUE(result.out.ends_with(c.said)) << result.out;
    EXPECT_EQ(result.err, c.err);
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(sameFolder(snapshot(scratch), before));
  }
}

TEST(SafeOutput, NewAndReplacedFilesGetTheirPermissionBits) {
  const struct {
    mode_t umask;
    int existingMode;  // -1: no file yet
    int expectedMode;
  } cases[] = {
      {022, -1, 0644},
      {077, -1, 0600},
      {022, 0600, 0600},
      {077, 0755, 0755},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.umask * 10000 + c.existingMode);
    testing_support::Sandbox scratch;
    scratch.write("in.bmp", testing_support::makePicture().bytes());
    if (c.existingMode >= 0) {
      scratch.write("out.sys", "old");
      chmod(scratch.path("out.sys").c_str(), static_cast<mode_t>(c.existingMode));
    }
    RunOptions options;
    options.umask = c.umask;
    ASSERT_EQ(scratch.run(kCyclemake, kMakeLogo, options).status, 0);
    struct stat status;
    ASSERT_EQ(stat(scratch.path("out.sys").c_str(), &status), 0);
    EXPECT_EQ(static_cast<int>(status.st_mode & 07777), c.expectedMode);
  }
}

// Reads a FIFO to its end on a thread of its own, as a pipeline would.
class FifoReader {
 public:
  explicit FifoReader(std::string path)
      : path_(std::move(path)), thread_([this] {
          int fd = open(path_.c_str(), O_RDONLY);
          char buffer[4096];
          for (ssize_t got; fd >= 0 && (got = ::read(fd, buffer, sizeof buffer)) > 0;) {
            bytes_.append(buffer, static_cast<std::size_t>(got));
          }
          if (fd >= 0) close(fd);
        }) {}
  // What came through; a writer that never came is stood in for, so that
  // the thread ends.
  Bytes bytes() {
    int release = open(path_.c_str(), O_WRONLY | O_NONBLOCK);
    if (release >= 0) close(release);
    thread_.join();
    return bytes_;
  }

 private:
  std::string path_;
  Bytes bytes_;
  std::thread thread_;
};

struct Owner {
  uid_t user;
  gid_t group;
  bool operator==(const Owner&) const = default;
};

Owner ownerOf(const std::string& path) {
  struct stat status {};
  stat(path.c_str(), &status);
  return {status.st_uid, status.st_gid};
}

// A successful run puts the logo where the output's name leads, and leaves
// the name, its owner and everything else as they were.
TEST(SafeOutput, ReplacesOnlyWhatTheNameLeadsTo) {
  testing_support::Sandbox reference(kCyclemake);
  reference.write("in.bmp", testing_support::makePicture().bytes());
  ASSERT_EQ(reference.run(kMakeLogo).status, 0);
  const Bytes logo = reference.read("out.sys");
  const std::string longName(255, 'n');
  constexpr uid_t kOther = testing_support::kUnprivilegedId;
  const bool root = geteuid() == 0;
  const struct {
    const char* what;
    std::string output;
    std::function<void(const testing_support::Sandbox&)> before;
    bool unprivileged;    // else as whoever runs the tests; rows that give files away need root
    std::string written;  // where the logo lands
    std::function<void(const testing_support::Sandbox&)> after;
  } cases[] = {
      {"a link into another folder", "out.sys",
       [](const auto& box) {
         std::filesystem::create_directory(box.path("sub"));
         box.write("sub/other.bmp", "other");
         ASSERT_EQ(symlink("sub/other.bmp", box.path("out.sys").c_str()), 0);
       },
       false, "sub/other.bmp",
       [](const auto& box) {
         EXPECT_EQ(std::filesystem::read_symlink(box.path("out.sys")), "sub/other.bmp");
       }},
      {"a name as long as a name can be", longName, nullptr, false, longName, nullptr},
      {"another user's file, replaced by root", "out.sys",
       [&](const auto& box) {
         box.write("out.sys", "old");
         ASSERT_EQ(chown(box.path("out.sys").c_str(), kOther, kOther), 0);
       },
       false, "out.sys",
       [&](const auto& box) {
         EXPECT_TRUE(ownerOf(box.path("out.sys")) == (Owner{kOther, kOther}));
       }},
      // New files in a set-group-ID folder get its group, not their writer's.
      {"the unprivileged user's own file, in a folder of another group", "out.sys",
       [&](const auto& box) {
         box.write("out.sys", "old");
         ASSERT_EQ(chown(box.path("out.sys").c_str(), kOther, kOther), 0);
         ASSERT_EQ(chmod(box.root().c_str(), 02777), 0);
       },
       true, "out.sys",
       [&](const auto& box) {
         EXPECT_TRUE(ownerOf(box.path("out.sys")) == (Owner{kOther, kOther}));
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    bool givesAway = std::string_view(c.what).find("user") != std::string_view::npos;
    if (!root && givesAway) continue;
    testing_support::Sandbox scratch(kCyclemake);
    scratch.write("in.bmp", testing_support::makePicture().bytes());
    if (c.before) c.before(scratch);
    RunOptions options;
    options.unprivileged = c.unprivileged;
    RunResult result = scratch.run({"in.bmp", c.output, "2", "5", "9"}, options);
    EXPECT_EQ(result.status, 0) << result.out;
    EXPECT_TRUE(testing_support::sameBytes(scratch.read(c.written), logo));
    if (c.after) c.after(scratch);
    EXPECT_FALSE(anyTemporaryFile(scratch.root().string()));
  }
}

TEST(SafeOutput, WritesAFifoDirectly) {
  testing_support::Sandbox scratch(kCyclemake);
  scratch.write("in.bmp", testing_support::makePicture().bytes());
  ASSERT_EQ(mkfifo(scratch.path("out.sys").c_str(), 0600), 0);
  FifoReader reader(scratch.path("out.sys"));
  RunResult result = scratch.run(kMakeLogo);
  EXPECT_EQ(result.status, 0) << result.out;
  EXPECT_EQ(reader.bytes().size(), logo::kLogoFileSize);
  EXPECT_TRUE(std::filesystem::is_fifo(scratch.path("out.sys")));
}

// nohup and the like ignore a signal for the program: it must stay ignored.
TEST(SafeOutput, ASignalIgnoredAtTheStartStaysIgnored) {
  testing_support::Sandbox scratch(kCyclemake);
  const Bytes picture = testing_support::makePicture().bytes();
  ASSERT_EQ(mkfifo(scratch.path("in.bmp").c_str(), 0600), 0);
  RunOptions options;
  options.ignoredSignals = {SIGHUP};
  options.duringRun = [&](pid_t child) {
    stallThenSignal(scratch.root().string(), picture, 60000, SIGHUP)(child);
  };
  RunResult result = scratch.run(kMakeLogo, options);
  EXPECT_EQ(result.status, 0) << result.out;
}

// What palpack's source goes through between the survey and the rewrite.
enum class Meanwhile {
  kSymlinkOutputToSource,
  kHardLinkOutputToSource,
  kTruncate,
  kRewriteInPlace,
  kRewriteKeepingTheTime,
  kTouchWithinTheSecond,
  kNothingButAFifo,
};

void alter(const testing_support::Sandbox& scratch, Meanwhile change) {
  std::string source = scratch.path("in.bmp");
  std::string output = scratch.path("out.sys");
  struct stat status;
  stat(source.c_str(), &status);
  Bytes altered = testing_support::readFile(source);
  switch (change) {
    case Meanwhile::kSymlinkOutputToSource:
      ASSERT_EQ(symlink("in.bmp", output.c_str()), 0);
      return;
    case Meanwhile::kHardLinkOutputToSource:
      ASSERT_EQ(link(source.c_str(), output.c_str()), 0);
      return;
    case Meanwhile::kTruncate:
      ASSERT_EQ(truncate(source.c_str(), 2000), 0);
      return;
    case Meanwhile::kRewriteInPlace:
    case Meanwhile::kRewriteKeepingTheTime: {
      altered[5000] ^= 1;
      int fd = open(source.c_str(), O_WRONLY);
      ASSERT_EQ(pwrite(fd, altered.data(), altered.size(), 0),
                static_cast<ssize_t>(altered.size()));
      if (change == Meanwhile::kRewriteKeepingTheTime) {
        timespec times[2] = {status.st_atim, status.st_mtim};
        futimens(fd, times);
      }
      close(fd);
      return;
    }
    case Meanwhile::kTouchWithinTheSecond: {
      // The same bytes and second: only the nanoseconds tell.
      timespec times[2] = {status.st_atim, status.st_mtim};
      times[1].tv_nsec = (times[1].tv_nsec + 1) % 1'000'000'000;
      ASSERT_EQ(utimensat(AT_FDCWD, source.c_str(), times, 0), 0);
      return;
    }
    case Meanwhile::kNothingButAFifo:
      return;
  }
}

TEST(SafeOutput, PalpackRewritesOnlyTheBytesItSurveyed) {
  const Bytes picture = testing_support::makePicture().bytes();
  const struct {
    Meanwhile change;
    const char* said;
  } cases[] = {
      {Meanwhile::kSymlinkOutputToSource, "ERROR!! IN-FILE AND OUT-FILE ARE SAME !\n"},
      {Meanwhile::kHardLinkOutputToSource, "ERROR!! IN-FILE AND OUT-FILE ARE SAME !\n"},
      {Meanwhile::kTruncate, "IN FILE READ ERROR\n"},
      {Meanwhile::kRewriteInPlace, "IN FILE READ ERROR\n"},
      {Meanwhile::kRewriteKeepingTheTime, "IN FILE READ ERROR\n"},
      {Meanwhile::kTouchWithinTheSecond, "IN FILE READ ERROR\n"},
      {Meanwhile::kNothingButAFifo, "IN FILE READ ERROR\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.change));
    testing_support::Sandbox scratch;
    RunOptions options;
    options.input = "y\n";
    Folder before;
    if (c.change == Meanwhile::kNothingButAFifo) {
      ASSERT_EQ(mkfifo(scratch.path("in.bmp").c_str(), 0600), 0);
      options.duringRun = [&](pid_t) {
        int fifo = open(scratch.path("in.bmp").c_str(), O_WRONLY);
        ASSERT_EQ(write(fifo, picture.data(), picture.size()),
                  static_cast<ssize_t>(picture.size()));
        close(fifo);
      };
    } else {
      scratch.write("in.bmp", picture);
      options.pauseAt = kQuestion;
      options.duringRun = [&](pid_t) {
        alter(scratch, c.change);
        before = snapshot(scratch);
      };
    }
    RunResult result = scratch.run(kPalpack, kPackAll, options);
    EXPECT_TRUE(result.out.ends_with(c.said)) << result.out;
    EXPECT_EQ(result.status, 1);
    if (c.change == Meanwhile::kNothingButAFifo) {
      EXPECT_FALSE(testing_support::fileExists(scratch.path("out.sys")));
    } else {
      EXPECT_TRUE(sameFolder(snapshot(scratch), before));
    }
  }
}

TEST(SafeOutput, ClosedStandardDescriptorsNeverTakeAFilesPlace) {
  // A short source, so that every program warns on standard error.
  const Bytes shortSource = testing_support::makePicture().bytes().substr(0, 60);
  const struct {
    std::string program;
    std::vector<std::string> args;
    Bytes input;
    int closed;
    int status;
    bool changes;  // the files end as after a run with every descriptor open
  } cases[] = {
      {kCyclemake, kMakeLogo, "", 0, 0, true},
      {kCyclemake, kMakeLogo, "", 1, 1, true},  // the end message is lost
      {kCyclemake, kMakeLogo, "", 2, 0, true},
      {kPalpack, kPackAll, "y\n", 0, 1, false},  // no answer
      {kPalpack, kPackAll, "y\n", 1, 1, true},
      {kPalpack, kPackAll, "y\n", 2, 0, true},
      {kHuefind, {"in.bmp", "-u"}, "3\n1\n2\n3\ne\n", 0, 1, false},
      {kHuefind, {"in.bmp", "-u"}, "3\n1\n2\n3\nn\n", 1, 1, true},
      {kHuefind, {"in.bmp", "-u"}, "3\n1\n2\n3\ne\n", 2, 0, true},
      {kHuefind16, {"in.bmp", "-u"}, "3\n1\n2\n3\ne\n", 2, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[1] + " with descriptor " + std::to_string(c.closed) + " closed");
    testing_support::Sandbox normal;
    testing_support::Sandbox closed;
    RunOptions options;
    options.input = c.input;
    for (const auto* scratch : {&normal, &closed}) {
      scratch->write("in.bmp", shortSource);
    }
    Folder before = snapshot(closed);
    normal.run(c.program, c.args, options);
    options.closedDescriptor = c.closed;
    EXPECT_EQ(closed.run(c.program, c.args, options).status, c.status);
    EXPECT_TRUE(sameFolder(snapshot(closed), c.changes ? snapshot(normal) : before));
  }
}

TEST(SafeOutput, AReadErrorIsNoEndOfFile) {
  // Reading /proc/self/mem at offset 0 fails on Linux.
  const struct {
    std::string program;
    std::vector<std::string> args;
  } cases[] = {
      {kCyclemake, {"/proc/self/mem", "out.sys", "1", "5"}},
      {kPalpack, {"/proc/self/mem", "-p"}},
      {kPalpack, {"/proc/self/mem", "-u", "out.sys"}},
      {kHuefind, {"/proc/self/mem", "-s"}},
      {kHuefind16, {"/proc/self/mem", "-s"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[1]);
    testing_support::Sandbox scratch;
    RunOptions options;
    options.input = "y\n1\n2\n3\ne\n";
    RunResult result = scratch.run(c.program, c.args, options);
    EXPECT_EQ(result.out, "IN FILE READ ERROR\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(std::filesystem::is_empty(scratch.root()));
  }
}

}  // namespace
