// formix's side of the browser bridge: the command-line switches that register the relay with the
// user's browsers, and the notice shown when a fill finds no browser extension connected.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace formix::platform {

// Runs --install-browser-integration or --uninstall-browser-integration for the relay
// `formix-bridge` beside the program: one line per browser on stdout, and the exit status (0 when
// every step went well, 1 otherwise). nullopt when `option` is neither switch.
std::optional<int> runBrowserIntegrationOption(std::string_view option, const std::filesystem::path& programFolder);

}  // namespace formix::platform
