// What every program does first, before it opens any file.
#pragma once

namespace logo {

// Records the name for lines on standard error; opens any of descriptors
// 0, 1 and 2 that is closed on /dev/null (0 write-only, 1 and 2 read-only)
// so that no file the program opens takes their place and every use of them
// fails visibly; and makes a write past the file-size limit fail with an
// error the program reports instead of ending it on the spot.
void startProgram(const char* name);

// The name given to startProgram.
const char* programName();

}  // namespace logo
