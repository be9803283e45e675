// Session facts of a Linux desktop: the user from the password database, the program's folder
// from /proc/self/exe.
#pragma once

#include "platform/session.h"

namespace formix::platform {

class LinuxSessionFacts : public SessionFacts {
 public:
  std::optional<std::u16string> userName() const override;
  std::u16string programFolder() const override;
  char16_t pathSeparator() const override { return u'/'; }
};

}  // namespace formix::platform
