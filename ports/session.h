// Facts about the user's session that the program reads once at start.
#pragma once

#include <optional>
#include <string>

namespace formix::ports {

class SessionFacts {
 public:
  virtual ~SessionFacts() = default;
  // The logon user name, or nullopt when the system cannot tell.
  virtual std::optional<std::u16string> userName() const = 0;
  // The folder that holds the program, as the user sees it.
  virtual std::u16string programFolder() const = 0;
  // The separator between folder names in a path on this desktop.
  virtual char16_t pathSeparator() const = 0;
};

}  // namespace formix::ports
