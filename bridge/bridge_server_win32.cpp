// BridgeServer's named pipe: instances of one pipe whose first instance Formix must create, with a
// DACL that lets only the user in, remote clients refused, and each client's token user checked.
// One listening instance is always open, so the name is never free for another process to take.
// Every pipe instance is overlapped; the server's thread waits on the events of the listening
// instance, each connection's read and the stop event.
#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bridge/bridge_server.h"
#include "bridge/pipe_name.h"
#include "bridge/server_connection.h"

namespace formix::bridge {

namespace {

constexpr DWORD kBufferSize = 64 * 1024;

std::string systemMessage(DWORD code) { return "error " + std::to_string(code); }

// A connected pipe instance with its pending read.
struct PipeEnd {
  HANDLE pipe = INVALID_HANDLE_VALUE;
  OVERLAPPED read{};
  bool reading = false;
  char buffer[kBufferSize];
  PipeEnd() { read.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr); }
  ~PipeEnd() {
    if (reading) {
      CancelIoEx(pipe, &read);
      DWORD n = 0;
      GetOverlappedResult(pipe, &read, &n, TRUE);
    }
    DisconnectNamedPipe(pipe);
    CloseHandle(pipe);
    CloseHandle(read.hEvent);
  }
  PipeEnd(const PipeEnd&) = delete;
  PipeEnd& operator=(const PipeEnd&) = delete;
};

PipeEnd& endOf(const BridgeServer::Connection& connection) { return *static_cast<PipeEnd*>(connection.end.get()); }

}  // namespace

struct BridgeServer::Transport {
  std::wstring name;
  PSECURITY_DESCRIPTOR security = nullptr;
  HANDLE stop = nullptr;
  // The instance waiting for the next relay.
  HANDLE listening = INVALID_HANDLE_VALUE;
  OVERLAPPED connect{};

  ~Transport() {
    closeListening();
    if (connect.hEvent != nullptr) CloseHandle(connect.hEvent);
    if (stop != nullptr) CloseHandle(stop);
    if (security != nullptr) LocalFree(security);
  }
  void closeListening() {
    if (listening == INVALID_HANDLE_VALUE) return;
    CancelIoEx(listening, &connect);
    DWORD n = 0;
    GetOverlappedResult(listening, &connect, &n, TRUE);
    CloseHandle(listening);
    listening = INVALID_HANDLE_VALUE;
  }
  // A new instance, waiting for a client: the first one must be the name's first instance.
  bool listen(bool first, std::string& why) {
    SECURITY_ATTRIBUTES attributes{sizeof attributes, security, FALSE};
    listening = CreateNamedPipeW(name.c_str(),
                                 PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
                                 PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                                 PIPE_UNLIMITED_INSTANCES, kBufferSize, kBufferSize, 0, &attributes);
    if (listening == INVALID_HANDLE_VALUE) {
      const DWORD code = GetLastError();
      why = code == ERROR_ACCESS_DENIED || code == ERROR_PIPE_BUSY
                ? "another program holds the pipe name " + narrow(name) + "; not serving on it"
                : "cannot create the pipe " + narrow(name) + ": " + systemMessage(code);
      return false;
    }
    ResetEvent(connect.hEvent);
    if (!ConnectNamedPipe(listening, &connect)) {
      const DWORD code = GetLastError();
      if (code == ERROR_PIPE_CONNECTED) {
        SetEvent(connect.hEvent);
      } else if (code != ERROR_IO_PENDING) {
        why = "cannot wait on the pipe: " + systemMessage(code);
        CloseHandle(listening);
        listening = INVALID_HANDLE_VALUE;
        return false;
      }
    }
    return true;
  }
  static std::string narrow(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
  }
};

void BridgeServer::TransportDeleter::operator()(Transport* transport) const { delete transport; }

bool BridgeServer::start(std::string* error) {
  auto fail = [&](std::string reason) {
    if (error) *error = std::move(reason);
    transport_.reset();
    return false;
  };
  if (thread_.joinable()) return fail("already started");
  transport_.reset(new Transport);
  transport_->name = path_.wstring();
  if (transport_->name.rfind(L"\\\\.\\pipe\\", 0) != 0) return fail("not a pipe name: " + path_.string());
  // Only the user, with every right; nobody else, and no inherited entries.
  const std::vector<unsigned char> user = processUser(GetCurrentProcess());
  wchar_t* sid = nullptr;
  if (user.empty() || !ConvertSidToStringSidW(const_cast<unsigned char*>(user.data()), &sid)) {
    return fail("cannot tell the user's SID");
  }
  const std::wstring dacl = L"D:P(A;;GA;;;" + std::wstring(sid) + L")";
  LocalFree(sid);
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(dacl.c_str(), SDDL_REVISION_1, &transport_->security,
                                                            nullptr)) {
    return fail("cannot build the pipe's DACL");
  }
  transport_->stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  transport_->connect.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (transport_->stop == nullptr || transport_->connect.hEvent == nullptr) return fail("cannot create events");
  std::string why;
  if (!transport_->listen(true, why)) return fail(why);
  thread_ = std::thread([this] { run(); });
  return true;
}

void BridgeServer::stop() {
  if (!transport_) return;
  if (thread_.joinable()) {
    SetEvent(transport_->stop);
    thread_.join();
  }
  {
    std::lock_guard lock(mutex_);
    connections_.clear();
    for (auto& [id, pending] : pending_) pending.failed = true;
    answered_.notify_all();
  }
  transport_.reset();
}

void BridgeServer::run() {
  Transport& t = *transport_;
  // The client of the listening instance: checked, then served, while a new instance listens.
  const auto acceptClient = [&] {
    HANDLE pipe = t.listening;
    DWORD n = 0;
    const bool connected = GetOverlappedResult(pipe, &t.connect, &n, FALSE) || GetLastError() == ERROR_PIPE_CONNECTED;
    t.listening = INVALID_HANDLE_VALUE;
    std::string why;
    if (!t.listen(false, why)) note(why);
    ULONG client = 0;
    if (!connected) {
      CloseHandle(pipe);
      return;
    }
    if (!GetNamedPipeClientProcessId(pipe, &client) || !sameUserAsMe(client)) {
      note("refused a client of another user (process " + std::to_string(client) + ")");
      DisconnectNamedPipe(pipe);
      CloseHandle(pipe);
      return;
    }
    auto end = std::make_shared<PipeEnd>();
    end->pipe = pipe;
    if (!admit(end, static_cast<int>(client))) return;  // no room: `end` closes the instance
  };
  // Starts a read on a connection that has none pending; false when the connection ended.
  const auto startRead = [&](const std::shared_ptr<Connection>& connection) {
    PipeEnd& end = endOf(*connection);
    if (end.reading) return true;
    ResetEvent(end.read.hEvent);
    if (!ReadFile(end.pipe, end.buffer, kBufferSize, nullptr, &end.read) && GetLastError() != ERROR_IO_PENDING) {
      drop(connection->id);
      return false;
    }
    end.reading = true;
    return true;
  };
  const auto finishRead = [&](const std::shared_ptr<Connection>& connection) {
    PipeEnd& end = endOf(*connection);
    DWORD n = 0;
    const bool ok = GetOverlappedResult(end.pipe, &end.read, &n, FALSE);
    end.reading = false;
    if (!ok || n == 0) {
      if (!ok && GetLastError() == ERROR_IO_INCOMPLETE) {
        end.reading = true;
        return;
      }
      drop(connection->id);
      return;
    }
    received(connection, std::string_view(end.buffer, n));
  };

  for (;;) {
    int timeout = -1;
    std::vector<std::shared_ptr<Connection>> open = openConnections(timeout);
    std::erase_if(open, [&](const std::shared_ptr<Connection>& c) { return !startRead(c); });
    std::vector<HANDLE> events{t.stop};
    if (t.listening != INVALID_HANDLE_VALUE) events.push_back(t.connect.hEvent);
    const size_t first = events.size();
    for (const auto& connection : open) events.push_back(endOf(*connection).read.hEvent);
    const DWORD woke = WaitForMultipleObjects(static_cast<DWORD>(events.size()), events.data(), FALSE,
                                              timeout < 0 ? INFINITE : static_cast<DWORD>(timeout));
    if (woke == WAIT_TIMEOUT) continue;
    if (woke >= WAIT_OBJECT_0 + events.size()) {
      note("wait failed: " + systemMessage(GetLastError()));
      return;
    }
    const size_t index = woke - WAIT_OBJECT_0;
    if (index == 0) return;
    if (index < first) {
      acceptClient();
      continue;
    }
    finishRead(open[index - first]);
  }
}

bool BridgeServer::write(Connection& connection, std::string_view bytes) {
  PipeEnd& end = endOf(connection);
  OVERLAPPED overlapped{};
  overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (overlapped.hEvent == nullptr) return false;
  bool ok = true;
  while (ok && !bytes.empty()) {
    DWORD n = 0;
    const DWORD size = static_cast<DWORD>(std::min<size_t>(bytes.size(), kBufferSize));
    if (!WriteFile(end.pipe, bytes.data(), size, nullptr, &overlapped)) {
      if (GetLastError() != ERROR_IO_PENDING) {
        ok = false;
        break;
      }
      // A relay that stops reading must not hold the user-interface thread for long.
      if (WaitForSingleObject(overlapped.hEvent, 1000) != WAIT_OBJECT_0) CancelIoEx(end.pipe, &overlapped);
    }
    ok = GetOverlappedResult(end.pipe, &overlapped, &n, TRUE) && n > 0;
    if (ok) bytes.remove_prefix(n);
    ResetEvent(overlapped.hEvent);
  }
  CloseHandle(overlapped.hEvent);
  return ok;
}

}  // namespace formix::bridge
