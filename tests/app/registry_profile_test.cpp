#include "app/registry_profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/startup_entry.h"
#include "foundation/server_string.h"
#include "platform/autostart.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

using namespace qav;

namespace {

class RegistryProfileTest : public ::testing::Test {
 protected:
  std::u16string Stored(const char16_t* name) { return profile_.GetProfileString(kProfileSection, name, u"<none>"); }
  bool Exists(const char16_t* name) { return profile_.ProfileValueExists(kProfileSection, name); }

  test::TempDir dir_;
  AppProfile profile_{kProfileCompany, kProfileApplication, RegistryStore(dir_.path() + "/registry")};
};

TEST_F(RegistryProfileTest, RoundTripKeepsEveryStoredValue) {
  CRegistryProfile saved;
  saved.UIMainPanelLeft = 120;
  saved.UIMainPanelTop = -7;
  saved.LoggingEnabled = 4;
  saved.Language = u"de";
  saved.LanguageSameAsSkypeClientUI = 0;
  saved.StartAppWithWindows = 1;
  saved.StartSkypeWithApp = 0;
  saved.AlwaysShowAppSysTrayIcon = 1;
  saved.RestoreWindowOnAciveCall = 0;
  saved.CheckForUpdateBtn = 1;
  saved.IsSkypeCertified = 1;
  saved.ReportProblemUsingWebPage = true;
  saved.KeptServerText = u"kept \u00e9 text";
  saved.UpdateCheckPeriodSec = 999;  // memory only
  SaveRegistryProfile(profile_, saved);
  EXPECT_EQ(profile_.GetProfileString(kProfileSection, u"Language", u""), u"DE");  // stored upper case
  EXPECT_FALSE(Exists(u"UpdateCheckPeriodSec"));
  EXPECT_FALSE(Exists(u"UpdateCheckTestServer"));  // read only

  profile_.WriteProfileInt(kProfileSection, u"UpdateCheckTestServer", 1);
  CRegistryProfile loaded;
  LoadRegistryProfile(profile_, loaded);
  EXPECT_EQ(loaded.UIMainPanelLeft, 120);
  EXPECT_EQ(loaded.UIMainPanelTop, -7);
  EXPECT_EQ(loaded.LoggingEnabled, 4);
  EXPECT_EQ(loaded.Language, u"DE");
  EXPECT_EQ(loaded.LanguageSameAsSkypeClientUI, 0);
  EXPECT_EQ(loaded.StartAppWithWindows, 1);
  EXPECT_EQ(loaded.StartSkypeWithApp, 0);
  EXPECT_EQ(loaded.AlwaysShowAppSysTrayIcon, 1);
  EXPECT_EQ(loaded.RestoreWindowOnAciveCall, 0);
  EXPECT_EQ(loaded.CheckForUpdateBtn, 1);
  EXPECT_EQ(loaded.IsSkypeCertified, 1);
  EXPECT_TRUE(loaded.ReportProblemUsingWebPage);
  EXPECT_EQ(loaded.KeptServerText, u"kept \u00e9 text");
  EXPECT_EQ(loaded.UpdateCheckTestServer, 1);
  EXPECT_EQ(loaded.UpdateCheckPeriodSec, kDefaultUpdateCheckPeriodSec);
}

TEST_F(RegistryProfileTest, AFirstStartCreatesNoLoggingValueButTurningItOffIsKept) {
  CRegistryProfile record;
  LoadRegistryProfile(profile_, record);  // empty registry: the defaults stay
  EXPECT_EQ(record.UIMainPanelLeft, -1);
  EXPECT_EQ(record.Language, u"EN");
  EXPECT_EQ(record.StartSkypeWithApp, 1);
  EXPECT_FALSE(record.ReportProblemUsingWebPage);
  SaveRegistryProfile(profile_, record);
  EXPECT_FALSE(Exists(u"LoggingEnabled"));

  record.LoggingEnabled = 6;
  SaveRegistryProfile(profile_, record);
  record.LoggingEnabled = 0;
  SaveRegistryProfile(profile_, record);
  EXPECT_EQ(profile_.GetProfileInt(kProfileSection, u"LoggingEnabled", -1), 0);
}

TEST_F(RegistryProfileTest, EachSaveWritesFreshEnvelopesOfTheSameValues) {
  VirtualClock clock;
  SetCurrentClock(&clock);
  CRegistryProfile record;
  record.ReportProblemUsingWebPage = true;
  record.KeptServerText = u"abc";
  SaveRegistryProfile(profile_, record);
  const std::u16string first1 = Stored(u"cnfgstr1"), first4 = Stored(u"cnfgstr4"), first0 = Stored(u"cnfgstr0");
  clock.SetWall({1'700'000'777, 0});  // another second: another key
  SaveRegistryProfile(profile_, record);
  SetCurrentClock(nullptr);
  EXPECT_NE(Stored(u"cnfgstr1"), first1);
  EXPECT_NE(Stored(u"cnfgstr4"), first4);
  EXPECT_EQ(DecodeServerString(Stored(u"cnfgstr1")), u"1");
  EXPECT_EQ(DecodeServerString(first1), u"1");
  EXPECT_EQ(DecodeServerString(Stored(u"cnfgstr4")), u"abc");
  EXPECT_EQ(DecodeServerString(first0), u"");
  EXPECT_EQ(DecodeServerString(Stored(u"cnfgstr9")), u"");

  // A damaged envelope reads as an empty text: the flag is off, the kept text empty.
  profile_.WriteProfileString(kProfileSection, u"cnfgstr1", u"0000000000garbage");
  CRegistryProfile loaded;
  loaded.ReportProblemUsingWebPage = true;
  LoadRegistryProfile(profile_, loaded);
  EXPECT_FALSE(loaded.ReportProblemUsingWebPage);
  EXPECT_EQ(loaded.KeptServerText, u"abc");
}

class StartupEntryTest : public RegistryProfileTest {
 protected:
  std::string EntryPath() const { return dir_.path() + "/autostart/ZarvelinQAV.desktop"; }
  ino_t EntryInode() const {
    struct stat info {};
    return stat(EntryPath().c_str(), &info) == 0 ? info.st_ino : 0;
  }
  const std::u16string folder_ = U16(dir_.path() + "/autostart/");
  const std::u16string program_ = u"/opt/Q A V/qav";
};

TEST_F(StartupEntryTest, FollowsStartAppWithWindows) {
  profile_.WriteProfileInt(kProfileSection, u"StartAppWithWindows", 0);
  StartupUpdate(false, program_, folder_, profile_);  // nothing to remove, the value goes
  EXPECT_EQ(EntryInode(), 0u);
  EXPECT_FALSE(Exists(u"StartAppWithWindows"));

  StartupUpdate(true, program_, folder_, profile_);
  EXPECT_EQ(ReadAutostartExec(folder_, u"ZarvelinQAV"), u"\"/opt/Q A V/qav\" \"/winstartup\"");
  EXPECT_EQ(StartupEntryExec(program_), u"\"/opt/Q A V/qav\" \"/winstartup\"");
  const ino_t written = EntryInode();
  StartupUpdate(true, program_, folder_, profile_);  // exactly as wanted: not written again
  EXPECT_EQ(EntryInode(), written);
  StartupUpdate(true, u"/elsewhere/qav", folder_, profile_);
  EXPECT_EQ(ReadAutostartExec(folder_, u"ZarvelinQAV"), u"\"/elsewhere/qav\" \"/winstartup\"");

  profile_.WriteProfileInt(kProfileSection, u"StartAppWithWindows", 1);
  StartupUpdate(false, program_, folder_, profile_);
  EXPECT_EQ(EntryInode(), 0u);
  EXPECT_FALSE(Exists(u"StartAppWithWindows"));
}

}  // namespace
