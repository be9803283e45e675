// The platform converter for code page 932 on Windows: the system's own tables, through
// WideCharToMultiByte and MultiByteToWideChar. Both refuse rather than substitute, so a character
// the code page lacks never turns into "?" or a best-fit look-alike.
#include <windows.h>

#include "text/cp932.h"

namespace formix::text::detail {
namespace {

constexpr UINT kCp932 = 932;

}  // namespace

std::optional<std::string> platformToCp932(char16_t unit) {
  const wchar_t in = static_cast<wchar_t>(unit);
  char out[8];
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, &in, 1, out, sizeof out, nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return std::nullopt;
  return std::string(out, static_cast<size_t>(n));
}

std::optional<char16_t> platformFromCp932(std::string_view bytes) {
  wchar_t out[4];
  const int n = MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), out, 4);
  if (n != 1) return std::nullopt;
  return static_cast<char16_t>(out[0]);
}

}  // namespace formix::text::detail
