// formix-tool: Formix's engines on the command line.
#include <exception>

#include "tools/cli.h"

namespace {

constexpr std::string_view kUsage =
    "usage: formix-tool settings dump FILE\n"
    "       formix-tool settings write FILE < JSON\n"
    "       formix-tool session < SCRIPT\n"
    "       formix-tool fill --settings FILE [--today YYYY-MM-DD] [--summary] [INPUT]\n"
    "       formix-tool expand [--now YYYY-MM-DDTHH:MM:SS] TEXT\n"
    "       formix-tool recognise --settings FILE [--today YYYY-MM-DD] [--summary] [FACTS]\n"
    "       formix-tool capture PAGE.html\n";

struct Command {
  std::string_view name;
  int (*run)(const formix::tool::Args&);
};

constexpr Command kCommands[] = {
    {"settings", formix::tool::runSettings},
    {"session", formix::tool::runSession},
    {"fill", formix::tool::runFill},
    {"expand", formix::tool::runExpand},
    {"recognise", formix::tool::runRecognise},
    {"capture", formix::tool::runCapture},
};

}  // namespace

int main(int argc, char** argv) {
  using namespace formix::tool;
  const Args args(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    (args.empty() ? std::cerr : std::cout) << kUsage;
    return args.empty() ? kFailure : 0;
  }
  try {
    for (const auto& command : kCommands) {
      if (args[0] == command.name) return command.run(Args(args.begin() + 1, args.end()));
    }
    return fail("unknown command '" + args[0] + "' (try --help)");
  } catch (const std::exception& e) {
    return fail(e.what());
  }
}
