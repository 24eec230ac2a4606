#include "platform/private_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

#include "platform/desktop_directory.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

using qav::test::ScopedEnv;
using qav::test::TempDir;

namespace {

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

// What may stand under a folder's name, and what the check makes of it.
struct Case {
  const char* name;
  // False when this machine cannot set the case up (giving a folder away needs root).
  std::function<bool(const std::string& path, const std::string& scratch)> make;
  const char* reason;  // "" when the folder is used
};

const Case kCases[] = {
    {"missing", [](const std::string&, const std::string&) { return true; }, ""},
    {"open to all",
     [](const std::string& p, const std::string&) { return mkdir(p.c_str(), 0700) == 0 && chmod(p.c_str(), 0777) == 0; },
     ""},
    {"not writable", [](const std::string& p, const std::string&) { return mkdir(p.c_str(), 0500) == 0; }, ""},
    {"a symbolic link to a folder of ours",
     [](const std::string& p, const std::string& scratch) {
       return mkdir(scratch.c_str(), 0700) == 0 && symlink(scratch.c_str(), p.c_str()) == 0;
     },
     "is a symbolic link"},
    {"a plain file", [](const std::string& p, const std::string&) { return qav::test::WriteFileBytes(p, "x"); },
     "is not a folder"},
    {"another user's folder",
     [](const std::string& p, const std::string&) {
       return mkdir(p.c_str(), 0700) == 0 && chown(p.c_str(), 65534, 65534) == 0;
     },
     "belongs to another user (uid 65534)"},
};

}  // namespace

// A folder that holds what must stay the user's own is a real folder of the user's with mode 0700:
// a missing one is made so, one with another mode is set to 0700, and anything else is refused
// with the reason in words.
TEST(PrivateFolder, IsAFolderOfOursWithMode0700OrRefusedWithItsReason) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string path = dir.path() + "/private";
    if (!c.make(path, dir.path() + "/elsewhere")) {
      std::printf("skipped here: %s\n", c.name);
      continue;
    }
    const std::string reason = qav::OpenPrivateFolder(path);
    EXPECT_EQ(reason, c.reason);
    if (reason.empty()) EXPECT_EQ(ModeOf(path), 0700u);
  }
  TempDir dir;
  EXPECT_TRUE(qav::OpenPrivateFolder(dir.path() + "/no/parent").starts_with("cannot be created ("));
}

// The desktop folder and an overridden temporary folder are checked alike; the problem names the
// folder, so the user learns what is wrong and where.
TEST(PrivateFolder, TheDesktopAndTemporaryFoldersSayWhatIsWrongAndWhere) {
  TempDir dir;
  const std::string target = dir.path() + "/real";
  ASSERT_EQ(mkdir(target.c_str(), 0700), 0);
  const std::string link = dir.path() + "/link";
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
  const std::string expected = "\"" + link + "\" is a symbolic link";

  ScopedEnv desktop("QAV_DESKTOP_DIR", link);
  std::string problem;
  EXPECT_EQ(qav::OpenDesktopDirectory(&problem), "");
  EXPECT_EQ(problem, expected);
  ScopedEnv usable("QAV_DESKTOP_DIR", target);
  ASSERT_EQ(chmod(target.c_str(), 0755), 0);
  EXPECT_EQ(qav::OpenDesktopDirectory(&problem), target);
  EXPECT_EQ(problem, "");
  EXPECT_EQ(ModeOf(target), 0700u);

  ScopedEnv temp("QAV_TEMP_DIR", link);
  EXPECT_EQ(qav::TempFolder(&problem), u"");
  EXPECT_EQ(problem, expected);
  EXPECT_EQ(qav::TempFolder(), u"");  // never used, also by callers that do not ask why
  ScopedEnv usableTemp("QAV_TEMP_DIR", target);
  EXPECT_EQ(qav::TempFolder(&problem), qav::U16(target + "/"));
  EXPECT_EQ(problem, "");
}
