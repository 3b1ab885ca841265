// The encoding of every console text of the suite: Shift-JIS (code page 932).
#pragma once

#include <cstdio>
#include <string_view>

namespace logo {

// Writes UTF-8 text to `out` as Shift-JIS bytes. Returns false if a
// character has no Shift-JIS form (nothing is written for it) or a write
// failed.
bool writeShiftJis(std::FILE* out, std::string_view utf8);

}  // namespace logo
