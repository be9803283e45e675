// Writes the browsers' system-wide host manifest for the relay at build time, from the same code
// that `formix --install-browser-integration` writes a user's manifests with.
//
//   formix_host_manifest chromium|firefox RELAY_PATH OUTPUT
#include <fstream>
#include <iostream>
#include <string_view>

#include "bridge/integration_install.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: formix_host_manifest chromium|firefox RELAY_PATH OUTPUT\n";
    return 2;
  }
  const std::string_view browser = argv[1];
  for (const auto& family : formix::bridge::browserFamilies()) {
    const bool wanted = browser == "firefox" ? family.firefox : browser == "chromium" && family.name == "Chromium";
    if (!wanted) continue;
    std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
    out << formix::bridge::hostManifest(family, argv[2]);
    out.close();
    if (!out) {
      std::cerr << "formix_host_manifest: cannot write " << argv[3] << '\n';
      return 1;
    }
    return 0;
  }
  std::cerr << "formix_host_manifest: unknown browser " << browser << '\n';
  return 2;
}
