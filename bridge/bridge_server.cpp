// BridgeServer's core, the same for every transport: the connections and their relays' processes,
// requests waiting for their answers, the hello, and the rules for what a connection may send (a
// hello within three seconds, a large message only as an asked-for answer).
#include "bridge/bridge_server.h"

#include <algorithm>
#include <deque>

#include "bridge/server_connection.h"

namespace formix::bridge {

namespace {

// How long a new connection may stay silent before its hello, and how much of a message may
// arrive when no answer is expected (a hello, an error: a few hundred bytes).
constexpr auto kGreetingTime = std::chrono::seconds(3);
constexpr size_t kMaxUnasked = 64 * 1024;
constexpr size_t kAskedKept = 8;

}  // namespace

BridgeServer::BridgeServer(std::filesystem::path endpoint) : BridgeServer(std::move(endpoint), Options{}) {}

BridgeServer::BridgeServer(std::filesystem::path endpoint, Options options)
    : path_(std::move(endpoint)), options_(options) {}

BridgeServer::~BridgeServer() { stop(); }

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
  return write(*target, frameMessage(json));
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

std::shared_ptr<BridgeServer::Connection> BridgeServer::admit(std::shared_ptr<void> end, int process) {
  std::lock_guard lock(mutex_);
  if (connections_.size() >= options_.maxConnections) return nullptr;
  auto connection = std::make_shared<Connection>(options_.maxMessage);
  connection->id = nextConnection_++;
  connection->end = std::move(end);
  connection->process = process;
  connections_[connection->id] = connection;
  return connection;
}

std::vector<std::shared_ptr<BridgeServer::Connection>> BridgeServer::openConnections(int& timeout) {
  std::vector<std::shared_ptr<Connection>> open;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [id, connection] : connections_) open.push_back(connection);
  }
  // Close the connections that stayed silent too long; wake up when the next one's time is up.
  timeout = -1;
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
  return open;
}

bool BridgeServer::received(const std::shared_ptr<Connection>& connection, std::string_view bytes) {
  connection->reader.feed(bytes);
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
    return false;
  }
  if (connection->reader.broken()) {
    note("closed a connection that sent an oversized message");
    drop(connection->id);
    return false;
  }
  return true;
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
