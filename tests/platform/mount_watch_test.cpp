#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/mount_watch.h"
#include "platform/removable_drive.h"
#include "platform/text.h"
#include "platform/virtual_loop.h"

using namespace qav;

namespace {

TEST(MountWatch, EndsOnlyWhenTheWatchedMountGoes) {
  std::optional<std::vector<std::u16string>> table = std::vector<std::u16string>{u"/", u"/media/usb", u"/media/card"};
  VirtualLoop v;
  MountWatch watch([&] { return table; });
  int gone = 0;
  EXPECT_FALSE(watch.Start(v.loop(), u"/media/other", [&] { ++gone; }));  // not mounted now
  ASSERT_TRUE(watch.Start(v.loop(), u"/media/usb", [&] { ++gone; }));

  table = std::vector<std::u16string>{u"/", u"/media/usb"};  // another medium removed
  EXPECT_FALSE(watch.CheckNow());
  table = std::nullopt;  // a table that cannot be read decides nothing
  EXPECT_FALSE(watch.CheckNow());
  table = std::vector<std::u16string>{u"/", u"/media/usb2"};
  EXPECT_TRUE(watch.CheckNow());
  EXPECT_TRUE(watch.CheckNow());
  EXPECT_EQ(gone, 1);
}

// The kernel's own notice, in a mount namespace of a child's own so nothing outside it sees the
// mount: a tmpfs is mounted, watched and unmounted. Needs the right to make a mount namespace.
TEST(MountWatch, TheKernelTellsWhenTheMountGoes) {
  const std::string point = "/tmp/qav-mount-watch-" + std::to_string(getpid());
  const pid_t child = fork();
  if (child == 0) {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) _exit(77);
    mkdir(point.c_str(), 0700);
    if (mount("tmpfs", point.c_str(), "tmpfs", 0, "size=64k") != 0) _exit(77);
    VirtualLoop v;
    MountWatch watch;
    bool gone = false;
    if (!watch.Start(v.loop(), Utf8ToUtf16(point), [&] { gone = true; })) _exit(2);
    v.WaitForWork(0);
    v.RunUntilIdle();
    if (gone) _exit(3);  // nothing changed yet
    umount(point.c_str());
    for (int i = 0; i < 50 && !gone; ++i) v.WaitForWork(100);
    rmdir(point.c_str());
    _exit(gone ? 0 : 4);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no mount namespace for this user";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(RemovableDrive, TheMountOfAPathNamesItsDevice) {
  const char* mountinfo =
      "22 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n"
      "35 22 8:17 / /media/usb rw - vfat /dev/sdb1 rw\n"
      "36 22 8:33 / /media/usb\\040stick rw - vfat /dev/sdc1 rw\n"
      "37 22 0:5 / /run/user rw - tmpfs none rw\n";
  struct Case {
    const char16_t* path;
    const char* device;
  } cases[] = {
      {u"/media/usb/QAV", "8:17"},
      {u"/media/usb stick/QAV/qav", "8:33"},
      {u"/home/me", "8:1"},
      {u"/run/user/1000", "0:5"},
  };
  for (const auto& c : cases) EXPECT_EQ(MountDeviceFor(c.path, mountinfo), c.device);
  EXPECT_FALSE(IsOnRemovableDrive(u"/proc"));  // no block device behind it
}

}  // namespace
