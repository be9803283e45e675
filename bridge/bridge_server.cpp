#include "bridge/bridge_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <cstring>

namespace formix::bridge {

struct BridgeServer::Connection {
  ConnectionId id = 0;
  int fd = -1;
  FrameReader reader;
  bool greeted = false;
  std::string browser;
  int process = 0;
  std::mutex writing;
  // A relay says hello at once; a connection that says nothing only holds a place.
  std::chrono::steady_clock::time_point opened = std::chrono::steady_clock::now();
  // Requests sent on this connection whose answer has not come (the latest few, timed out or
  // not): only then may a message be large.
  std::deque<uint64_t> asked;
  explicit Connection(size_t limit) : reader(limit) {}
  ~Connection() {
    if (fd >= 0) ::close(fd);
  }
};

namespace {

// How long a new connection may stay silent before its hello, and how much of a message may
// arrive when no answer is expected (a hello, an error: a few hundred bytes).
constexpr auto kGreetingTime = std::chrono::seconds(3);
constexpr size_t kMaxUnasked = 64 * 1024;
constexpr size_t kAskedKept = 8;

bool fillAddress(const std::filesystem::path& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  const std::string name = path.string();
  if (name.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, name.c_str(), name.size() + 1);
  return true;
}

// The socket's folder: made with mode 0700, or an existing real folder of this user that nobody
// else may enter.
bool privateFolder(const std::filesystem::path& folder, std::string& why) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    why = "cannot create " + folder.string() + ": " + std::strerror(errno);
    return false;
  }
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    why = folder.string() + " is not a folder";
    return false;
  }
  if (info.st_uid != ::geteuid()) {
    why = folder.string() + " belongs to another user";
    return false;
  }
  if ((info.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) {
    why = "cannot make " + folder.string() + " private";
    return false;
  }
  return true;
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

BridgeServer::BridgeServer(std::filesystem::path socketPath) : BridgeServer(std::move(socketPath), Options{}) {}

BridgeServer::BridgeServer(std::filesystem::path socketPath, Options options)
    : path_(std::move(socketPath)), options_(options) {}

BridgeServer::~BridgeServer() { stop(); }

bool BridgeServer::start(std::string* error) {
  std::string why;
  auto fail = [&](std::string reason) {
    if (error) *error = std::move(reason);
    if (listenFd_ >= 0) ::close(listenFd_);
    listenFd_ = -1;
    return false;
  };
  if (thread_.joinable()) return fail("already started");
  sockaddr_un address{};
  if (!fillAddress(path_, address)) return fail("socket path too long: " + path_.string());
  if (!privateFolder(path_.parent_path(), why)) return fail(why);

  // A socket left by a Formix that ended without removing it is replaced; one that answers is not.
  struct stat existing {};
  if (::lstat(path_.c_str(), &existing) == 0) {
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool alive = probe >= 0 && ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (probe >= 0) ::close(probe);
    if (alive) return fail("another Formix listens on " + path_.string());
    ::unlink(path_.c_str());
  }

  listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (listenFd_ < 0) return fail(std::string("socket: ") + std::strerror(errno));
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    return fail("cannot bind " + path_.string() + ": " + std::strerror(errno));
  }
  if (::chmod(path_.c_str(), 0600) != 0 || ::listen(listenFd_, 8) != 0) {
    ::unlink(path_.c_str());
    return fail(std::string("cannot listen: ") + std::strerror(errno));
  }
  if (::pipe2(wakeFd_, O_CLOEXEC | O_NONBLOCK) != 0) {
    ::unlink(path_.c_str());
    return fail(std::string("pipe: ") + std::strerror(errno));
  }
  thread_ = std::thread([this] { run(); });
  return true;
}

void BridgeServer::stop() {
  if (thread_.joinable()) {
    const char stopByte = 's';
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_[1], &stopByte, 1);
    thread_.join();
  }
  std::lock_guard lock(mutex_);
  if (listenFd_ >= 0) {
    ::close(listenFd_);
    listenFd_ = -1;
    ::unlink(path_.c_str());
  }
  for (int& fd : wakeFd_) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  connections_.clear();
  for (auto& [id, pending] : pending_) pending.failed = true;
  answered_.notify_all();
}

std::vector<ConnectionId> BridgeServer::browsers() const {
  std::lock_guard lock(mutex_);
  std::vector<ConnectionId> ids;
  for (const auto& [id, connection] : connections_) {
    if (connection->greeted) ids.push_back(id);
  }
  return ids;
}

std::string BridgeServer::browserOf(ConnectionId connection) const {
  std::lock_guard lock(mutex_);
  const auto it = connections_.find(connection);
  return it == connections_.end() ? std::string() : it->second->browser;
}

int BridgeServer::relayProcess(ConnectionId connection) const {
  std::lock_guard lock(mutex_);
  const auto it = connections_.find(connection);
  return it == connections_.end() ? 0 : it->second->process;
}

uint64_t BridgeServer::nextId() {
  std::lock_guard lock(mutex_);
  return nextId_++;
}

std::shared_ptr<BridgeServer::Connection> BridgeServer::find(ConnectionId id) const {
  std::lock_guard lock(mutex_);
  const auto it = connections_.find(id);
  return it == connections_.end() ? nullptr : it->second;
}

bool BridgeServer::send(ConnectionId connection, const std::string& json) {
  // A browser takes no larger message; sending it would end the connection.
  if (json.size() > kMaxToBrowser) return false;
  const auto target = find(connection);
  if (!target) return false;
  std::lock_guard lock(target->writing);
  return writeAll(target->fd, frameMessage(json));
}

std::optional<Incoming> BridgeServer::request(ConnectionId connection, uint64_t id, const std::string& json,
                                              std::chrono::milliseconds timeout) {
  {
    std::lock_guard lock(mutex_);
    pending_[id] = Pending{connection, std::nullopt, false};
    if (const auto it = connections_.find(connection); it != connections_.end()) {
      auto& asked = it->second->asked;
      asked.push_back(id);
      if (asked.size() > kAskedKept) asked.pop_front();
    }
  }
  const bool sent = send(connection, json);
  std::unique_lock lock(mutex_);
  if (sent) {
    answered_.wait_for(lock, timeout, [&] { return pending_[id].answer.has_value() || pending_[id].failed; });
  }
  std::optional<Incoming> answer = std::move(pending_[id].answer);
  pending_.erase(id);
  return answer;
}

void BridgeServer::note(const std::string& what) {
  if (log) log(what);
}

void BridgeServer::run() {
  for (;;) {
    std::vector<std::shared_ptr<Connection>> open;
    {
      std::lock_guard lock(mutex_);
      for (const auto& [id, connection] : connections_) open.push_back(connection);
    }
    // Close the connections that stayed silent too long; wake up when the next one's time is up.
    int timeout = -1;
    const auto now = std::chrono::steady_clock::now();
    std::erase_if(open, [&](const std::shared_ptr<Connection>& connection) {
      {
        std::lock_guard lock(mutex_);
        if (connection->greeted) return false;
      }
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(connection->opened + kGreetingTime - now).count();
      if (left > 0) {
        if (timeout < 0 || left < timeout) timeout = static_cast<int>(left);
        return false;
      }
      note("closed a connection that said nothing");
      drop(connection->id);
      return true;
    });
    std::vector<pollfd> fds{{wakeFd_[0], POLLIN, 0}, {listenFd_, POLLIN, 0}};
    for (const auto& connection : open) fds.push_back({connection->fd, POLLIN, 0});
    if (::poll(fds.data(), fds.size(), timeout) < 0) {
      if (errno == EINTR) continue;
      note(std::string("poll: ") + std::strerror(errno));
      return;
    }
    if (fds[0].revents != 0) return;
    if (fds[1].revents & POLLIN) accept();
    for (size_t k = 0; k < open.size(); ++k) {
      if (fds[k + 2].revents != 0) readFrom(open[k]);
    }
  }
}

void BridgeServer::accept() {
  const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return;
  ucred peer{};
  socklen_t size = sizeof peer;
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != ::geteuid()) {
    note("refused a peer of user " + std::to_string(peer.uid));
    ::close(fd);
    return;
  }
  // A relay that stops reading must not hold the user-interface thread for long.
  const timeval sendTimeout{1, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sendTimeout, sizeof sendTimeout);
  std::lock_guard lock(mutex_);
  if (connections_.size() >= options_.maxConnections) {
    ::close(fd);
    return;
  }
  auto connection = std::make_shared<Connection>(options_.maxMessage);
  connection->id = nextConnection_++;
  connection->fd = fd;
  connection->process = peer.pid;
  connections_[connection->id] = connection;
}

void BridgeServer::readFrom(const std::shared_ptr<Connection>& connection) {
  char buffer[65536];
  const ssize_t n = ::recv(connection->fd, buffer, sizeof buffer, MSG_DONTWAIT);
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
  if (n <= 0) {
    drop(connection->id);
    return;
  }
  connection->reader.feed(std::string_view(buffer, static_cast<size_t>(n)));
  while (auto message = connection->reader.next()) handle(connection, *message);
  // A large message is taken in only as the answer to a request.
  bool expected = false;
  {
    std::lock_guard lock(mutex_);
    expected = !connection->asked.empty();
  }
  if (!expected && connection->reader.pending() > kMaxUnasked) {
    note("closed a connection that sent a large message nobody asked for");
    drop(connection->id);
    return;
  }
  if (connection->reader.broken()) {
    note("closed a connection that sent an oversized message");
    drop(connection->id);
  }
}

void BridgeServer::handle(const std::shared_ptr<Connection>& connection, const std::string& message) {
  std::string why;
  auto decoded = decodeIncoming(message, &why);
  if (!decoded) {
    note("malformed message: " + why);
    send(connection->id, encodeError(0, "bad-message", why));
    return;
  }
  if (const auto* hello = std::get_if<Hello>(&*decoded)) {
    if (hello->version != kProtocolVersion) {
      send(connection->id, encodeError(0, "version", "Formix speaks version " + std::to_string(kProtocolVersion)));
      drop(connection->id);
      return;
    }
    {
      std::lock_guard lock(mutex_);
      connection->greeted = true;
      connection->browser = hello->browser;
    }
    send(connection->id, encodeWelcome());
    if (onBrowserConnected) onBrowserConnected(connection->id);
    return;
  }
  std::lock_guard lock(mutex_);
  std::erase(connection->asked, replyId(*decoded));
  const auto it = pending_.find(replyId(*decoded));
  // An answer nobody waits for any more (its request timed out) is dropped.
  if (it == pending_.end() || it->second.connection != connection->id || !connection->greeted) return;
  it->second.answer = std::move(*decoded);
  answered_.notify_all();
}

void BridgeServer::drop(ConnectionId id) {
  std::lock_guard lock(mutex_);
  connections_.erase(id);
  for (auto& [requestId, pending] : pending_) {
    if (pending.connection == id) pending.failed = true;
  }
  answered_.notify_all();
}

}  // namespace formix::bridge
