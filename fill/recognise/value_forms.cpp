#include "fill/recognise/value_forms.h"

#include "text/compare.h"

namespace formix::fill::recognition {
namespace {

bool isDigit(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'０' && c <= u'９'); }
int digitValue(char16_t c) { return c <= u'9' ? c - u'0' : c - u'０'; }
bool isHyphen(char16_t c) { return c == u'-' || c == u'－' || c == u'ー' || c == u'‐' || c == u'−' || c == u'ｰ'; }

// The end of the shortest prefix of `line` from `from` that ends in one of `marks`, or npos.
// A name is at least one character before its mark, and holds no digit.
size_t nameEnding(std::u16string_view line, size_t from, std::u16string_view marks) {
  for (size_t i = from + 1; i < line.size(); ++i) {
    if (isDigit(line[i]) || line[i] == u' ' || line[i] == u'　') return std::u16string_view::npos;
    if (marks.find(line[i]) != std::u16string_view::npos) return i + 1;
  }
  return std::u16string_view::npos;
}

}  // namespace

CityLine splitCityLine(std::u16string_view line) {
  size_t at = 0;
  // An optional district (郡), then a city (市) and its ward (区), or a ward of Tokyo, or a town
  // or village (町, 村) of a district.
  if (size_t e = nameEnding(line, at, u"郡"); e != std::u16string_view::npos && e < line.size()) at = e;
  const size_t city = nameEnding(line, at, u"市");
  bool found = false;
  if (city != std::u16string_view::npos) at = city, found = true;
  if (size_t ward = nameEnding(line, at, u"区"); ward != std::u16string_view::npos) at = ward, found = true;
  if (!found) {
    if (size_t town = nameEnding(line, at, u"町村"); town != std::u16string_view::npos) at = town, found = true;
  }
  if (!found) return {std::u16string(line), u""};
  return {std::u16string(line.substr(0, at)), std::u16string(line.substr(at))};
}

StreetLine splitStreet(std::u16string_view street) {
  size_t i = 0;
  while (i < street.size() && !isDigit(street[i])) ++i;
  std::u16string_view town = street.substr(0, i), number = street.substr(i);
  while (!town.empty() && (town.back() == u' ' || town.back() == u'　')) town.remove_suffix(1);
  return {std::u16string(town), std::u16string(number)};
}

std::u16string toFullWidth(std::u16string_view text) {
  std::u16string out;
  for (char16_t c : text) {
    if (c == u' ') out += u'　';
    else if (c == u'-') out += u'－';
    else if (c > 0x20 && c < 0x7F) out += static_cast<char16_t>(c + 0xFEE0);
    else out += c;
  }
  return out;
}

std::u16string toHalfWidth(std::u16string_view text) {
  std::u16string out;
  for (char16_t c : text) {
    if (c == u'　') out += u' ';
    else if (c >= 0xFF01 && c <= 0xFF5E) out += static_cast<char16_t>(c - 0xFEE0);
    else out += c;
  }
  return out;
}

Hyphens exampleHyphens(const std::vector<std::u16string_view>& texts, int minDigits) {
  for (std::u16string_view t : texts) {
    for (size_t i = 0; i < t.size(); ++i) {
      if (!isDigit(t[i]) || (i > 0 && (isDigit(t[i - 1]) || isHyphen(t[i - 1])))) continue;
      int digits = 0;
      bool hyphen = false;
      size_t j = i;
      for (; j < t.size() && (isDigit(t[j]) || (isHyphen(t[j]) && j + 1 < t.size() && isDigit(t[j + 1]))); ++j) {
        if (isDigit(t[j])) ++digits;
        else hyphen = true;
      }
      if (digits >= minDigits) return hyphen ? Hyphens::Some : Hyphens::None;
      i = j;
    }
  }
  return Hyphens::Unknown;
}

std::vector<long> numbersIn(std::u16string_view text) {
  std::vector<long> out;
  for (size_t i = 0; i < text.size();) {
    if (!isDigit(text[i])) {
      ++i;
      continue;
    }
    long n = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
      if (n < 100000000) n = n * 10 + digitValue(text[i]);
    }
    out.push_back(n);
  }
  return out;
}

std::u16string folded(std::u16string_view text) {
  std::u16string out = text::foldText(text);
  std::erase_if(out, [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; });
  return out;
}

std::optional<int> findOption(const std::vector<OptionFacts>& options,
                              const std::function<bool(const std::u16string& text, const std::u16string& value)>& matches) {
  for (size_t k = 0; k < options.size(); ++k) {
    if (matches(folded(options[k].text), folded(options[k].value))) return static_cast<int>(k);
  }
  return std::nullopt;
}

}  // namespace formix::fill::recognition
