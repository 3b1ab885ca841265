#include <unistd.h>

#include <csignal>
#include <cstdio>

#include "logo_image/console.h"
#include "logo_image/exit_status.h"
#include "logo_image/files.h"
#include "logo_image/program.h"
#include "logostudio/command_line.h"
#include "logostudio/server.h"
#include "picture/input.h"

namespace {

// Nothing is written to disk and no request needs finishing: an interrupt
// ends the studio at once, as its normal end.
void endAtOnce(int) {
  _exit(0);
}

logo::Result<logostudio::Upload> readOpening(const char* path, std::size_t most) {
  logo::File file = logo::openSource(path);
  if (!file) return logo::Failure{"cannot be opened"};
  picture::Input input(file.get());
  if (input.size() > most) return logo::Failure{"larger than the upload limit (--max-upload)"};
  logo::Result<picture::ByteView> bytes = input.whole();
  if (!bytes || input.failed()) return logo::Failure{"cannot be read"};
  std::string name = path;
  name = name.substr(name.find_last_of('/') + 1);
  return logostudio::Upload{name, std::string(bytes->begin(), bytes->end())};
}

}  // namespace

int main(int argc, char** argv) {
  logo::startProgram("logostudio");
  logo::Result<logostudio::Request> read = logostudio::readRequest(argc, argv);
  if (!read) logo::warn("%s", read.reason().c_str());
  if (!read || read->help) {
    logo::sayLines(logostudio::kUsageText);
    return logo::finishConsole(read ? logo::kExitOk : logo::kExitUsage);
  }
  logostudio::Settings settings;
  settings.maxUpload = std::size_t(read->maxUploadMiB) << 20;
  if (read->openingPath != nullptr) {
    auto opening = readOpening(read->openingPath, settings.maxUpload);
    if (!opening) {
      logo::warn("%s: %s", read->openingPath, opening.reason().c_str());
      return logo::kExitError;
    }
    settings.opening = std::move(opening).value();
  }
  logostudio::Server server(std::move(settings));
  logo::Result<int> port = server.bind(read->port);
  if (!port) {
    logo::warn("%s", port.reason().c_str());
    return logo::kExitError;
  }
  std::signal(SIGINT, endAtOnce);
  std::signal(SIGTERM, endAtOnce);
  std::printf("logostudio: http://127.0.0.1:%d/\n", *port);
  std::fflush(stdout);
  server.serve();
  return logo::kExitOk;
}
