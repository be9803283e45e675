#include "fill/html/value_rules.h"

#include <initializer_list>
#include <optional>

#include "fill/html/field_classifier.h"
#include "text/compare.h"
#include "text/japanese.h"
#include "text/number.h"
#include "text/utf.h"

namespace formix::fill {
namespace {

using text::npos;

size_t findText(std::u16string_view haystack, std::u16string_view needle) {
  return text::inStr(haystack, needle, 0, text::Compare::Text);
}

bool containsText(std::u16string_view haystack, std::u16string_view needle) {
  return findText(haystack, needle) != npos;
}

int baseOf(int code) { return code / 100 * 100; }

// The text of the option that starts after the ">" at `from`, up to the next tag, without
// surrounding blanks.
std::u16string optionText(std::u16string_view list, size_t from) {
  const size_t end = std::min(list.find(u'<', from), list.size());
  std::u16string_view text = list.substr(from, end - from);
  while (!text.empty() && (text.front() <= u' ' || text.front() == u'\u3000')) text.remove_prefix(1);
  while (!text.empty() && (text.back() <= u' ' || text.back() == u'\u3000')) text.remove_suffix(1);
  return std::u16string(text);
}

class ValueRules {
 public:
  ValueRules(FieldTable& table, const Profile& profile, const CivilDate& today)
      : records_(table.records), profile_(profile), today_(today), birth_(profile.birth) {}

  void run(const YieldFn& yield) {
    for (size_t j = 0; j < records_.size(); ++j) {
      if (yield) yield();
      const int code = records_[j].fieldCode;
      switch (baseOf(code)) {
        case base::Input: j += textInput(j); break;
        case base::Radio:
          if (code == base::Radio + kind::Gender) genderRadio(records_[j]);
          break;
        case base::Select: list(j); break;
        case base::TextArea:
          if (code == base::TextArea + kind::Address) addressArea(records_[j]);
          break;
        default: break;
      }
    }
  }

 private:
  int code(size_t j) const { return j < records_.size() ? records_[j].fieldCode : -1; }
  std::u16string_view prefectureForAddress() const {
    return prefectureSelected_ ? std::u16string_view() : std::u16string_view(profile_.prefecture);
  }
  std::optional<int> age() const {
    if (!birth_) return std::nullopt;
    return iGetAge(birth_->year, birth_->month, birth_->day, today_);
  }

  // The text-input form: the tag without its ">", then ` value="..."`. Only text-like inputs take
  // it; a record of another kind that a split reaches (a list or text area after a telephone or
  // birth-date input) keeps its text rather than being corrupted.
  void writeInput(size_t j, std::u16string_view value) {
    if (j >= records_.size() || baseOf(records_[j].fieldCode) != base::Input) return;
    FieldRecord& record = records_[j];
    if (record.tagText.empty()) return;
    record.newText = record.tagText.substr(0, record.tagText.size() - 1);
    record.newText += u" value=\"";
    record.newText += escapeAttributeValue(value);
    record.newText += u"\">";
    record.changed = true;
    record.value = value;
  }

  // Writes one value per record from j on; returns how many following records were used.
  size_t split(size_t j, std::initializer_list<std::u16string_view> values) {
    size_t k = j;
    for (const auto value : values) writeInput(k++, value);
    return values.size() - 1;
  }

  size_t textInput(size_t j) {
    const int next = code(j + 1);
    switch (code(j) - base::Input) {
      case kind::HiraganaReading:
        if (next == code(j)) return split(j, {profile_.familyKana, profile_.givenKana});
        writeInput(j, profile_.familyKana + profile_.givenKana);
        return 0;
      case kind::KatakanaReading:
        if (next == code(j)) return split(j, {text::toKatakana(profile_.familyKana), text::toKatakana(profile_.givenKana)});
        writeInput(j, text::toKatakana(profile_.familyKana + profile_.givenKana));
        return 0;
      case kind::Name:
        if (next == code(j)) return split(j, {profile_.familyName, profile_.givenName});
        writeInput(j, profile_.familyName + profile_.givenName);
        return 0;
      case kind::Mail:
        if (next == base::Input + kind::AtSign) return split(j, {profile_.mailLocal, profile_.mailDomain});
        writeInput(j, profile_.mailLocal + u"@" + profile_.mailDomain);
        return 0;
      case kind::PostalCode:
        if (next == code(j) || next == base::Input) return split(j, {profile_.postalFirst, profile_.postalLast});
        writeInput(j, profile_.postalFirst + u"-" + profile_.postalLast);
        return 0;
      case kind::Address: {
        const std::u16string first = std::u16string(prefectureForAddress()) + profile_.cityLine;
        if (next == code(j)) return split(j, {first, profile_.buildingLine});
        writeInput(j, first + profile_.buildingLine);
        return 0;
      }
      case kind::BirthDate: {
        if (next != code(j)) return 0;  // a lone birth-date input gets nothing
        if (const auto year = birthYearValue(records_[j])) writeInput(j, *year);
        writeInput(j + 1, profile_.birthTexts[1]);
        writeInput(j + 2, profile_.birthTexts[2]);
        return 2;
      }
      case kind::Age:
        if (const auto years = age()) writeInput(j, text::decimal(*years));
        return 0;
      case kind::Occupation:
        writeInput(j, profile_.occupation);
        return 0;
      case kind::Telephone:
        if (profile_.telephone[0].empty()) return 0;
        if (next == code(j) || next == base::Input) return split(j, {profile_.telephone[0], profile_.telephone[1], profile_.telephone[2]});
        writeInput(j, profile_.telephone[0] + u"-" + profile_.telephone[1] + u"-" + profile_.telephone[2]);
        return 0;
      default:
        return 0;
    }
  }

  // The Western year, or the era year alone when the Showa word stands before the field.
  std::optional<std::u16string> birthYearValue(const FieldRecord& record) const {
    if (!containsText(record.precedingText, u"和昭")) return profile_.birthTexts[0];
    if (!birth_) return std::nullopt;
    return eraYearText(*birth_);
  }

  void genderRadio(FieldRecord& record) {
    const std::u16string& tag = record.tagText;
    if (const size_t checked = findText(tag, u" CHECKED"); checked != npos) {
      record.newText = tag;
      record.newText.erase(checked + 1, 7);
      record.changed = true;
      record.value = u"(unchecked)";
    }
    // IE writes simple attribute values bare (value=1); other serialisers quote every value, so
    // the quoted forms are accepted too.
    static constexpr std::u16string_view kMale[] = {u"男", u"male", u"1"};
    static constexpr std::u16string_view kFemale[] = {u"女", u"female", u"2"};
    for (const auto word : profile_.male ? kMale : kFemale) {
      for (const std::u16string_view prefix : {u"=", u"=\"", u"='"}) {
        if (!containsText(tag, std::u16string(prefix) + std::u16string(word))) continue;
        record.newText = tag.substr(0, tag.size() - 1) + u" CHECKED>";
        record.changed = true;
        record.value = u"CHECKED";
        return;
      }
    }
  }

  // Moves " SELECTED" of a list to the first option whose text begins with `value`. An empty value
  // marks nothing (its needle would be the ">" of the list's own opening tag).
  bool markOption(size_t j, std::u16string_view value) {
    if (j >= records_.size() || value.empty()) return false;
    FieldRecord& record = records_[j];
    if (baseOf(record.fieldCode) != base::Select) return false;
    const std::u16string needle = u">" + std::u16string(value);
    if (!containsText(record.tagText, needle)) return false;
    std::u16string working = record.tagText;
    if (const size_t selected = findText(working, u" SELECTED"); selected != npos) working.erase(selected + 1, 8);
    const size_t at = findText(working, needle);
    if (at == npos) return false;
    working.insert(at, u" SELECTED");
    record.value = optionText(working, at + 10);
    record.newText = std::move(working);
    record.changed = true;
    return true;
  }

  // Whether the 20 non-blank characters nearest before a field contain `unit`.
  static bool nearLabel(const FieldRecord& record, std::u16string_view unit) {
    return containsText(std::u16string_view(record.precedingText).substr(0, 20), unit);
  }

  void list(size_t j) {
    switch (code(j) - base::Select) {
      case kind::Address: {
        const std::u16string& prefecture = profile_.prefecture;
        if (!prefecture.empty() && markOption(j, std::u16string_view(prefecture).substr(0, prefecture.size() - 1))) {
          prefectureSelected_ = true;
        }
        break;
      }
      case kind::BirthDate:
        if (!markOption(j, profile_.birthTexts[0]) && birth_) {
          if (const auto era = eraNameAndYearText(*birth_)) markOption(j, *era);
        }
        // Month and day lists right after the year's and the month's unit are marked in the same visit.
        if (j + 1 < records_.size() && nearLabel(records_[j + 1], u"年")) markOption(j + 1, profile_.birthTexts[1]);
        if (j + 2 < records_.size() && nearLabel(records_[j + 2], u"月")) markOption(j + 2, profile_.birthTexts[2]);
        break;
      case kind::Age:
        if (const auto years = age()) markOption(j, text::decimal(*years));
        break;
      case kind::Occupation:
        markOption(j, profile_.occupation);
        break;
      case kind::Gender: {
        const std::u16string& tag = records_[j].tagText;
        if (containsText(tag, u">" + std::u16string(text::kMaleCaption)) &&
            containsText(tag, u">" + std::u16string(text::kFemaleCaption))) {
          markOption(j, profile_.male ? text::kMaleCaption : text::kFemaleCaption);
        }
        break;
      }
      default:
        break;
    }
  }

  void addressArea(FieldRecord& record) {
    const size_t openEnd = findText(record.tagText, u">");
    if (openEnd == npos) return;
    const std::u16string address = std::u16string(prefectureForAddress()) + profile_.cityLine + profile_.buildingLine;
    record.newText = record.tagText.substr(0, openEnd + 1) + escapeElementText(address);
    record.changed = true;
    record.value = address;
  }

  std::vector<FieldRecord>& records_;
  const Profile& profile_;
  const CivilDate today_;
  const std::optional<CivilDate> birth_;
  bool prefectureSelected_ = false;
};

std::u16string escape(std::u16string_view text, bool quote) {
  std::u16string out;
  out.reserve(text.size());
  for (const char16_t c : text) {
    switch (c) {
      case u'&': out += u"&amp;"; break;
      case u'<': out += u"&lt;"; break;
      case u'>': out += u"&gt;"; break;
      case u'"':
        if (quote) {
          out += u"&quot;";
          break;
        }
        [[fallthrough]];
      default: out.push_back(c);
    }
  }
  return out;
}

}  // namespace

void SetFieldValues(FieldTable& table, const Profile& profile, const CivilDate& today, const YieldFn& yield) {
  ValueRules(table, profile, today).run(yield);
}

std::u16string escapeAttributeValue(std::u16string_view text) { return escape(text, true); }
std::u16string escapeElementText(std::u16string_view text) { return escape(text, false); }

}  // namespace formix::fill
