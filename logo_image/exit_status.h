// The exit statuses every program shares.
#pragma once

namespace logo {

inline constexpr int kExitOk = 0;
inline constexpr int kExitError = 1;  // after an error message
inline constexpr int kExitUsage = 2;  // after the usage text

}  // namespace logo
