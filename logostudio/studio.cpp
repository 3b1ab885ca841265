#include "logostudio/studio.h"

#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>
#include <span>
#include <sstream>

#include "cyclemake/cyclemake.h"
#include "cycleview/cycleview.h"
#include "logofit/command_line.h"
#include "logofit/fit_file.h"
#include "logostudio/picture_cache.h"

namespace logostudio {
namespace {

constexpr std::string_view kFitFields[] = {
    "geometry", "gravity",     "background",     "colors",           "dither",
    "bar",      "bar-colors",  "bar-gradient",   "bar-band",         "bar-direction",
    "bar-at",   "layer-order", "shimmer-colors", "shimmer-direction"};

using Words = std::vector<std::string>;

picture::ByteView bytesOf(const std::string& bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

// A file's own name where it is plain enough to stand in a command line and
// a header; else a name for what it is.
std::string plainName(const Upload* upload, const char* stand_in) {
  if (upload == nullptr || upload->name.empty() || upload->name.size() > 64 ||
      upload->name[0] == '-') {
    return stand_in;
  }
  bool plain = std::all_of(upload->name.begin(), upload->name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-';
  });
  return plain ? upload->name : stand_in;
}

const Upload* fileOf(const Form& form, const std::string& name) {
  auto found = form.files.find(name);
  return found == form.files.end() ? nullptr : &found->second;
}

logo::Status onlyFields(const Form& form, std::span<const std::string_view> fields,
                        std::span<const std::string_view> files) {
  for (const auto& [name, value] : form.fields) {
    if (std::find(fields.begin(), fields.end(), name) == fields.end()) {
      return logo::Failure{"unknown field " + name};
    }
  }
  for (const auto& [name, upload] : form.files) {
    if (std::find(files.begin(), files.end(), name) == files.end()) {
      return logo::Failure{"unknown file " + name};
    }
  }
  return {};
}

// The option a field stands for: its name with dashes before it.
logo::Result<std::string> optionOf(const std::string& name, const std::string& value) {
  if (name == "geometry") {
    if (value != "fit" && value != "fill" && value != "stretch") {
      return logo::Failure{"geometry takes fit, fill or stretch"};
    }
    return "--" + value;
  }
  if (name == "dither") {
    if (value != "0" && value != "1") return logo::Failure{"dither takes 1 or 0"};
    return std::string(value == "0" ? "--no-dither" : "");
  }
  if (name == "bar" && value.empty()) return std::string("--bar");
  return "--" + name + "=" + value;
}

// logofit's command line for the form, with the names of its files.
logo::Result<Words> logofitWords(const Form& form) {
  constexpr std::string_view kFiles[] = {"picture", "layer", "mask"};
  if (logo::Status known = onlyFields(form, kFitFields, kFiles); !known) return known.error();
  const Upload* picture = fileOf(form, "picture");
  if (picture == nullptr) return logo::Failure{"the file picture is needed"};
  Words words{"logofit"};
  for (const auto& [name, value] : form.fields) {
    logo::Result<std::string> option = optionOf(name, value);
    if (!option) return option.error();
    if (!option->empty()) words.push_back(*option);
  }
  if (const Upload* layer = fileOf(form, "layer")) {
    words.push_back("--layer=" + plainName(layer, "layer.png"));
  }
  if (const Upload* mask = fileOf(form, "mask")) {
    words.push_back("--shimmer=" + plainName(mask, "mask.png"));
  }
  words.push_back(plainName(picture, "picture"));
  words.push_back("LOGO.SYS");
  return words;
}

std::vector<const char*> argumentsOf(const Words& words) {
  std::vector<const char*> arguments;
  for (const std::string& word : words) arguments.push_back(word.c_str());
  arguments.push_back(nullptr);
  return arguments;
}

logo::Result<logofit::Overlay> overlayOf(const Form& form, const logofit::Request& request) {
  const Upload* extra = fileOf(form, "layer");
  const char* standIn = "layer.png";
  if (extra == nullptr) extra = fileOf(form, "mask"), standIn = "mask.png";
  static const std::string kNone;
  picture::Input input(bytesOf(extra ? extra->bytes : kNone));
  logo::Result<logofit::Overlay> overlay = logofit::overlayOf(request.animation, input);
  if (!overlay) return logo::Failure{plainName(extra, standIn) + ": " + overlay.reason()};
  return overlay;
}

logo::Result<std::shared_ptr<const logofit::Prepared>> preparedOf(
    const Upload& picture, const logofit::FitOptions& options, PictureCache& cache) {
  std::string key = PictureCache::keyOf(picture.bytes, options);
  if (auto kept = cache.find(key)) return kept;
  picture::Input input(bytesOf(picture.bytes));
  logo::Result<logofit::Prepared> prepared = logofit::preparePicture(input, options, {});
  if (!prepared) return logo::Failure{plainName(&picture, "picture") + ": " + prepared.reason()};
  auto shared = std::make_shared<const logofit::Prepared>(std::move(prepared).value());
  cache.keep(key, shared);
  return shared;
}

Answer bytesAnswer(const char* type, std::string body, const Words& words) {
  return Answer{200, type, std::move(body), {{"X-Logo-Command", commandLine(words)}}};
}

std::string textOf(std::span<const std::uint8_t> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

Answer refusal(int status, std::string_view reason) {
  nlohmann::json body{{"error", reason}};
  return Answer{status,
                "application/json",
                body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                {}};
}

Answer fitAnswer(const Form& form, PictureCache& cache) {
  logo::Result<Words> words = logofitWords(form);
  if (!words) return refusal(400, words.reason());
  std::vector<const char*> arguments = argumentsOf(*words);
  logo::Result<logofit::Request> request =
      logofit::readRequest(static_cast<int>(words->size()), arguments.data());
  if (!request) return refusal(400, request.reason());
  logo::Result<logofit::Overlay> overlay = overlayOf(form, *request);
  if (!overlay) return refusal(400, overlay.reason());
  auto prepared = preparedOf(*fileOf(form, "picture"), request->options, cache);
  if (!prepared) return refusal(400, prepared.reason());
  logo::Result<logofit::Fitted> fitted =
      logofit::fitPrepared(**prepared, request->options, *overlay);
  if (!fitted)
    return refusal(400, plainName(fileOf(form, "picture"), "picture") + ": " + fitted.reason());
  Answer answer = bytesAnswer("application/octet-stream", textOf(fitted->logo), *words);
  std::string summary = logofit::summary(*fitted, request->options.geometry);
  summary.pop_back();  // the newline
  answer.headers.push_back({"X-Logo-Summary", summary});
  std::string warning = logofit::borderWarning(*fitted, request->options.background);
  if (!warning.empty()) answer.headers.push_back({"X-Logo-Warning", warning});
  return answer;
}

Answer cycleAnswer(const Form& form) {
  constexpr std::string_view kFields[] = {"slots"};
  constexpr std::string_view kFiles[] = {"logo"};
  if (logo::Status known = onlyFields(form, kFields, kFiles); !known) {
    return refusal(400, known.reason());
  }
  const Upload* logoFile = fileOf(form, "logo");
  if (logoFile == nullptr) return refusal(400, "the file logo is needed");
  auto slots = form.fields.find("slots");
  Words slotWords;
  if (slots != form.fields.end()) {
    std::istringstream words(slots->second);
    for (std::string word; words >> word;) slotWords.push_back(word);
  }
  Words words{"cyclemake", plainName(logoFile, "LOGO.SYS"), "CYCLED.SYS",
              std::to_string(slotWords.size())};
  words.insert(words.end(), slotWords.begin(), slotWords.end());
  std::vector<const char*> arguments = argumentsOf(words);
  auto request = cyclemake::readRequest(static_cast<int>(words.size()), arguments.data());
  if (!request) {
    return refusal(400, request.error() == cyclemake::RequestError::kPaletteIndex
                            ? "PALET NUM. ERROR: a palette index is 0 to 255, each named once"
                            : "COLOR NUM. ERROR: slots names 1 to 16 palette indices");
  }
  std::span<const std::uint8_t> source = bytesOf(logoFile->bytes);
  Answer answer = bytesAnswer("application/octet-stream",
                              textOf(cyclemake::cycledLogo(source, request->slots())), words);
  std::string warning = cyclemake::notLogoWarning(plainName(logoFile, "LOGO.SYS"), source,
                                                  static_cast<long long>(source.size()));
  if (!warning.empty()) answer.headers.push_back({"X-Logo-Warning", warning});
  return answer;
}

Answer previewAnswer(const Form& form) {
  constexpr std::string_view kFields[] = {"delay", "reverse", "raw"};
  constexpr std::string_view kFiles[] = {"logo"};
  if (logo::Status known = onlyFields(form, kFields, kFiles); !known) {
    return refusal(400, known.reason());
  }
  const Upload* logoFile = fileOf(form, "logo");
  if (logoFile == nullptr) return refusal(400, "the file logo is needed");
  Words words{"cycleview"};
  for (const auto& [name, value] : form.fields) {
    if (name == "delay") {
      words.insert(words.end(), {"--delay", value});
    } else if (value != "0" && value != "1") {
      return refusal(400, name + " takes 1 or 0");
    } else if (value == "1") {
      words.push_back("--" + name);
    }
  }
  words.insert(words.end(), {plainName(logoFile, "LOGO.SYS"), "PREVIEW.GIF"});
  std::vector<const char*> arguments = argumentsOf(words);
  auto request = cycleview::readRequest(static_cast<int>(words.size()), arguments.data());
  if (!request) return refusal(400, request.error().reason);
  auto gif = cycleview::gifOf(bytesOf(logoFile->bytes), *request);
  if (!gif) return refusal(400, plainName(logoFile, "LOGO.SYS") + ": " + gif.reason());
  return bytesAnswer("image/gif", textOf(*gif), words);
}

std::string commandLine(const Words& words) {
  std::string line;
  for (const std::string& word : words) {
    bool plain =
        !word.empty() && word[0] != '#' && std::all_of(word.begin(), word.end(), [](char c) {
          return std::isalnum(static_cast<unsigned char>(c)) ||
                 std::string_view("._/=,:+#-").find(c) != std::string_view::npos;
        });
    if (!line.empty()) line += ' ';
    if (plain) {
      line += word;
      continue;
    }
    line += '\'';
    for (char c : word) line += c == '\'' ? std::string("'\\''") : std::string(1, c);
    line += '\'';
  }
  return line;
}

}  // namespace logostudio
