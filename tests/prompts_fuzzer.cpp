// Feeds arbitrary standard input to the dialogues and arbitrary bytes to the
// text and number readers: none may crash, read out of bounds or hang.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "huefind/huefind.h"
#include "logo_image/numbers.h"
#include "logo_image/shift_jis.h"
#include "palpack/palpack.h"

namespace {

struct Input {
  Input(const std::uint8_t* data, std::size_t size) : bytes(data, data + size) {
    bytes.push_back(0);  // fmemopen wants a buffer of at least one byte
    stream = fmemopen(bytes.data(), size, "rb");
  }
  ~Input() { std::fclose(stream); }
  std::vector<std::uint8_t> bytes;
  std::FILE* stream;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::FILE* sink = std::fopen("/dev/null", "wb");
  {
    Input in(data, size);
    while (palpack::askToMakeFile(in.stream, sink) != palpack::Answer::kEndOfInput) {
    }
  }
  {
    Input in(data, size);
    huefind::Palette<16> palette{};
    huefind::NumberPrompt prompt(in.stream, sink);
    huefind::updateColours(palette, prompt, sink);
  }
  {
    Input in(data, size);
    huefind::Palette<256> palette{};
    huefind::NumberPrompt prompt(in.stream, sink);
    while (huefind::searchColours(palette, prompt, sink) != huefind::LoopEnd::kEndOfInput &&
           prompt.ask()) {
    }
  }
  std::string text(reinterpret_cast<const char*>(data), size);
  logo::writeShiftJis(sink, text);
  logo::readNumber(text.c_str());
  return 0;
}
