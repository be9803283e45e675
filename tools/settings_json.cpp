#include "tools/settings_json.h"

#include <nlohmann/json.hpp>

#include "app/settings_file.h"
#include "text/cp932.h"
#include "text/utf.h"

namespace formix::tool {

std::string settingsJson(std::string_view fileBytes) {
  using Json = nlohmann::ordered_json;
  Json out = Json::object();
  for (const auto& section : app::IniFile::parse(fileBytes).sections()) {
    const bool scrambled = app::scrambledSection(section.name);
    Json keys = Json::object();
    for (const auto& entry : section.entries) {
      std::u16string value = text::fromCp932(entry.value);
      if (scrambled) value = app::sDecodeText(value);
      keys[text::toUtf8(text::fromCp932(entry.key))] = text::toUtf8(value);
    }
    out[text::toUtf8(text::fromCp932(section.name))] = std::move(keys);
  }
  return out.dump(2, ' ', false, Json::error_handler_t::replace);
}

}  // namespace formix::tool
