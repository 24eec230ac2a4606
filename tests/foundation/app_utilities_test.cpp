#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "foundation/app_folders.h"
#include "foundation/run_process.h"
#include "foundation/system_info.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

using qav::test::ScopedEnv;
using qav::test::TempDir;

TEST(AppFolders, SpecialFoldersAreMappedAndCreated) {
  TempDir dir;
  ScopedEnv data("QAV_DATA_DIR", dir.path() + "/data");
  ScopedEnv config("QAV_CONFIG_DIR", dir.path() + "/config");
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_APPDATA), qav::U16(dir.path() + "/data/"));
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_STARTUP), qav::U16(dir.path() + "/config/autostart/"));
  struct stat info {};
  EXPECT_EQ(stat((dir.path() + "/config/autostart").c_str(), &info), 0);
  EXPECT_EQ(GetSpecialFolderPath(0x0005), u"");  // not mapped here

  EXPECT_EQ(GetAppFolder(), qav::ProgramFolder());
  EXPECT_EQ(GetAppFolder().back(), u'/');
}

TEST(AppFolders, TempFileNamesAreNewFiles) {
  TempDir dir;
  ScopedEnv temp("QAV_TEMP_DIR", dir.path());
  const std::u16string first = GetTempFileNameWithPrefix(u"QAV");
  const std::u16string second = GetTempFileNameWithPrefix(u"QAV");
  EXPECT_NE(first, second);
  for (const auto& name : {first, second}) {
    EXPECT_TRUE(qav::StartsWithNoCase(name, qav::U16(dir.path() + "/QAV"))) << qav::U8(name);
    EXPECT_EQ(name.substr(name.size() - 4), u".tmp");
    struct stat info {};
    ASSERT_EQ(stat(qav::U8(name).c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
  }
  EXPECT_EQ(GetTempFileNameWithPrefix(u"../x"), u"");
}

TEST(RunProcess, WindowsStyleArgumentsAndExitCodes) {
  TempDir dir;
  const std::string spaced = dir.path() + "/a folder";
  ASSERT_EQ(mkdir(spaced.c_str(), 0700), 0);
  // The script prints its arguments one a line into a file of its working folder.
  const std::string script = dir.File("args script.sh");
  ASSERT_TRUE(qav::test::WriteFileBytes(script, "#!/bin/sh\nprintf '%s\\n' \"$@\" > got.txt\nexit 3\n"));
  ASSERT_EQ(chmod(script.c_str(), 0700), 0);

  EXPECT_EQ(RunProcessAndWait(qav::U16(script), u"/remove \"two words\" say\\\"hi\\\"", qav::U16(spaced)), 3);
  EXPECT_EQ(qav::test::ReadFileBytes(spaced + "/got.txt"), "/remove\ntwo words\nsay\"hi\"\n");
  EXPECT_EQ(RunProcessAndWait(qav::U16(dir.File("mmdrvmgr")), u"-x", u""), -1);

  const pid_t pid = StartProcessDetached(u"/bin/sh", u"-c \"exit 0\"", u"");
  EXPECT_GT(pid, 0);
  EXPECT_EQ(StartProcessDetached(qav::U16(dir.File("missing")), u"", u""), -1);
}

TEST(SystemInfo, Answers) {
  EXPECT_EQ(IsUserAdmin(), geteuid() == 0);
  EXPECT_TRUE(IsComCtl6());
  EXPECT_EQ(GetScreenColorDepth(), 32);
}
