#include <gtest/gtest.h>

#include "platform/autostart.h"
#include "platform/mount_point.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

using namespace qav;

namespace {

TEST(MountPoint, TakesTheLongestMountThatHoldsThePath) {
  const auto mounts = ParseMountPoints(
      "22 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n"
      "35 22 8:17 / /media/usb rw - vfat /dev/sdb1 rw\n"
      "36 22 8:18 / /media/usb\\040stick rw - vfat /dev/sdb2 rw\n"
      "garbage\n"
      "37 22 0:5 / /media/usb/inner rw - tmpfs none rw\n");
  ASSERT_EQ(mounts, (std::vector<std::u16string>{u"/", u"/media/usb", u"/media/usb stick", u"/media/usb/inner"}));
  struct Case {
    const char16_t* path;
    const char16_t* mount;
  } cases[] = {
      {u"/media/usb/QAV/qav", u"/media/usb"},
      {u"/media/usb", u"/media/usb"},
      {u"/media/usbother/qav", u"/"},  // whole names only
      {u"/media/usb stick/QAV/qav", u"/media/usb stick"},
      {u"/media/usb/inner/x", u"/media/usb/inner"},
      {u"/home/me/qav", u"/"},
  };
  for (const auto& c : cases) EXPECT_EQ(MountPointFor(c.path, mounts), c.mount) << U8(c.path);
  EXPECT_EQ(MountPointOf(u"/"), u"/");
  EXPECT_TRUE(MountPointOf(u"/proc/self").has_value());
}

TEST(Autostart, WritesAndRemovesTheDesktopEntry) {
  test::TempDir dir;
  const std::u16string folder = U16(dir.path() + "/autostart/");
  EXPECT_EQ(DesktopExecQuote(u"/opt/my apps/qav"), u"\"/opt/my apps/qav\"");
  EXPECT_EQ(DesktopExecQuote(u"/x/a\"b$c`d\\e%f"), u"\"/x/a\\\\\"b\\\\$c\\\\`d\\\\\\\\e%%f\"");

  ASSERT_TRUE(WriteAutostartEntry(folder, u"QAV", u"/opt/my apps/qav", u"QAV"));
  EXPECT_EQ(test::ReadFileBytes(dir.path() + "/autostart/QAV.desktop"),
            "[Desktop Entry]\nType=Application\nName=QAV\nComment=QAV\nExec=\"/opt/my apps/qav\"\n"
            "Terminal=false\nX-GNOME-Autostart-enabled=true\n");
  EXPECT_TRUE(RemoveAutostartEntry(folder, u"QAV"));
  EXPECT_TRUE(test::ReadFileBytes(dir.path() + "/autostart/QAV.desktop").empty());
  EXPECT_TRUE(RemoveAutostartEntry(folder, u"QAV"));  // already gone
}

}  // namespace
