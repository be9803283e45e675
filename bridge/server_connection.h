// One relay's connection to BridgeServer, shared by the server's core and its transports (not
// for use outside bridge_server*.cpp).
#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "bridge/bridge_server.h"

namespace formix::bridge {

struct BridgeServer::Connection {
  ConnectionId id = 0;
  // The transport's end of the connection (a socket, a pipe instance); closed when the last
  // holder lets it go, so a write in progress keeps it open.
  std::shared_ptr<void> end;
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
};

}  // namespace formix::bridge
