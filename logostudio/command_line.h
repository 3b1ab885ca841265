// logostudio's command line: [--port N] [--max-upload=MIB] [FILE], or --help.
#pragma once

#include <array>
#include <string_view>

#include "logo_image/result.h"

namespace logostudio {

inline constexpr int kDefaultPort = 8095;
inline constexpr int kDefaultMaxUploadMiB = 64;

struct Request {
  int port = kDefaultPort;
  int maxUploadMiB = kDefaultMaxUploadMiB;
  const char* openingPath = nullptr;  // the file the page opens with, if any
  bool help = false;
};

// The reason names what is wrong with the command line.
logo::Result<Request> readRequest(int argc, const char* const* argv);

extern const std::array<std::string_view, 17> kUsageText;

}  // namespace logostudio
