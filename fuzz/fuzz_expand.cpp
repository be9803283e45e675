// Phrase expansion and the date-and-time patterns on arbitrary contents.
//
// Input: one byte choosing how the rest is read (even: UTF-8, odd: UTF-16 little-endian, which
// reaches lone surrogates), six bytes for the date and time, then the content.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/main_window.h"
#include "phrases/phrase_pages.h"
#include "text/utf.h"

using namespace formix::phrases;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 7) return 0;
  const DateTime now{1 + (data[1] | data[2] << 8) % 9999, 1 + data[3] % 12, 1 + data[4] % 31,
                     data[5] % 24, data[6] % 60, (data[5] ^ data[6]) % 60};
  const std::string rest(reinterpret_cast<const char*>(data) + 7, size - 7);
  std::u16string content;
  if (data[0] % 2 == 0) {
    content = formix::text::fromUtf8Lossy(rest);
  } else {
    for (size_t i = 0; i + 1 < rest.size(); i += 2) {
      content.push_back(static_cast<char16_t>(static_cast<uint8_t>(rest[i]) | static_cast<uint8_t>(rest[i + 1]) << 8));
    }
  }

  const Expansion expansion = ExpandPhrase(content, now);
  if (expansion.openTarget && !expansion.text.empty()) std::abort();
  // What an open code names: an address is a scheme of at least two characters before a ":".
  if (expansion.openTarget && formix::app::looksLikeAddress(*expansion.openTarget)) {
    const size_t colon = expansion.openTarget->find(u':');
    if (colon == std::u16string::npos || colon < 2) std::abort();
  }
  // Without a "%" the content is typed as it is.
  if (content.find(u'%') == std::u16string::npos && (expansion.text != content || expansion.openTarget)) std::abort();

  // A token never writes more than twice its own length (a year of at most four digits); other
  // characters are copied one for one.
  const std::u16string shown = FormatDateTime(content, now);
  if (shown.size() > 2 * content.size()) std::abort();
  bool letters = false;
  for (char16_t c : content) letters |= std::u16string_view(u"yYmMdDhHnNsS").find(c) != std::u16string_view::npos;
  if (!letters && shown != content) std::abort();
  (void)TrimBlanks(content);
  return 0;
}
