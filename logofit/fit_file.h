// The files around the fit: the input, a layer's or mask's file, and the
// output written through the suite's atomic output.
#pragma once

#include <string>
#include <variant>

#include "logo_image/files.h"
#include "logo_image/outcome.h"
#include "logo_image/result.h"
#include "logofit/command_line.h"
#include "logofit/fit_picture.h"

namespace logofit {

// A file logofit cannot make a logo of, and why.
struct Malformed {
  const char* path = nullptr;
  std::string why;
};
// How a run ends before its output is written.
using Refusal = std::variant<logo::Outcome, Malformed>;

struct Job {
  logo::File source;
  Fitted fitted;
};

// Opens and reads the input (and a layer's or mask's file) whole and fits
// it. Prints nothing.
logo::Result<Job, Refusal> readAndFit(const Request& request);
// Writes the fitted logo through the suite's atomic output.
logo::Outcome writeLogo(const Request& request, const Job& job);

}  // namespace logofit
