// The loopback link against real TCP peers on 127.0.0.1. The link runs on a virtual loop in the
// test thread (so its pace is on virtual time); the peers are plain blocking sockets.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "audio/loopback_peer.h"
#include "audio/va_in.h"
#include "audio/va_out.h"
#include "platform/virtual_loop.h"
#include "tests/support/log_capture.h"
#include "tests/support/pump.h"

namespace {

using qav::test::PumpUntil;
using qav::VirtualLoop;

// A client end of the link: a blocking socket connected to 127.0.0.1:port.
class Peer {
 public:
  explicit Peer(int port, const char* address = "127.0.0.1") {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, address, &addr.sin_addr);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  }
  ~Peer() { Close(); }
  bool connected() const { return connected_; }
  void Send(const std::string& bytes) { ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size())); }
  // What has arrived so far, without waiting.
  std::string ReadAvailable() {
    std::string out;
    char buf[65536];
    for (;;) {
      const ssize_t n = ::recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
      if (n <= 0) {
        if (n == 0) eof_ = true;
        return out;
      }
      out.append(buf, static_cast<size_t>(n));
    }
  }
  bool eof() const { return eof_; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
  bool eof_ = false;
};

// Collects the buffers the link gives back to its owner (this thread's loop).
struct Returned {
  struct Item {
    uint32_t message;
    uint64_t link;
    std::string bytes;  // the bytes done
    uint32_t length;
  };
  std::vector<Item> items;
  explicit Returned(VirtualLoop& v) {
    v.loop().SetThreadMessageHandler([this](qav::Msg& msg) {
      auto* h = msg.Get<vahdr_tag>();
      ASSERT_NE(h, nullptr);
      items.push_back({msg.message, msg.wParam,
                       std::string(reinterpret_cast<const char*>(h->data.data()), h->bytesDone),
                       static_cast<uint32_t>(h->data.size())});
    });
  }
};

VaHeaderPtr Buffer(uint32_t length) { return std::make_unique<vahdr_tag>(length); }
VaHeaderPtr Block(const std::string& bytes) {
  auto h = std::make_unique<vahdr_tag>(static_cast<uint32_t>(bytes.size()));
  std::memcpy(h->data.data(), bytes.data(), bytes.size());
  return h;
}
std::string Bytes(size_t n, char first) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(first + i % 50);
  return s;
}

class LoopbackLinkTest : public ::testing::Test {
 protected:
  VirtualLoop v;
  Returned returned{v};
  qav::ThreadId owner() { return v.loop().threadId(); }
};

TEST_F(LoopbackLinkTest, PortZeroIsChosenByTheSystemOnTheLoopbackAddressOnly) {
  CVAIn in;
  CVAOut out;
  int inPort = 0, outPort = 0;
  ASSERT_EQ(in.Open(owner(), &inPort), 1);
  ASSERT_EQ(out.Open(owner(), &outPort), 1);
  EXPECT_GT(inPort, 0);
  EXPECT_GT(outPort, 0);
  EXPECT_NE(inPort, outPort);
  EXPECT_EQ(in.GetState(), CVAIn::kOpen);
  EXPECT_EQ(out.GetState(), CVAOut::kOpen);
  EXPECT_EQ(in.Open(owner(), &inPort), 0) << "open twice";

  // Neither direction answers on another address of this machine.
  ifaddrs* list = nullptr;
  ASSERT_EQ(getifaddrs(&list), 0);
  for (ifaddrs* a = list; a; a = a->ifa_next) {
    if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET) continue;
    char text[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr, text, sizeof text);
    if (std::string(text).rfind("127.", 0) == 0) continue;
    EXPECT_FALSE(Peer(inPort, text).connected()) << text;
    EXPECT_FALSE(Peer(outPort, text).connected()) << text;
  }
  freeifaddrs(list);
}

TEST_F(LoopbackLinkTest, ReceivesIntoLentBuffersOnlyAfterStartAndKeepsAPartialBufferUntilFull) {
  CVAIn in;
  int port = 0;
  ASSERT_EQ(in.Open(owner(), &port), 1);
  for (int i = 0; i < 2; ++i) {
    VaHeaderPtr b = Buffer(100);
    ASSERT_EQ(in.AddBuffer(b), 1);
  }
  Peer peer(port);
  ASSERT_TRUE(peer.connected());
  const std::string data = Bytes(200, 'a');
  peer.Send(data.substr(0, 150));
  for (int i = 0; i < 5; ++i) v.WaitForWork(5);
  EXPECT_TRUE(returned.items.empty()) << "data before Start waits in the socket";

  ASSERT_EQ(in.Start(), 1);
  ASSERT_TRUE(PumpUntil(v, [&] { return returned.items.size() == 1; }));
  EXPECT_EQ(returned.items[0].bytes, data.substr(0, 100));
  EXPECT_EQ(returned.items[0].message, WM_VAIN_DATA);
  EXPECT_EQ(returned.items[0].link, in.GetId());
  for (int i = 0; i < 5; ++i) v.WaitForWork(5);
  EXPECT_EQ(returned.items.size(), 1u) << "a partly filled buffer stays with the receiver";

  peer.Send(data.substr(150));
  ASSERT_TRUE(PumpUntil(v, [&] { return returned.items.size() == 2; }));
  EXPECT_EQ(returned.items[1].bytes, data.substr(100));
}

TEST_F(LoopbackLinkTest, AddingABufferAfterAnUnderrunReadsAgain) {
  CVAIn in;
  int port = 0;
  ASSERT_EQ(in.Open(owner(), &port), 1);
  VaHeaderPtr b = Buffer(64);
  ASSERT_EQ(in.AddBuffer(b), 1);
  ASSERT_EQ(in.Start(), 1);
  Peer peer(port);
  const std::string data = Bytes(192, 'k');
  peer.Send(data);
  ASSERT_TRUE(PumpUntil(v, [&] { return returned.items.size() == 1; }));
  for (int i = 0; i < 5; ++i) v.WaitForWork(5);
  ASSERT_EQ(returned.items.size(), 1u) << "no buffer: the rest waits";

  for (int i = 0; i < 2; ++i) {
    b = Buffer(64);
    ASSERT_EQ(in.AddBuffer(b), 1);
  }
  ASSERT_TRUE(PumpUntil(v, [&] { return returned.items.size() == 3; }));
  EXPECT_EQ(returned.items[1].bytes + returned.items[2].bytes, data.substr(64));
}

TEST_F(LoopbackLinkTest, ThePeerClosingReturnsThePartialBufferWithItsBytes) {
  CVAIn in;
  int port = 0;
  ASSERT_EQ(in.Open(owner(), &port), 1);
  for (int i = 0; i < 3; ++i) {
    VaHeaderPtr b = Buffer(100);
    ASSERT_EQ(in.AddBuffer(b), 1);
  }
  ASSERT_EQ(in.Start(), 1);
  {
    Peer peer(port);
    peer.Send(Bytes(130, 'p'));
  }
  ASSERT_TRUE(PumpUntil(v, [&] { return returned.items.size() == 2; }));
  EXPECT_EQ(returned.items[0].bytes.size(), 100u);
  EXPECT_EQ(returned.items[1].bytes, Bytes(130, 'p').substr(100));
  EXPECT_FALSE(in.IsConnected());
  EXPECT_EQ(in.GetState(), CVAIn::kStarted) << "the listener stays; a new connection would be served";
  EXPECT_EQ(in.GetBufferCount(), 1u);
}

TEST_F(LoopbackLinkTest, CloseReturnsEveryBufferEvenWhenNeverStarted) {
  CVAIn in;
  int port = 0;
  ASSERT_EQ(in.Open(owner(), &port), 1);
  for (int i = 0; i < 4; ++i) {
    VaHeaderPtr b = Buffer(32);
    ASSERT_EQ(in.AddBuffer(b), 1);
  }
  ASSERT_EQ(in.Close(), 1);
  v.RunUntilIdle();
  ASSERT_EQ(returned.items.size(), 4u);
  for (const auto& item : returned.items) EXPECT_TRUE(item.bytes.empty());
  EXPECT_EQ(in.GetState(), CVAIn::kClosedAfterUse);
  VaHeaderPtr late = Buffer(32);
  EXPECT_EQ(in.AddBuffer(late), 0);
  EXPECT_NE(late, nullptr) << "a refused buffer stays with the caller";
  EXPECT_FALSE(Peer(port).connected()) << "the listener is gone";
}

TEST_F(LoopbackLinkTest, DiscardedInputNeverReachesTheBuffers) {
  CVAIn in;
  int port = 0;
  ASSERT_EQ(in.Open(owner(), &port), 1);
  VaHeaderPtr b = Buffer(50);
  ASSERT_EQ(in.AddBuffer(b), 1);
  in.SetDiscard(true);
  Peer peer(port);
  peer.Send(std::string(5000, 'x'));
  for (int i = 0; i < 5; ++i) v.WaitForWork(5);
  in.SetDiscard(false);
  ASSERT_EQ(in.Start(), 1);
  peer.Send(std::string(50, 'y'));
  ASSERT_TRUE(PumpUntil(v, [&] { return returned.items.size() == 1; }));
  EXPECT_EQ(returned.items[0].bytes, std::string(50, 'y'));
}

TEST_F(LoopbackLinkTest, WritesBeforeTheClientConnectsAreSentInOrderWhenItDoes) {
  CVAOut out;
  int port = 0;
  ASSERT_EQ(out.Open(owner(), &port), 1);
  std::string expected;
  for (int i = 0; i < 5; ++i) {
    const std::string bytes = Bytes(128, static_cast<char>('A' + i));
    expected += bytes;
    VaHeaderPtr h = Block(bytes);
    h->user = static_cast<uint64_t>(i);
    ASSERT_EQ(out.Write(h), 1);
  }
  v.RunUntilIdle();
  EXPECT_TRUE(returned.items.empty());
  Peer peer(port);
  std::string received;
  ASSERT_TRUE(PumpUntil(v, [&] {
    received += peer.ReadAvailable();
    if (received.size() < expected.size()) v.AdvanceMs(5);  // the pace lets the rest go
    return received.size() >= expected.size() && returned.items.size() == 5;
  }));
  EXPECT_EQ(received, expected);
  for (size_t i = 0; i < returned.items.size(); ++i) {
    EXPECT_EQ(returned.items[i].message, WM_VAOUT_DONE);
    EXPECT_EQ(returned.items[i].bytes.size(), 128u) << "sent whole";
  }
}

TEST_F(LoopbackLinkTest, SendsAtThePaceOfRealTimeOnTheLoopsClock) {
  CVAOut out;
  int port = 0;
  ASSERT_EQ(out.Open(owner(), &port), 1);
  Peer peer(port);
  PumpUntil(v, [&] { return out.IsConnected(); });
  // One second of 16000 Hz 16-bit mono, in 40 ms blocks.
  for (int i = 0; i < 25; ++i) {
    VaHeaderPtr h = Block(std::string(1280, static_cast<char>(i)));
    ASSERT_EQ(out.Write(h), 1);
  }
  size_t received = 0;
  const int64_t start = v.NowMs();
  for (int step = 1; step <= 20; ++step) {
    v.AdvanceMs(50);
    // Give the kernel a moment to carry what was sent; nothing here waits on the link's timers.
    PumpUntil(v, [&] {
      received += peer.ReadAvailable().size();
      return true;
    });
    ::poll(nullptr, 0, 2);
    received += peer.ReadAvailable().size();
    const int64_t elapsed = v.NowMs() - start;
    const int64_t dueBytes = elapsed * 32;
    EXPECT_LE(static_cast<int64_t>(received), dueBytes + CVAOut::kLeadMs * 32) << "at " << elapsed << " ms";
    EXPECT_GE(static_cast<int64_t>(received), dueBytes - 50 * 32) << "at " << elapsed << " ms";
  }
  EXPECT_EQ(received, 25u * 1280u);
}

// A live source's blocks arrive when they are due: each goes out whole at once (no piece waits for
// the link's own timer), yet a source that runs ahead is still held to the pace.
TEST_F(LoopbackLinkTest, ALiveSourcesBlocksGoOutWholeAsTheyComeButNoFasterThanThePace) {
  CVAOut out;
  int port = 0;
  ASSERT_EQ(out.Open(owner(), &port), 1);
  out.SetLiveSource(true);
  Peer peer(port);
  PumpUntil(v, [&] { return out.IsConnected(); });
  size_t received = 0;
  const auto readAll = [&] {
    PumpUntil(v, [&] { return true; });
    ::poll(nullptr, 0, 2);  // the kernel carries what was sent; no timer of the link is waited for
    received += peer.ReadAvailable().size();
  };
  for (int i = 0; i < 25; ++i) {
    VaHeaderPtr h = Block(std::string(1280, static_cast<char>(i)));
    ASSERT_EQ(out.Write(h), 1);
    readAll();
    EXPECT_EQ(received, (i + 1) * 1280u) << "block " << i << " went out whole when written";
    v.clock().AdvanceMs(40);  // the next block comes when it is due; the link's timers do not run
  }
  // Written all at once, the next second goes no further ahead than the live lead.
  for (int i = 0; i < 25; ++i) {
    VaHeaderPtr h = Block(std::string(1280, 'x'));
    ASSERT_EQ(out.Write(h), 1);
  }
  readAll();
  EXPECT_LE(received, 25u * 1280u + CVAOut::kLiveLeadMs * 32u);
}

TEST_F(LoopbackLinkTest, APeerThatGoesAwayNeitherKillsTheProgramNorKeepsTheBuffers) {
  CVAOut out;
  int port = 0;
  ASSERT_EQ(out.Open(owner(), &port), 1);
  {
    Peer peer(port);
    PumpUntil(v, [&] { return out.IsConnected(); });
  }
  // Written into a connection whose peer has gone: EPIPE or a reset, never SIGPIPE.
  for (int i = 0; i < 40 && out.IsConnected(); ++i) {
    VaHeaderPtr h = Block(std::string(1280, 'z'));
    ASSERT_EQ(out.Write(h), 1);
    v.AdvanceMs(40);
    v.WaitForWork(2);
  }
  EXPECT_FALSE(out.IsConnected());
  ASSERT_EQ(out.Close(), 1);
  v.RunUntilIdle();
  EXPECT_EQ(out.GetQueuedCount(), 0u);
  EXPECT_EQ(out.GetState(), CVAOut::kClosedAfterUse);
}

TEST_F(LoopbackLinkTest, ANewConnectionReplacesTheOldOne) {
  CVAIn in;
  int port = 0;
  ASSERT_EQ(in.Open(owner(), &port), 1);
  for (int i = 0; i < 2; ++i) {
    VaHeaderPtr b = Buffer(10);
    ASSERT_EQ(in.AddBuffer(b), 1);
  }
  ASSERT_EQ(in.Start(), 1);
  Peer first(port);
  first.Send("12345");
  PumpUntil(v, [&] { return in.IsConnected(); });
  for (int i = 0; i < 3; ++i) v.WaitForWork(5);
  Peer second(port);
  ASSERT_TRUE(PumpUntil(v, [&] {
    first.ReadAvailable();
    return first.eof();
  })) << "the replaced connection is ended";
  ASSERT_EQ(returned.items.size(), 1u) << "its partial buffer came back";
  EXPECT_EQ(returned.items[0].bytes, "12345");
  second.Send(std::string(10, 's'));
  ASSERT_TRUE(PumpUntil(v, [&] { return returned.items.size() == 2; }));
  EXPECT_EQ(returned.items[1].bytes, std::string(10, 's'));
}

sockaddr_in6 Mapped(const char* v4, uint16_t port) {
  sockaddr_in6 a{};
  a.sin6_family = AF_INET6;
  inet_pton(AF_INET6, (std::string("::ffff:") + v4).c_str(), &a.sin6_addr);
  a.sin6_port = htons(port);
  return a;
}

TEST(LoopbackPeerOwner, ReadsTheOwnerOfTheRowWithThisAddressPairFromEitherTable) {
  // 127.0.0.1:40000 -> 127.0.0.1:8080 owned by 65534, its other end by 1000; an IPv6 socket's
  // IPv4-mapped row of user 33; a heading and a malformed row.
  const std::string tcp =
      "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n"
      "   0: 0100007F:1F90 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000        0 1 1\n"
      "   1: 0100007F:9C40 0100007F:1F90 01 00000000:00000000 00:00000000 00000000 65534        0 2 1\n"
      "   2: 0100007F:1F90 0100007F:9C40 01 00000000:00000000 00:00000000 00000000  1000        0 3 1\n"
      "   3: garbage\n";
  const std::string tcp6 =
      "  sl  local_address                         remote_address                        st tx_queue rx_queue tr "
      "tm->when retrnsmt   uid  timeout inode\n"
      "   0: 0000000000000000FFFF00000100007F:9C41 0000000000000000FFFF00000100007F:1F90 01 00000000:00000000 "
      "00:00000000 00000000    33        0 4 1\n";
  const sockaddr_in6 server = Mapped("127.0.0.1", 8080);
  EXPECT_EQ(qav::FindTcpRowOwner(tcp, Mapped("127.0.0.1", 40000), server), std::optional<uid_t>(65534));
  EXPECT_EQ(qav::FindTcpRowOwner(tcp, server, Mapped("127.0.0.1", 40000)), std::optional<uid_t>(1000));
  EXPECT_EQ(qav::FindTcpRowOwner(tcp6, Mapped("127.0.0.1", 40001), server), std::optional<uid_t>(33));
  EXPECT_EQ(qav::FindTcpRowOwner(tcp, Mapped("127.0.0.1", 40001), server), std::nullopt);
  EXPECT_EQ(qav::FindTcpRowOwner("", server, server), std::nullopt);
}

// What a process of another user got from a connection to the link.
enum ForeignPeerOutcome {
  kClosedWithNothing = 0,  // the program closed the connection before sending it anything
  kNoConnection = 1,
  kStillOpen = 2,
  kReceivedData = 3,
};

// Runs a peer as user 65534 in a child process: it connects to 127.0.0.1:port, sends `bytes`,
// and reads until the connection ends or 5 s pass. Its exit status is its outcome.
pid_t StartForeignPeer(int port, const std::string& bytes) {
  const pid_t child = ::fork();
  if (child != 0) return child;
  if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(kNoConnection);
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) ::_exit(kNoConnection);
  if (!bytes.empty()) (void)::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  char buffer[4096];
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 5000) <= 0) ::_exit(kStillOpen);
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n > 0) ::_exit(kReceivedData);
    ::_exit(kClosedWithNothing);  // the end of the connection, or a reset
  }
}

// The exit status of the child, serving the loop until it has ended.
int ForeignPeerOutcome(VirtualLoop& v, pid_t child) {
  int status = -1;
  const bool ended = PumpUntil(v, [&] { return ::waitpid(child, &status, WNOHANG) == child; }, 10000);
  if (!ended) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(LoopbackLinkTest, OnlyAProcessOfTheSameUserMayConnectInEitherDirection) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root, to run a peer as another user (uid 65534)";
  qav::test::LogCapture log;
  // The call's sound: another user must not replace the client's connection and speak into the
  // recording.
  {
    CVAIn in;
    int port = 0;
    ASSERT_EQ(in.Open(owner(), &port), 1);
    for (int i = 0; i < 4; ++i) {
      VaHeaderPtr b = Buffer(10);
      ASSERT_EQ(in.AddBuffer(b), 1);
    }
    ASSERT_EQ(in.Start(), 1);
    Peer client(port);
    client.Send(std::string(10, 'c'));
    ASSERT_TRUE(PumpUntil(v, [&] { return returned.items.size() == 1; }));
    EXPECT_EQ(ForeignPeerOutcome(v, StartForeignPeer(port, std::string(10, 'x'))), kClosedWithNothing);
    client.Send(std::string(10, 'd'));
    ASSERT_TRUE(PumpUntil(v, [&] { return returned.items.size() == 2; })) << "the client's connection stays";
    EXPECT_EQ(returned.items[1].bytes, std::string(10, 'd'));
    client.ReadAvailable();
    EXPECT_FALSE(client.eof());
  }
  // The program's sound (during a conversation, the user's microphone): another user must not
  // hear it.
  {
    CVAOut out;
    int port = 0;
    ASSERT_EQ(out.Open(owner(), &port), 1);
    VaHeaderPtr early = Block(Bytes(320, 'm'));
    ASSERT_EQ(out.Write(early), 1) << "written before anybody connects";
    EXPECT_EQ(ForeignPeerOutcome(v, StartForeignPeer(port, "")), kClosedWithNothing);
    Peer client(port);
    std::string got;
    ASSERT_TRUE(PumpUntil(v, [&] {
      got += client.ReadAvailable();
      return got.size() >= 320;
    })) << "the user's own client still gets everything";
    EXPECT_EQ(got, Bytes(320, 'm'));
  }
  EXPECT_TRUE(log.Has(LOG_WARNING,
                      u"CVAInSocket::OnAccept() [refused a connection from user 65534: only user 0 may connect]"));
  EXPECT_TRUE(log.Has(LOG_WARNING,
                      u"CVAOutSocket::OnAccept() [refused a connection from user 65534: only user 0 may connect]"));
}

TEST_F(LoopbackLinkTest, ResetAndCloseGiveBackWhatWasQueuedToSend) {
  CVAOut out;
  int port = 0;
  ASSERT_EQ(out.Open(owner(), &port), 1);
  for (int i = 0; i < 3; ++i) {
    VaHeaderPtr h = Block("abcd");
    ASSERT_EQ(out.Write(h), 1);
  }
  ASSERT_EQ(out.Reset(), 1);
  v.RunUntilIdle();
  EXPECT_EQ(returned.items.size(), 3u);
  VaHeaderPtr h = Block("efgh");
  ASSERT_EQ(out.Write(h), 1);
  ASSERT_EQ(out.Pause(), 1);
  EXPECT_EQ(out.Pause(), 0);
  ASSERT_EQ(out.Close(), 1);
  v.RunUntilIdle();
  EXPECT_EQ(returned.items.size(), 4u);
  VaHeaderPtr late = Block("late");
  EXPECT_EQ(out.Write(late), 0);
  EXPECT_EQ(out.Close(), 0);
}

}  // namespace
