#include "bridge/socket_path.h"

#include <cstdlib>

namespace formix::bridge {

std::optional<std::filesystem::path> defaultSocketPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || runtime[0] != '/') return std::nullopt;
  return std::filesystem::path(runtime) / "formix" / "bridge.sock";
}

}  // namespace formix::bridge
