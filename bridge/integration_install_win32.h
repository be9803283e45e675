// Registering the relay formix-bridge.exe with the user's browsers on Windows: two host manifests
// (one for the Chromium family, one for Firefox) in a folder of the user's, and one registry key
// per browser under HKCU naming its manifest by absolute path. What
// `Formix.exe --install-browser-integration` and `--uninstall-browser-integration` do, and what
// start-up does again when the program moved.
#pragma once

#ifdef _WIN32
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace formix::bridge {

struct WindowsHostKey {
  std::string browser;  // as a person calls it
  std::wstring key;     // under HKEY_CURRENT_USER; its default value is the manifest's path
  bool firefox = false;
};

// Google Chrome (whose key Brave and Vivaldi read too), Chromium, Microsoft Edge and Firefox.
const std::vector<WindowsHostKey>& windowsHostKeys();

// What the program's folder is worth, as the desktop judges it (platform/windows/win32_trust.h):
// the browsers start the relay of a folder only when nobody but the user, SYSTEM and the
// Administrators may change what it holds.
struct ProgramFolderTrust {
  bool onlyTrustedMayWrite = false;
  bool userMayWrite = false;
};

// Where the manifests go: the program's folder when it is trusted and the user may write there,
// otherwise %LOCALAPPDATA%\Formix.
std::filesystem::path manifestFolder(const std::filesystem::path& programFolder, ProgramFolderTrust trust);

// One line per manifest and key written or removed, or why not; `ok` false when anything failed.
// Installing from a folder that is not trusted writes nothing: one line says why.
std::vector<std::string> installWindowsIntegration(const std::filesystem::path& programFolder, ProgramFolderTrust trust,
                                                   bool& ok);
std::vector<std::string> uninstallWindowsIntegration(bool& ok);

// What start-up found of the registration, and did.
struct IntegrationAtStart {
  std::vector<std::string> lines;  // what was rewritten, or why nothing was: for stderr
  // The browsers start another copy's relay, or none that this copy could replace: said in the
  // notice that no extension is connected.
  bool notThisCopy = false;
};

// At start-up: when any browser's key is registered and the relay it leads to is gone (this copy
// was moved, manifests and all), registers this copy again, but only from a trusted folder. A
// relay of another copy that still exists is left registered: nothing is changed, and the lines
// say how to register this copy instead. Nothing at all when nothing is registered or all is in
// place.
IntegrationAtStart refreshWindowsIntegration(const std::filesystem::path& programFolder, ProgramFolderTrust trust);

// The notice's line when start-up left another copy's registration in place.
inline constexpr std::u16string_view kOtherCopyRegistered =
    u"ブラウザーには別の場所の Formix が登録されています。この Formix を使うには、"
    u"Formix.exe --install-browser-integration を実行してください。";

}  // namespace formix::bridge
#endif
