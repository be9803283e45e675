#include "bridge/relay/relay_win32.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

#include "bridge/pipe_name.h"
#include "bridge/protocol.h"

namespace formix::bridge {
namespace {

// One overlapped read or write on Formix's pipe, waited for: the pipe is read on one thread and
// written on another, which a handle opened for synchronous use would serialise.
bool pipeIo(HANDLE pipe, bool reading, char* data, DWORD size, DWORD& done) {
  OVERLAPPED overlapped{};
  overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (overlapped.hEvent == nullptr) return false;
  const BOOL started = reading ? ReadFile(pipe, data, size, nullptr, &overlapped)
                               : WriteFile(pipe, data, size, nullptr, &overlapped);
  const bool ok = (started || GetLastError() == ERROR_IO_PENDING) && GetOverlappedResult(pipe, &overlapped, &done, TRUE);
  CloseHandle(overlapped.hEvent);
  return ok;
}

bool writeAll(HANDLE handle, std::string_view bytes, bool overlapped) {
  while (!bytes.empty()) {
    DWORD n = 0;
    const DWORD size = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1 << 20));
    const bool ok = overlapped ? pipeIo(handle, false, const_cast<char*>(bytes.data()), size, n)
                               : WriteFile(handle, bytes.data(), size, &n, nullptr) != FALSE;
    if (!ok || n == 0) return false;
    bytes.remove_prefix(n);
  }
  return true;
}

// Whether the browser's end of stdin is gone.
bool browserGone(HANDLE browserIn) {
  DWORD available = 0;
  if (PeekNamedPipe(browserIn, nullptr, 0, nullptr, &available, nullptr)) return false;
  const DWORD code = GetLastError();
  return code == ERROR_BROKEN_PIPE || code == ERROR_INVALID_HANDLE;
}

}  // namespace

HANDLE connectToFormixPipe(const std::wstring& name, HANDLE browserIn, std::string& why) {
  for (;;) {
    HANDLE pipe = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
    if (pipe != INVALID_HANDLE_VALUE) {
      ULONG server = 0;
      if (GetNamedPipeServerProcessId(pipe, &server) && sameUserAsMe(server)) return pipe;
      CloseHandle(pipe);
      why = "the pipe's server (process " + std::to_string(server) + ") is not this user's";
      return INVALID_HANDLE_VALUE;
    }
    const DWORD code = GetLastError();
    // Every instance is busy for a moment while Formix takes a relay in.
    if (code == ERROR_PIPE_BUSY) WaitNamedPipeW(name.c_str(), 200);
    else Sleep(500);  // Formix is not running: wait for it while the browser keeps the pipe open.
    if (browserGone(browserIn)) {
      why = "the browser closed the connection";
      return INVALID_HANDLE_VALUE;
    }
  }
}

int pumpPipe(HANDLE browserIn, HANDLE browserOut, HANDLE formix) {
  // Shared with both threads, which may outlive this call until the process ends.
  struct Outcome {
    std::atomic<int> status{-1};
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  };
  const auto outcome = std::make_shared<Outcome>();
  const auto finish = [outcome](int code) {
    int expected = -1;
    outcome->status.compare_exchange_strong(expected, code);
    SetEvent(outcome->done);
  };
  // From the browser to Formix.
  std::thread up([=] {
    FrameReader reader(kMaxFromBrowser);
    static char buffer[65536];
    for (;;) {
      DWORD n = 0;
      if (!ReadFile(browserIn, buffer, sizeof buffer, &n, nullptr) || n == 0) return finish(0);
      reader.feed(std::string_view(buffer, n));
      while (auto message = reader.next()) {
        if (!writeAll(formix, frameMessage(*message), true)) return finish(1);
      }
      if (reader.broken()) return finish(1);
    }
  });
  up.detach();
  // From Formix to the browser: a message above the browser's limit is refused before any of it
  // is written.
  std::thread down([=] {
    FrameReader reader(kMaxToBrowser);
    static char buffer[65536];
    for (;;) {
      DWORD n = 0;
      if (!pipeIo(formix, true, buffer, sizeof buffer, n) || n == 0) return finish(0);
      reader.feed(std::string_view(buffer, n));
      while (auto message = reader.next()) {
        if (!writeAll(browserOut, frameMessage(*message), false)) return finish(1);
      }
      if (reader.broken()) return finish(1);
    }
  });
  down.detach();
  WaitForSingleObject(outcome->done, INFINITE);
  // The threads may still be blocked on a read; the process ends with them.
  return outcome->status.load();
}

}  // namespace formix::bridge
