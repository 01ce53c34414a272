// A TCP relay on a loopback port that forwards every connection to a server
// and holds each chunk it reads for a fixed delay before passing it on, in
// each direction, so that a benchmark can put a database server "far away":
// with a delay of 2.5 ms each way one round trip costs 5 ms more than
// without the relay. It also counts round trips: a client turn begins each
// time a client sends after the server last spoke on that connection (or
// sends first), so a batch of pipelined messages counts once.
//
// Threading: one background thread (poll on all sockets) serves every
// connection; Port and the counters may be read from any thread. Safe to
// fork while it runs, but only the parent's relay forwards.
// Errors: the constructor raises std::runtime_error when it cannot listen or
// the server's host does not resolve. A connection whose server cannot be
// reached is closed at once (the client sees the server go away).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

namespace orv::bench {

class DelayRelay {
 public:
  // Listens on 127.0.0.1 at a free port; forwards to host:port.
  DelayRelay(const std::string& host, int port, std::chrono::microseconds delay_each_way);
  // Stops the thread and closes every connection.
  ~DelayRelay();
  DelayRelay(const DelayRelay&) = delete;
  DelayRelay& operator=(const DelayRelay&) = delete;

  int Port() const { return port_; }
  // Client turns so far, over all connections.
  std::uint64_t ClientTurns() const { return turns_.load(); }
  // Connections accepted so far.
  std::uint64_t Connections() const { return connections_.load(); }

 private:
  void Run();

  std::string host_;
  int upstream_port_;
  std::chrono::microseconds delay_;
  int listen_fd_ = -1;
  int wake_[2] = {-1, -1};  // the destructor writes to stop the thread
  int port_ = 0;
  std::atomic<std::uint64_t> turns_{0};
  std::atomic<std::uint64_t> connections_{0};
  std::thread thread_;
};

}  // namespace orv::bench
