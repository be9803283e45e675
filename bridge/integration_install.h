// Registering the relay `formix-bridge` with the user's browsers: one native-messaging host
// manifest per browser family, in the folder where that browser looks for them. What
// `formix --install-browser-integration` and `--uninstall-browser-integration` do.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace formix::bridge {

struct BrowserFamily {
  std::string name;                 // as a person calls it
  std::filesystem::path folder;     // the host manifests' folder, relative to the home folder
  bool firefox = false;             // manifest names the add-on id instead of the extension origin
};

// Chromium, Google Chrome, Microsoft Edge, Brave, Vivaldi and Firefox.
const std::vector<BrowserFamily>& browserFamilies();

// The host manifest of a family for a relay at `hostPath`.
std::string hostManifest(const BrowserFamily& family, const std::filesystem::path& hostPath);

// One file written or removed, or why not.
struct InstallStep {
  enum class Outcome { Written, Removed, Absent, Failed };
  std::string browser;
  std::filesystem::path file;
  Outcome outcome = Outcome::Failed;
  std::string error;
};

// Writes every family's manifest under `home`, creating the folders it needs; a manifest is
// replaced whole (written beside it, then renamed). `hostPath` must be absolute.
std::vector<InstallStep> installBrowserIntegration(const std::filesystem::path& home,
                                                   const std::filesystem::path& hostPath);
// Removes Formix's manifest from every family's folder; nothing else is touched.
std::vector<InstallStep> uninstallBrowserIntegration(const std::filesystem::path& home);

// One line per step, for a person.
std::string describe(const InstallStep& step);

}  // namespace formix::bridge
