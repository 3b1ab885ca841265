#include "logostudio/command_line.h"

#include <charconv>
#include <optional>
#include <string>

namespace logostudio {
namespace {

std::optional<int> numberIn(std::string_view text, int least, int most) {
  int value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
  if (value < least || value > most) return {};
  return value;
}

// The value of `--name=VALUE` or `--name VALUE` at argv[i], moving i past it.
std::optional<std::string_view> valueOf(std::string_view name, int argc, const char* const* argv,
                                        int& i) {
  std::string_view word = argv[i];
  if (word.starts_with(name) && word.size() > name.size() && word[name.size()] == '=') {
    return word.substr(name.size() + 1);
  }
  if (word != name || i + 1 == argc) return {};
  return argv[++i];
}

}  // namespace

logo::Result<Request> readRequest(int argc, const char* const* argv) {
  Request request;
  for (int i = 1; i < argc; ++i) {
    std::string_view word = argv[i];
    if (word == "--help") {
      request.help = true;
      return request;
    }
    if (word.starts_with("--port")) {
      auto value = valueOf("--port", argc, argv, i);
      auto port = value ? numberIn(*value, 0, 65535) : std::nullopt;
      if (!port) return logo::Failure{"--port takes 0 to 65535 (0: any free port)"};
      request.port = *port;
    } else if (word.starts_with("--max-upload")) {
      auto value = valueOf("--max-upload", argc, argv, i);
      auto size = value ? numberIn(*value, 1, 1024) : std::nullopt;
      if (!size) return logo::Failure{"--max-upload takes 1 to 1024 MiB"};
      request.maxUploadMiB = *size;
    } else if (word.starts_with("-") && word != "-") {
      return logo::Failure{"unknown option " + std::string(word)};
    } else if (request.openingPath != nullptr) {
      return logo::Failure{"one file at most"};
    } else {
      request.openingPath = argv[i];
    }
  }
  return request;
}

const std::array<std::string_view, 17> kUsageText = {
    "usage: logostudio [--port N] [--max-upload=MIB] [FILE]",
    "       logostudio --help",
    "Serves the studio, a page for making a moving start-up logo, on this",
    "machine only (127.0.0.1), and writes its address on the first line:",
    "  logostudio: http://127.0.0.1:8095/",
    "Open it in a browser: drop a picture on the page, choose its animation,",
    "paint what should shimmer, watch it cycle and download LOGO.SYS. Every",
    "result is what logofit, cyclemake and cycleview give, and the page shows",
    "their command lines beside it.",
    "  --port N          the port (default 8095; 0 takes any free one)",
    "  --max-upload=MIB  the largest request taken, 1 to 1024 MiB (default 64)",
    "  FILE              a picture or a logo file the page opens with",
    "  --help            this text",
    "Pages of other sites cannot use the studio: requests from them, or by",
    "another name than 127.0.0.1 or localhost, are refused.",
    "Ctrl-C (SIGINT) or SIGTERM ends it. Exit status: 0 ended, 1 after an error",
    "message (the port in use, FILE unreadable), 2 after this text.",
};

}  // namespace logostudio
