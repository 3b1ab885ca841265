// The page's files, built into the program so that an installed studio
// needs nothing beside it.
#pragma once

#include <span>
#include <string_view>

namespace logostudio {

struct PageFile {
  std::string_view path;  // as requested: "/" for the page itself
  std::string_view type;
  std::string_view bytes;
};

std::span<const PageFile> pageFiles();

}  // namespace logostudio
