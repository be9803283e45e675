// Where Formix listens for the relay: $XDG_RUNTIME_DIR/formix/bridge.sock, in a folder only its
// user may enter.
#pragma once

#include <filesystem>
#include <optional>

namespace formix::bridge {

// nullopt when XDG_RUNTIME_DIR is not set to an absolute path.
std::optional<std::filesystem::path> defaultSocketPath();

}  // namespace formix::bridge
