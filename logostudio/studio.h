// What the studio answers: each call stands for one of the console programs
// and gives byte for byte what that program writes, from memory, by running
// the same code over the uploaded bytes.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace logostudio {

class PictureCache;

// A file sent in a form: the name it was sent under, and its bytes.
struct Upload {
  std::string name;
  std::string bytes;
};

// A multipart form: its text fields and its files, by field name.
struct Form {
  std::map<std::string, std::string> fields;
  std::map<std::string, Upload> files;
};

struct Answer {
  int status = 200;
  std::string contentType;
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
};

// `{"error": reason}` with a 4xx status.
Answer refusal(int status, std::string_view reason);

// logofit over the file `picture` (and `layer` or `mask`), its options as
// the form's fields: the logo, its summary line and the command line.
Answer fitAnswer(const Form& form, PictureCache& cache);
// cyclemake over the file `logo` and the field `slots`.
Answer cycleAnswer(const Form& form);
// cycleview over the file `logo` and the fields `delay`, `reverse`, `raw`.
Answer previewAnswer(const Form& form);

// A command line as a person would type it: words that the shell would
// take apart are quoted.
std::string commandLine(const std::vector<std::string>& words);

}  // namespace logostudio
