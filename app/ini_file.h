// A settings file in the Windows profile-string format, held in memory as its lines.
//
// Reading follows GetPrivateProfileString: "[Section]" lines open sections, "Key=Value" lines
// hold values, section and key names match without regard to ASCII case, blanks around names and
// values are dropped, a value in matching quotes loses them, and a value ends at its first NUL.
// Writing follows WritePrivateProfileString: a key that exists gets its value replaced in place,
// a new key goes at the end of its section, a new section at the end of the file, each new line
// ending in CRLF. Lines that are not touched are kept byte for byte, so comments and foreign keys
// survive a save. Names and values are bytes in code page 932.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace formix::app {

class IniFile {
 public:
  struct Entry {
    std::string key;
    std::string value;
  };
  struct SectionView {
    std::string name;
    std::vector<Entry> entries;  // in file order; a repeated key is listed once, first value
  };

  static IniFile parse(std::string_view bytes);

  // The value of `key` in the first section named `section` that holds it.
  std::optional<std::string> get(std::string_view section, std::string_view key) const;

  // Sets `key` in `section` as a profile-string writer would.
  void set(std::string_view section, std::string_view key, std::string_view value);

  // The whole file as bytes.
  std::string serialize() const;

  // Sections in file order (same-named sections merged, first occurrence first), for display.
  std::vector<SectionView> sections() const;

 private:
  struct Line {
    std::string text;  // without the line end
    std::string end;   // "\r\n", "\n", or "" for a last line without one
    size_t equals = std::string::npos;  // position of '=' on a key line
  };
  struct Section {
    std::string name;
    Line header;              // empty text for the lines before the first header
    std::vector<Line> lines;
  };
  struct Where {
    size_t section;
    size_t line;
  };

  static std::string_view keyOf(const Line& line);
  static std::string valueOf(const Line& line);
  static std::string lookupKey(std::string_view section, std::string_view key);
  void indexLine(size_t section, size_t line);
  Line& lastLine();

  std::vector<Section> sections_;                         // [0] holds lines before any header
  std::unordered_map<std::string, Where> keys_;           // first occurrence of section+key
  std::unordered_map<std::string, size_t> firstSection_;  // first section of a name
};

}  // namespace formix::app
