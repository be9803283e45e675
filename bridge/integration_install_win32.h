// Registering the relay formix-bridge.exe with the user's browsers on Windows: two host manifests
// (one for the Chromium family, one for Firefox) in a folder of the user's, and one registry key
// per browser under HKCU naming its manifest by absolute path. What
// `Formix.exe --install-browser-integration` and `--uninstall-browser-integration` do, and what
// start-up does again when the program moved.
#pragma once

#ifdef _WIN32
#include <filesystem>
#include <string>
#include <vector>

namespace formix::bridge {

struct WindowsHostKey {
  std::string browser;  // as a person calls it
  std::wstring key;     // under HKEY_CURRENT_USER; its default value is the manifest's path
  bool firefox = false;
};

// Google Chrome (whose key Brave and Vivaldi read too), Chromium, Microsoft Edge and Firefox.
const std::vector<WindowsHostKey>& windowsHostKeys();

// Where the manifests go: the program's folder when it belongs to the user, otherwise
// %LOCALAPPDATA%\Formix (a folder others may change must not tell the browsers what to start).
std::filesystem::path manifestFolder(const std::filesystem::path& programFolder);

// One line per manifest and key written or removed, or why not; `ok` false when anything failed.
std::vector<std::string> installWindowsIntegration(const std::filesystem::path& programFolder, bool& ok);
std::vector<std::string> uninstallWindowsIntegration(bool& ok);

// At start-up: when any browser's key is Formix's, writes everything again if a key or a manifest
// no longer matches this program (it was moved). The lines of what was rewritten; none when all
// was in place or nothing is registered.
std::vector<std::string> refreshWindowsIntegration(const std::filesystem::path& programFolder);

}  // namespace formix::bridge
#endif
