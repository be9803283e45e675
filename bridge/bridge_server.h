// Formix's end of the bridge: an endpoint only the user can reach that relays connect to, served
// on a thread of its own, and blocking request/response calls for the user-interface thread.
//
// The connections, their requests and the rules for what a connection may send live here
// (bridge_server.cpp); the endpoint itself is the transport's (bridge_server_posix.cpp: a Unix
// socket; bridge_server_win32.cpp: a named pipe). On Linux the socket lives in a folder of mode
// 0700 that belongs to the user, the socket itself has mode 0600, and a peer whose user id differs
// from Formix's is disconnected at once. On Windows the pipe's name holds the user's SID and the
// session, Formix must be its first instance, its DACL lets only the user in, remote clients are
// refused, and a client whose token names another user is disconnected at once. A relay counts
// as a connected browser once its extension said hello in this protocol version.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bridge/protocol.h"

namespace formix::bridge {

using ConnectionId = uint64_t;

class BridgeServer {
 public:
  struct Options {
    size_t maxMessage = kMaxFromBrowser;  // longer incoming messages close the connection
    size_t maxConnections = 16;
  };

  // `endpoint`: the socket's path, or on Windows the pipe's name (bridge/pipe_name.h).
  explicit BridgeServer(std::filesystem::path endpoint);
  BridgeServer(std::filesystem::path endpoint, Options options);
  ~BridgeServer();
  BridgeServer(const BridgeServer&) = delete;
  BridgeServer& operator=(const BridgeServer&) = delete;

  // Creates the folder (or checks that an existing one is the user's own, mode 0700), binds and
  // listens, and starts the thread. false with a reason when it cannot; a socket that another
  // live Formix answers on is left alone. On Windows: creates the pipe's first instance, and
  // refuses to serve when any other process holds that name already.
  bool start(std::string* error = nullptr);
  // Stops the thread, closes every connection and removes the socket. Also done on destruction.
  void stop();

  // Connections whose extension said hello, oldest first.
  std::vector<ConnectionId> browsers() const;
  // The browser ("chromium", "firefox") of a connection, "" when it is gone.
  std::string browserOf(ConnectionId connection) const;

  // The process id of a connection's relay, as the kernel gave it when it connected (the pipe's
  // client process on Windows); 0 when the connection is gone.
  int relayProcess(ConnectionId connection) const;

  // A new request id; each request carries one.
  uint64_t nextId();
  // Sends a message and waits for the answer with the same id: nullopt after `timeout`, when the
  // connection closes meanwhile, or when the message cannot be sent.
  std::optional<Incoming> request(ConnectionId connection, uint64_t id, const std::string& json,
                                  std::chrono::milliseconds timeout);
  // Sends a message without waiting for an answer (one that arrives later is dropped).
  bool send(ConnectionId connection, const std::string& json);

  // Called on the server's thread for what is worth knowing while nothing is wrong (a refused
  // peer, a malformed message); set before start().
  std::function<void(const std::string&)> log;
  // Called on the server's thread when a browser says hello.
  std::function<void(ConnectionId)> onBrowserConnected;

  // One relay's connection (bridge/server_connection.h, for the transports only).
  struct Connection;

 private:
  // The endpoint and its thread: defined by the transport's source file.
  struct Transport;
  struct TransportDeleter {
    void operator()(Transport* transport) const;
  };

  // What every transport's thread does with its connections.
  // A new connection of a checked relay; nullptr when there is no room for it (the transport
  // closes its end then).
  std::shared_ptr<Connection> admit(std::shared_ptr<void> end, int process);
  // The open connections, after closing those that stayed silent too long; `timeout` becomes the
  // milliseconds until the next one's time is up (-1: none waits).
  std::vector<std::shared_ptr<Connection>> openConnections(int& timeout);
  // Bytes that arrived on a connection: whole messages are handled; false when the connection was
  // dropped for what it sent.
  bool received(const std::shared_ptr<Connection>& connection, std::string_view bytes);
  void handle(const std::shared_ptr<Connection>& connection, const std::string& message);
  void drop(ConnectionId id);
  void note(const std::string& what);
  std::shared_ptr<Connection> find(ConnectionId id) const;
  // The transport's own steps.
  void run();
  static bool write(Connection& connection, std::string_view bytes);

  std::filesystem::path path_;
  Options options_;
  std::unique_ptr<Transport, TransportDeleter> transport_;
  std::thread thread_;

  mutable std::mutex mutex_;
  std::condition_variable answered_;
  std::map<ConnectionId, std::shared_ptr<Connection>> connections_;
  ConnectionId nextConnection_ = 1;
  uint64_t nextId_ = 1;
  // Requests waiting for an answer: id -> answer once it arrived (nullopt while waiting).
  struct Pending {
    ConnectionId connection = 0;
    std::optional<Incoming> answer;
    bool failed = false;
  };
  std::map<uint64_t, Pending> pending_;
};

}  // namespace formix::bridge
