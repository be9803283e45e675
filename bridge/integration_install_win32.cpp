#include "bridge/integration_install_win32.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

#include <nlohmann/json.hpp>

#include "bridge/integration_install.h"
#include "bridge/protocol.h"

namespace formix::bridge {
namespace fs = std::filesystem;

namespace {

constexpr const wchar_t* kRelay = L"formix-bridge.exe";

std::string utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string utf8(const std::wstring& text) { return utf8(fs::path(text)); }

fs::path manifestOf(const fs::path& folder, bool firefox) {
  return folder / (std::string(kHostName) + (firefox ? ".firefox.json" : ".json"));
}

std::string keyName(const WindowsHostKey& host) { return "HKCU\\" + utf8(host.key); }

std::optional<std::wstring> registeredManifest(const WindowsHostKey& host) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, host.key.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return std::nullopt;
  std::wstring value(32768, L'\0');
  DWORD type = 0, size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  const LONG status = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_SZ) return std::wstring();
  value.resize(size / sizeof(wchar_t));
  while (!value.empty() && value.back() == L'\0') value.pop_back();
  return value;
}

bool setManifest(const WindowsHostKey& host, const fs::path& manifest, std::string& why) {
  HKEY key = nullptr;
  LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, host.key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
  if (status == ERROR_SUCCESS) {
    const std::wstring value = manifest.wstring();
    status = RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  if (status != ERROR_SUCCESS) why = "registry error " + std::to_string(status);
  return status == ERROR_SUCCESS;
}

std::string readFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Written beside, then moved over the old one, so a browser never reads half a manifest.
bool writeReplacing(const fs::path& file, const std::string& text, std::string& why) {
  std::error_code code;
  fs::create_directories(file.parent_path(), code);
  const fs::path temporary = file.wstring() + L".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
      why = "cannot write " + utf8(temporary);
      fs::remove(temporary, code);
      return false;
    }
  }
  if (!MoveFileExW(temporary.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    why = "cannot replace " + utf8(file) + " (error " + std::to_string(GetLastError()) + ")";
    fs::remove(temporary, code);
    return false;
  }
  return true;
}

std::string manifestText(const fs::path& programFolder, bool firefox) {
  return hostManifest(BrowserFamily{firefox ? "Firefox" : "Chromium", {}, firefox}, programFolder / kRelay);
}

// The relay a manifest names, or nullopt when the manifest is gone or not one of a relay.
std::optional<fs::path> relayOf(const fs::path& manifest) {
  const nlohmann::json parsed = nlohmann::json::parse(readFile(manifest), nullptr, false);
  if (!parsed.is_object() || !parsed.contains("path") || !parsed["path"].is_string()) return std::nullopt;
  const std::string path = parsed["path"].get<std::string>();
  return fs::path(std::u8string(path.begin(), path.end()));
}

bool present(const fs::path& path) {
  std::error_code code;
  return fs::exists(path, code);
}

bool sameFile(const fs::path& a, const fs::path& b) {
  std::error_code code;
  return fs::equivalent(a, b, code);
}

}  // namespace

const std::vector<WindowsHostKey>& windowsHostKeys() {
  static const std::vector<WindowsHostKey> keys = {
      {"Google Chrome (also Brave, Vivaldi)", L"Software\\Google\\Chrome\\NativeMessagingHosts\\formix.bridge", false},
      {"Chromium", L"Software\\Chromium\\NativeMessagingHosts\\formix.bridge", false},
      {"Microsoft Edge", L"Software\\Microsoft\\Edge\\NativeMessagingHosts\\formix.bridge", false},
      {"Firefox", L"Software\\Mozilla\\NativeMessagingHosts\\formix.bridge", true},
  };
  return keys;
}

fs::path manifestFolder(const fs::path& programFolder, ProgramFolderTrust trust) {
  if (trust.onlyTrustedMayWrite && trust.userMayWrite) return programFolder;
  wchar_t local[MAX_PATH];
  const DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return programFolder;
  return fs::path(local) / L"Formix";
}

std::vector<std::string> installWindowsIntegration(const fs::path& programFolder, ProgramFolderTrust trust, bool& ok) {
  if (!trust.onlyTrustedMayWrite) {
    // Anyone who may change the folder could swap the relay, and the browsers would start theirs.
    ok = false;
    return {"refused: other users may change " + utf8(programFolder) +
            ", so the browsers must not start its relay; move Formix to a folder only you and the administrators "
            "may change, then run Formix.exe --install-browser-integration again"};
  }
  ok = true;
  std::vector<std::string> lines;
  const fs::path folder = manifestFolder(programFolder, trust);
  for (const bool firefox : {false, true}) {
    const fs::path manifest = manifestOf(folder, firefox);
    std::string why;
    if (writeReplacing(manifest, manifestText(programFolder, firefox), why)) {
      lines.push_back((firefox ? "Firefox: wrote " : "Chromium family: wrote ") + utf8(manifest));
    } else {
      lines.push_back((firefox ? "Firefox: failed (" : "Chromium family: failed (") + why + ")");
      ok = false;
    }
  }
  for (const WindowsHostKey& host : windowsHostKeys()) {
    const fs::path manifest = manifestOf(folder, host.firefox);
    std::string why;
    if (setManifest(host, manifest, why)) {
      lines.push_back(host.browser + ": wrote " + keyName(host) + " = " + utf8(manifest));
    } else {
      lines.push_back(host.browser + ": failed (" + why + ")");
      ok = false;
    }
  }
  return lines;
}

std::vector<std::string> uninstallWindowsIntegration(bool& ok) {
  ok = true;
  std::vector<std::string> lines;
  std::vector<fs::path> manifests;
  for (const WindowsHostKey& host : windowsHostKeys()) {
    const auto manifest = registeredManifest(host);
    if (!manifest) {
      lines.push_back(host.browser + ": nothing to remove");
      continue;
    }
    const LONG status = RegDeleteKeyW(HKEY_CURRENT_USER, host.key.c_str());
    if (status != ERROR_SUCCESS) {
      lines.push_back(host.browser + ": failed (registry error " + std::to_string(status) + ")");
      ok = false;
      continue;
    }
    lines.push_back(host.browser + ": removed " + keyName(host));
    // Only a manifest of Formix's own name is removed with its key.
    const fs::path file(*manifest);
    if (file.filename() == manifestOf({}, host.firefox).filename()) manifests.push_back(file);
  }
  for (const fs::path& file : manifests) {
    std::error_code code;
    if (fs::remove(file, code)) lines.push_back("removed " + utf8(file));
  }
  return lines;
}

IntegrationAtStart refreshWindowsIntegration(const fs::path& programFolder, ProgramFolderTrust trust) {
  bool registered = false, current = true;
  const fs::path folder = manifestFolder(programFolder, trust);
  const fs::path ownRelay = programFolder / kRelay;
  std::optional<fs::path> otherRelay;  // a relay of another copy that the browsers still start
  for (const WindowsHostKey& host : windowsHostKeys()) {
    const auto manifest = registeredManifest(host);
    if (!manifest) {
      current = false;
      continue;
    }
    registered = true;
    const fs::path expected = manifestOf(folder, host.firefox);
    if (*manifest != expected.wstring() || readFile(expected) != manifestText(programFolder, host.firefox)) current = false;
    const auto relay = relayOf(fs::path(*manifest));
    if (relay && present(*relay) && !sameFile(*relay, ownRelay)) otherRelay = relay;
  }
  if (!registered || current) return {};
  IntegrationAtStart outcome;
  if (otherRelay) {
    outcome.notThisCopy = true;
    outcome.lines.push_back("the browsers start another copy's relay, " + utf8(*otherRelay) +
                            "; nothing changed (run Formix.exe --install-browser-integration to register this copy)");
  } else if (!trust.onlyTrustedMayWrite) {
    outcome.notThisCopy = true;
    outcome.lines.push_back("the registered relay is gone, and other users may change " + utf8(programFolder) +
                            "; nothing registered (move Formix to a folder only you and the administrators may "
                            "change, then run Formix.exe --install-browser-integration)");
  } else {
    // The registered relay is gone: this copy was moved. It takes the registration along.
    bool ok = true;
    outcome.lines = installWindowsIntegration(programFolder, trust, ok);
  }
  return outcome;
}

}  // namespace formix::bridge
