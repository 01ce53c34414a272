#include "bench/delay_relay.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace orv::bench {
namespace {

constexpr int kDeadlineMs = 10000;  // every wait of these tests gives up after this

// A listening socket on a free loopback port.
struct Listener {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int port = 0;
  Listener() {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    EXPECT_EQ(::listen(fd, 8), 0);
    EXPECT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len), 0);
    port = ntohs(a.sin_port);
  }
  ~Listener() { ::close(fd); }
  // The next connection, or -1 when none comes by the deadline.
  int Accept() const {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, kDeadlineMs) == 1 ? ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC) : -1;
  }
};

int ConnectTo(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  return fd;
}

// n bytes from fd; fewer when it ends or the deadline passes.
std::string ReadBytes(int fd, std::size_t n) {
  std::string out;
  char buf[65536];
  while (out.size() < n) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, kDeadlineMs) != 1) break;
    const ssize_t got = ::recv(fd, buf, std::min(sizeof buf, n - out.size()), 0);
    if (got <= 0) break;
    out.append(buf, static_cast<std::size_t>(got));
  }
  return out;
}

// True when the peer of fd has closed (end of stream or reset) by the deadline.
bool SeesEnd(int fd) {
  pollfd p{fd, POLLIN, 0};
  char c;
  return ::poll(&p, 1, kDeadlineMs) == 1 && ::recv(fd, &c, 1, 0) <= 0;
}

void SendAll(int fd, const std::string& data) {
  std::size_t sent = 0;
  while (sent < data.size()) {
    const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
}

std::string Pattern(std::size_t n, int seed) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + seed) % 251);
  return s;
}

class DelayRelayTest : public ::testing::TestWithParam<int> {  // the delay, microseconds
 protected:
  Listener server;
  DelayRelay relay{"127.0.0.1", server.port, std::chrono::microseconds(GetParam())};
};

// A megabyte each way, both directions at once, arrives whole and in order:
// the relay's short writes and queues keep every byte.
TEST_P(DelayRelayTest, ForwardsBothWaysIntact) {
  const int client = ConnectTo(relay.Port());
  const int upstream = server.Accept();
  ASSERT_GE(upstream, 0);
  const std::string up = Pattern(1 << 20, 1), down = Pattern(1 << 20, 2);
  std::thread client_sends([&] { SendAll(client, up); });
  std::thread server_sends([&] { SendAll(upstream, down); });
  EXPECT_TRUE(ReadBytes(upstream, up.size()) == up);
  EXPECT_TRUE(ReadBytes(client, down.size()) == down);
  client_sends.join();
  server_sends.join();
  ::close(client);
  ::close(upstream);
}

// A turn is a client's batch between the server's answers, however many
// chunks it takes; turns of all connections add up.
TEST_P(DelayRelayTest, CountsClientTurns) {
  const int client = ConnectTo(relay.Port());
  const int upstream = server.Accept();
  ASSERT_GE(upstream, 0);
  SendAll(client, "a");
  SendAll(client, "b");
  EXPECT_EQ(ReadBytes(upstream, 2), "ab");
  EXPECT_EQ(relay.ClientTurns(), 1u);
  SendAll(upstream, "ok");
  EXPECT_EQ(ReadBytes(client, 2), "ok");
  SendAll(client, "c");
  EXPECT_EQ(ReadBytes(upstream, 1), "c");
  EXPECT_EQ(relay.ClientTurns(), 2u);

  const int second = ConnectTo(relay.Port());
  const int second_upstream = server.Accept();
  ASSERT_GE(second_upstream, 0);
  SendAll(second, "d");
  EXPECT_EQ(ReadBytes(second_upstream, 1), "d");
  EXPECT_EQ(relay.ClientTurns(), 3u);
  EXPECT_EQ(relay.Connections(), 2u);
  for (int fd : {client, upstream, second, second_upstream}) ::close(fd);
}

// Either side closing reaches the other after what it sent before.
TEST_P(DelayRelayTest, PassesOnTheEnd) {
  for (bool client_closes : {true, false}) {
    SCOPED_TRACE(client_closes ? "client closes" : "server closes");
    const int client = ConnectTo(relay.Port());
    const int upstream = server.Accept();
    ASSERT_GE(upstream, 0);
    const int closer = client_closes ? client : upstream, other = client_closes ? upstream : client;
    SendAll(closer, "last");
    ::close(closer);
    EXPECT_EQ(ReadBytes(other, 4), "last");
    EXPECT_TRUE(SeesEnd(other));
    ::close(other);
  }
}

INSTANTIATE_TEST_SUITE_P(Delays, DelayRelayTest, ::testing::Values(0, 2500));

// A client of a relay whose server is not there is closed, not left hanging.
TEST(DelayRelay, ClosesWhenTheServerIsAway) {
  int port;
  {
    Listener gone;
    port = gone.port;
  }
  DelayRelay relay("127.0.0.1", port, std::chrono::microseconds(0));
  const int client = ConnectTo(relay.Port());
  EXPECT_TRUE(SeesEnd(client));
  ::close(client);
}

}  // namespace
}  // namespace orv::bench
