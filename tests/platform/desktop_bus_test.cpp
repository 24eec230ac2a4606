// The desktop bus between two real processes: this test and qav_bus_peer (tests/helpers), which
// reports on its stdout what its top-level window receives and takes commands on its stdin.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/desktop_directory.h"
#include "platform/message_loop.h"
#include "platform/registered_message.h"
#include "platform/window.h"
#include "tests/support/hex.h"
#include "tests/support/temp_dir.h"

extern char** environ;

using namespace qav;
using qav::test::HexBytes;

namespace {

constexpr int kWatchdogMs = 10000;

std::string HexHandle(Hwnd h) {
  std::ostringstream s;
  s << std::hex << h;
  return s.str();
}

// One qav_bus_peer process.
class Peer {
 public:
  explicit Peer(const std::string& className = "QavBusPeer", const std::string& title = "") {
    int in[2], out[2];
    EXPECT_EQ(pipe2(in, O_CLOEXEC), 0);
    EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<std::string> args = {QAV_BUS_PEER, "--class", className};
    if (!title.empty()) args.insert(args.end(), {"--title", title});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    EXPECT_EQ(posix_spawn(&pid_, QAV_BUS_PEER, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    stdin_ = in[1];
    stdout_ = out[0];
    std::istringstream ready(Expect("ready "));
    std::string word, handle;
    ready >> word >> handle;
    hwnd_ = std::strtoull(handle.c_str(), nullptr, 16);
  }
  ~Peer() {
    if (pid_ > 0) {
      Command("quit");
      close(stdin_);
      waitpid(pid_, nullptr, 0);
    }
    close(stdout_);
  }

  Hwnd hwnd() const { return hwnd_; }
  pid_t pid() const { return pid_; }

  void Command(const std::string& line) {
    std::string text = line + "\n";
    EXPECT_EQ(write(stdin_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }

  // The first report that starts with `prefix` (earlier reports that did not match are kept for
  // later calls). Serves `loop` while it waits, so the peer can post and send to this process.
  std::string Expect(const std::string& prefix, MessageLoop* loop = nullptr) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWatchdogMs);
    for (;;) {
      for (auto it = lines_.begin(); it != lines_.end(); ++it) {
        if (it->rfind(prefix, 0) == 0) {
          std::string line = *it;
          lines_.erase(it);
          return line;
        }
      }
      if (std::chrono::steady_clock::now() > deadline) {
        ADD_FAILURE() << "the peer never reported \"" << prefix << "\"";
        return {};
      }
      pollfd fds[2] = {{stdout_, POLLIN, 0}, {loop ? loop->PollFd() : -1, POLLIN, 0}};
      poll(fds, 2, 100);
      if (loop && fds[1].revents) loop->ProcessDue();
      if (fds[0].revents) {
        char buffer[4096];
        ssize_t n = read(stdout_, buffer, sizeof buffer);
        if (n <= 0) {
          ADD_FAILURE() << "the peer ended before reporting \"" << prefix << "\"";
          return {};
        }
        partial_.append(buffer, static_cast<size_t>(n));
        size_t end;
        while ((end = partial_.find('\n')) != std::string::npos) {
          lines_.push_back(partial_.substr(0, end));
          partial_.erase(0, end + 1);
        }
      }
    }
  }

  void Kill() {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int stdin_ = -1;
  int stdout_ = -1;
  Hwnd hwnd_ = 0;
  std::deque<std::string> lines_;
  std::string partial_;
};

class DesktopBus : public ::testing::Test {
 protected:
  void SetUp() override { UseDesktop(temp_.File("desktop")); }
  void TearDown() override { unsetenv("QAV_DESKTOP_DIR"); }
  void UseDesktop(const std::string& dir) {
    dir_ = dir;
    setenv("QAV_DESKTOP_DIR", dir_.c_str(), 1);
  }
  bool SocketFileExists(Hwnd window) const {
    std::string prefix = HexHandle(window);
    prefix = std::string(16 - prefix.size(), '0') + prefix + ".";
    for (const auto& e : std::filesystem::directory_iterator(dir_)) {
      if (e.path().filename().string().rfind(prefix, 0) == 0) return true;
    }
    return false;
  }
  // A socket file that nobody listens on, as a process that died leaves it.
  void LeaveOrphanSocket(const std::string& name) const {
    int fd = socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::string path = dir_ + "/" + name;
    ASSERT_LT(path.size(), sizeof a.sun_path);
    std::memcpy(a.sun_path, path.c_str(), path.size() + 1);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    close(fd);
  }

  test::TempDir temp_;
  std::string dir_;
};

struct CopyRecord {
  std::string bytes;
  Hwnd from = 0;
  uint32_t senderProcess = 0;
  uint64_t dwData = 0;
};

// A top-level window of this process that records what it is sent.
Hwnd RecordingWindow(MessageLoop& loop, std::vector<CopyRecord>* copies, std::vector<Msg>* others,
                     const char* className = "QavBusTest") {
  return CreateWindow(loop, className, u"", WindowKind::kTopLevel, [=](Msg& m) -> LResult {
    if (m.message == WM_COPYDATA) {
      const auto* cds = reinterpret_cast<const CopyDataStruct*>(m.lParam);
      copies->push_back({std::string(static_cast<const char*>(cds->lpData), cds->cbData), m.wParam, m.senderProcess,
                         cds->dwData});
      return 77;
    }
    Msg copy;
    copy.window = m.window;
    copy.message = m.message;
    copy.wParam = m.wParam;
    copy.lParam = m.lParam;
    copy.senderProcess = m.senderProcess;
    if (others) others->push_back(std::move(copy));
    return 0;
  });
}

}  // namespace

TEST_F(DesktopBus, FindsAPeerByClassAndTitleAndPostsToIt) {
  // The second folder is too long for a socket address and is reached through /proc/self/fd.
  for (std::string desktop : {temp_.File("desktop"), temp_.File(std::string(90, 'd') + "/deeper/desktop")}) {
    std::filesystem::create_directories(std::filesystem::path(desktop).parent_path());
    UseDesktop(desktop);
    MessageLoop loop;
    Peer peer("QavBusPeer", "Peer One");
    EXPECT_EQ(FindWindow("qavbuspeer"), peer.hwnd()) << "classes match without regard to case";
    EXPECT_EQ(FindWindow("QavBusPeer", u"Peer One"), peer.hwnd());
    EXPECT_EQ(FindWindow("QavBusPeer", u"Peer Two"), 0u);
    EXPECT_EQ(FindWindow("NoSuchClass"), 0u);
    EXPECT_TRUE(IsWindow(peer.hwnd()));
    EXPECT_EQ(GetWindowText(peer.hwnd()), std::u16string(u"Peer One"));
    EXPECT_TRUE(SetWindowText(peer.hwnd(), u"Renamed \u2122"));
    EXPECT_EQ(GetWindowText(peer.hwnd()), std::u16string(u"Renamed \u2122"));

    EXPECT_TRUE(PostMessage(peer.hwnd(), WM_USER + 5, 0x11, -3));
    EXPECT_EQ(peer.Expect("msg "), "msg 1029 11 -3 from " + std::to_string(getpid()));
    EXPECT_FALSE(PostMessage(peer.hwnd(), WM_USER, 0, 0, MakePayload<int>(1))) << "payloads stay in-process";
    EXPECT_EQ(SendMessageTimeout(peer.hwnd(), WM_USER, 0, 0, kWatchdogMs, MakePayload<int>(1)).status,
              SendStatus::kUnsupported);

    // The other way round: our top-level window is found, a local one is not.
    std::vector<CopyRecord> ignored;
    Hwnd ours = RecordingWindow(loop, &ignored, nullptr);
    Hwnd hidden = CreateWindow(loop, "QavHidden", u"", WindowKind::kLocal, [](Msg&) -> LResult { return 0; });
    ASSERT_NE(ours, 0u);
    ASSERT_NE(hidden, 0u);
    peer.Command("find QavBusTest");
    EXPECT_EQ(peer.Expect("found ", &loop), "found " + HexHandle(ours));
    peer.Command("find QavHidden");
    EXPECT_EQ(peer.Expect("found ", &loop), "found 0");
    EXPECT_EQ(FindWindow("QavBusTest"), ours) << "this process's own top-level windows are found too";

    // A window that destroys itself in the handler still answers the send that closed it.
    EXPECT_EQ(SendMessageTimeout(peer.hwnd(), WM_CLOSE, 0, 0, kWatchdogMs).status, SendStatus::kOk);
    EXPECT_FALSE(IsWindow(peer.hwnd()));
    EXPECT_EQ(FindWindow("QavBusPeer"), 0u);
    EXPECT_EQ(SendMessageTimeout(peer.hwnd(), WM_USER, 0, 0, kWatchdogMs).status, SendStatus::kNoWindow);
  }
}

TEST_F(DesktopBus, CopyDataSendsReturnTheResultAndTheReplyComesBackByteForByte) {
  MessageLoop loop;
  std::vector<CopyRecord> copies;
  Hwnd ours = RecordingWindow(loop, &copies, nullptr);
  Peer peer;
  const std::string blocks[] = {
      "PING",
      "#15 OK",
      "CHATMESSAGE 12 BODY Skype\xE2\x84\xA2 \xC3\xA9t\xC3\xA9",
      std::string("a\0b\xFF\x01", 5),
      std::string(1023, 'x'),
      std::string(kMaxMessageData, 'y'),
      "",
  };
  for (const std::string& block : blocks) {
    copies.clear();
    // dwData 1: the peer sends the block back inside its handler, while this thread still waits,
    // so this thread's loop must serve that send for the first one to return.
    SendOutcome outcome = SendCopyData(peer.hwnd(), ours, 1, block, kWatchdogMs);
    ASSERT_TRUE(outcome.ok()) << block.size();
    EXPECT_EQ(outcome.result, static_cast<LResult>(block.size()));
    ASSERT_EQ(copies.size(), 1u) << "the reply arrived during the send";
    EXPECT_EQ(copies[0].bytes, block);
    EXPECT_EQ(copies[0].from, peer.hwnd());
    EXPECT_EQ(copies[0].senderProcess, static_cast<uint32_t>(peer.pid()));
  }
  EXPECT_EQ(SendCopyData(peer.hwnd(), ours, 1, std::string(kMaxMessageData + 1, 'z')).status, SendStatus::kRefused);

  EXPECT_EQ(SendCopyData(peer.hwnd(), ours, 5, "abc", kWatchdogMs).result, 3);
  EXPECT_EQ(peer.Expect("copydata "), "copydata 5 616263 from " + HexHandle(ours) + " pid " + std::to_string(getpid()));
}

TEST_F(DesktopBus, ASendTimesOutAndTheLateReplyIsDiscarded) {
  MessageLoop loop;
  std::vector<CopyRecord> ignored;
  Hwnd ours = RecordingWindow(loop, &ignored, nullptr);
  Peer peer;
  EXPECT_EQ(SendCopyData(peer.hwnd(), ours, 3, "hold", 50).status, SendStatus::kTimedOut);
  peer.Expect("holding");
  peer.Command("go");
  SendOutcome after = SendCopyData(peer.hwnd(), ours, 0, "after", kWatchdogMs);
  EXPECT_TRUE(after.ok());
  EXPECT_EQ(after.result, 5) << "the answer to this send, not the late one (3)";
  EXPECT_EQ(peer.Expect("copydata "), "copydata 0 " + HexBytes("after") + " from " + HexHandle(ours) + " pid " +
                                          std::to_string(getpid()));
}

TEST_F(DesktopBus, APeerKilledMidSendFailsTheSendAtOnceAndItsSocketIsRemoved) {
  MessageLoop loop;
  std::vector<CopyRecord> ignored;
  Hwnd ours = RecordingWindow(loop, &ignored, nullptr);
  auto peer = std::make_unique<Peer>();
  const Hwnd gone = peer->hwnd();
  ASSERT_TRUE(SocketFileExists(gone));
  SendOutcome outcome;
  // Far longer than the test may take: only the peer's death can end this send in time.
  std::thread sender([&] { outcome = SendCopyData(gone, ours, 2, "hang", 300000); });
  peer->Expect("hanging");
  peer->Kill();
  sender.join();
  EXPECT_EQ(outcome.status, SendStatus::kPeerGone);

  SendStatus again = SendCopyData(gone, ours, 0, "x", kWatchdogMs).status;
  EXPECT_TRUE(again == SendStatus::kNoWindow || again == SendStatus::kPeerGone);
  EXPECT_FALSE(PostMessage(gone, WM_USER));
  EXPECT_FALSE(IsWindow(gone));
  EXPECT_EQ(FindWindow("QavBusPeer"), 0u);
  EXPECT_FALSE(SocketFileExists(gone));
}

TEST_F(DesktopBus, StaleSocketsAreSkippedAndRemoved) {
  MessageLoop loop;
  Peer peer;
  const Hwnd livePid = static_cast<Hwnd>(peer.pid()) << 32;
  // Left by a window of a live process that is no longer there (sorted ahead of the real one), and
  // by a process that no longer exists.
  const Hwnd orphan = livePid | 0;
  const Hwnd ofDeadProcess = (Hwnd{0x3FFFFFF0} << 32) | 1;
  LeaveOrphanSocket(HexHandle(orphan).insert(0, 16 - HexHandle(orphan).size(), '0') + ".QavBusPeer");
  LeaveOrphanSocket(HexHandle(ofDeadProcess).insert(0, 16 - HexHandle(ofDeadProcess).size(), '0') + ".QavBusPeer");
  EXPECT_EQ(FindWindow("QavBusPeer"), peer.hwnd());
  EXPECT_FALSE(SocketFileExists(orphan));
  EXPECT_FALSE(SocketFileExists(ofDeadProcess));

  LeaveOrphanSocket(HexHandle(orphan).insert(0, 16 - HexHandle(orphan).size(), '0') + ".QavBusPeer");
  EXPECT_EQ(SendMessageTimeout(orphan, WM_USER, 0, 0, kWatchdogMs).status, SendStatus::kPeerGone) << "at once";
  EXPECT_FALSE(SocketFileExists(orphan));
}

TEST_F(DesktopBus, RegisteredMessagesHaveTheSameNumberInEveryProcess) {
  uint32_t discover = RegisterWindowMessage("SkypeControlAPIDiscover");
  uint32_t attach = RegisterWindowMessage("SkypeControlAPIAttach");
  EXPECT_GE(discover, kFirstRegisteredMessage);
  EXPECT_GE(attach, kFirstRegisteredMessage);
  EXPECT_NE(discover, attach);
  EXPECT_EQ(RegisterWindowMessage("skypecontrolapidiscover"), discover);
  for (std::string bad : {std::string(), std::string("two\nlines"), std::string(256, 'n')}) {
    EXPECT_EQ(RegisterWindowMessage(bad), 0u) << bad.size();
  }
  Peer peer;
  peer.Command("register SkypeControlAPIAttach");
  EXPECT_EQ(peer.Expect("registered "), "registered SkypeControlAPIAttach " + std::to_string(attach));
  peer.Command("register QavTaskbarMsg");  // first named by the other process
  std::string line = peer.Expect("registered ");
  EXPECT_EQ(line, "registered QavTaskbarMsg " + std::to_string(RegisterWindowMessage("QAVTaskbarMsg")));
}

TEST_F(DesktopBus, BroadcastsReachEveryTopLevelWindowTheSendersOwnIncluded) {
  MessageLoop loop;
  std::vector<Msg> received;
  std::vector<uint32_t> hiddenReceived;
  std::vector<CopyRecord> ignored;
  Hwnd ours = RecordingWindow(loop, &ignored, &received);
  CreateWindow(loop, "QavHidden", u"", WindowKind::kLocal, [&](Msg& m) -> LResult {
    hiddenReceived.push_back(m.message);
    return 0;
  });
  Peer first, second("OtherPeer");
  uint32_t discover = RegisterWindowMessage("SkypeControlAPIDiscover");
  uint32_t attach = RegisterWindowMessage("SkypeControlAPIAttach");

  ASSERT_TRUE(PostMessage(kHwndBroadcast, discover, ours, 0));
  std::string expected = "msg " + std::to_string(discover) + " " + HexHandle(ours) + " 0 from " + std::to_string(getpid());
  EXPECT_EQ(first.Expect("msg "), expected);
  EXPECT_EQ(second.Expect("msg "), expected);
  loop.ProcessDue();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].message, discover);
  EXPECT_EQ(received[0].wParam, ours);
  EXPECT_TRUE(hiddenReceived.empty()) << "local windows are not top-level";
  EXPECT_FALSE(PostMessage(kHwndBroadcast, discover, 0, 0, MakePayload<int>(1)));

  received.clear();
  first.Command("broadcast SkypeControlAPIAttach " + HexHandle(first.hwnd()) + " 32769");
  expected = "msg " + std::to_string(attach) + " " + HexHandle(first.hwnd()) + " 32769 from " + std::to_string(first.pid());
  EXPECT_EQ(first.Expect("msg ", &loop), expected) << "the broadcaster's own window";
  EXPECT_EQ(second.Expect("msg ", &loop), expected);
  for (int i = 0; i < 100 && received.empty(); ++i) loop.WaitForWork(100), loop.ProcessDue();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].message, attach);
  EXPECT_EQ(received[0].lParam, 0x8001);
  EXPECT_EQ(received[0].senderProcess, static_cast<uint32_t>(first.pid()));
}

TEST_F(DesktopBus, AWindowClaimedByAnotherProcessIsRefused) {
  MessageLoop loop;
  std::vector<CopyRecord> copies;
  Hwnd ours = RecordingWindow(loop, &copies, nullptr);
  Peer peer, third("ThirdPeer");
  for (Hwnd forged : {ours, third.hwnd(), Hwnd{0}}) {
    peer.Command("copy " + HexHandle(ours) + " " + HexHandle(forged) + " 0 414243");
    EXPECT_EQ(peer.Expect("sent ", &loop), "sent refused 0") << HexHandle(forged);
  }
  EXPECT_TRUE(copies.empty());
  peer.Command("copy " + HexHandle(ours) + " " + HexHandle(peer.hwnd()) + " 0 414243");
  EXPECT_EQ(peer.Expect("sent ", &loop), "sent ok 77");
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(copies[0].bytes, "ABC");
  EXPECT_EQ(copies[0].from, peer.hwnd());
}

TEST_F(DesktopBus, SendsRacingThePeerWindowsEndFailAtOnce) {
  // The peer's window closes (a posted WM_CLOSE) while this process keeps sending to it; the peer
  // itself lives on. A send caught on the way must fail when the window's sockets close, never wait
  // for an answer that nobody will give. WM_SETTEXT is answered without a report on the peer's
  // stdout, so the sends do not fill that pipe.
  constexpr int kRounds = 20;
  for (int round = 0; round < kRounds; ++round) {
    Peer peer;
    std::atomic<int> answered{0};
    std::atomic<SendStatus> last{SendStatus::kOk};
    std::thread sender([&] {
      for (;;) {
        // A send that runs out this time-out is the fault; a sound one fails at once.
        SendStatus s =
            SendMessageTimeout(peer.hwnd(), WM_SETTEXT, 0, 0, 2 * kWatchdogMs, std::make_unique<TextPayload>(u"t"))
                .status;
        if (s != SendStatus::kOk) {
          last = s;
          return;
        }
        ++answered;
      }
    });
    const int before = 1 + round % 4;  // the window ends a varying number of sends into the stream
    while (answered < before && last == SendStatus::kOk) std::this_thread::yield();
    EXPECT_TRUE(PostMessage(peer.hwnd(), WM_CLOSE));
    sender.join();
    EXPECT_TRUE(last == SendStatus::kNoWindow || last == SendStatus::kPeerGone) << static_cast<int>(last.load());
    // The window's name goes before its connections: once a send has failed, nobody finds it.
    EXPECT_EQ(FindWindow("QavBusPeer"), 0u);
  }
}
