// Helpers shared by the test files: scratch folders and running formix-tool.
#pragma once

#include <algorithm>

#include <filesystem>
#include <string>

namespace formix::testing {

// A fresh empty folder under the system's temporary folder, removed when the object dies.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
  // The error contract of every command: exit status 2, nothing on stdout, one line on stderr.
  bool failedCleanly() const {
    return status == 2 && out.empty() && std::count(err.begin(), err.end(), '\n') == 1;
  }
};

// Runs formix-tool with `args` (already shell-quoted) and `input` on stdin.
ToolRun runTool(const std::string& args, const std::string& input = "");

}  // namespace formix::testing
