#include "platform/folders.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <functional>
#include <string>

#include "platform/desktop_directory.h"
#include "platform/private_folder.h"
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

TEST(Folders, OverrideThenXdgThenHome) {
  TempDir dir;
  ScopedEnv home("HOME", dir.path());
  const struct {
    const char* overrideName;
    const char* xdgName;
    std::u16string (*folder)();
    const char* homeDefault;
  } cases[] = {
      {"QAV_DATA_DIR", "XDG_DATA_HOME", &qav::UserDataFolder, "/.local/share/"},
      {"QAV_CONFIG_DIR", "XDG_CONFIG_HOME", &qav::UserConfigFolder, "/.config/"},
      {"QAV_STATE_DIR", "XDG_STATE_HOME", &qav::UserStateFolder, "/.local/state/"},
  };
  for (const auto& c : cases) {
    ScopedEnv noOverride(c.overrideName, std::nullopt);
    ScopedEnv noXdg(c.xdgName, std::nullopt);
    EXPECT_EQ(c.folder(), qav::U16(dir.path() + c.homeDefault)) << c.xdgName;
    {
      ScopedEnv relative(c.xdgName, "relative/path");  // not absolute: ignored
      EXPECT_EQ(c.folder(), qav::U16(dir.path() + c.homeDefault)) << c.xdgName;
    }
    ScopedEnv xdg(c.xdgName, dir.path() + "/xdg");
    EXPECT_EQ(c.folder(), qav::U16(dir.path() + "/xdg/")) << c.xdgName;
    ScopedEnv overridden(c.overrideName, dir.path() + "/mine/");
    EXPECT_EQ(c.folder(), qav::U16(dir.path() + "/mine/")) << c.overrideName;
  }
  ScopedEnv config("QAV_CONFIG_DIR", dir.path() + "/cfg");
  EXPECT_EQ(qav::AutostartFolder(), qav::U16(dir.path() + "/cfg/autostart/"));
}

TEST(Folders, ProgramFolderIsTheExecutablesFolder) {
  {
    ScopedEnv none("QAV_PROGRAM_DIR", std::nullopt);
    char self[PATH_MAX] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    std::string expected(self);
    expected.erase(expected.rfind('/') + 1);
    EXPECT_EQ(qav::ProgramFolder(), qav::U16(expected));
  }
  ScopedEnv overridden("QAV_PROGRAM_DIR", "/opt/qav");
  EXPECT_EQ(qav::ProgramFolder(), u"/opt/qav/");
}

TEST(Folders, TempFolderIsPrivate) {
  TempDir dir;
  ScopedEnv noOverride("QAV_TEMP_DIR", std::nullopt);
  ScopedEnv tmp("TMPDIR", dir.path());
  const std::string usual = dir.path() + "/qav-" + std::to_string(geteuid());

  EXPECT_EQ(qav::TempFolder(), qav::U16(usual + "/"));
  EXPECT_EQ(ModeOf(usual), 0700u);
  chmod(usual.c_str(), 0777);  // a loosened folder of ours is tightened again
  EXPECT_EQ(qav::TempFolder(), qav::U16(usual + "/"));
  EXPECT_EQ(ModeOf(usual), 0700u);

  // A link planted under the usual name is not followed.
  ASSERT_EQ(rmdir(usual.c_str()), 0);
  ASSERT_EQ(symlink(dir.path().c_str(), usual.c_str()), 0);
  const std::u16string fallback = qav::TempFolder();
  EXPECT_NE(fallback, qav::U16(usual + "/"));
  EXPECT_TRUE(qav::StartsWithNoCase(fallback, qav::U16(usual + "-")));
  EXPECT_EQ(ModeOf(qav::U8(fallback)), 0700u);
  EXPECT_EQ(qav::TempFolder(), fallback);  // kept for the run

  ScopedEnv overridden("QAV_TEMP_DIR", dir.path() + "/t/u");
  EXPECT_EQ(qav::TempFolder(), qav::U16(dir.path() + "/t/u/"));
  EXPECT_EQ(ModeOf(dir.path() + "/t/u"), 0700u);
}

TEST(Folders, RuntimeAndDebugLog) {
  TempDir dir;
  {
    ScopedEnv runtime("QAV_RUNTIME_DIR", dir.path() + "/run");
    EXPECT_EQ(qav::UserRuntimeFolder(), qav::U16(dir.path() + "/run/"));
    EXPECT_EQ(ModeOf(dir.path() + "/run"), 0700u);
  }
  {
    ScopedEnv noRuntime("QAV_RUNTIME_DIR", std::nullopt);
    ScopedEnv noXdg("XDG_RUNTIME_DIR", std::nullopt);
    ScopedEnv temp("QAV_TEMP_DIR", dir.path() + "/tmp");
    EXPECT_EQ(qav::UserRuntimeFolder(), qav::U16(dir.path() + "/tmp/runtime/"));
  }
  ScopedEnv state("QAV_STATE_DIR", dir.path() + "/state");
  EXPECT_EQ(qav::DebugLogBasePath(), qav::U16(dir.path() + "/state/QAV/QAV Debug Log"));
  EXPECT_EQ(ModeOf(dir.path() + "/state/QAV"), 0700u);
}

TEST(Folders, CreateFolderTree) {
  TempDir dir;
  EXPECT_TRUE(qav::CreateFolderTree(qav::U16(dir.path() + "/a/b c/d/")));
  EXPECT_EQ(ModeOf(dir.path() + "/a/b c/d"), 0700u);
  EXPECT_TRUE(qav::CreateFolderTree(qav::U16(dir.path() + "/a")));  // already there
  ASSERT_TRUE(qav::test::WriteFileBytes(dir.File("file"), "x"));
  EXPECT_FALSE(qav::CreateFolderTree(qav::U16(dir.File("file"))));
  EXPECT_FALSE(qav::CreateFolderTree(qav::U16(dir.File("file") + "/below")));
  EXPECT_FALSE(qav::CreateFolderTree(u""));
  EXPECT_EQ(qav::WithTrailingSlash(u"/x"), u"/x/");
  EXPECT_EQ(qav::WithTrailingSlash(u"/x/"), u"/x/");
  EXPECT_EQ(qav::WithTrailingSlash(u""), u"");
}

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
    if (reason.empty()) {
      EXPECT_EQ(ModeOf(path), 0700u);
    }
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
