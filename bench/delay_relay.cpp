#include "bench/delay_relay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace orv::bench {

namespace {

using Clock = std::chrono::steady_clock;

struct Chunk {
  Clock::time_point due;
  std::string bytes;
  std::size_t sent = 0;
};

// One direction of a connection: what was read from `from` and waits to be
// written to `to`.
struct Direction {
  int from = -1, to = -1;
  std::deque<Chunk> queue;
  bool eof = false;      // `from` has nothing more to send
  bool shut = false;     // and all of it went to `to`, whose writing side is shut
  bool blocked = false;  // `to` took less than was due; wait until it is writable
};

struct Connection {
  Direction up, down;             // client to server, server to client
  bool server_spoke_last = true;  // the next client chunk starts a turn
  bool dead = false;
  ~Connection() {
    if (up.from >= 0) ::close(up.from);
    if (up.to >= 0) ::close(up.to);
  }
};

void NoDelay(int fd) {
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

int ConnectTo(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return -1;
  int fd = -1;
  for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
    fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd >= 0 && ::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
      ::close(fd);
      fd = -1;
    }
  }
  ::freeaddrinfo(found);
  return fd;
}

// Writes what is due of d; false when the connection broke.
bool Flush(Direction& d, Clock::time_point now) {
  d.blocked = false;
  while (!d.queue.empty() && d.queue.front().due <= now) {
    Chunk& c = d.queue.front();
    const ssize_t n =
        ::send(d.to, c.bytes.data() + c.sent, c.bytes.size() - c.sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        d.blocked = true;
        return true;
      }
      if (errno == EINTR) continue;
      return false;
    }
    c.sent += static_cast<std::size_t>(n);
    if (c.sent == c.bytes.size()) d.queue.pop_front();
  }
  if (d.eof && d.queue.empty() && !d.shut) {
    ::shutdown(d.to, SHUT_WR);
    d.shut = true;
  }
  return true;
}

// Reads what `from` has; false when the connection broke.
bool Take(Direction& d, Clock::time_point due, bool* got) {
  char buf[65536];
  const ssize_t n = ::recv(d.from, buf, sizeof buf, MSG_DONTWAIT);
  if (n > 0) {
    d.queue.push_back({due, std::string(buf, static_cast<std::size_t>(n))});
    *got = true;
    return true;
  }
  if (n == 0) {
    d.eof = true;
    return true;
  }
  return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

}  // namespace

DelayRelay::DelayRelay(const std::string& host, int port, std::chrono::microseconds delay_each_way)
    : host_(host), upstream_port_(port), delay_(delay_each_way) {
  listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  if (listen_fd_ < 0 || ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listen_fd_, 64) != 0 ||
      ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0 ||
      ::pipe2(wake_, O_CLOEXEC) != 0) {
    const std::string why = std::strerror(errno);
    if (listen_fd_ >= 0) ::close(listen_fd_);
    throw std::runtime_error("relay: cannot listen on a loopback port: " + why);
  }
  port_ = ntohs(addr.sin_port);
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, nullptr, &found) != 0) {
    ::close(listen_fd_);
    ::close(wake_[0]);
    ::close(wake_[1]);
    throw std::runtime_error("relay: the server's host " + host + " does not resolve");
  }
  ::freeaddrinfo(found);
  thread_ = std::thread([this] { Run(); });
}

DelayRelay::~DelayRelay() {
  const char c = 0;
  while (::write(wake_[1], &c, 1) < 0 && errno == EINTR) {
  }
  thread_.join();
  ::close(listen_fd_);
  ::close(wake_[0]);
  ::close(wake_[1]);
}

void DelayRelay::Run() {
  std::vector<std::unique_ptr<Connection>> conns;
  std::vector<pollfd> fds;
  for (;;) {
    auto now = Clock::now();
    // Pass on what is due; drop connections that broke or finished.
    for (auto& c : conns) {
      if (!Flush(c->up, now) || !Flush(c->down, now)) c->dead = true;
      if (c->up.shut && c->down.shut) c->dead = true;
    }
    std::erase_if(conns, [](const std::unique_ptr<Connection>& c) { return c->dead; });

    // Wait for input, for a blocked socket to drain, or for the next chunk's time.
    std::optional<Clock::time_point> next;
    fds.clear();
    fds.push_back({wake_[0], POLLIN, 0});
    fds.push_back({listen_fd_, POLLIN, 0});
    for (auto& c : conns) {
      for (Direction* d : {&c->up, &c->down}) {
        if (!d->queue.empty() && !d->blocked && (!next || d->queue.front().due < *next))
          next = d->queue.front().due;
      }
      // Each socket: read while its side sends, and watch for room when a write to it was short.
      fds.push_back({c->up.from,
                     static_cast<short>((c->up.eof ? 0 : POLLIN) | (c->down.blocked ? POLLOUT : 0)),
                     0});
      fds.push_back({c->up.to,
                     static_cast<short>((c->down.eof ? 0 : POLLIN) | (c->up.blocked ? POLLOUT : 0)),
                     0});
    }
    timespec timeout{};
    timespec* wait = nullptr;
    if (next) {
      const auto left = std::max(Clock::duration::zero(), *next - now);
      const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
      timeout.tv_sec = static_cast<time_t>(ns / 1000000000);
      timeout.tv_nsec = static_cast<long>(ns % 1000000000);
      wait = &timeout;
    }
    if (::ppoll(fds.data(), fds.size(), wait, nullptr) < 0 && errno != EINTR) return;
    if (fds[0].revents) return;  // stop

    now = Clock::now();
    const auto due = now + delay_;
    for (std::size_t i = 0; i < conns.size(); ++i) {
      Connection& c = *conns[i];
      const pollfd& client = fds[2 + 2 * i];
      const pollfd& server = fds[3 + 2 * i];
      bool got = false;
      if ((client.revents & (POLLIN | POLLHUP | POLLERR)) && !c.up.eof) {
        if (!Take(c.up, due, &got)) c.dead = true;
        if (got && c.server_spoke_last) {
          ++turns_;
          c.server_spoke_last = false;
        }
      }
      got = false;
      if ((server.revents & (POLLIN | POLLHUP | POLLERR)) && !c.down.eof) {
        if (!Take(c.down, due, &got)) c.dead = true;
        if (got) c.server_spoke_last = true;
      }
    }
    if (fds[1].revents & POLLIN) {
      const int client = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client >= 0) {
        ++connections_;
        const int server = ConnectTo(host_, upstream_port_);
        if (server < 0) {
          ::close(client);
        } else {
          NoDelay(client);
          NoDelay(server);
          auto c = std::make_unique<Connection>();
          c->up.from = c->down.to = client;
          c->up.to = c->down.from = server;
          conns.push_back(std::move(c));
        }
      }
    }
  }
}

}  // namespace orv::bench
