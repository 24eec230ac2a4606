#include "platform/crash_channel.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace qav {

int StartCrashHelper(const std::function<int(int channel)>& helperMain) {
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) return -1;
  const pid_t pid = fork();
  if (pid < 0) {
    close(pair[0]);
    close(pair[1]);
    return -1;
  }
  if (pid == 0) {
    close(pair[0]);
    for (int stop : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) std::signal(stop, SIG_IGN);
    int code = 1;
    try {
      code = helperMain(pair[1]);
    } catch (...) {
    }
    _exit(code);
  }
  close(pair[1]);
  return pair[0];
}

bool SendCrashFrame(int channel, char kind, std::string_view text) {
  if (text.size() + 1 > kCrashFrameMax) return false;
  std::string frame(1, kind);
  frame.append(text);
  return SendCrashFrameBytes(channel, frame.data(), frame.size());
}

bool SendCrashFrameBytes(int channel, const char* frame, size_t length) {
  if (channel < 0 || length == 0 || length > kCrashFrameMax) return false;
  for (;;) {
    const ssize_t sent = send(channel, frame, length, MSG_NOSIGNAL);
    if (sent >= 0) return static_cast<size_t>(sent) == length;
    if (errno != EINTR) return false;
  }
}

bool ReceiveCrashFrame(int channel, char& kind, std::string& text) {
  std::string frame(kCrashFrameMax, '\0');
  for (;;) {
    const ssize_t got = recv(channel, frame.data(), frame.size(), MSG_TRUNC);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0 || static_cast<size_t>(got) > frame.size()) return false;
    kind = frame[0];
    text.assign(frame.data() + 1, static_cast<size_t>(got) - 1);
    return true;
  }
}

}  // namespace qav
