// The end of a session or a `kill` asks the program to close, as the window's close button does, so
// the settings are saved: SIGTERM, SIGHUP and SIGINT become a close request on the event loop.
#pragma once

#include <functional>

namespace formix::platform {

// Installs the handlers; `close` runs on the event loop once per signal received.
void closeOnEndSignals(std::function<void()> close);

}  // namespace formix::platform
