// The settings file as JSON, as `formix-tool settings dump` prints it.
#pragma once

#include <string>
#include <string_view>

namespace formix::tool {

// An object of sections, each an object of its keys in file order, every value a string;
// Strings values unscrambled. Pretty-printed with two-blank indents, no final newline.
std::string settingsJson(std::string_view fileBytes);

}  // namespace formix::tool
