#include "foundation/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <string_view>
#include <variant>
#include <vector>

#include "foundation/app_folders.h"
#include "foundation/conversions.h"
#include "foundation/language_tables.h"
#include "foundation/mail_password.h"
#include "platform/private_profile.h"
#include "platform/text.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

using qav::U16;
using qav::U8;

namespace {

// The program folder is read once per process, so it is pointed at a private folder before any
// test runs (portable mode keeps its settings there).
class ProgramFolderEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { setenv("QAV_PROGRAM_DIR", (folder_.path() + "/program").c_str(), 1); }

 private:
  qav::test::TempDir folder_;
};
const auto* const kProgramFolder = ::testing::AddGlobalTestEnvironment(new ProgramFolderEnvironment);

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(U8(GetAppFolder()));
    LoadDefaultLangLib();
    SetSettingsHooks({
        .currentUserHandle = [this] { return user; },
        .applyLanguage = [this](const std::u16string& path) { appliedLanguage = path; },
        .languageFilePath = [] { return std::u16string(u"/opt/qav/Language/ZV_DE.lang"); },
    });
    g_RemovableMode = false;
    SetAppDrive(u"/media/usb");
    SetDefaultOptions();
  }
  void TearDown() override {
    SetSettingsHooks({});
    g_RemovableMode = false;
    std::filesystem::remove(U8(GetAppFolder()) + "QAV.ini");
  }

  std::string Global() { return qav::test::ReadFileBytes(U8(GetIniFilePath())); }
  std::string UserFile() { return qav::test::ReadFileBytes(dir.path() + "/data/QAV/alice/QAV.ini"); }
  void PutGlobal(const std::string& text) {
    std::filesystem::create_directories(dir.path() + "/data/QAV");
    ASSERT_TRUE(qav::test::WriteFileBytes(dir.path() + "/data/QAV/QAV.ini", text));
  }
  void PutUser(const std::string& text) {
    std::filesystem::create_directories(dir.path() + "/data/QAV/alice");
    ASSERT_TRUE(qav::test::WriteFileBytes(dir.path() + "/data/QAV/alice/QAV.ini", text));
  }

  qav::test::TempDir dir;
  qav::test::ScopedEnv data{"QAV_DATA_DIR", dir.path() + "/data"};
  qav::test::ScopedEnv config{"QAV_CONFIG_DIR", dir.path() + "/config"};
  std::u16string user;
  std::u16string appliedLanguage;
};

TEST_F(SettingsTest, WithoutACurrentUserOnlyTheGlobalKeysAreReadAndWritten) {
  PutGlobal("[Settings]\nAnswerAllowed=0\nSecB4AnsweringOnline=99\nAdvancedSettingMode=1\n"
            "LanguageFilePath=/x/ZV_FR.lang\nDebugFileLevel=4\nLastCheckForUpdatesDate=3000000000\n");
  LoadSettings();
  EXPECT_EQ(g_AnswerAllowed, 1);  // user keys keep their defaults
  EXPECT_EQ(g_SecB4AnsweringOnline, 15);
  EXPECT_EQ(g_GreetingTextMsg.Get(), GetLangString(650));
  EXPECT_NE(g_GreetingTextMsg.Get().find(u"\r\n"), std::u16string::npos);
  EXPECT_EQ(g_AdvancedSettingMode, 1);
  EXPECT_EQ(g_DebugFileLevel, 4);
  EXPECT_EQ(appliedLanguage, u"/x/ZV_FR.lang");
  EXPECT_EQ(g_LastCheckForUpdatesDate, int64_t{3000000000});  // read back unsigned

  g_WinStartUp = 0;
  SaveSettings();
  const std::string saved = Global();
  EXPECT_NE(saved.find("AnswerAllowed=0\n"), std::string::npos);  // untouched
  EXPECT_EQ(saved.find("SecB4AnsweringAway"), std::string::npos);  // no user key written
  EXPECT_NE(saved.find("LanguageFilePath=/opt/qav/Language/ZV_DE.lang\n"), std::string::npos);
  EXPECT_NE(saved.find("WinStartUp=0\n"), std::string::npos);
  EXPECT_EQ(saved.find("ShowOpenFolderButton"), std::string::npos);
  EXPECT_EQ(saved.find("PlayMsgWin"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/data/QAV/alice"));
}

TEST_F(SettingsTest, UserKeysFallBackKeyByKeyToTheGlobalFileThenTheDefault) {
  PutGlobal("[Settings]\nSMTPServerAddress=smtp.example.org\nSMTPServerPort=587\nAnswerAllowed=0\n");
  user = u"alice";
  LoadSettings();  // no per-user file yet: every user key from the global file
  EXPECT_EQ(g_SMTPServerAddress.Get(), u"smtp.example.org");
  EXPECT_EQ(g_SMTPServerPort, 587);
  EXPECT_EQ(g_AnswerAllowed, 0);
  EXPECT_EQ(g_MaxRecordingDurationSec, 120);

  // The tray writes one key into a new per-user file: the others still come from the global file.
  ASSERT_TRUE(WriteUserIniInt(u"AnswerAllowed", 1));
  EXPECT_EQ(UserFile(), "[Settings]\nAnswerAllowed=1\n");
  g_SMTPServerAddress = u"";
  LoadSettings();
  EXPECT_EQ(g_AnswerAllowed, 1);
  EXPECT_EQ(g_SMTPServerAddress.Get(), u"smtp.example.org");
  EXPECT_EQ(g_SMTPServerPort, 587);
  EXPECT_EQ(GetUserIniString(u"Missing", u"dflt"), u"dflt");

  // Without a current user the single-key writers use the global file.
  user.clear();
  ASSERT_TRUE(WriteUserIniInt(u"ConversationAutoRecordMode", 1));
  EXPECT_NE(Global().find("ConversationAutoRecordMode=1\n"), std::string::npos);
}

TEST_F(SettingsTest, ValuesSurviveASaveAndALoad) {
  user = u"alice";
  g_GreetingTextMsg = u"line one\r\nline two\nthree\n\rfour\rfive";
  g_RejectCallWaitingQAVTextMsg = u"\"quoted\" start";
  g_YourEMailAddress = u"\"me\"@example.org";
  g_EMailUserOwnSubjectLineText = u"subject\r\n[Injected]";
  g_SMTPServerPort = -1;
  g_AudioPlaybackDeviceName = u"Ger\u00e4t \u2122";
  g_CallWaitingInfoTipShowedCount = 7;
  g_LastNotifiedVersionOnServerDate = int64_t{0x1'2345'6789};  // keeps its low 32 bits
  g_WinStartUp = 0;
  SaveSettings();
  const std::string file = UserFile();
  EXPECT_NE(file.find("GreetingTextMsg=line one/nline two/nthree/nfour/nfive\n"), std::string::npos);
  EXPECT_NE(file.find("RejectCallWaitingQAVTextMsg=\"\"quoted\" start\"\n"), std::string::npos);
  EXPECT_NE(file.find("SMTPServerPort=4294967295\n"), std::string::npos);
  EXPECT_NE(file.find("EMailUserOwnSubjectLineText=subject  [Injected]\n"), std::string::npos);
  EXPECT_EQ(file.find("\n[Injected]"), std::string::npos);
  EXPECT_NE(Global().find("LastNotifiedVersionOnServerDate=591751049\n"), std::string::npos);

  SetDefaultOptions();
  g_LastNotifiedVersionOnServerDate = 0;
  LoadSettings();
  EXPECT_EQ(g_GreetingTextMsg.Get(), u"line one\r\nline two\r\nthree\r\nfour\r\nfive");
  EXPECT_EQ(g_RejectCallWaitingQAVTextMsg.Get(), u"\"quoted\" start");
  EXPECT_EQ(g_YourEMailAddress.Get(), u"\"me\"@example.org");
  EXPECT_EQ(g_SMTPServerPort, -1);
  EXPECT_EQ(g_AudioPlaybackDeviceName.Get(), u"Ger\u00e4t \u2122");
  EXPECT_EQ(g_CallWaitingInfoTipShowedCount, 7);
  EXPECT_EQ(g_LastNotifiedVersionOnServerDate, int64_t{0x2345'6789});

  CPoint point;
  LoadPlayMsgWindowPos(point);
  EXPECT_EQ(point.x, -1);
  EXPECT_EQ(point.y, -1);
  SavePlayMsgWindowPos({.x = 40, .y = -1});
  EXPECT_NE(Global().find("PlayMsgWinTop=4294967295\n"), std::string::npos);
  LoadPlayMsgWindowPos(point);
  EXPECT_EQ(point.x, 40);
  EXPECT_EQ(point.y, -1);
}

TEST_F(SettingsTest, GreetingPathsFollowTheProgramFolderAndItsDrive) {
  const std::u16string program = GetAppFolder();
  // Defaults get the rule too, not only values read from a file.
  EXPECT_EQ(g_GreetingSoundMsgPath.Get(), program + u"greeting.wav");
  EXPECT_EQ(g_GreetingVideoMsgPath.Get(), program + u"greeting.avi");

  user = u"alice";
  PutUser("[Settings]\nGreetingSoundMsgPath=greeting.wav\nGreetingSoundMsgPathForNonAuth=:/QAV/other.wav\n"
          "GreetingVideoMsgPath=Greeting.avi\n");
  LoadSettings();
  EXPECT_EQ(g_GreetingSoundMsgPath.Get(), program + u"greeting.wav");
  EXPECT_EQ(g_GreetingSoundMsgPathForNonAuth.Get(), u"/media/usb/QAV/other.wav");
  EXPECT_EQ(g_GreetingVideoMsgPath.Get(), u"Greeting.avi");  // compared case-sensitively

  // Portable mode stores paths on the program's drive without it, and reads them back on the drive
  // the medium has now.
  g_RemovableMode = true;
  g_GreetingSoundMsgPath = u"/media/usb/QAV/mine.wav";
  g_GreetingVideoMsgPath = u"/home/me/video.avi";  // elsewhere: kept whole
  g_WinStartUp = 0;
  SaveSettings();
  const std::string file = qav::test::ReadFileBytes(U8(program) + "alice/QAV.ini");
  EXPECT_NE(file.find("GreetingSoundMsgPath=:/QAV/mine.wav\n"), std::string::npos);
  EXPECT_NE(file.find("GreetingVideoMsgPath=/home/me/video.avi\n"), std::string::npos);
  SetAppDrive(u"/run/media/me/STICK/");
  LoadSettings();
  EXPECT_EQ(g_GreetingSoundMsgPath.Get(), u"/run/media/me/STICK/QAV/mine.wav");
  EXPECT_EQ(g_GreetingVideoMsgPath.Get(), u"/home/me/video.avi");
  SetAppDrive(u"/");  // the root file system: ":" + the whole path
  EXPECT_EQ(GetAppDrive(), u"");
  g_GreetingSoundMsgPath = u"/opt/qav/greeting2.wav";
  SaveAnswerSettings();
  EXPECT_NE(qav::test::ReadFileBytes(U8(program) + "alice/QAV.ini").find("GreetingSoundMsgPath=:/opt/qav/greeting2.wav\n"),
            std::string::npos);
  LoadAnswerSettings();
  EXPECT_EQ(g_GreetingSoundMsgPath.Get(), u"/opt/qav/greeting2.wav");
  std::filesystem::remove_all(U8(program) + "alice");
}

TEST_F(SettingsTest, FoldersFollowTheModeAndRefuseHandlesThatLeaveTheDataFolder) {
  const std::u16string data = U16(dir.path() + "/data/QAV/");
  EXPECT_EQ(GetAppDataFolder(), data);
  EXPECT_TRUE(std::filesystem::is_directory(U8(data)));
  EXPECT_EQ(GetUserDataFolder(), u"");
  EXPECT_EQ(GetUserIniPath(), u"");
  user = u"live:alice.b";
  EXPECT_EQ(GetUserIniPath(), data + u"live:alice.b/QAV.ini");
  EXPECT_TRUE(std::filesystem::is_directory(U8(data) + "live:alice.b"));

  const std::u16string unsafe[] = {u"..", u".", u"../evil", u"a/b", u"a\\b", std::u16string(u"a\0b", 3),
                                   u"tab\there", std::u16string(200, u'\u00e9')};
  for (const auto& handle : unsafe) {
    user = handle;
    EXPECT_EQ(GetUserDataFolder(), u"") << U8(handle);
  }
  user = u"../evil";
  g_AnswerAllowed = 0;
  SaveAnswerSettings();  // treated as no current user: nothing written anywhere
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/data/evil"));
  EXPECT_EQ(Global(), "");
  LoadAnswerSettings();
  EXPECT_EQ(g_AnswerAllowed, 1);

  EXPECT_EQ(GetMessagesRootFolder(), data);
  g_RcvdMsgsFolderPath = u"/srv/messages";
  g_RecConvsFolderPath = u"/srv/talks/";
  EXPECT_EQ(GetMessagesRootFolder(), u"/srv/messages/");
  EXPECT_EQ(GetConversationsRootFolder(), u"/srv/talks/");
  EXPECT_EQ(GetRecordingFileExtension(), u"wav");
  g_AudioFileRecordingFormat = 2;
  EXPECT_EQ(GetRecordingFileExtension(), u"mp3");
  g_RemovableMode = true;
  EXPECT_EQ(GetAppDataFolder(), GetAppFolder());
  EXPECT_EQ(GetMessagesRootFolder(), GetAppFolder());
  EXPECT_EQ(GetConversationsRootFolder(), GetAppFolder());
  EXPECT_EQ(GetIniFilePath(), GetAppFolder() + u"QAV.ini");
}

TEST_F(SettingsTest, MailPasswordsAreStoredEncipheredAndReadBackWhole) {
  user = u"alice";
  const std::u16string ascii64(64, u'p');
  struct Case {
    std::u16string password;
    std::u16string expected;
  } cases[] = {
      {u"", u""},
      {u"secret", u"secret"},
      {ascii64, ascii64},
      {ascii64 + u"xyz", ascii64},                                  // cut to 64 bytes
      {std::u16string(40, u'\u00fc'), std::u16string(32, u'\u00fc')},  // 2-byte characters: never split
      {u"ab" + std::u16string(21, u'\u20ac'), u"ab" + std::u16string(20, u'\u20ac')},
  };
  for (const auto& c : cases) {
    g_EMailLoginPass = c.password;
    SaveAnswerSettings();
    const std::u16string stored = qav::GetPrivateProfileString(u"Settings", u"EMailLoginPass", u"?", 256,
                                                               GetUserIniPath());
    EXPECT_EQ(stored.size(), c.password.empty() ? 0u : 128u);
    if (!c.password.empty()) {
      EXPECT_EQ(stored.find(U16(U8(c.password).substr(0, 3))), std::u16string::npos);
    }
    g_EMailLoginPass = u"wrong";
    LoadAnswerSettings();
    EXPECT_EQ(g_EMailLoginPass.Get(), c.expected) << U8(c.password);
  }

  // 64 characters or fewer: an old plain value. Damaged ciphertext: reported and left empty.
  ASSERT_TRUE(WriteUserIniString(u"EMailLoginPass", u"plain old"));
  LoadAnswerSettings();
  EXPECT_EQ(g_EMailLoginPass.Get(), u"plain old");
  std::u16string damaged = EncodeMailPassword(u"secret");
  damaged[0] = damaged[0] == u'0' ? u'1' : u'0';
  for (const std::u16string& bad : {damaged, std::u16string(127, u'A') + u"G"}) {
    ASSERT_TRUE(WriteUserIniString(u"EMailLoginPass", bad));
    LoadAnswerSettings();
    EXPECT_EQ(g_EMailLoginPass.Get(), u"");
  }

  // The older form: the global file holds 128 raw enciphered bytes.
  auto raw = [](std::u16string_view password) {
    uint8_t bytes[64];
    EXPECT_EQ(HexToBytes(EncodeMailPassword(password), bytes, 64), 64);
    return std::string(reinterpret_cast<char*>(bytes), 64);
  };
  std::string oldForm;
  const std::string edges("\"; \t\x0b\x0c", 6);
  for (int i = 0; oldForm.empty() && i < 1000; ++i) {  // one whose bytes a profile line holds unchanged
    const std::string candidate = raw(qav::Format(u"old%d", i)) + raw(qav::Format(u"tail%d", i));
    if (candidate.find_first_of(std::string("\0\r\n", 3)) == std::string::npos &&
        edges.find(candidate.front()) == std::string::npos && edges.find(candidate.back()) == std::string::npos) {
      oldForm = candidate;
    }
  }
  ASSERT_FALSE(oldForm.empty());
  PutGlobal("[Settings]\nEMailLoginPass=" + oldForm + "\n");
  ASSERT_TRUE(WriteUserIniString(u"EMailLoginPass", std::u16string(100, u'x')));
  LoadAnswerSettings();
  EXPECT_EQ(g_EMailLoginPass.Get().substr(0, 3), u"old");
  PutGlobal("[Settings]\nEMailLoginPass=" + oldForm.substr(0, 100) + "\n");  // too short: not read past its end
  LoadAnswerSettings();
  EXPECT_EQ(g_EMailLoginPass.Get(), u"");
}

TEST_F(SettingsTest, RequiredMailSettings) {
  struct Case {
    const char16_t* address;
    const char16_t* server;
    int32_t port;
    bool incomplete;
  } cases[] = {
      {u"me@example.org", u"smtp.example.org", 25, false},
      {u"", u"smtp.example.org", 25, true},
      {u"me@example.org", u"", 25, true},
      {u"me@example.org", u"smtp.example.org", 0, true},
  };
  for (const auto& c : cases) {
    g_YourEMailAddress = c.address;
    g_SMTPServerAddress = c.server;
    g_SMTPServerPort = c.port;
    EXPECT_EQ(CheckRequiredSettings(), c.incomplete) << U8(c.address) << "|" << U8(c.server) << "|" << c.port;
  }
}

TEST_F(SettingsTest, TheAutostartEntryFollowsWinStartUp) {
  const std::string entry = dir.path() + "/config/autostart/QAV.desktop";
  const std::string older = dir.path() + "/config/autostart/QAV Answering Machine.desktop";
  std::filesystem::create_directories(dir.path() + "/config/autostart");
  ASSERT_TRUE(qav::test::WriteFileBytes(older, "[Desktop Entry]\n"));
  g_WinStartUp = 1;
  SaveSettings();
  const std::string text = qav::test::ReadFileBytes(entry);
  EXPECT_NE(text.find("Exec=\"" + U8(GetAppFolder()) + "test_foundation\"\n"), std::string::npos) << text;
  EXPECT_FALSE(std::filesystem::exists(older));

  g_WinStartUp = 0;
  SaveSettings();
  EXPECT_FALSE(std::filesystem::exists(entry));

  g_RemovableMode = true;  // portable mode leaves the autostart folder alone
  g_WinStartUp = 1;
  UpdateStartupShortcut();
  EXPECT_FALSE(std::filesystem::exists(entry));
}

}  // namespace

TEST_F(SettingsTest, OneOptionIsSavedAtOnceToTheFileItsKeyBelongsTo) {
  const struct {
    COptionInt* option;
    std::string key;
    bool perUser;
  } cases[] = {
      {&g_AnswerAllowed, "AnswerAllowed", true},
      {&g_ConversationAutoRecordMode, "ConversationAutoRecordMode", true},
      {&g_ShowBalloonTips, "ShowBalloonTips", false},
      {&g_DebugFileLevel, "DebugFileLevel", false},
  };
  for (const auto& c : cases) {
    for (const std::u16string& signedIn : {std::u16string(u"alice"), std::u16string()}) {
      user = signedIn;
      *c.option = 7;
      ASSERT_TRUE(SaveOption(*c.option)) << c.key;
      // Without a current user a per-user key goes to the global file, as the single-key writers do.
      const bool inUserFile = c.perUser && !signedIn.empty();
      const std::string line = "\n" + c.key + "=7\n";
      EXPECT_EQ(UserFile().find(line) != std::string::npos, inUserFile) << c.key << " " << U8(signedIn);
      EXPECT_EQ(Global().find(line) != std::string::npos, !inUserFile) << c.key << " " << U8(signedIn);
      std::filesystem::remove(dir.path() + "/data/QAV/alice/QAV.ini");
      std::filesystem::remove(U8(GetIniFilePath()));
    }
  }
  EXPECT_FALSE(SaveOption(g_ShowOpenFolderButton)) << "read only: the program never writes it";
  EXPECT_EQ(Global().find("ShowOpenFolderButton"), std::string::npos);
}

// A multi-line text is stored with each line break as two units, and may be longer than one line
// of the file's usual 255: it reads back whole. A one-line text keeps the usual buffer.
TEST_F(SettingsTest, MultiLineTextsLongerThanTheUsualBufferReadBackWhole) {
  user = u"alice";
  std::u16string lines;
  for (int i = 0; i < 80; ++i) lines += u"line " + qav::Utf8ToUtf16(std::to_string(i)) + u"\r\n";
  lines += u"end";
  ASSERT_GT(lines.size(), 600u);
  COptionText* const texts[] = {&g_GreetingTextMsg, &g_GreetingTextMsgForNonAuth,
                                &g_RecConvTextNotificationTextMsgStart, &g_RecConvTextNotificationTextMsgStop,
                                &g_RejectCallWaitingQAVTextMsg, &g_RejectCallWaitingUserTextMsg};
  for (COptionText* text : texts) *text = lines;
  g_EMailUserOwnSubjectLineText = std::u16string(300, u's');
  SaveSettings();
  SetDefaultOptions();
  LoadSettings();
  for (size_t i = 0; i < std::size(texts); ++i) EXPECT_EQ(texts[i]->Get(), lines) << "text " << i;
  EXPECT_EQ(g_EMailUserOwnSubjectLineText.Get(), std::u16string(255, u's'));
}

// Every key of the two settings files, written out here by hand and not taken from the program's
// own table: its name, its file (U: the user's, G: the global one, both in section "Settings"), how
// it is stored, its built-in default as the file shows it, and the variable it loads into. The
// program must write exactly these keys, in this order, with these defaults, and read each one from
// its own file by this name.
namespace {
namespace keys {

enum class Kind { kInt, kTime, kText, kMultiLine, kGreetingPath, kPassword, kLanguagePath, kReadOnlyInt, kPlayerPos };
using Variable = std::variant<std::monostate, COptionInt*, COptionTime*, COptionText*>;
struct Key {
  const char* name;
  char file;
  Kind kind;
  const char* defaultValue;
  Variable variable;
};

constexpr char kOwnText[] = "Call answered by QAV - Answering Machine for Skype\u2122 users./n/nPlease leave your voice message "
                            "after the tone and hangup the call when you are done.";
constexpr char kRejectWhileRecordingText[] =
    "Another caller is leaving a message on my answering machine./nPlease call again later./n/n(This is an auto "
    "response message from QAV - Answering Machine for Skype\u2122 users)";
constexpr char kRejectWhileTalkingText[] =
    "I am currently talking with another caller./nPlease call again later./n/n(This is an auto response message "
    "from QAV - Answering Machine for Skype\u2122 users)";

const Key kKeys[] = {
    {"AnswerAllowed", 'U', Kind::kInt, "1", &g_AnswerAllowed},
    {"AnswerAllowedOnline", 'U', Kind::kInt, "1", &g_AnswerAllowedOnline},
    {"SecB4AnsweringOnline", 'U', Kind::kInt, "15", &g_SecB4AnsweringOnline},
    {"AnswerAllowedAway", 'U', Kind::kInt, "1", &g_AnswerAllowedAway},
    {"SecB4AnsweringAway", 'U', Kind::kInt, "2", &g_SecB4AnsweringAway},
    {"MuteVolumeOnAnswer", 'U', Kind::kInt, "1", &g_MuteVolumeOnAnswer},
    {"TakeControlUserOption", 'U', Kind::kInt, "1", &g_TakeControlUserOption},
    {"GreetingSoundMsgPath", 'U', Kind::kGreetingPath, "greeting.wav", &g_GreetingSoundMsgPath},
    {"GreetingVideoAllowed", 'U', Kind::kInt, "1", &g_GreetingVideoAllowed},
    {"GreetingVideoMsgPath", 'U', Kind::kGreetingPath, "greeting.avi", &g_GreetingVideoMsgPath},
    {"GreetingTextMsgAllowed", 'U', Kind::kInt, "1", &g_GreetingTextMsgAllowed},
    {"GreetingTextMsg", 'U', Kind::kMultiLine, kOwnText, &g_GreetingTextMsg},
    {"MaxRecordingDurationSec", 'U', Kind::kInt, "120", &g_MaxRecordingDurationSec},
    {"EMailNotificationAllowed", 'U', Kind::kInt, "0", &g_EMailNotificationAllowed},
    {"EMailAttachmentAllowed", 'U', Kind::kInt, "0", &g_EMailAttachmentAllowed},
    {"AutoDelMsgAfterEMailAllowed", 'U', Kind::kInt, "0", &g_AutoDelMsgAfterEMailAllowed},
    {"UseNonAuthorizedCallerSettings", 'U', Kind::kInt, "0", &g_UseNonAuthorizedCallerSettings},
    {"DisableAnswerOfNonAuthCaller", 'U', Kind::kInt, "1", &g_DisableAnswerOfNonAuthCaller},
    {"GreetingSoundMsgPathForNonAuth", 'U', Kind::kGreetingPath, "greeting.wav", &g_GreetingSoundMsgPathForNonAuth},
    {"GreetingTextMsgForNonAuth", 'U', Kind::kMultiLine, kOwnText, &g_GreetingTextMsgForNonAuth},
    {"GreetingTextMsgAllowedForNonAuth", 'U', Kind::kInt, "0", &g_GreetingTextMsgAllowedForNonAuth},
    {"MaxRecordingDurationForNonAuthSec", 'U', Kind::kInt, "40", &g_MaxRecordingDurationForNonAuthSec},
    {"EMailNotificationAllowedForNonAuth", 'U', Kind::kInt, "0", &g_EMailNotificationAllowedForNonAuth},
    {"EMailAttachmentAllowedForNonAuth", 'U', Kind::kInt, "0", &g_EMailAttachmentAllowedForNonAuth},
    {"AutoDelMsgAfterEMailAllowedForNonAuth", 'U', Kind::kInt, "0", &g_AutoDelMsgAfterEMailAllowedForNonAuth},
    {"ConversationAutoRecordMode", 'U', Kind::kInt, "0", &g_ConversationAutoRecordMode},
    {"RecConvAudioNotificationAllowed", 'U', Kind::kInt, "1", &g_RecConvAudioNotificationAllowed},
    {"RecConvTextNotificationStartAllowed", 'U', Kind::kInt, "1", &g_RecConvTextNotificationStartAllowed},
    {"RecConvTextNotificationTextMsgStart", 'U', Kind::kMultiLine, "This conversation is being recorded",
     &g_RecConvTextNotificationTextMsgStart},
    {"RecConvTextNotificationStopAllowed", 'U', Kind::kInt, "1", &g_RecConvTextNotificationStopAllowed},
    {"RecConvTextNotificationTextMsgStop", 'U', Kind::kMultiLine, "Recording of this conversation has stopped",
     &g_RecConvTextNotificationTextMsgStop},
    {"ConversationAudioFileModeStereo", 'U', Kind::kInt, "1", &g_ConversationAudioFileModeStereo},
    {"RejectCallWaitingQAVEnabled", 'U', Kind::kInt, "0", &g_RejectCallWaitingQAVEnabled},
    {"RejectCallWaitingQAVTextEnabled", 'U', Kind::kInt, "1", &g_RejectCallWaitingQAVTextEnabled},
    {"RejectCallWaitingQAVTextMsg", 'U', Kind::kMultiLine, kRejectWhileRecordingText, &g_RejectCallWaitingQAVTextMsg},
    {"RejectCallWaitingUserEnabled", 'U', Kind::kInt, "0", &g_RejectCallWaitingUserEnabled},
    {"RejectCallWaitingUserTextEnabled", 'U', Kind::kInt, "1", &g_RejectCallWaitingUserTextEnabled},
    {"RejectCallWaitingUserTextMsg", 'U', Kind::kMultiLine, kRejectWhileTalkingText, &g_RejectCallWaitingUserTextMsg},
    {"AudioFileRecordingQuality", 'U', Kind::kInt, "1", &g_AudioFileRecordingQuality},
    {"AudioFileRecordingFormat", 'U', Kind::kInt, "0", &g_AudioFileRecordingFormat},
    {"AudioPlaybackDeviceName", 'U', Kind::kText, "", &g_AudioPlaybackDeviceName},
    {"AudioRecordingDeviceName", 'U', Kind::kText, "", &g_AudioRecordingDeviceName},
    {"YourEMailAddress", 'U', Kind::kText, "", &g_YourEMailAddress},
    {"SMTPServerAddress", 'U', Kind::kText, "", &g_SMTPServerAddress},
    {"SMTPServerPort", 'U', Kind::kInt, "25", &g_SMTPServerPort},
    {"EMailLoginName", 'U', Kind::kText, "", &g_EMailLoginName},
    {"EMailLoginPass", 'U', Kind::kPassword, "", &g_EMailLoginPass},
    {"SMTPSSLEnabled", 'U', Kind::kInt, "0", &g_SMTPSSLEnabled},
    {"SMTPSPAEnabled", 'U', Kind::kInt, "0", &g_SMTPSPAEnabled},
    {"EMailUserOwnSubjectLineAllow", 'U', Kind::kInt, "0", &g_EMailUserOwnSubjectLineAllow},
    {"EMailUserOwnSubjectLineText", 'U', Kind::kText, "", &g_EMailUserOwnSubjectLineText},
    {"EMailOtherTOAddressAllow", 'U', Kind::kInt, "0", &g_EMailOtherTOAddressAllow},
    {"EMailOtherTOAddressText", 'U', Kind::kText, "", &g_EMailOtherTOAddressText},
    {"RcvdMsgsFolderPath", 'U', Kind::kText, "", &g_RcvdMsgsFolderPath},
    {"IsRcvdMsgsFolderLimited", 'U', Kind::kInt, "0", &g_IsRcvdMsgsFolderLimited},
    {"RcvdMsgsFolderSize", 'U', Kind::kInt, "0", &g_RcvdMsgsFolderSize},
    {"RecConvsFolderPath", 'U', Kind::kText, "", &g_RecConvsFolderPath},
    {"IsRecConvsFolderNotified", 'U', Kind::kInt, "0", &g_IsRecConvsFolderNotified},
    {"RecConvsFolderSize", 'U', Kind::kInt, "0", &g_RecConvsFolderSize},
    {"VoiceMsgDeleteConfirmation", 'U', Kind::kInt, "1", &g_VoiceMsgDeleteConfirmation},
    {"ConversationDeleteConfirmation", 'U', Kind::kInt, "1", &g_ConversationDeleteConfirmation},
    {"ShowNumRecordingsInTab", 'U', Kind::kInt, "1", &g_ShowNumRecordingsInTab},
    {"ShowNumRecordingsInSysTray", 'U', Kind::kInt, "1", &g_ShowNumRecordingsInSysTray},
    {"EnableVSAProcessing", 'U', Kind::kInt, "1", &g_EnableVSAProcessing},
    {"CallWaitingInfoTipShowedCount", 'U', Kind::kInt, "0", &g_CallWaitingInfoTipShowedCount},
    {"ShowFrameVSAWhenDisabled", 'U', Kind::kInt, "0", &g_ShowFrameVSAWhenDisabled},
    {"AdvancedSettingMode", 'G', Kind::kInt, "0", &g_AdvancedSettingMode},
    {"WinStartUp", 'G', Kind::kInt, "1", &g_WinStartUp},
    {"SkypeStartUp", 'G', Kind::kInt, "1", &g_SkypeStartUp},
    {"RestoreWin", 'G', Kind::kInt, "1", &g_RestoreWin},
    {"ShowBalloonTips", 'G', Kind::kInt, "0", &g_ShowBalloonTips},
    {"ScreenReaderFriendlyMode", 'G', Kind::kInt, "0", &g_ScreenReaderFriendlyMode},
    {"NotifyAboutMajorVersionsOnly", 'G', Kind::kInt, "1", &g_NotifyAboutMajorVersionsOnly},
    {"LanguageFilePath", 'G', Kind::kLanguagePath, "Langauge/ZV_EN.lang", &g_LanguageFilePath},
    {"LastCheckForUpdatesDate", 'G', Kind::kTime, "0", &g_LastCheckForUpdatesDate},
    {"LastNotifiedVersionOnServer", 'G', Kind::kText, "", &g_LastNotifiedVersionOnServer},
    {"LastNotifiedVersionOnServerDate", 'G', Kind::kTime, "0", &g_LastNotifiedVersionOnServerDate},
    {"OpenSkypeDotComWhenMissingSkype", 'G', Kind::kInt, "1", &g_OpenSkypeDotComWhenMissingSkype},
    {"ShowOpenFolderButton", 'G', Kind::kReadOnlyInt, "0", &g_ShowOpenFolderButton},
    {"DebugFileLevel", 'G', Kind::kInt, "8", &g_DebugFileLevel},
    {"PlayMsgWinTop", 'G', Kind::kPlayerPos, "-1", {}},
    {"PlayMsgWinLeft", 'G', Kind::kPlayerPos, "-1", {}},
};

// A settings file as its lines: the section's header, then key and value in the file's order.
std::vector<std::pair<std::string, std::string>> Entries(const std::string& file) {
  std::vector<std::pair<std::string, std::string>> entries;
  std::istringstream lines(file);
  std::string line;
  while (std::getline(lines, line)) {
    const size_t equals = line.find('=');
    entries.emplace_back(line.substr(0, equals), equals == std::string::npos ? "" : line.substr(equals + 1));
  }
  return entries;
}

// Whether the whole-set save writes the key (the player's position is written by the player, and
// one key is only ever read).
bool SavedWithTheSettings(const Key& k) { return k.kind != Kind::kReadOnlyInt && k.kind != Kind::kPlayerPos; }

// A value unlike any default for row `i`, as a file holds it.
std::string StoredValue(const Key& k, size_t i) {
  const std::string n = std::to_string(i);
  switch (k.kind) {
    case Kind::kTime: return std::to_string(3'000'000'000u + i);
    case Kind::kText: return "text " + n;
    case Kind::kMultiLine: return "line " + n + "/nnext";
    case Kind::kGreetingPath: return ":/x/" + n + ".wav";
    case Kind::kPassword: return "secret " + n;
    case Kind::kLanguagePath: return "/lang/ZV_" + n + ".lang";
    default: return std::to_string(100 + i);
  }
}

// What the program holds after reading that value (the path rule puts the program's drive first).
std::string LoadedValue(const Key& k, size_t i) {
  switch (k.kind) {
    case Kind::kMultiLine: return "line " + std::to_string(i) + "\r\nnext";
    case Kind::kGreetingPath: return "/media/usb/x/" + std::to_string(i) + ".wav";
    default: return StoredValue(k, i);
  }
}

std::string Held(const Variable& variable) {
  if (auto* const* number = std::get_if<COptionInt*>(&variable)) return std::to_string(static_cast<int32_t>(**number));
  if (auto* const* time = std::get_if<COptionTime*>(&variable)) return std::to_string((*time)->Get());
  if (auto* const* text = std::get_if<COptionText*>(&variable)) return U8((*text)->Get());
  return "";
}

}  // namespace keys
}  // namespace

TEST_F(SettingsTest, EveryKeyHasItsNameFileDefaultAndKindInTheFilesTheProgramWritesAndReads) {
  using namespace keys;
  user = u"alice";

  // No files: the defaults are what a save writes, each key to its own file, in this order.
  LoadSettings();
  EXPECT_EQ(appliedLanguage, u"Langauge/ZV_EN.lang");
  EXPECT_EQ(g_ShowOpenFolderButton, 0);
  CPoint point;
  LoadPlayMsgWindowPos(point);
  EXPECT_EQ(point.y, -1);
  EXPECT_EQ(point.x, -1);
  SaveSettings();
  std::vector<std::pair<std::string, std::string>> userExpected{{"[Settings]", ""}}, globalExpected{{"[Settings]", ""}};
  for (const Key& k : kKeys) {
    if (!SavedWithTheSettings(k)) continue;
    std::string value = k.defaultValue;
    if (k.kind == Kind::kGreetingPath) value = U8(GetAppFolder()) + value;          // the file beside the program
    if (k.kind == Kind::kLanguagePath) value = "/opt/qav/Language/ZV_DE.lang";       // the language in use
    (k.file == 'U' ? userExpected : globalExpected).emplace_back(k.name, value);
  }
  EXPECT_EQ(Entries(UserFile()), userExpected);
  EXPECT_EQ(Entries(Global()), globalExpected);

  // Every key set in its own file only: each is read from there by its name, by its kind.
  std::string userText = "[Settings]\n", globalText = "[Settings]\n";
  for (size_t i = 0; i < std::size(kKeys); ++i) {
    (kKeys[i].file == 'U' ? userText : globalText) += std::string(kKeys[i].name) + "=" + StoredValue(kKeys[i], i) + "\n";
  }
  PutUser(userText);
  PutGlobal(globalText);
  SetDefaultOptions();
  LoadSettings();
  for (size_t i = 0; i < std::size(kKeys); ++i) {
    const Key& k = kKeys[i];
    if (k.kind == Kind::kPlayerPos) continue;
    EXPECT_EQ(Held(k.variable), LoadedValue(k, i)) << k.name;
  }
  const auto storedOf = [](std::string_view name) {
    for (size_t i = 0; i < std::size(kKeys); ++i) {
      if (kKeys[i].name == name) return StoredValue(kKeys[i], i);
    }
    return std::string("no such key");
  };
  EXPECT_EQ(U8(appliedLanguage), storedOf("LanguageFilePath"));
  LoadPlayMsgWindowPos(point);
  EXPECT_EQ(std::to_string(point.y), storedOf("PlayMsgWinTop"));
  EXPECT_EQ(std::to_string(point.x), storedOf("PlayMsgWinLeft"));

  // And written back to the same place: a save of what was read leaves the files' values as they were
  // (the password enciphered, the greeting paths whole, the language as the program names it).
  SaveSettings();
  const auto userEntries = Entries(UserFile());
  const auto globalEntries = Entries(Global());
  for (size_t i = 0; i < std::size(kKeys); ++i) {
    const Key& k = kKeys[i];
    const auto& entries = k.file == 'U' ? userEntries : globalEntries;
    const auto found = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.first == k.name; });
    ASSERT_NE(found, entries.end()) << k.name;
    switch (k.kind) {
      case Kind::kPassword:
        EXPECT_EQ(found->second.size(), 128u) << k.name;
        EXPECT_EQ(DecodeMailPassword(U16(found->second), [] { return std::string(); }), U16(StoredValue(k, i)));
        break;
      case Kind::kGreetingPath: EXPECT_EQ(found->second, LoadedValue(k, i)) << k.name; break;
      case Kind::kLanguagePath: EXPECT_EQ(found->second, "/opt/qav/Language/ZV_DE.lang"); break;
      default: EXPECT_EQ(found->second, StoredValue(k, i)) << k.name; break;
    }
  }
}
