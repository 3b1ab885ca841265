#include "logo_image/console.h"

#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdarg>
#include <cstring>

#include "logo_image/exit_status.h"
#include "logo_image/program.h"
#include "logo_image/shift_jis.h"

namespace logo {
namespace {

bool localeIsUtf8() {
  static const bool utf8 = [] {
    // Asked once and put back, so that nothing else reads bytes by the locale.
    bool found =
        std::setlocale(LC_CTYPE, "") != nullptr && std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    std::setlocale(LC_CTYPE, "C");
    return found;
  }();
  return utf8;
}

// Standard output on a terminal goes through this cookie, which remembers
// the last byte the terminal took.
struct Terminal {
  bool watched = false;
  char lastByte = '\n';
};
Terminal terminal;

ssize_t writeToTerminal(void*, const char* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    ssize_t wrote = ::write(STDOUT_FILENO, data + done, size - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return done > 0 ? static_cast<ssize_t>(done) : -1;
    done += static_cast<std::size_t>(wrote);
    terminal.lastByte = data[done - 1];
  }
  return static_cast<ssize_t>(done);
}

bool isTerminal(std::FILE* out) {
  return out == stdout ? terminal.watched : isatty(fileno(out)) != 0;
}

}  // namespace

void watchTerminalLines() {
  if (!isatty(STDOUT_FILENO)) return;
  std::FILE* watched = fopencookie(nullptr, "w", {nullptr, writeToTerminal, nullptr, nullptr});
  if (watched == nullptr) return;
  setvbuf(watched, nullptr, _IOLBF, BUFSIZ);
  stdout = watched;
  terminal.watched = true;
}

bool writeConsoleText(std::FILE* out, std::string_view utf8) {
  if (isTerminal(out) && localeIsUtf8()) {
    return std::fwrite(utf8.data(), 1, utf8.size(), out) == utf8.size();
  }
  return writeShiftJis(out, utf8);
}

void say(std::string_view utf8) {
  writeConsoleText(stdout, utf8);
}

void warn(const char* format, ...) {
  std::fprintf(stderr, "%s: ", programName());
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(stderr, format, arguments);
  va_end(arguments);
  std::fputc('\n', stderr);
}

int readAnswerChar(std::FILE* in) {
  int c = std::fgetc(in);
  if (c != '\r') return c;
  int next = std::fgetc(in);
  if (next == '\n') return next;
  if (next != EOF) std::ungetc(next, in);
  return c;
}

bool skipLine(std::FILE* in, std::FILE* out) {
  std::fflush(out);
  for (int c; (c = std::fgetc(in)) != EOF;) {
    if (c == '\n') return true;
  }
  return false;
}

int sayError(std::string_view message) {
  say(message);
  return finishConsole(kExitError);
}

int finishConsole(int status) {
  // Else the shell's prompt would follow the last word on the same line.
  if (terminal.watched && std::fflush(stdout) == 0 && terminal.lastByte != '\n') {
    std::fputc('\n', stdout);
  }
  bool lost = std::fflush(stdout) != 0 || std::ferror(stdout);
  if (lost && status == kExitOk) return kExitError;
  return status;
}

}  // namespace logo
