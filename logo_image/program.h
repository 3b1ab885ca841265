// What every program does first, before it opens any file.
#pragma once

namespace logo {

// Records the name for lines on standard error; opens any of descriptors
// 0, 1 and 2 that is closed on /dev/null (0 write-only, 1 and 2 read-only)
// so that no file the program opens takes their place and every use of them
// fails visibly; and makes a write past the file-size limit fail with an
// error the program reports instead of ending it on the spot; makes running
// out of memory anywhere end the run with one line on standard error, exit
// status 1 and no output file; and lets a terminal's last line be closed
// at the end (watchTerminalLines).
void startProgram(const char* name);

// True for a command line that is `--help` alone.
bool asksForHelp(int argc, const char* const* argv);

// The name given to startProgram.
const char* programName();

}  // namespace logo
