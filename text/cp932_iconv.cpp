// The platform converter for code page 932 on Linux: glibc's iconv.
#include <iconv.h>

#include <mutex>

#include "text/cp932.h"

namespace formix::text::detail {
namespace {

// One converter each way for the whole process; iconv descriptors keep state, so calls are
// serialised. The cache in cp932.cpp means each character reaches here at most once.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  std::optional<std::string> convert(std::string_view in) {
    if (!ok()) return std::nullopt;
    std::lock_guard lock(mutex_);
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset the shift state
    char outBuf[16];
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    char* outPtr = outBuf;
    size_t outLeft = sizeof outBuf;
    if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) {
      return std::nullopt;
    }
    if (iconv(cd_, nullptr, nullptr, &outPtr, &outLeft) == static_cast<size_t>(-1)) return std::nullopt;
    return std::string(outBuf, static_cast<size_t>(outPtr - outBuf));
  }

 private:
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t cd_;
  std::mutex mutex_;
};

Converter& toCp932Converter() {
  static Converter c("CP932", "UTF-16LE");
  return c;
}

Converter& fromCp932Converter() {
  static Converter c("UTF-16LE", "CP932");
  return c;
}

}  // namespace

std::optional<std::string> platformToCp932(char16_t unit) {
  const char in[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  return toCp932Converter().convert(std::string_view(in, 2));
}

std::optional<char16_t> platformFromCp932(std::string_view bytes) {
  auto out = fromCp932Converter().convert(bytes);
  if (!out || out->size() != 2) return std::nullopt;
  return static_cast<char16_t>(static_cast<unsigned char>((*out)[0]) |
                               static_cast<unsigned char>((*out)[1]) << 8);
}

}  // namespace formix::text::detail
