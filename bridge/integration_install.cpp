#include "bridge/integration_install.h"

#include <fstream>
#include <system_error>

#include <nlohmann/json.hpp>

#include "bridge/protocol.h"

namespace formix::bridge {
namespace fs = std::filesystem;

const std::vector<BrowserFamily>& browserFamilies() {
  static const std::vector<BrowserFamily> families = {
      {"Chromium", ".config/chromium/NativeMessagingHosts", false},
      {"Google Chrome", ".config/google-chrome/NativeMessagingHosts", false},
      {"Microsoft Edge", ".config/microsoft-edge/NativeMessagingHosts", false},
      {"Brave", ".config/BraveSoftware/Brave-Browser/NativeMessagingHosts", false},
      {"Vivaldi", ".config/vivaldi/NativeMessagingHosts", false},
      {"Firefox", ".mozilla/native-messaging-hosts", true},
  };
  return families;
}

std::string hostManifest(const BrowserFamily& family, const fs::path& hostPath) {
  nlohmann::ordered_json manifest = {
      {"name", kHostName},
      {"description", "Formix browser bridge"},
      {"path", std::string(reinterpret_cast<const char*>(hostPath.u8string().c_str()))},
      {"type", "stdio"},
  };
  if (family.firefox) {
    manifest["allowed_extensions"] = {kFirefoxExtensionId};
  } else {
    manifest["allowed_origins"] = {"chrome-extension://" + std::string(kChromiumExtensionId) + "/"};
  }
  return manifest.dump(2) + "\n";
}

namespace {

fs::path manifestFile(const fs::path& home, const BrowserFamily& family) {
  return home / family.folder / (std::string(kHostName) + ".json");
}

bool writeReplacing(const fs::path& file, const std::string& text, std::string& error) {
  std::error_code code;
  fs::create_directories(file.parent_path(), code);
  if (code) {
    error = code.message();
    return false;
  }
  const fs::path temporary = file.string() + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
      error = "cannot write " + temporary.string();
      fs::remove(temporary, code);
      return false;
    }
  }
  fs::rename(temporary, file, code);
  if (code) {
    error = code.message();
    fs::remove(temporary, code);
    return false;
  }
  return true;
}

}  // namespace

std::vector<InstallStep> installBrowserIntegration(const fs::path& home, const fs::path& hostPath) {
  std::vector<InstallStep> steps;
  for (const BrowserFamily& family : browserFamilies()) {
    InstallStep step{family.name, manifestFile(home, family), InstallStep::Outcome::Failed, {}};
    if (!hostPath.is_absolute()) {
      step.error = "the relay's path must be absolute: " + hostPath.string();
    } else if (home.empty() || !home.is_absolute()) {
      step.error = "the home folder must be an absolute path";
    } else if (writeReplacing(step.file, hostManifest(family, hostPath), step.error)) {
      step.outcome = InstallStep::Outcome::Written;
    }
    steps.push_back(std::move(step));
  }
  return steps;
}

std::vector<InstallStep> uninstallBrowserIntegration(const fs::path& home) {
  std::vector<InstallStep> steps;
  for (const BrowserFamily& family : browserFamilies()) {
    InstallStep step{family.name, manifestFile(home, family), InstallStep::Outcome::Failed, {}};
    std::error_code code;
    if (home.empty() || !home.is_absolute()) {
      step.error = "the home folder must be an absolute path";
    } else if (fs::remove(step.file, code)) {
      step.outcome = InstallStep::Outcome::Removed;
    } else if (!code) {
      step.outcome = InstallStep::Outcome::Absent;
    } else {
      step.error = code.message();
    }
    steps.push_back(std::move(step));
  }
  return steps;
}

std::string describe(const InstallStep& step) {
  switch (step.outcome) {
    case InstallStep::Outcome::Written: return step.browser + ": wrote " + step.file.string();
    case InstallStep::Outcome::Removed: return step.browser + ": removed " + step.file.string();
    case InstallStep::Outcome::Absent: return step.browser + ": nothing to remove";
    case InstallStep::Outcome::Failed: break;
  }
  return step.browser + ": failed (" + step.error + ")";
}

}  // namespace formix::bridge
