#include <string>

#include "bridge/protocol.h"
#include "bridge/relay/relay.h"

namespace formix::bridge {

bool callerIsFormixExtension(int argc, const char* const* argv) {
  // Chromium-family browsers pass the origin first (on Windows followed by --parent-window=...);
  // Firefox passes the manifest's path, then the add-on id.
  const std::string origin = "chrome-extension://" + std::string(kChromiumExtensionId) + "/";
  if (argc >= 2 && argv[1] == origin) return true;
  return argc >= 3 && argv[2] == kFirefoxExtensionId;
}

}  // namespace formix::bridge
