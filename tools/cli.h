// Shared pieces of formix-tool's commands.
#pragma once

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace formix::tool {

using Args = std::vector<std::string>;

// Exit status of every error the tool reports.
inline constexpr int kFailure = 2;

// Prints one line "formix-tool: MESSAGE" on stderr and returns the failure status.
inline int fail(std::string_view message) {
  std::cerr << "formix-tool: " << message << '\n';
  return kFailure;
}

int runSettings(const Args& args);
int runSession(const Args& args);
int runFill(const Args& args);
int runExpand(const Args& args);
int runRecognise(const Args& args);
int runCapture(const Args& args);

}  // namespace formix::tool
