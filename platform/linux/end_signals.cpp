#include "platform/linux/end_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <csignal>

namespace formix::platform {
namespace {

int wakePipe[2] = {-1, -1};

// A signal handler may only do async-signal-safe things: it writes one byte, the loop does the rest.
void onSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const auto written = write(wakePipe[1], &byte, 1);
}

}  // namespace

void closeOnEndSignals(std::function<void()> close) {
  if (pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read);
  QObject::connect(notifier, &QSocketNotifier::activated, [close = std::move(close)] {
    char bytes[16];
    while (read(wakePipe[0], bytes, sizeof bytes) > 0) {
    }
    close();
  });
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGHUP, SIGINT}) sigaction(signal, &action, nullptr);
}

}  // namespace formix::platform
