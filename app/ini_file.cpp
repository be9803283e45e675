#include "app/ini_file.h"

#include <unordered_set>

namespace formix::app {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Names match without regard to ASCII case; bytes above 0x7F compare exactly.
std::string foldName(std::string_view name) {
  std::string out(trim(name));
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

constexpr std::string_view kNewLine = "\r\n";

}  // namespace

IniFile IniFile::parse(std::string_view bytes) {
  IniFile file;
  file.sections_.emplace_back();
  size_t pos = 0;
  while (pos < bytes.size()) {
    const size_t nl = bytes.find('\n', pos);
    Line line;
    if (nl == std::string_view::npos) {
      line.text = std::string(bytes.substr(pos));
      pos = bytes.size();
    } else {
      line.text = std::string(bytes.substr(pos, nl - pos));
      line.end = "\n";
      pos = nl + 1;
    }
    if (!line.end.empty() && !line.text.empty() && line.text.back() == '\r') {
      line.text.pop_back();
      line.end.insert(0, "\r");
    }
    const std::string_view body = trim(line.text);
    const size_t close = body.rfind(']');
    if (!body.empty() && body.front() == '[' && close != std::string_view::npos) {
      Section section;
      section.name = std::string(trim(body.substr(1, close - 1)));
      section.header = std::move(line);
      file.firstSection_.try_emplace(foldName(section.name), file.sections_.size());
      file.sections_.push_back(std::move(section));
      continue;
    }
    if (!body.empty() && body.front() != ';') line.equals = line.text.find('=');
    file.sections_.back().lines.push_back(std::move(line));
    file.indexLine(file.sections_.size() - 1, file.sections_.back().lines.size() - 1);
  }
  return file;
}

std::string IniFile::lookupKey(std::string_view section, std::string_view key) {
  return foldName(section) + '\0' + foldName(key);
}

void IniFile::indexLine(size_t section, size_t line) {
  const Line& l = sections_[section].lines[line];
  if (section == 0 || l.equals == std::string::npos) return;  // no section, or not a key line
  const std::string_view key = keyOf(l);
  if (key.empty()) return;
  keys_.try_emplace(lookupKey(sections_[section].name, key), Where{section, line});
}

std::string_view IniFile::keyOf(const Line& line) {
  return trim(std::string_view(line.text).substr(0, line.equals));
}

std::string IniFile::valueOf(const Line& line) {
  std::string_view value = trim(std::string_view(line.text).substr(line.equals + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value.substr(0, value.find('\0')));
}

std::optional<std::string> IniFile::get(std::string_view section, std::string_view key) const {
  const auto it = keys_.find(lookupKey(section, key));
  if (it == keys_.end()) return std::nullopt;
  return valueOf(sections_[it->second.section].lines[it->second.line]);
}

IniFile::Line& IniFile::lastLine() {
  for (auto s = sections_.rbegin(); s != sections_.rend(); ++s) {
    if (!s->lines.empty()) return s->lines.back();
    if (!s->header.text.empty() || !s->header.end.empty()) return s->header;
  }
  return sections_.front().header;
}

void IniFile::set(std::string_view section, std::string_view key, std::string_view value) {
  if (const auto it = keys_.find(lookupKey(section, key)); it != keys_.end()) {
    Line& line = sections_[it->second.section].lines[it->second.line];
    line.text = line.text.substr(0, line.equals + 1) + std::string(value);
    return;
  }
  Line line{std::string(key) + "=" + std::string(value), std::string(kNewLine), key.size()};

  size_t s;
  if (const auto it = firstSection_.find(foldName(section)); it != firstSection_.end()) {
    s = it->second;
  } else {
    Line& last = lastLine();
    if (!last.text.empty() && last.end.empty()) last.end = kNewLine;
    Section added;
    added.name = std::string(section);
    added.header = {"[" + std::string(section) + "]", std::string(kNewLine)};
    s = sections_.size();
    firstSection_.emplace(foldName(section), s);
    sections_.push_back(std::move(added));
  }
  // After the last non-blank line of the section; only blank lines follow, so no indexed line moves.
  auto& lines = sections_[s].lines;
  size_t at = lines.size();
  while (at > 0 && trim(lines[at - 1].text).empty()) --at;
  Line& before = at > 0 ? lines[at - 1] : sections_[s].header;
  if (before.end.empty()) before.end = kNewLine;
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
  indexLine(s, at);
}

std::string IniFile::serialize() const {
  std::string out;
  for (const Section& section : sections_) {
    out += section.header.text + section.header.end;
    for (const Line& line : section.lines) out += line.text + line.end;
  }
  return out;
}

std::vector<IniFile::SectionView> IniFile::sections() const {
  std::vector<SectionView> out;
  std::unordered_map<std::string, size_t> viewOf;
  std::unordered_set<std::string> seen;
  for (size_t s = 1; s < sections_.size(); ++s) {
    const auto [it, added] = viewOf.try_emplace(foldName(sections_[s].name), out.size());
    if (added) out.push_back({sections_[s].name, {}});
    for (const Line& line : sections_[s].lines) {
      if (line.equals == std::string::npos || keyOf(line).empty()) continue;
      if (!seen.insert(lookupKey(sections_[s].name, keyOf(line))).second) continue;
      out[it->second].entries.push_back({std::string(keyOf(line)), valueOf(line)});
    }
  }
  return out;
}

}  // namespace formix::app
