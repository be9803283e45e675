#include "platform/linux/browser_integration.h"

#include <cstdlib>
#include <iostream>

#include "bridge/integration_install.h"

namespace formix::platform {

std::optional<int> runBrowserIntegrationOption(std::string_view option, const std::filesystem::path& programFolder) {
  const bool install = option == "--install-browser-integration";
  if (!install && option != "--uninstall-browser-integration") return std::nullopt;
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home != '/') {
    std::cerr << "formix: HOME is not set to an absolute folder\n";
    return 1;
  }
  const auto steps = install ? bridge::installBrowserIntegration(home, programFolder / "formix-bridge")
                             : bridge::uninstallBrowserIntegration(home);
  int status = 0;
  for (const auto& step : steps) {
    std::cout << bridge::describe(step) << '\n';
    if (step.outcome == bridge::InstallStep::Outcome::Failed) status = 1;
  }
  return status;
}

}  // namespace formix::platform
