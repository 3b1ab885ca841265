// The studio on the loopback address: the page, its files and the calls of
// studio.h over HTTP (cpp-httplib, used in server.cpp alone).
#pragma once

#include <cstddef>
#include <memory>
#include <optional>

#include "logo_image/result.h"
#include "logostudio/studio.h"

namespace logostudio {

struct Settings {
  std::size_t maxUpload = std::size_t(64) << 20;  // bytes of a request's body
  std::optional<Upload> opening;                  // the file the page opens with
};

class Server {
 public:
  explicit Server(Settings settings);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Binds 127.0.0.1:port, or any free port for 0: the port bound, or why
  // it cannot be.
  logo::Result<int> bind(int port);
  // Answers requests, several at once, until the process ends.
  void serve();

 private:
  struct Listener;
  std::unique_ptr<Listener> listener_;
};

}  // namespace logostudio
