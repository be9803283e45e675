#include "fill/recognise/values/date_example.h"

#include <array>
#include <vector>

#include "fill/recognise/values/writing.h"
#include "text/japanese.h"
#include "text/number.h"

namespace formix::fill::recognition {
namespace {

constexpr std::array<std::u16string_view, 5> kEraNames = {u"明治", u"大正", u"昭和", u"平成", u"令和"};
constexpr std::u16string_view kEraLetters = u"MTSHR";  // in the order of kEraNames
constexpr std::u16string_view kSeparators = u"/-.・ 年月日／－．";

enum class Role { Unknown, Year, EraYear, Month, Day };

// One piece of an example: an era, a field (digits or letters) or a separator copied as it is.
struct Piece {
  enum class Kind { Era, Field, Separator } kind = Kind::Separator;
  std::u16string text;   // a separator's text
  bool eraLetter = false, lowerCase = false;  // an era written as its letter
  Role role = Role::Unknown;
  size_t width = 0;      // a field's characters
  long number = -1;      // a field of digits: its value
  bool fullWidth = false;
  bool gannen = false;   // the era's first year written "元"
};

bool isAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
char16_t upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

bool eraNameAt(std::u16string_view t, size_t i) {
  for (std::u16string_view name : kEraNames) {
    if (t.substr(i, name.size()) == name) return true;
  }
  return false;
}

// The pieces of an example starting at `at`, up to the first character no date is written with.
std::vector<Piece> piecesAt(std::u16string_view t, size_t at) {
  std::vector<Piece> pieces;
  size_t i = at;
  while (i < t.size() && pieces.size() < 12) {
    const char16_t c = t[i];
    Piece p;
    if (c == u'元' && !pieces.empty() && pieces.back().kind == Piece::Kind::Era) {
      // "平成元年": an era's first year.
      p.kind = Piece::Kind::Field;
      p.width = 1;
      p.number = 1;
      p.gannen = true;
      ++i;
    } else if (text::isDigit(c)) {
      size_t end = i;
      long n = 0;
      while (end < t.size() && text::isDigit(t[end]) && end - i < 9) n = n * 10 + text::digitValue(t[end++]);
      // "19800515": a year, a month and a day written without separators.
      if (end - i == 8 && (end == t.size() || !text::isDigit(t[end]))) {
        for (auto [from, width] : {std::pair<size_t, size_t>{0, 4}, {4, 2}, {6, 2}}) {
          Piece f;
          f.kind = Piece::Kind::Field;
          f.width = width;
          f.fullWidth = t[i] > 0xFF;
          f.number = 0;
          for (size_t k = i + from; k < i + from + width; ++k) f.number = f.number * 10 + text::digitValue(t[k]);
          f.role = width == 4 ? Role::Year : from == 4 ? Role::Month : Role::Day;
          pieces.push_back(f);
        }
        i = end;
        continue;
      }
      p.kind = Piece::Kind::Field;
      p.width = end - i;
      p.number = n;
      p.fullWidth = c > 0xFF;
      i = end;
    } else if (eraNameAt(t, i)) {
      p.kind = Piece::Kind::Era;
      i += 2;
    } else if (isAsciiLetter(c) && i + 1 < t.size() && text::isDigit(t[i + 1]) &&
               kEraLetters.find(upper(c)) != std::u16string_view::npos) {
      p.kind = Piece::Kind::Era;
      p.eraLetter = true;
      p.lowerCase = c != upper(c);
      ++i;
    } else if (upper(c) == u'Y' || upper(c) == u'M' || upper(c) == u'D') {
      size_t end = i;
      while (end < t.size() && upper(t[end]) == upper(c)) ++end;
      p.kind = Piece::Kind::Field;
      p.width = end - i;
      p.role = upper(c) == u'Y' ? Role::Year : upper(c) == u'M' ? Role::Month : Role::Day;
      i = end;
      // A word that merely starts with the letter ("Year", "Date") is no field.
      if (i < t.size() && isAsciiLetter(t[i])) break;
    } else if (kSeparators.find(c) != std::u16string_view::npos) {
      p.text = std::u16string(1, c);
      ++i;
    } else {
      break;
    }
    pieces.push_back(std::move(p));
    if (c == u'日') break;  // the day's unit ends a date
  }
  // Only a unit ends an example; other separators after its last field belong to what follows.
  while (!pieces.empty() && pieces.back().kind == Piece::Kind::Separator && pieces.back().text != u"年" &&
         pieces.back().text != u"月" && pieces.back().text != u"日") {
    pieces.pop_back();
  }
  return pieces;
}

// Gives each field of the pieces its role; false when they do not make a date of `fields` fields.
bool assignRoles(std::vector<Piece>& pieces, size_t fields) {
  std::vector<Piece*> f;
  for (size_t k = 0; k < pieces.size(); ++k) {
    Piece& p = pieces[k];
    if (p.kind != Piece::Kind::Field) continue;
    f.push_back(&p);
    if (p.role != Role::Unknown) continue;
    const bool afterEra = k > 0 && pieces[k - 1].kind == Piece::Kind::Era;
    const std::u16string unit = k + 1 < pieces.size() ? pieces[k + 1].text : u"";
    if (afterEra) p.role = Role::EraYear;
    else if (unit == u"年" && p.width == 4) p.role = Role::Year;
    else if (unit == u"月") p.role = Role::Month;
    else if (unit == u"日") p.role = Role::Day;
    else if (p.width == 4) p.role = Role::Year;
  }
  if (f.size() != fields) return false;
  // Fields left: after a year first, month then day; before a year last, by which could not be a month.
  const bool yearFirst = f.front()->role == Role::Year || f.front()->role == Role::EraYear;
  const bool yearLast = f.back()->role == Role::Year || f.back()->role == Role::EraYear;
  if (fields == 3 && yearFirst) {
    if (f[1]->role == Role::Unknown) f[1]->role = Role::Month;
    if (f[2]->role == Role::Unknown) f[2]->role = f[1]->role == Role::Day ? Role::Month : Role::Day;
  } else if (fields == 3 && yearLast && (f[0]->role == Role::Unknown || f[1]->role == Role::Unknown)) {
    if (f[0]->role == Role::Unknown && f[1]->role == Role::Unknown) {
      if (f[0]->number > 12 && f[1]->number <= 12) f[0]->role = Role::Day, f[1]->role = Role::Month;
      else if (f[1]->number > 12 && f[0]->number <= 12) f[0]->role = Role::Month, f[1]->role = Role::Day;
      else return false;
    } else {
      Piece* known = f[0]->role == Role::Unknown ? f[1] : f[0];
      Piece* other = known == f[0] ? f[1] : f[0];
      other->role = known->role == Role::Month ? Role::Day : Role::Month;
    }
  }
  bool year = false, month = false, day = false;
  for (const Piece* p : f) {
    bool& seen = p->role == Role::Month ? month : p->role == Role::Day ? day : year;
    if (p->role == Role::Unknown || seen) return false;
    seen = true;
  }
  return year && (fields == 1 || (month && day));
}

// The pieces written for `date`.
std::optional<std::u16string> written(const std::vector<Piece>& pieces, const CivilDate& date) {
  const std::optional<EraYear> era = japaneseEra(date);
  std::u16string out;
  for (const Piece& p : pieces) {
    if (p.kind == Piece::Kind::Separator) {
      out += p.text;
      continue;
    }
    if (p.kind == Piece::Kind::Era) {
      if (!era) return std::nullopt;
      size_t k = 0;
      while (k < kEraNames.size() && kEraNames[k] != era->name) ++k;
      if (k == kEraNames.size()) return std::nullopt;
      if (!p.eraLetter) out += kEraNames[k];
      else out += p.lowerCase ? static_cast<char16_t>(kEraLetters[k] - u'A' + u'a') : kEraLetters[k];
      continue;
    }
    int n = 0;
    switch (p.role) {
      case Role::Year: n = date.year; break;
      case Role::EraYear:
        if (!era) return std::nullopt;
        n = era->year;
        break;
      case Role::Month: n = date.month; break;
      case Role::Day: n = date.day; break;
      case Role::Unknown: return std::nullopt;
    }
    if (p.gannen && n == 1) {
      out += u"元";
      continue;
    }
    std::u16string digits = p.width == 2 && p.role != Role::Year ? twoDigits(n) : text::decimal(n);
    out += p.fullWidth ? text::toFullWidth(digits) : digits;
  }
  return out;
}

// The first example in `text` of a date of `fields` fields, written for `date`. An example after
// "例" counts first; then any run of pieces that makes such a date.
std::optional<std::u16string> likeExample(std::u16string_view text, const CivilDate& date, size_t fields) {
  const size_t example = text.find(u'例');
  auto tryFrom = [&](size_t from) -> std::optional<std::u16string> {
    for (size_t at = from; at < text.size(); ++at) {
      std::vector<Piece> pieces = piecesAt(text, at);
      if (!pieces.empty() && pieces.front().kind != Piece::Kind::Separator && assignRoles(pieces, fields)) {
        return written(pieces, date);
      }
    }
    return std::nullopt;
  };
  if (example != std::u16string_view::npos) {
    if (auto shown = tryFrom(example + 1)) return shown;
  }
  return tryFrom(0);
}

}  // namespace

std::optional<std::u16string> dateLikeExample(std::u16string_view text, const CivilDate& date) {
  return likeExample(text, date, 3);
}

std::optional<std::u16string> yearLikeExample(std::u16string_view text, const CivilDate& date) {
  return likeExample(text, date, 1);
}

}  // namespace formix::fill::recognition
