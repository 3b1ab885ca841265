// How the programs speak: console texts on standard output, answers read
// from standard input, one voice on standard error.
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <string_view>

namespace logo {

// Makes standard output, when it is a terminal, remember whether its last
// line is open, so that finishConsole can close it. Pipes and files are
// left alone. Called once, before anything is said.
void watchTerminalLines();

// Writes a console text to `out`: as UTF-8 when `out` is a terminal and the
// user's locale (LC_ALL, LC_CTYPE, LANG) is UTF-8, so a person can read it;
// otherwise, for pipes, files and every other locale, as Shift-JIS bytes.
bool writeConsoleText(std::FILE* out, std::string_view utf8);

// Writes a console text to standard output.
void say(std::string_view utf8);

// Writes each line followed by "\n": the usage texts.
template <std::size_t Lines>
void sayLines(const std::array<std::string_view, Lines>& lines) {
  for (std::string_view line : lines) {
    say(line);
    say("\n");
  }
}

// Says the lines and ends with `status`: the usage and help texts.
template <std::size_t Lines>
int sayLinesAndEnd(const std::array<std::string_view, Lines>& lines, int status);

// Prints an error message and returns the error exit status.
int sayError(std::string_view message);

// Writes one line to standard error, prefixed with the program's name.
void warn(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Reads one character of an answer. A carriage return directly before a
// newline is dropped, so a line typed as "y\r\n" reads as "y\n". EOF at the
// end of input.
int readAnswerChar(std::FILE* in);

// Reads and drops the rest of an answer line, newline included, after
// flushing `out` so that what was said is seen first. False at end of input.
bool skipLine(std::FILE* in, std::FILE* out);

// Flushes standard output before the program ends, closing a line left open
// on a terminal; a console that could not take the output turns a normal
// end into an error end.
int finishConsole(int status);

template <std::size_t Lines>
int sayLinesAndEnd(const std::array<std::string_view, Lines>& lines, int status) {
  sayLines(lines);
  return finishConsole(status);
}

}  // namespace logo
