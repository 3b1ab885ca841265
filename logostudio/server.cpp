#include "logostudio/server.h"

#include <httplib.h>
#include <sys/socket.h>

#include <cctype>
#include <cstdio>
#include <new>
#include <string>

#include "logostudio/access.h"
#include "logostudio/page_files.h"
#include "logostudio/picture_cache.h"

namespace logostudio {
namespace {

using httplib::Request;
using httplib::Response;
using Handled = httplib::Server::HandlerResponse;

constexpr std::size_t kWorkers = 16;

// The calls, each at one path and by one method.
struct Call {
  const char* path;
  const char* method;
};
constexpr Call kCalls[] = {{"/api/fit", "POST"},
                           {"/api/cycle", "POST"},
                           {"/api/preview", "POST"},
                           {"/api/opening", "GET"}};

// The method a path is answered for, or none for a path not answered.
std::string_view methodFor(const std::string& path) {
  for (const Call& call : kCalls) {
    if (path == call.path) return call.method;
  }
  for (const PageFile& file : pageFiles()) {
    if (path == file.path) return "GET";
  }
  return {};
}

// A part with a file name or a type of its own is a file; the rest are
// text fields.
Form formOf(const Request& request) {
  Form form;
  for (const auto& [name, part] : request.files) {
    if (part.filename.empty() && part.content_type.empty()) {
      form.fields.emplace(name, part.content);
    } else {
      form.files.emplace(name, Upload{part.filename, part.content});
    }
  }
  return form;
}

void put(Response& response, const Answer& answer) {
  response.status = answer.status;
  response.set_content(answer.body, answer.contentType.c_str());
  for (const auto& [name, value] : answer.headers) response.set_header(name.c_str(), value);
}

// Answered before the body is read: the connection cannot be used again.
Handled refuseAtOnce(Response& response, int status, const char* reason) {
  put(response, refusal(status, reason));
  response.set_header("Connection", "close");
  return Handled::Handled;
}

// A file name as a header can carry it: any byte but a plain letter,
// digit, dot, dash or underscore as %XX, as the page decodes it.
std::string percentEncoded(std::string_view name) {
  std::string encoded;
  for (unsigned char c : name) {
    if (std::isalnum(c) || c == '.' || c == '-' || c == '_') {
      encoded += static_cast<char>(c);
    } else {
      char escape[4];
      std::snprintf(escape, sizeof escape, "%%%02X", c);
      encoded += escape;
    }
  }
  return encoded;
}

const char* reasonOf(int status) {
  switch (status) {
    case 404:
      return "nothing here: the studio answers /, its page's files and /api/";
    case 413:
      return "the request is larger than the upload limit (--max-upload)";
    default:
      return "the request could not be read";
  }
}

}  // namespace

struct Server::Listener {
  explicit Listener(Settings given) : settings(std::move(given)) {}

  Handled checkAccess(const Request& request, Response& response) const {
    if (!hostAllowed(request.get_header_value("Host"), port)) {
      return refuseAtOnce(response, 403, "the studio answers only 127.0.0.1 and localhost");
    }
    if (!originAllowed(request.get_header_value("Origin"), port)) {
      return refuseAtOnce(response, 403, "the studio answers only its own page");
    }
    std::string_view method = methodFor(request.path);
    if (!method.empty() && request.method != method) {
      response.set_header("Allow", std::string(method));
      return refuseAtOnce(response, 405, "wrong method for this path");
    }
    return Handled::Unhandled;
  }

  void route() {
    for (const PageFile& file : pageFiles()) {
      http.Get(std::string(file.path), [&file](const Request&, Response& response) {
        response.set_content(file.bytes.data(), file.bytes.size(), std::string(file.type));
        response.set_header(
            "Content-Security-Policy",
            "default-src 'self'; img-src 'self' blob: data:; connect-src 'self' blob:; "
            "object-src 'none'; base-uri 'none'; form-action 'none'");
      });
    }
    auto post = [this](const char* path, Answer (*answer)(const Form&, PictureCache&)) {
      http.Post(path, [this, answer](const Request& request, Response& response) {
        if (!request.is_multipart_form_data()) {
          return put(response, refusal(400, "a form is expected (multipart/form-data)"));
        }
        put(response, answer(formOf(request), cache));
      });
    };
    post("/api/fit", fitAnswer);
    post("/api/cycle", [](const Form& form, PictureCache&) { return cycleAnswer(form); });
    post("/api/preview", [](const Form& form, PictureCache&) { return previewAnswer(form); });
    http.Get("/api/opening", [this](const Request&, Response& response) {
      if (!settings.opening) {
        response.status = 204;
        return;
      }
      response.set_content(settings.opening->bytes, "application/octet-stream");
      response.set_header("X-File-Name", percentEncoded(settings.opening->name));
    });
  }

  void configure() {
    // Without the library's SO_REUSEPORT, so that a second studio on a
    // port in use is told so instead of sharing it.
    http.set_socket_options([](int socket) {
      int yes = 1;
      setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    http.set_payload_max_length(settings.maxUpload);
    // A browser keeps a few connections open between requests, each
    // holding a worker: room for them and for eight calls at once.
    http.new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
    http.set_pre_routing_handler([this](const Request& request, Response& response) {
      return checkAccess(request, response);
    });
    http.set_post_routing_handler([](const Request&, Response& response) {
      response.set_header("Cache-Control", "no-store");
      response.set_header("X-Content-Type-Options", "nosniff");
      response.set_header("Referrer-Policy", "no-referrer");
    });
    http.set_error_handler([](const Request&, Response& response) {
      if (response.body.empty()) put(response, refusal(response.status, reasonOf(response.status)));
    });
    http.set_exception_handler([](const Request&, Response& response, std::exception_ptr error) {
      try {
        std::rethrow_exception(error);
      } catch (const std::bad_alloc&) {
        put(response, refusal(503, "out of memory"));
      } catch (...) {
        put(response, refusal(500, "the request failed"));
      }
    });
    route();
  }

  Settings settings;
  PictureCache cache;
  httplib::Server http;
  int port = 0;
};

Server::Server(Settings settings) : listener_(std::make_unique<Listener>(std::move(settings))) {
  listener_->configure();
}

Server::~Server() = default;

logo::Result<int> Server::bind(int port) {
  httplib::Server& http = listener_->http;
  int bound = port == 0 ? http.bind_to_any_port("127.0.0.1")
                        : (http.bind_to_port("127.0.0.1", port) ? port : -1);
  if (bound <= 0) {
    return logo::Failure{"cannot listen on 127.0.0.1:" + std::to_string(port) +
                         " (is the port in use?)"};
  }
  listener_->port = bound;
  return bound;
}

void Server::serve() {
  listener_->http.listen_after_bind();
}

}  // namespace logostudio
