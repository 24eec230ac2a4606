// A window's bus socket appears under its name only once it listens: a client that finds the name
// and is refused takes the socket for one left behind and removes it, so a socket published
// before listen() could be lost to a client that looked at the wrong instant.
#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/bus_socket.h"
#include "tests/support/temp_dir.h"

namespace qav::test {
namespace {

constexpr char kName[] = "00000001000000aa.QavBusSocketTest";

int Connect(const std::string& path) {
  int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

TEST(BusSocket, NameAppearsOnlyOnceTheSocketListens) {
  TempDir dir;
  const int changes = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(changes, 0);
  ASSERT_GE(inotify_add_watch(changes, dir.path().c_str(), IN_CREATE | IN_MOVED_TO), 0);

  const int listener = detail::ListenOnBusSocket(dir.path(), kName);
  ASSERT_GE(listener, 0);
  bool createdUnderName = false, movedIntoName = false;
  alignas(inotify_event) char buffer[4096];
  for (ssize_t n; (n = read(changes, buffer, sizeof buffer)) > 0;) {
    for (char* p = buffer; p < buffer + n;) {
      auto* event = reinterpret_cast<inotify_event*>(p);
      if (event->len > 0 && std::string(event->name) == kName) {
        createdUnderName |= (event->mask & IN_CREATE) != 0;
        movedIntoName |= (event->mask & IN_MOVED_TO) != 0;
      }
      p += sizeof(inotify_event) + event->len;
    }
  }
  EXPECT_FALSE(createdUnderName) << "bound under its own name before it listened";
  EXPECT_TRUE(movedIntoName);
  const int client = Connect(dir.File(kName));
  EXPECT_GE(client, 0);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "nothing else left";
  close(client);
  close(listener);
  close(changes);
}

TEST(BusSocket, ReplacesASocketLeftBehindUnderTheSameName) {
  TempDir dir;
  const int old = detail::ListenOnBusSocket(dir.path(), kName);
  ASSERT_GE(old, 0);
  close(old);  // the file stays, nobody listens
  ASSERT_LT(Connect(dir.File(kName)), 0);

  const int listener = detail::ListenOnBusSocket(dir.path(), kName);
  ASSERT_GE(listener, 0);
  const int client = Connect(dir.File(kName));
  EXPECT_GE(client, 0);
  close(client);
  close(listener);
}

}  // namespace
}  // namespace qav::test
