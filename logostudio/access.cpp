#include "logostudio/access.h"

#include <string>

namespace logostudio {

bool hostAllowed(std::string_view host, int port) {
  std::size_t colon = host.rfind(':');
  if (colon == std::string_view::npos) return false;
  std::string_view name = host.substr(0, colon);
  return (name == "127.0.0.1" || name == "localhost") &&
         host.substr(colon + 1) == std::to_string(port);
}

bool originAllowed(std::string_view origin, int port) {
  if (origin.empty()) return true;
  if (!origin.starts_with("http://")) return false;
  return hostAllowed(origin.substr(7), port);
}

}  // namespace logostudio
