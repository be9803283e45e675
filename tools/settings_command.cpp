// formix-tool settings dump FILE | settings write FILE
//
// dump prints the file as JSON: an object of sections, each an object of its keys in file order,
// every value a string; Strings values are shown unscrambled. write takes the same shape on stdin
// and saves FILE as the program's close sequence does.
#include <iterator>
#include <nlohmann/json.hpp>

#include "app/atomic_file.h"
#include "app/settings_file.h"
#include "text/cp932.h"
#include "text/utf.h"
#include "tools/cli.h"
#include "tools/settings_json.h"

namespace formix::tool {
namespace {

using Json = nlohmann::ordered_json;

int dump(const std::string& path) {
  const auto bytes = app::readWholeFile(path);
  if (!bytes) return fail("cannot read settings file '" + path + "'");
  std::cout << settingsJson(*bytes) << '\n';
  return 0;
}

// A name that a profile-string file can hold as a section or key name.
bool writableName(std::string_view name) {
  return !name.empty() && name.find_first_of("\r\n=[]") == std::string_view::npos &&
         name.find('\0') == std::string_view::npos && name.front() != ';' && name.front() != ' ' &&
         name.back() != ' ';
}

int write(const std::string& path) {
  const std::string input((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
  Json json = Json::parse(input, nullptr, false);
  if (json.is_discarded() || !json.is_object()) return fail("stdin is not a JSON object of sections");

  app::SettingsRecord record;
  std::vector<app::IniWrite> foreign;  // keys the program does not know, kept after its own
  for (const auto& [section, keys] : json.items()) {
    if (!keys.is_object()) return fail("section '" + section + "' is not a JSON object");
    for (const auto& [name, value] : keys.items()) {
      const std::string where = section + "/" + name;
      if (!value.is_string()) return fail("value of " + where + " is not a string");
      auto text = text::fromUtf8(value.get<std::string>());
      if (!text) return fail("value of " + where + " is not valid UTF-8");
      if (const int k = app::findSettingsKey(section, name); k >= 0) {
        record.set(k, std::move(*text));
        continue;
      }
      if (!writableName(section) || !writableName(name)) return fail("name " + where + " cannot be written");
      std::string error;
      std::optional<std::string> bytes;
      if (app::scrambledSection(section)) bytes = text::toUtf8(app::sEncodeText(*text));
      else bytes = app::plainValueBytes(*text, &error);
      auto sectionBytes = text::toCp932(*text::fromUtf8(section));
      auto nameBytes = text::toCp932(*text::fromUtf8(name));
      if (!bytes || !sectionBytes || !nameBytes) {
        return fail("value of " + where + " cannot be written: " + (error.empty() ? "name not in code page 932" : error));
      }
      foreign.push_back({*sectionBytes, *nameBytes, *bytes});
    }
  }
  std::string error;
  auto writes = app::closeSequenceWrites(record, &error);
  if (!writes) return fail("value of " + error);
  writes->insert(writes->end(), foreign.begin(), foreign.end());
  if (auto failed = app::applyWrites(path, *writes)) return fail("cannot save '" + path + "': " + *failed);
  return 0;
}

}  // namespace

int runSettings(const Args& args) {
  if (args.size() == 2 && args[0] == "dump") return dump(args[1]);
  if (args.size() == 2 && args[0] == "write") return write(args[1]);
  return fail("usage: formix-tool settings dump FILE | settings write FILE");
}

}  // namespace formix::tool
