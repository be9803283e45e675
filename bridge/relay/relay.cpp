#include "bridge/relay/relay.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "bridge/protocol.h"

namespace formix::bridge {
namespace {

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

int connectToFormix(const std::filesystem::path& socket, int browserIn) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string name = socket.string();
  if (name.size() >= sizeof address.sun_path) return -1;
  std::memcpy(address.sun_path, name.c_str(), name.size() + 1);
  for (;;) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
      ucred peer{};
      socklen_t size = sizeof peer;
      if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid()) return fd;
      ::close(fd);
      return -1;
    }
    ::close(fd);
    // Formix is not running: wait for it while the browser keeps the pipe open.
    pollfd browser{browserIn, 0, 0};
    if (::poll(&browser, 1, 500) > 0 && (browser.revents & (POLLHUP | POLLERR | POLLNVAL))) return -1;
  }
}

int pump(int browserIn, int browserOut, int formix) {
  FrameReader fromBrowser(kMaxFromBrowser), fromFormix(kMaxToBrowser);
  pollfd fds[2] = {{browserIn, POLLIN, 0}, {formix, POLLIN, 0}};
  char buffer[65536];
  for (;;) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return 1;
    }
    for (int side = 0; side < 2; ++side) {
      if (fds[side].revents == 0) continue;
      const ssize_t n = ::read(fds[side].fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return 0;
      FrameReader& reader = side == 0 ? fromBrowser : fromFormix;
      reader.feed(std::string_view(buffer, static_cast<size_t>(n)));
      while (auto message = reader.next()) {
        if (!writeAll(side == 0 ? formix : browserOut, frameMessage(*message))) return 1;
      }
      if (reader.broken()) return 1;
    }
  }
}

}  // namespace formix::bridge
