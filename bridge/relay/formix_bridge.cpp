// formix-bridge: the native-messaging host that Formix's browser extension talks to. The
// browser starts it; it relays messages between the browser and the running Formix, and ends
// when either of them closes.
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <cstdio>
#include <string>

#include "bridge/relay/relay.h"
#ifdef _WIN32
#include "bridge/pipe_name.h"
#include "bridge/relay/relay_win32.h"
#else
#include "bridge/socket_path.h"
#endif

int main(int argc, char** argv) {
  using namespace formix::bridge;
  if (!callerIsFormixExtension(argc, argv)) {
    std::fputs("formix-bridge: only Formix's browser extension may start this program\n", stderr);
    return 2;
  }
#ifdef _WIN32
  // Frames are bytes: no line-end translation on the browser's pipes.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  const auto name = defaultPipeName();
  if (!name) {
    std::fputs("formix-bridge: cannot tell the user or the session\n", stderr);
    return 2;
  }
  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  std::string why;
  const HANDLE formix = connectToFormixPipe(*name, in, why);
  if (formix == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "formix-bridge: %s\n", why.c_str());
    return why.find("not this user") != std::string::npos ? 3 : 0;
  }
  const int status = pumpPipe(in, out, formix);
  // Threads may still wait on the pipes: the process ends here, with them.
  std::fflush(stderr);
  ExitProcess(static_cast<UINT>(status));
#else
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
#endif
}
