#include "logostudio/access.h"

#include <string>

namespace logostudio {

bool hostAllowed(std::string_view host, int port) {
  std::string suffix = ":" + std::to_string(port);
  return host == "127.0.0.1" + suffix || host == "localhost" + suffix;
}

bool originAllowed(std::string_view origin, int port) {
  if (origin.empty()) return true;
  if (!origin.starts_with("http://")) return false;
  return hostAllowed(origin.substr(7), port);
}

}  // namespace logostudio
