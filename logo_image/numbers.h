// Numbers typed on the command line or at a prompt.
#pragma once

namespace logo {

// Reads a decimal number as the C library's atoi does (leading white space,
// optional sign, digits up to the first other character, 0 without digits),
// except that a value beyond the range of int saturates instead of wrapping.
int readNumber(const char* text);

}  // namespace logo
