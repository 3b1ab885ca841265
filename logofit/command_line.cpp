#include "logofit/command_line.h"

#include <cstring>
#include <optional>

namespace logofit {
namespace {

using logo::Failure;

std::optional<int> wholeNumber(std::string_view text, int least, int most) {
  if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != text.npos) {
    return std::nullopt;
  }
  int value = std::atoi(std::string(text).c_str());
  if (value < least || value > most) return std::nullopt;
  return value;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "#RRGGBB" with the # optional, in either case.
std::optional<logo::PaletteEntry> colourOf(std::string_view text) {
  if (text.starts_with('#')) text.remove_prefix(1);
  if (text.size() != 6) return std::nullopt;
  int channel[3];
  for (int i = 0; i < 3; ++i) {
    int high = hexDigit(text[2 * i]);
    int low = hexDigit(text[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    channel[i] = high * 16 + low;
  }
  return logo::PaletteEntry{static_cast<std::uint8_t>(channel[2]),
                            static_cast<std::uint8_t>(channel[1]),
                            static_cast<std::uint8_t>(channel[0]), 0};
}

std::optional<std::vector<logo::PaletteEntry>> gradientOf(std::string_view text) {
  std::vector<logo::PaletteEntry> stops;
  while (true) {
    std::size_t comma = text.find(',');
    std::optional<logo::PaletteEntry> stop = colourOf(text.substr(0, comma));
    if (!stop || stops.size() == 16) return std::nullopt;
    stops.push_back(*stop);
    if (comma == text.npos) break;
    text.remove_prefix(comma + 1);
  }
  if (stops.size() < 2) return std::nullopt;
  return stops;
}

// One of a few names, each standing for a value.
template <typename Value, std::size_t kCount>
std::optional<Value> choiceOf(std::string_view text,
                              const std::pair<std::string_view, Value> (&names)[kCount]) {
  for (const auto& [name, value] : names) {
    if (text == name) return value;
  }
  return std::nullopt;
}

const std::pair<std::string_view, Gravity> kGravities[] = {{"center", Gravity::kCenter},
                                                           {"top", Gravity::kTop},
                                                           {"bottom", Gravity::kBottom},
                                                           {"left", Gravity::kLeft},
                                                           {"right", Gravity::kRight}};
const std::pair<std::string_view, BarDirection> kBarDirections[] = {{"right", BarDirection::kRight},
                                                                    {"left", BarDirection::kLeft}};
const std::pair<std::string_view, BarEdge> kBarEdges[] = {{"bottom", BarEdge::kBottom},
                                                          {"top", BarEdge::kTop}};
const std::pair<std::string_view, LayerOrder> kLayerOrders[] = {
    {"palette", LayerOrder::kPalette},
    {"angle", LayerOrder::kAngle},
    {"x", LayerOrder::kX},
    {"y", LayerOrder::kY},
    {"lightness", LayerOrder::kLightness}};
const std::pair<std::string_view, LightDirection> kLightDirections[] = {
    {"out", LightDirection::kOut}, {"in", LightDirection::kIn}};

// How an option is given: alone, with a value (after "=" or as the next
// word), or alone or with a value after "=".
enum class Takes { kNothing, kValue, kOptionalValue };

class Reader;
using Setter = logo::Status (Reader::*)(std::string_view option, std::optional<std::string_view>);

struct Option {
  std::string_view name;
  Takes takes;
  Setter set;
};

// Reads the words one by one, each option through its row of the table.
class Reader {
 public:
  Reader(int argc, const char* const* argv) : argc_(argc), argv_(argv) {}

  logo::Result<Request> read() {
    for (int i = 1; i < argc_; ++i) {
      if (std::string_view(argv_[i]) == "--help") {
        request_.help = true;
        return request_;
      }
    }
    for (next_ = 1; next_ < argc_;) {
      std::string_view word = argv_[next_++];
      if (!word.starts_with("--")) {
        names_.push_back(word.data());
        continue;
      }
      if (logo::Status read = option(word); !read) return read.error();
    }
    return finish();
  }

 private:
  static const Option kOptions[];
  static const Option* find(std::string_view name);

  logo::Status option(std::string_view word) {
    std::size_t equals = word.find('=');
    std::string_view key = word.substr(0, equals);
    const Option* found = find(key);
    if (found == nullptr || (found->takes == Takes::kNothing && equals != word.npos)) {
      return Failure{"unknown option " + std::string(word)};
    }
    std::optional<std::string_view> text;
    if (equals != word.npos) {
      text = word.substr(equals + 1);
    } else if (found->takes == Takes::kValue) {
      if (next_ == argc_) return Failure{std::string(key) + " needs a value"};
      text = argv_[next_++];
    }
    return (this->*found->set)(key, text);
  }

  logo::Status geometry(std::string_view option, std::optional<std::string_view>) {
    if (geometryGiven_) return Failure{"only one of --fit, --fill and --stretch"};
    geometryGiven_ = true;
    request_.options.geometry = option == "--fit"    ? Geometry::kFit
                                : option == "--fill" ? Geometry::kFill
                                                     : Geometry::kStretch;
    return {};
  }

  logo::Status noDither(std::string_view, std::optional<std::string_view>) {
    request_.options.dither = false;
    return {};
  }

  logo::Status colours(std::string_view, std::optional<std::string_view> text) {
    std::optional<int> colours = wholeNumber(*text, 2, 256);
    if (!colours) return Failure{"--colors takes 2 to 256"};
    request_.options.colours = *colours;
    return {};
  }

  logo::Status gravity(std::string_view, std::optional<std::string_view> text) {
    std::optional<Gravity> gravity = choiceOf(*text, kGravities);
    if (!gravity) return Failure{"--gravity takes center, top, bottom, left or right"};
    request_.options.gravity = *gravity;
    return {};
  }

  logo::Status background(std::string_view, std::optional<std::string_view> text) {
    std::optional<logo::PaletteEntry> background = colourOf(*text);
    if (!background) return Failure{"--background takes a colour as #RRGGBB"};
    request_.options.background = *background;
    return {};
  }

  logo::Status animation() {
    if (animations_++ > 0) return Failure{"only one of --bar, --layer and --shimmer"};
    return {};
  }

  logo::Status bar(std::string_view, std::optional<std::string_view> text) {
    if (logo::Status one = animation(); !one) return one;
    if (text) {
      std::optional<int> rows = wholeNumber(*text, 1, logo::kLogoHeight);
      if (!rows) return Failure{"--bar takes 1 to 400 rows"};
      bar_.rows = *rows;
    }
    wantsBar_ = true;
    return {};
  }

  logo::Status ringColours(std::string_view option, std::optional<std::string_view> text) {
    std::optional<int> colours = wholeNumber(*text, 2, 128);
    if (!colours) return Failure{std::string(option) + " takes 2 to 128"};
    bool bar = option == "--bar-colors";
    (bar ? bar_.colours : shimmer_.light.colours) = *colours;
    (bar ? barSetting_ : shimmerSetting_) = option;
    return {};
  }

  logo::Status barGradient(std::string_view option, std::optional<std::string_view> text) {
    auto stops = gradientOf(*text);
    if (!stops) return Failure{"--bar-gradient takes 2 to 16 colours as #RRGGBB,#RRGGBB,..."};
    bar_.gradient = *stops;
    barSetting_ = option;
    return {};
  }

  logo::Status barDirection(std::string_view option, std::optional<std::string_view> text) {
    std::optional<BarDirection> direction = choiceOf(*text, kBarDirections);
    if (!direction) return Failure{"--bar-direction takes right or left"};
    bar_.direction = *direction;
    barSetting_ = option;
    return {};
  }

  logo::Status barEdge(std::string_view option, std::optional<std::string_view> text) {
    std::optional<BarEdge> edge = choiceOf(*text, kBarEdges);
    if (!edge) return Failure{"--bar-at takes bottom or top"};
    bar_.edge = *edge;
    barSetting_ = option;
    return {};
  }

  logo::Status barBand(std::string_view option, std::optional<std::string_view> text) {
    std::optional<int> band = wholeNumber(*text, 1, logo::kLogoWidth);
    if (!band) return Failure{"--bar-band takes 1 to 320 pixels"};
    bar_.band = *band;
    barSetting_ = option;
    return {};
  }

  logo::Status layer(std::string_view option, std::optional<std::string_view> text) {
    if (logo::Status one = animation(); !one) return one;
    if (text->empty()) return Failure{std::string(option) + " needs a file name"};
    layer_.path = text->data();
    return {};
  }

  logo::Status layerOrder(std::string_view option, std::optional<std::string_view> text) {
    layer_.order = choiceOf(*text, kLayerOrders);
    if (!layer_.order) return Failure{"--layer-order takes palette, angle, x, y or lightness"};
    layerSetting_ = option;
    return {};
  }

  logo::Status shimmerDirection(std::string_view option, std::optional<std::string_view> text) {
    std::optional<LightDirection> direction = choiceOf(*text, kLightDirections);
    if (!direction) return Failure{"--shimmer-direction takes out or in"};
    shimmer_.light.direction = *direction;
    shimmerSetting_ = option;
    return {};
  }

  logo::Status shimmer(std::string_view option, std::optional<std::string_view> text) {
    if (logo::Status one = animation(); !one) return one;
    if (text->empty()) return Failure{std::string(option) + " needs a file name"};
    shimmer_.maskPath = text->data();
    wantsShimmer_ = true;
    return {};
  }

  logo::Result<Request> finish() {
    const std::pair<std::string_view, bool> settings[] = {{barSetting_, wantsBar_},
                                                          {layerSetting_, layer_.path != nullptr},
                                                          {shimmerSetting_, wantsShimmer_}};
    for (auto [setting, given] : settings) {
      if (!setting.empty() && !given) {
        std::string_view animation = setting.substr(0, setting.find('-', 2));
        return Failure{std::string(setting) + " needs " + std::string(animation)};
      }
    }
    if (names_.size() != 2) return Failure{"two file names are needed"};
    if (wantsBar_) request_.animation = bar_;
    if (layer_.path != nullptr) request_.animation = layer_;
    if (wantsShimmer_) request_.animation = shimmer_;
    request_.inputPath = names_[0];
    request_.outputPath = names_[1];
    return request_;
  }

  int argc_;
  const char* const* argv_;
  int next_ = 1;
  Request request_;
  std::vector<const char*> names_;
  BarOptions bar_;
  LayerOptions layer_;
  ShimmerOptions shimmer_;
  int animations_ = 0;
  bool geometryGiven_ = false;
  bool wantsBar_ = false;
  bool wantsShimmer_ = false;
  // The last setting given of each animation, which needs the animation.
  std::string_view barSetting_;
  std::string_view layerSetting_;
  std::string_view shimmerSetting_;
};

const Option Reader::kOptions[] = {
    {"--fit", Takes::kNothing, &Reader::geometry},
    {"--fill", Takes::kNothing, &Reader::geometry},
    {"--stretch", Takes::kNothing, &Reader::geometry},
    {"--gravity", Takes::kValue, &Reader::gravity},
    {"--background", Takes::kValue, &Reader::background},
    {"--colors", Takes::kValue, &Reader::colours},
    {"--no-dither", Takes::kNothing, &Reader::noDither},
    {"--bar", Takes::kOptionalValue, &Reader::bar},
    {"--bar-colors", Takes::kValue, &Reader::ringColours},
    {"--bar-gradient", Takes::kValue, &Reader::barGradient},
    {"--bar-direction", Takes::kValue, &Reader::barDirection},
    {"--bar-at", Takes::kValue, &Reader::barEdge},
    {"--bar-band", Takes::kValue, &Reader::barBand},
    {"--layer", Takes::kValue, &Reader::layer},
    {"--layer-order", Takes::kValue, &Reader::layerOrder},
    {"--shimmer", Takes::kValue, &Reader::shimmer},
    {"--shimmer-colors", Takes::kValue, &Reader::ringColours},
    {"--shimmer-direction", Takes::kValue, &Reader::shimmerDirection},
};

const Option* Reader::find(std::string_view name) {
  for (const Option& option : kOptions) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

}  // namespace

logo::Result<Request> readRequest(int argc, const char* const* argv) {
  return Reader(argc, argv).read();
}

const std::array<std::string_view, 48> kUsageText = {
    "usage: logofit [--fit | --fill | --stretch] [--gravity=SIDE] [--background=#RRGGBB]",
    "               [--colors N] [--no-dither]",
    "               [--bar[=ROWS] [--bar-colors=N] [--bar-gradient=LIST]",
    "                [--bar-band=PX] [--bar-direction=DIR] [--bar-at=EDGE]",
    "                | --layer=FILE [--layer-order=ORDER]",
    "                | --shimmer=MASK [--shimmer-colors=N] [--shimmer-direction=DIR]]",
    "               INPUT OUTPUT",
    "       logofit --help",
    "Writes any picture (BMP, PNG, GIF, JPEG, TIFF, WebP, PNM) as a 320x400 bitmap",
    "with a 256-entry palette, laid out as the other tools of the suite read it.",
    "A 320x400 picture with a palette (BMP, PNG, GIF) is kept as it is: every pixel",
    "keeps its index, every entry its colour, a logo its first animated slot.",
    "Any other picture is scaled to the screen, which shows 320x400 at 4:3 (a",
    "320x400 or 640x400 picture is taken as drawn for it), and reduced to at most",
    "N colours, entry 0 being the colour of the border around the logo:",
    "  --fit        show all of it, with bars where it does not reach (default)",
    "  --fill       cover the screen, cutting the overflow equally from both sides",
    "  --stretch    ignore its proportions",
    "  --gravity=SIDE  center (default), top, bottom, left or right: the side",
    "               --fill keeps and --fit places the picture against",
    "  --background=#RRGGBB  the colour of the bars, the border and whatever is",
    "               transparent in the picture (default black)",
    "  --colors N   at most N colours, 2 to 256 (default 256)",
    "  --no-dither  nearest colours instead of error diffusion",
    "One of these animates the logo in its top palette slots; the system moves",
    "the colours one slot a step, so light moves one band a step:",
    "  --bar[=ROWS]         a bar over the bottom ROWS rows (default 20)",
    "  --bar-colors=N       the bar's colours, 2 to 128 (default 16): N steps a loop",
    "  --bar-gradient=LIST  2 to 16 stops #RRGGBB,#RRGGBB,... the bar runs through",
    "  --bar-band=PX        pixels across a colour, and moved a step (default 80/N)",
    "  --bar-direction=DIR  right (default) or left, the way its colours move",
    "  --bar-at=EDGE        bottom (default) or top",
    "  --layer=FILE         a 320x400 layer drawn over the picture: an animated logo,",
    "                       or a PNG or GIF with transparent parts",
    "  --layer-order=ORDER  palette (as the file lists them; default), angle",
    "                       (turning clockwise), x (moving right; default without a",
    "                       palette), y (moving down) or lightness (dark to bright)",
    "  --shimmer=MASK       light swelling and ebbing through the part of the picture",
    "                       the 320x400 MASK marks (opaque, or lighter than mid-grey)",
    "  --shimmer-colors=N   the shimmer's colours, 2 to 128 (default 32)",
    "  --shimmer-direction=DIR  out (default): the light moves away from the",
    "                       area's brighter parts; in: toward them",
    "  --help       this text",
    "Examples: logofit --bar photo.jpg logo.sys",
    "          logofit --layer=ring.png --layer-order=angle photo.jpg logo.sys",
    "          logofit --shimmer=sky.png photo.jpg logo.sys",
    "Exit status: 0 done, 1 after an error message, 2 after this text for a wrong",
    "command line.",
};

}  // namespace logofit
