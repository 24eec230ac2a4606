// Removal of the virtual audio cable: the driver manager is a stand-in script in a program folder
// whose path holds spaces; it writes down how it was called and exits with the code it is given.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <mutex>

#include "audio/virtual_cable_removal.h"
#include "foundation/logger.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

using qav::RegistryRoot;

constexpr char16_t kDesc[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\drivers.desc";
constexpr char16_t kService[] = u"SYSTEM\\CurrentControlSet\\Services\\QavVirtualCable";
constexpr char16_t kDrivers32[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
constexpr char16_t kUserInstallable[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Userinstallable.drivers";
constexpr char16_t kWaveMapper[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Wave Mapper\\qavvcumd.dll";

// The lines the removal logs, with their source name.
class SourceLog : public CLogHandler {
 public:
  SourceLog() : CLogHandler(LOG_ALL) { g_Logger.AddHandler(this); }
  ~SourceLog() override { g_Logger.RemoveHandler(this); }
  int Log(CLogRecord& record) override {
    std::lock_guard lock(mutex);
    if (record.sourceFile == u"QAVVAC") lines.push_back({record.level, std::u16string(record.message)});
    return 1;
  }
  struct Line {
    int32_t level;
    std::u16string text;
    bool operator==(const Line&) const = default;
  };
  std::mutex mutex;
  std::vector<Line> lines;
};

class VirtualCableRemovalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(qav::CreateFolderTree(qav::U16(programFolder)));
    const std::string script =
        "#!/bin/sh\n"
        "{ printf '%s\\n' \"$0\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > \"$(dirname \"$0\")/called.txt\"\n"
        "exit ${VAC_STUB_EXIT:-0}\n";
    ASSERT_TRUE(qav::test::WriteFileBytes(manager, script));
    ASSERT_EQ(::chmod(manager.c_str(), 0700), 0);
  }

  void Key(std::u16string_view path) { ASSERT_EQ(store.CreateKey(RegistryRoot::kLocalMachine, path), qav::kRegOk); }
  void Text(std::u16string_view key, std::u16string_view name, std::u16string_view text) {
    Key(key);
    ASSERT_EQ(store.SetValue(RegistryRoot::kLocalMachine, key, name, qav::MakeRegistryString(text)), qav::kRegOk);
  }
  bool HasKey(std::u16string_view key) { return store.KeyExists(RegistryRoot::kLocalMachine, key) == qav::kRegOk; }
  bool HasValue(std::u16string_view key, std::u16string_view name) {
    return store.QueryValue(RegistryRoot::kLocalMachine, key, name, nullptr) == qav::kRegOk;
  }
  // What an installed cable leaves in the registry, beside other drivers' entries.
  void InstallCable() {
    Text(kDesc, u"qavvcumd.dll", u"QAV Virtual Cable");
    Text(kDesc, u"wdmaud.drv", u"Other sound driver");
    Key(kService);
    ASSERT_EQ(store.SetValue(RegistryRoot::kLocalMachine, kService, u"Type", qav::MakeRegistryDword(1)), qav::kRegOk);
    Text(kDrivers32, u"wave1", u"qavvcumd.dll");
    Text(kDrivers32, u"mixer1", u"qavvcumd.dll");
    Text(kDrivers32, u"wave", u"wdmaud.drv");
    Text(kUserInstallable, u"wave1", u"qavvcumd.dll");
    Key(kWaveMapper);
  }
  int Remove() { return RemoveVirtualCableDriver(qav::U16(programFolder), store); }
  std::string Called() { return qav::test::ReadFileBytes(programFolder + "called.txt"); }

  qav::test::TempDir dir;
  qav::RegistryStore store{dir.File("registry")};
  const std::string programFolder = dir.path() + "/Program Files/QAV app/";
  const std::string manager = programFolder + "mmdrvmgr.exe";
  const std::u16string params = u"-r \"QAV Virtual Cable\" \"wave,mixer\"";
  SourceLog log;
};

TEST_F(VirtualCableRemovalTest, RunsTheDriverManagerAndDeletesTheDriversEntriesOnly) {
  InstallCable();
  EXPECT_EQ(Remove(), 1);
  EXPECT_EQ(Called(), manager + "\n-r\nQAV Virtual Cable\nwave,mixer\n");

  EXPECT_FALSE(HasValue(kDesc, u"qavvcumd.dll"));
  EXPECT_FALSE(HasKey(kService));
  EXPECT_FALSE(HasValue(kDrivers32, u"wave1"));
  EXPECT_FALSE(HasValue(kDrivers32, u"mixer1"));
  EXPECT_FALSE(HasValue(kUserInstallable, u"wave1"));
  EXPECT_FALSE(HasKey(kWaveMapper));
  EXPECT_TRUE(HasValue(kDesc, u"wdmaud.drv"));  // other drivers stay
  EXPECT_TRUE(HasValue(kDrivers32, u"wave"));

  const std::vector<SourceLog::Line> expected = {
      {LOG_INFO, u"Executing " + qav::U16(manager) + u" " + params},
      {LOG_INFO, u"Removed OK: Done mmdrvmgr.exe"},
      {LOG_INFO, u"Removed OK: drivers.desc\\qavvcumd.dll"},
      {LOG_INFO, u"Removed OK: Services\\QavVirtualCable"},
      {LOG_INFO, u"Removed OK: Drivers32\\mixer1"},
      {LOG_INFO, u"Removed OK: Drivers32\\wave1"},
      {LOG_INFO, u"Removed OK: Userinstallable.drivers\\wave1"},
      {LOG_INFO, u"Removed OK: Wave Mapper\\qavvcumd.dll"},
  };
  EXPECT_EQ(log.lines, expected);
}

TEST_F(VirtualCableRemovalTest, AFailingDriverManagerLeavesEveryEntry) {
  InstallCable();
  const std::string before = qav::test::ReadFileBytes(dir.File("registry/HKEY_LOCAL_MACHINE.reg"));
  ASSERT_FALSE(before.empty());
  struct Case {
    const char* name;
    const char* exitCode;
    bool present;
    int reported;
  } cases[] = {{"exits with 3", "3", true, 3}, {"cannot start", "0", false, -1}};
  for (const Case& c : cases) {
    log.lines.clear();
    qav::test::ScopedEnv exitCode("VAC_STUB_EXIT", c.exitCode);
    if (!c.present) {
      ASSERT_EQ(::chmod(manager.c_str(), 0600), 0);  // no longer a program
    }
    EXPECT_EQ(Remove(), 0) << c.name;
    EXPECT_EQ(qav::test::ReadFileBytes(dir.File("registry/HKEY_LOCAL_MACHINE.reg")), before) << c.name;
    ASSERT_EQ(log.lines.size(), 2u) << c.name;
    EXPECT_EQ(log.lines[1].level, LOG_WARNING) << c.name;
    const std::u16string& failed = log.lines[1].text;
    EXPECT_EQ(failed.rfind(qav::Format(u"Failed Remove: [ERROR CODE %d, ", c.reported), 0), 0u) << qav::U8(failed);
    EXPECT_NE(failed.find(u"], Cmd: '" + qav::U16(manager) + u"', Params: '" + params + u"'"), std::u16string::npos)
        << qav::U8(failed);
  }
}

TEST_F(VirtualCableRemovalTest, WithoutTheCableTheManagerIsNotRunAndEachStepSaysWhatHappened) {
  struct Case {
    const char* name;
    std::function<void()> setUp;
    int result;
    std::vector<SourceLog::Line> lines;
  } cases[] = {
      {"an empty registry", [] {}, 1,
       {{LOG_INFO, u"Removed OK: drivers.desc\\qavvcumd.dll"},
        {LOG_INFO, u"Removed OK: Services\\QavVirtualCable"},
        {LOG_INFO, u"Removed OK: Wave Mapper\\qavvcumd.dll"}}},
      {"another device under the name, a service with a sub-key",
       [&] {
         Text(kDesc, u"qavvcumd.dll", u"Some Other Cable");
         Key(std::u16string(kService) + u"\\Enum");
         Text(kDrivers32, u"wave", u"wdmaud.drv");
       },
       1,
       {{LOG_INFO, u"Removed OK: drivers.desc\\qavvcumd.dll"},
        {LOG_WARNING, u"Failed Remove: Services\\QavVirtualCable"},
        {LOG_INFO, u"Removed OK: Wave Mapper\\qavvcumd.dll"}}},
      {"the description key without the value, a wave-mapper key with a sub-key",
       [&] {
         Text(kDesc, u"wdmaud.drv", u"Other sound driver");
         Key(std::u16string(kWaveMapper) + u"\\Settings");
       },
       0,
       {{LOG_WARNING, u"Failed Remove: drivers.desc\\qavvcumd.dll"},
        {LOG_INFO, u"Removed OK: Services\\QavVirtualCable"},
        {LOG_WARNING, u"Failed Remove: Wave Mapper\\qavvcumd.dll"}}},
  };
  for (const Case& c : cases) {
    qav::test::TempDir fresh;
    store = qav::RegistryStore(fresh.path());
    c.setUp();
    log.lines.clear();
    EXPECT_EQ(Remove(), c.result) << c.name;
    EXPECT_EQ(log.lines, c.lines) << c.name;
    EXPECT_EQ(Called(), "") << c.name;
  }
}

}  // namespace
