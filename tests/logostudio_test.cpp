// logostudio over loopback: each call against the program it stands for,
// byte for byte; the refusals; several calls at once; its ends.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <future>
#include <nlohmann/json.hpp>

#include "tests/pictures/sample_pictures.h"
#include "tests/test_support.h"

namespace {

namespace samples = picture::samples;
using testing_support::RunOptions;
using testing_support::RunResult;

// A port nothing listens on now.
int freePort() {
  int socket = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ::bind(socket, reinterpret_cast<sockaddr*>(&address), size);
  getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size);
  close(socket);
  return ntohs(address.sin_port);
}

std::string text(const samples::Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// A form's part: a file of the sandbox when it has a file name.
struct Part {
  std::string name;
  std::string content;
  std::string file;
};
Part field(std::string name, std::string value) {
  return {std::move(name), std::move(value), ""};
}
Part file(std::string name, std::string path) {
  return {std::move(name), "", std::move(path)};
}

class Logostudio : public ::testing::Test, protected testing_support::Sandbox {
 protected:
  Logostudio() : Sandbox(LOGOSTUDIO_PROGRAM) {
    write("photo.png", text(samples::encodeTruecolour(samples::photoLike(400, 300), "PNG")));
    write("logo.bmp", text(samples::encodeBitmap(samples::patternPicture(320, 400, 256), {8})));
    samples::PngSamples ring{320, 400, 4, 8, {}, {}};
    for (int i = 0; i < 320 * 400; ++i) {
      int x = i % 320, y = i / 320;
      bool drawn = (x - 160) * (x - 160) + (y - 200) * (y - 200) < 90 * 90;
      ring.samples.insert(ring.samples.end(), {std::uint16_t(x % 200), 90, std::uint16_t(y / 2),
                                               std::uint16_t(drawn ? 255 : 0)});
    }
    write("ring.png", text(samples::encodePng(ring)));
    samples::PngSamples clear = ring;  // the ring on a wider picture, the rest clear
    clear.width = 400;
    clear.samples.resize(400 * 400 * 4, 0);
    write("clear.png", text(samples::encodePng(clear)));
    std::string mask(320 * 400 * 3, '\0');
    std::fill(mask.begin(), mask.begin() + mask.size() / 3, '\xff');
    write("mask.png", text(samples::encodeTruecolour(
                          {320, 400, std::vector<std::uint8_t>(mask.begin(), mask.end())}, "PNG")));
  }

  // Runs the studio with `args` on a free port; `use` talks to it, then
  // SIGTERM ends it.
  RunResult withStudio(std::vector<std::string> args,
                       const std::function<void(httplib::Client&)>& use) {
    port = freePort();
    args.insert(args.begin(), {"--port", std::to_string(port)});
    RunOptions options;
    options.pauseAt = "/\n";
    options.timeLimitSeconds = 120;
    options.duringRun = [&](pid_t studio) {
      httplib::Client client("127.0.0.1", port);
      client.set_read_timeout(60);
      use(client);
      kill(studio, SIGTERM);
    };
    return run(args, options);
  }

  httplib::Result post(httplib::Client& client, const std::string& path,
                       const std::vector<Part>& parts) {
    httplib::MultipartFormDataItems items;
    for (const Part& part : parts) {
      std::string content = part.file.empty() ? part.content : read(part.file);
      items.push_back({part.name, content, part.file, part.file.empty() ? "" : "image/png"});
    }
    return client.Post(path.c_str(), items);
  }

  int port = 0;
};

TEST_F(Logostudio, CallsGiveWhatTheProgramsWrite) {
  const struct {
    const char* path;
    std::vector<Part> parts;
    const char* program;
    std::vector<std::string> args;  // the output file last
  } cases[] = {
      {"/api/fit", {file("picture", "photo.png")}, LOGOFIT_PROGRAM, {"photo.png", "out"}},
      {"/api/fit",
       {file("picture", "photo.png"), field("geometry", "fill"), field("colors", "16"),
        field("dither", "0"), field("background", "#204080")},
       LOGOFIT_PROGRAM,
       {"--fill", "--colors=16", "--no-dither", "--background=#204080", "photo.png", "out"}},
      {"/api/fit",
       {file("picture", "photo.png"), field("bar", "30"), field("bar-colors", "8"),
        field("bar-gradient", "#ff0000,#0000ff"), field("bar-direction", "left"),
        field("bar-at", "top"), field("bar-band", "3")},
       LOGOFIT_PROGRAM,
       {"--bar=30", "--bar-colors=8", "--bar-gradient=#ff0000,#0000ff", "--bar-direction=left",
        "--bar-at=top", "--bar-band=3", "photo.png", "out"}},
      {"/api/fit",
       {file("picture", "photo.png"), file("layer", "ring.png"), field("layer-order", "angle")},
       LOGOFIT_PROGRAM,
       {"--layer=ring.png", "--layer-order=angle", "photo.png", "out"}},
      {"/api/fit",
       {file("picture", "photo.png"), file("mask", "mask.png"), field("shimmer-colors", "12"),
        field("shimmer-direction", "in")},
       LOGOFIT_PROGRAM,
       {"--shimmer=mask.png", "--shimmer-colors=12", "--shimmer-direction=in", "photo.png", "out"}},
      {"/api/fit", {file("picture", "logo.bmp")}, LOGOFIT_PROGRAM, {"logo.bmp", "out"}},
      // The same picture twice: the one the studio keeps for the first is
      // not the one the second background shows.
      {"/api/fit", {file("picture", "clear.png")}, LOGOFIT_PROGRAM, {"clear.png", "out"}},
      {"/api/fit",
       {file("picture", "clear.png"), field("background", "#d70a53")},
       LOGOFIT_PROGRAM,
       {"--background=#d70a53", "clear.png", "out"}},
      {"/api/cycle",
       {file("logo", "logo.bmp"), field("slots", "12 47 3")},
       CYCLEMAKE_PROGRAM,
       {"logo.bmp", "out", "3", "12", "47", "3"}},
      {"/api/preview", {file("logo", "logo.bmp")}, CYCLEVIEW_PROGRAM, {"logo.bmp", "out"}},
      {"/api/preview",
       {file("logo", "logo.bmp"), field("delay", "250"), field("reverse", "1"), field("raw", "1")},
       CYCLEVIEW_PROGRAM,
       {"--delay", "250", "--reverse", "--raw", "logo.bmp", "out"}},
  };
  RunResult studio = withStudio({}, [&](httplib::Client& client) {
    for (const auto& c : cases) {
      SCOPED_TRACE(::testing::PrintToString(c.args));
      RunResult program = run(c.program, c.args);
      httplib::Result answer = post(client, c.path, c.parts);
      ASSERT_TRUE(answer);
      EXPECT_EQ(answer->status, program.status == 0 ? 200 : 400) << answer->body;
      EXPECT_TRUE(answer->body == read("out")) << "not the bytes the program wrote";
      if (std::string(c.program) == LOGOFIT_PROGRAM) {
        EXPECT_EQ(answer->get_header_value("X-Logo-Summary") + "\n",
                  program.out.substr(0, program.out.find('\n') + 1));
      }
    }
  });
  EXPECT_EQ(studio.status, 0) << studio.err;
  EXPECT_EQ(studio.out, "logostudio: http://127.0.0.1:" + std::to_string(port) + "/\n");
}

TEST_F(Logostudio, RefusesWithTheReason) {
  write("big.bin", std::string(3 << 20, 'x'));
  auto sameHost = [&] { return "127.0.0.1:" + std::to_string(port); };
  const struct {
    const char* method;
    std::string path;
    std::vector<Part> parts;
    std::vector<std::pair<std::string, std::string>> headers;  // {"Host", ""}: the port's
    int status;
    const char* error;
  } cases[] = {
      {"POST",
       "/api/fit",
       {file("picture", "photo.png"), field("colors", "300")},
       {},
       400,
       "--colors takes 2 to 256"},
      {"POST",
       "/api/fit",
       {file("picture", "photo.png"), field("geometry", "wide")},
       {},
       400,
       "geometry takes fit, fill or stretch"},
      {"POST",
       "/api/fit",
       {file("picture", "photo.png"), field("size", "2")},
       {},
       400,
       "unknown field size"},
      {"POST", "/api/fit", {field("colors", "8")}, {}, 400, "the file picture is needed"},
      {"POST", "/api/fit", {file("picture", "big.bin")}, {}, 400, "big.bin: not a picture format"},
      {"POST",
       "/api/fit",
       {file("picture", "photo.png"), file("layer", "photo.png")},
       {},
       400,
       "photo.png: 400x300 pixels: a layer is"},
      {"POST",
       "/api/cycle",
       {file("logo", "logo.bmp"), field("slots", "1 2 256")},
       {},
       400,
       "PALET NUM. ERROR"},
      {"POST",
       "/api/cycle",
       {file("logo", "logo.bmp"), field("slots", "")},
       {},
       400,
       "COLOR NUM. ERROR"},
      {"POST",
       "/api/preview",
       {file("logo", "logo.bmp"), field("delay", "5")},
       {},
       400,
       "--delay takes 20 to 10000"},
      {"POST",
       "/api/fit",
       {file("picture", "photo.png")},
       {{"Host", "studio.example.com"}},
       403,
       "only 127.0.0.1 and localhost"},
      {"POST",
       "/api/fit",
       {file("picture", "photo.png")},
       {{"Origin", "http://example.com"}},
       403,
       "only its own page"},
      {"POST",
       "/api/fit",
       {file("picture", "photo.png")},
       {{"Origin", "null"}},
       403,
       "only its own page"},
      {"GET", "/api/fit", {}, {}, 405, "wrong method"},
      {"POST", "/", {}, {}, 405, "wrong method"},
      {"GET", "/etc/passwd", {}, {}, 404, "nothing here"},
      {"GET", "/../../etc/passwd", {}, {}, 404, "nothing here"},
      {"GET", "/%2e%2e/%2e%2e/etc/passwd", {}, {}, 404, "nothing here"},
      {"GET", "/api/", {}, {}, 404, "nothing here"},
      {"POST",
       "/api/fit",
       {file("picture", "big.bin"), file("layer", "big.bin")},
       {},
       413,
       "larger than the upload limit"},
  };
  RunResult studio = withStudio({"--max-upload=5"}, [&](httplib::Client& client) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.path + " " + std::to_string(&c - cases));
      httplib::Headers headers;
      for (const auto& [name, value] : c.headers) headers.emplace(name, value);
      if (headers.count("Host") == 0) headers.emplace("Host", sameHost());
      httplib::Result answer = [&] {
        if (std::string(c.method) == "GET") return client.Get(c.path.c_str(), headers);
        httplib::MultipartFormDataItems items;
        for (const Part& part : c.parts) {
          std::string content = part.file.empty() ? part.content : read(part.file);
          items.push_back({part.name, content, part.file, part.file.empty() ? "" : "image/png"});
        }
        return client.Post(c.path.c_str(), headers, items);
      }();
      ASSERT_TRUE(answer) << httplib::to_string(answer.error());
      EXPECT_EQ(answer->status, c.status);
      EXPECT_TRUE(answer->get_header_value("Access-Control-Allow-Origin").empty());
      auto body = nlohmann::json::parse(answer->body, nullptr, false);
      ASSERT_TRUE(body.contains("error")) << answer->body;
      EXPECT_NE(body["error"].get<std::string>().find(c.error), std::string::npos) << answer->body;
      // The next good call is answered as before.
      httplib::Result good = post(client, "/api/preview", {file("logo", "logo.bmp")});
      ASSERT_TRUE(good);
      EXPECT_EQ(good->status, 200);
    }
  });
  EXPECT_EQ(studio.status, 0) << studio.err;
}

// Eight calls at once, each with options of its own, each answered with
// what it alone would have been.
TEST_F(Logostudio, AnswersSeveralCallsAtOnce) {
  withStudio({}, [&](httplib::Client& client) {
    std::vector<std::string> alone;
    auto fitWith = [&](httplib::Client& with, int colours) {
      auto answer = post(with, "/api/fit",
                         {file("picture", "photo.png"), field("colors", std::to_string(colours))});
      return answer && answer->status == 200 ? answer->body : std::string();
    };
    for (int k = 0; k < 8; ++k) alone.push_back(fitWith(client, 2 + 30 * k));
    std::vector<std::future<std::string>> together;
    for (int k = 0; k < 8; ++k) {
      together.push_back(std::async(std::launch::async, [&, k] {
        httplib::Client own("127.0.0.1", port);
        own.set_read_timeout(60);
        return fitWith(own, 2 + 30 * k);
      }));
    }
    for (int k = 0; k < 8; ++k) {
      EXPECT_FALSE(alone[k].empty());
      EXPECT_TRUE(together[k].get() == alone[k]) << k;
    }
  });
}

// The file the page opens with, and its name; nothing without one.
TEST_F(Logostudio, GivesTheFileItOpensWith) {
  write("my logo.bmp", read("logo.bmp"));
  withStudio({"my logo.bmp"}, [&](httplib::Client& client) {
    httplib::Result answer = client.Get("/api/opening");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    EXPECT_TRUE(answer->body == read("logo.bmp"));
    EXPECT_EQ(answer->get_header_value("X-File-Name"), "my logo.bmp");  // decoded by the client
  });
  withStudio({}, [&](httplib::Client& client) {
    httplib::Result answer = client.Get("/api/opening");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 204);
  });
}

TEST_F(Logostudio, SaysWhyItCannotStart) {
  const struct {
    std::vector<std::string> args;
    int status;
    const char* err;
  } cases[] = {
      {{"--port", "65536"}, 2, "logostudio: --port takes 0 to 65535"},
      {{"--max-upload=0"}, 2, "logostudio: --max-upload takes 1 to 1024 MiB"},
      {{"missing.png"}, 1, "logostudio: missing.png: cannot be opened\n"},
      {{"a.png", "b.png"}, 2, "logostudio: one file at most"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    RunResult result = run(c.args);
    EXPECT_EQ(result.status, c.status);
    EXPECT_TRUE(result.err.starts_with(c.err)) << result.err;
  }
  // A port in use: one line, status 1.
  RunResult second;
  withStudio({}, [&](httplib::Client&) { second = run({"--port", std::to_string(port)}); });
  EXPECT_EQ(second.status, 1);
  EXPECT_EQ(second.err, "logostudio: cannot listen on 127.0.0.1:" + std::to_string(port) +
                            " (is the port in use?)\n");
}

}  // namespace
