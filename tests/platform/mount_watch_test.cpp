#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/mount_watch.h"
#include "platform/removable_drive.h"
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
