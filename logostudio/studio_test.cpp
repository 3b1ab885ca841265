#include "logostudio/studio.h"

#include <gtest/gtest.h>

#include "logostudio/access.h"

namespace {

TEST(Access, OnlyTheStudiosOwnNamesAndPage) {
  const struct {
    const char* host;
    const char* origin;
    bool allowed;
  } cases[] = {
      {"127.0.0.1:8095", "", true},
      {"localhost:8095", "http://localhost:8095", true},
      {"127.0.0.1:8095", "http://127.0.0.1:8095", true},
      {"127.0.0.1", "", false},
      {"127.0.0.1:80951", "", false},
      {"studio.example.com:8095", "", false},
      {"localhost.example.com:8095", "", false},
      {"127.0.0.1:8095", "http://example.com", false},
      {"127.0.0.1:8095", "https://127.0.0.1:8095", false},
      {"127.0.0.1:8095", "http://127.0.0.1:8096", false},
      {"127.0.0.1:8095", "null", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.host) + " " + c.origin);
    EXPECT_EQ(logostudio::hostAllowed(c.host, 8095) && logostudio::originAllowed(c.origin, 8095),
              c.allowed);
  }
}

TEST(CommandLine, QuotesWhatTheShellWouldTakeApart) {
  const struct {
    std::vector<std::string> words;
    const char* line;
  } cases[] = {
      {{"logofit", "--background=#d70a53", "photo.jpg", "LOGO.SYS"},
       "logofit --background=#d70a53 photo.jpg LOGO.SYS"},
      {{"cyclemake", "my logo.bmp"}, "cyclemake 'my logo.bmp'"},
      {{"x", "it's"}, "x 'it'\\''s'"},
      {{"x", "#1"}, "x '#1'"},
      {{"x", "a;rm"}, "x 'a;rm'"},
  };
  for (const auto& c : cases) EXPECT_EQ(logostudio::commandLine(c.words), c.line);
}

}  // namespace
