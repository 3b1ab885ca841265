// Who may use the studio. It listens on the loopback address only, but a
// page of any site the person visits could still send requests to it: by a
// name that resolves to 127.0.0.1 (DNS rebinding, caught by the Host), or
// straight from that page (caught by the Origin). Neither is answered.
#pragma once

#include <string_view>

namespace logostudio {

// `127.0.0.1:PORT` or `localhost:PORT`.
bool hostAllowed(std::string_view host, int port);
// No origin at all (a script, a link followed), or the studio's own page.
bool originAllowed(std::string_view origin, int port);

}  // namespace logostudio
