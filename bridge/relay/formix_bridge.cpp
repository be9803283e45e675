// formix-bridge: the native-messaging host that Formix's browser extension talks to. The
// browser starts it; it relays messages between the browser and the running Formix, and ends
// when either of them closes.
#include <unistd.h>

#include <cstdio>

#include "bridge/relay/relay.h"
#include "bridge/socket_path.h"

int main(int argc, char** argv) {
  using namespace formix::bridge;
  if (!callerIsFormixExtension(argc, argv)) {
    std::fputs("formix-bridge: only Formix's browser extension may start this program\n", stderr);
    return 2;
  }
  const auto socket = defaultSocketPath();
  if (!socket) {
    std::fputs("formix-bridge: XDG_RUNTIME_DIR is not set\n", stderr);
    return 2;
  }
  const int formix = connectToFormix(*socket, STDIN_FILENO);
  if (formix < 0) return 0;
  const int status = pump(STDIN_FILENO, STDOUT_FILENO, formix);
  ::close(formix);
  return status;
}
