// The %-code scan over a phrase's content. Positions here are 0-based: i is the "%" being looked
// at, i + 1 its code letter, i + 2 a possible "[".
#include "phrases/phrase_pages.h"

namespace formix::phrases {
namespace {

char16_t upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

}  // namespace

Expansion ExpandPhrase(std::u16string_view content, const DateTime& now) {
  Expansion out;
  size_t i = 0;
  while (i < content.size()) {
    const char16_t c = content[i];
    if (c != u'%') {
      out.text.push_back(c);
      ++i;
      continue;
    }
    const char16_t code = i + 1 < content.size() ? upper(content[i + 1]) : u'\0';
    switch (code) {
      case u'O':
        out.text.clear();
        out.openTarget = std::u16string(content.substr(i + 2));
        return out;
      case u'%':
        out.text.push_back(u'%');
        i += 2;
        break;
      case u'R':
        out.text += u"\r\n";
        i += 2;
        break;
      case u'B':
        out.text.push_back(u'\t');
        i += 2;
        break;
      case u'D':
      case u'T': {
        const DateTime when = code == u'D' ? dateOnly(now) : timeOnly(now);
        if (i + 2 < content.size() && content[i + 2] == u'[') {
          const size_t close = content.find(u']', i + 3);
          if (close == std::u16string_view::npos) {
            ++i;  // only the "%" goes; the letter, the "[" and the rest are ordinary text
            break;
          }
          out.text += FormatDateTime(content.substr(i + 3, close - (i + 3)), when);
          i = close + 1;
        } else {
          out.text += FormatDateTime(code == u'D' ? kDefaultDatePattern : kDefaultTimePattern, when);
          i += 2;
        }
        break;
      }
      default:
        ++i;  // the "%" goes; a letter after it is copied as ordinary text
        break;
    }
  }
  return out;
}

std::u16string TrimBlanks(std::u16string_view text) {
  const size_t first = text.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return u"";
  return std::u16string(text.substr(first, text.find_last_not_of(u' ') - first + 1));
}

std::u16string menuCaption(std::u16string_view title) { return title.empty() ? u"---" : std::u16string(title); }

}  // namespace formix::phrases
