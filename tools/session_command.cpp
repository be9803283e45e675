// formix-tool session: runs Formix on the simulated desktop from a script on stdin.
#include "tools/cli.h"
#include "tools/session_script.h"

namespace formix::tool {

int runSession(const Args& args) {
  if (!args.empty()) return fail("usage: formix-tool session < SCRIPT");
  SessionScript script;
  return script.run(std::cin, std::cout, std::cerr);
}

}  // namespace formix::tool
