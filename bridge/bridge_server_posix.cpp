// BridgeServer's Unix socket: an owner-only socket in a private folder, polled on the server's
// thread; a peer of another user is disconnected at once.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "bridge/bridge_server.h"
#include "bridge/server_connection.h"

namespace formix::bridge {

struct BridgeServer::Transport {
  int listenFd = -1;
  int wakeFd[2] = {-1, -1};
};

void BridgeServer::TransportDeleter::operator()(Transport* transport) const { delete transport; }

namespace {

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

int fdOf(const BridgeServer::Connection& connection) { return *static_cast<const int*>(connection.end.get()); }

}  // namespace

bool BridgeServer::start(std::string* error) {
  std::string why;
  if (!transport_) transport_.reset(new Transport);
  auto fail = [&](std::string reason) {
    if (error) *error = std::move(reason);
    if (transport_->listenFd >= 0) ::close(transport_->listenFd);
    transport_->listenFd = -1;
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

  transport_->listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (transport_->listenFd < 0) return fail(std::string("socket: ") + std::strerror(errno));
  if (::bind(transport_->listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    return fail("cannot bind " + path_.string() + ": " + std::strerror(errno));
  }
  if (::chmod(path_.c_str(), 0600) != 0 || ::listen(transport_->listenFd, 8) != 0) {
    ::unlink(path_.c_str());
    return fail(std::string("cannot listen: ") + std::strerror(errno));
  }
  if (::pipe2(transport_->wakeFd, O_CLOEXEC | O_NONBLOCK) != 0) {
    ::unlink(path_.c_str());
    return fail(std::string("pipe: ") + std::strerror(errno));
  }
  thread_ = std::thread([this] { run(); });
  return true;
}

void BridgeServer::stop() {
  if (!transport_) return;
  if (thread_.joinable()) {
    const char stopByte = 's';
    [[maybe_unused]] const ssize_t n = ::write(transport_->wakeFd[1], &stopByte, 1);
    thread_.join();
  }
  std::lock_guard lock(mutex_);
  if (transport_->listenFd >= 0) {
    ::close(transport_->listenFd);
    transport_->listenFd = -1;
    ::unlink(path_.c_str());
  }
  for (int& fd : transport_->wakeFd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  connections_.clear();
  for (auto& [id, pending] : pending_) pending.failed = true;
  answered_.notify_all();
}

void BridgeServer::run() {
  const auto acceptPeer = [this] {
    const int fd = ::accept4(transport_->listenFd, nullptr, nullptr, SOCK_CLOEXEC);
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
    std::shared_ptr<int> end(new int(fd), [](int* f) {
      ::close(*f);
      delete f;
    });
    admit(std::move(end), peer.pid);
  };
  const auto readFrom = [this](const std::shared_ptr<Connection>& connection) {
    char buffer[65536];
    const ssize_t n = ::recv(fdOf(*connection), buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (n <= 0) {
      drop(connection->id);
      return;
    }
    received(connection, std::string_view(buffer, static_cast<size_t>(n)));
  };
  for (;;) {
    int timeout = -1;
    const std::vector<std::shared_ptr<Connection>> open = openConnections(timeout);
    std::vector<pollfd> fds{{transport_->wakeFd[0], POLLIN, 0}, {transport_->listenFd, POLLIN, 0}};
    for (const auto& connection : open) fds.push_back({fdOf(*connection), POLLIN, 0});
    if (::poll(fds.data(), fds.size(), timeout) < 0) {
      if (errno == EINTR) continue;
      note(std::string("poll: ") + std::strerror(errno));
      return;
    }
    if (fds[0].revents != 0) return;
    if (fds[1].revents & POLLIN) acceptPeer();
    for (size_t k = 0; k < open.size(); ++k) {
      if (fds[k + 2].revents != 0) readFrom(open[k]);
    }
  }
}

bool BridgeServer::write(Connection& connection, std::string_view bytes) { return writeAll(fdOf(connection), bytes); }

}  // namespace formix::bridge
