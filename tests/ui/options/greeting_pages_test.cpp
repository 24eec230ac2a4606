// The greeting children: the chosen greeting file rebuilt in memory (portable mode asks for one on
// the program's file system), the text greeting with CR LF and its reset, the length limit, the
// e-mail switches, and the unknown caller's own-settings switches. Playing and recording run on the
// real audio thread with the virtual sound device (a microphone that plays a tone) on a clock the
// tests can hold; the recordings are read back from the files.
#include <sys/stat.h>

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <chrono>
#include <deque>
#include <functional>

#include "audio/audio_driver.h"
#include "audio/wave_utils.h"
#include "platform/folders.h"
#include "platform/virtual_loop.h"
#include "tests/audio/audio_test_support.h"
#include "tests/audio/held_clock.h"
#include "platform/mount_point.h"
#include "tests/ui/options/option_test_controls.h"
#include "tests/ui/options/options_fixture.h"
#include "ui/controls/button_ssl.h"
#include "foundation/app_folders.h"
#include "tests/support/log_capture.h"
#include "ui/options/dlg_opt_default_caller.h"
#include "ui/options/dlg_opt_unknown_caller.h"
#include "ui/controls/hyper_link.h"

namespace qav::test {
namespace {

struct ChoosingSheet : FakeOptionsSheet {
  std::optional<std::u16string> ChooseOpenFile(QWidget*, const std::u16string&, const std::u16string&,
                                               const std::u16string&) override {
    return chosen;
  }
  // The save dialog answers in turn from `saveAnswers` (cancel when they run out) and keeps what
  // it was asked.
  std::optional<std::u16string> ChooseSaveFile(QWidget*, const std::u16string& title, const std::u16string& start,
                                               const std::u16string& filter, const std::u16string&) override {
    saveTitles.push_back(title);
    saveStarts.push_back(start);
    saveFilters.push_back(filter);
    if (saveAnswers.empty()) return std::nullopt;
    std::optional<std::u16string> answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
  }
  bool OpenFile(const std::u16string& path) override {
    FakeOptionsSheet::OpenFile(path);
    return fileOpens;
  }
  bool HasVideoDriver() override { return videoDriver; }
  bool CreateVideoDriver() override {
    ++videoDriverTries;
    videoDriver = videoDriverAppears;
    return videoDriver;
  }
  std::optional<std::u16string> chosen;
  std::deque<std::optional<std::u16string>> saveAnswers;
  std::vector<std::u16string> saveTitles;
  std::vector<std::u16string> saveStarts;
  std::vector<std::u16string> saveFilters;
  bool fileOpens = true;
  bool videoDriver = false;
  bool videoDriverAppears = false;
  int videoDriverTries = 0;
};

class GreetingPagesTest : public OptionsTest {
 protected:
  void TearDown() override {
    g_RemovableMode = false;
    OptionsTest::TearDown();
  }
  ChoosingSheet chooser;
};

TEST_F(GreetingPagesTest, AChosenGreetingIsRebuiltInMemoryAndAFailureIsReported) {
  CDlgOptDefaultCaller page(chooser, nullptr);
  page.show();
  chooser.chosen = qav::Utf8ToUtf16(dir.File("hello.wav"));
  Click(Find<CButtonSSL>(&page, 1198));
  EXPECT_EQ(g_GreetingSoundMsgPath.Get(), *chooser.chosen);
  EXPECT_EQ(chooser.greetingLoads, std::vector<bool>{true});
  EXPECT_TRUE(chooser.modified);
  EXPECT_TRUE(boxes.texts.empty());
  EXPECT_EQ(Find<QLineEdit>(&page, 1013)->text().toStdU16String(), *chooser.chosen);

  chooser.chosen = qav::Utf8ToUtf16(dir.File("broken.wav"));
  chooser.greetingLoadResult = 0;
  Click(Find<CButtonSSL>(&page, 1198));
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], GetLangString(1020));
  EXPECT_EQ(g_GreetingSoundMsgPath.Get(), *chooser.chosen) << "the choice stays; the user is told to choose anew";

  chooser.modified = false;
  chooser.chosen.reset();
  Click(Find<CButtonSSL>(&page, 1198));
  EXPECT_FALSE(chooser.modified) << "cancelled";
}

TEST_F(GreetingPagesTest, InPortableModeAGreetingOnAnotherFileSystemIsRefused) {
  g_RemovableMode = true;
  SetAppDrive(u"/media/qav-stick-that-is-not-mounted");
  CDlgOptUnknownCaller page(chooser, nullptr);
  page.show();
  g_UseNonAuthorizedCallerSettings = 1;
  g_DisableAnswerOfNonAuthCaller = 0;
  page.UpdateDlg();
  const std::u16string before = g_GreetingSoundMsgPathForNonAuth.Get();
  chooser.chosen = qav::Utf8ToUtf16(dir.File("elsewhere.wav"));
  Click(Find<CButtonSSL>(&page, 1200));
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], GetLangString(2172) + u"\r\n" + GetLangString(2170));
  EXPECT_EQ(g_GreetingSoundMsgPathForNonAuth.Get(), before);
  EXPECT_TRUE(chooser.greetingLoads.empty());
  SetAppDrive(u"");
}

TEST_F(GreetingPagesTest, TextLengthAndMailSwitchesFollowTheRules) {
  CDlgOptDefaultCaller page(chooser, nullptr);
  page.show();
  g_GreetingTextMsgAllowed = 1;
  page.UpdateDlg();
  EXPECT_FALSE(chooser.modified);
  auto* text = Find<QPlainTextEdit>(&page, 1037);
  text->setPlainText("Hello\nthere");
  EXPECT_EQ(g_GreetingTextMsg.Get(), u"Hello\r\nthere");
  Click(Find<CButtonSSL>(&page, 1284));
  EXPECT_EQ(g_GreetingTextMsg.Get(), GetLangString(650));
  Click(Find<QCheckBox>(&page, 1020));
  EXPECT_FALSE(text->isEnabled());
  EXPECT_FALSE(Find<CButtonSSL>(&page, 1284)->isEnabled());

  auto* length = Find<QLineEdit>(&page, 1077);
  length->setText("36000");
  EXPECT_EQ(g_MaxRecordingDurationSec, 36000);
  length->setText("36001");
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], qav::Format(GetLangString(620), 36000));
  EXPECT_EQ(length->text(), "36000");
  length->setText("0");
  EXPECT_EQ(g_MaxRecordingDurationSec, 0);

  g_EMailNotificationAllowed = 0;
  g_SMTPServerAddress = u"";
  page.UpdateDlg();
  EXPECT_FALSE(Find<QCheckBox>(&page, 1173)->isEnabled());
  Click(Find<QCheckBox>(&page, 1172));
  EXPECT_EQ(g_EMailNotificationAllowed, 1) << "the switch stays on";
  ASSERT_EQ(boxes.texts.size(), 2u);
  EXPECT_EQ(boxes.texts[1], GetLangString(837));
  EXPECT_TRUE(Find<QCheckBox>(&page, 1173)->isEnabled());
  g_EMailAttachmentAllowed = 0;
  page.UpdateDlg();
  EXPECT_FALSE(Find<QCheckBox>(&page, 1233)->isEnabled());
  Click(Find<QCheckBox>(&page, 1173));
  EXPECT_TRUE(Find<QCheckBox>(&page, 1233)->isEnabled());
  const int deleteBefore = g_AutoDelMsgAfterEMailAllowed;
  Click(Find<QCheckBox>(&page, 1233));
  EXPECT_EQ(g_AutoDelMsgAfterEMailAllowed, deleteBefore ? 0 : 1);
}

TEST_F(GreetingPagesTest, TheUnknownCallersGreetingControlsNeedOwnSettingsThatStillAnswer) {
  g_UseNonAuthorizedCallerSettings = 0;
  g_DisableAnswerOfNonAuthCaller = 0;
  CDlgOptUnknownCaller page(chooser, nullptr);
  page.show();
  EXPECT_FALSE(Find<QCheckBox>(&page, 1203)->isEnabled());
  EXPECT_FALSE(Find<QLineEdit>(&page, 1204)->isEnabled());
  Click(Find<QCheckBox>(&page, 1202));
  EXPECT_EQ(g_UseNonAuthorizedCallerSettings, 1);
  EXPECT_TRUE(Find<QCheckBox>(&page, 1203)->isEnabled());
  EXPECT_TRUE(Find<QLineEdit>(&page, 1204)->isEnabled());
  Click(Find<QCheckBox>(&page, 1203));
  EXPECT_EQ(g_DisableAnswerOfNonAuthCaller, 1);
  EXPECT_FALSE(Find<QLineEdit>(&page, 1204)->isEnabled());
  EXPECT_FALSE(Find<CButtonSSL>(&page, 1200)->isEnabled());
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

int64_t SizeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

// The greeting pages against the real audio thread: the virtual sound device's microphone plays a
// tone, the speaker takes what is played, both on a clock the test can hold. The GUI thread's loop
// is a virtual loop, served while waiting, so the playback's end notice arrives.
class GreetingAudioTest : public GreetingPagesTest {
 protected:
  void SetUp() override {
    GreetingPagesTest::SetUp();
    playbackDevice_ = g_AudioPlaybackDeviceName.Get();
    recordingDevice_ = g_AudioRecordingDeviceName.Get();
    g_AudioPlaybackDeviceName = u"";
    g_AudioRecordingDeviceName = u"";
    g_AudioFileRecordingQuality = 1;  // 16 kHz, 16-bit WAV
    ASSERT_EQ(driver_.Start(clock_), 1);
    g_pAudioDriver = &driver_;
    greetingFolder_ = dir.File("greetings");
    ASSERT_EQ(::mkdir(greetingFolder_.c_str(), 0700), 0);
  }
  void TearDown() override {
    g_pAudioDriver = nullptr;
    g_AudioPlaybackDeviceName = playbackDevice_;
    g_AudioRecordingDeviceName = recordingDevice_;
    GreetingPagesTest::TearDown();
  }

  // Serves the GUI thread's loop until `done` holds; false after 20 s of real time.
  bool WaitUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      loop_.WaitForWork(10);
    }
    return true;
  }
  // Records until the temporary file holds some of the microphone's sound.
  void RecordSome(CDlgOptGreeting& page, CButtonSSL* record) {
    Click(record);
    ASSERT_TRUE(page.IsRecording());
    const std::string temp = U8(page.TempRecordingPath());
    ASSERT_TRUE(WaitUntil([&] { return SizeOf(temp) > kWaveHeaderSize + 3200; })) << "the microphone's sound";
  }
  std::string Greeting(const std::string& name) const { return greetingFolder_ + "/" + name; }
  static std::string Tone(double seconds) {
    return ToBytes(qav::test::Tone(16000, 1, 440, seconds));
  }

  VirtualLoop loop_;  // before the pages: their notice windows live on it
  ScopedEnv virtualSound_{"QAV_SOUND_DEVICE", "virtual"};
  ScopedEnv tone_{"QAV_VIRTUAL_MIC_TONE", "1000"};
  ScopedEnv privateTemp_{"QAV_TEMP_DIR", dir.File("private-temp")};
  HeldClock clock_{2.0};
  CAudioDriver driver_;
  std::string greetingFolder_;
  std::u16string playbackDevice_;
  std::u16string recordingDevice_;
};

TEST_F(GreetingAudioTest, ARecordingSavedWritesTheGreetingAndTheSettingAndRebuildsItAlsoOnTheSamePath) {
  CDlgOptDefaultCaller page(chooser, nullptr);
  page.show();
  auto* record = Find<CButtonSSL>(&page, 1250);
  auto* play = Find<CButtonSSL>(&page, 1199);

  RecordSome(page, record);
  const std::u16string temp = page.TempRecordingPath();
  // The recording waits in a file of its own in the private temporary folder.
  const std::u16string privateFolder = qav::TempFolder();
  ASSERT_FALSE(privateFolder.empty());
  EXPECT_EQ(privateFolder, U16(dir.File("private-temp/")));
  EXPECT_EQ(temp.substr(0, privateFolder.size()), privateFolder);
  EXPECT_NE(temp.find(u"TempNewGreeting"), std::u16string::npos);
  EXPECT_EQ(temp.substr(temp.size() - 4), u".wav");
  struct stat folder {};
  ASSERT_EQ(::stat(U8(privateFolder).c_str(), &folder), 0);
  EXPECT_EQ(folder.st_mode & 0777, 0700u) << "nobody else can reach into it";
  EXPECT_EQ(RemoveLeftoverGreetingRecordings(), 0) << "another copy's start-up leaves a recording in progress alone";
  EXPECT_EQ(::access(U8(temp).c_str(), F_OK), 0);
  EXPECT_FALSE(play->isEnabled()) << "no playback while recording";
  EXPECT_EQ(record->toolTip(), QString::fromStdU16String(GetLangString(634)));

  const std::string target = Greeting("hello.wav");
  chooser.saveAnswers = {U16(target)};
  Click(record);
  EXPECT_FALSE(page.IsRecording());
  EXPECT_EQ(driver_.GetState(), AudioDriverState::kIdle);
  ASSERT_EQ(chooser.saveTitles.size(), 1u);
  EXPECT_EQ(chooser.saveTitles[0], GetLangString(622));
  EXPECT_EQ(chooser.saveFilters[0], u"Sounds (*.wav)");
  WAVEFORMATEX format{};
  std::string data;
  ASSERT_TRUE(ReadWav(target, &format, &data)) << "the greeting file is a finished WAV";
  EXPECT_EQ(format.nSamplesPerSec, 16000u);
  EXPECT_GT(data.size(), 3200u);
  EXPECT_NEAR(MeasuredFrequency(ToSamples(data), 16000), 1000, 5) << "the microphone's tone";
  EXPECT_FALSE(Exists(U8(temp))) << "moved, not copied";
  EXPECT_EQ(g_GreetingSoundMsgPath.Get(), U16(target));
  EXPECT_EQ(chooser.greetingLoads, std::vector<bool>{true});
  EXPECT_TRUE(chooser.modified);
  EXPECT_TRUE(play->isEnabled());
  EXPECT_EQ(record->toolTip(), QString::fromStdU16String(GetLangString(632)));

  // Again onto the greeting's own path: the file is replaced and the greeting in memory rebuilt,
  // though the setting stays as it was.
  chooser.modified = false;
  ASSERT_TRUE(WriteFileBytes(target, "not a recording"));
  RecordSome(page, record);
  chooser.saveAnswers = {U16(target)};
  Click(record);
  EXPECT_EQ(chooser.saveStarts.back(), U16(target)) << "the dialog starts at the greeting";
  ASSERT_TRUE(ReadWav(target, &format, &data));
  EXPECT_EQ(g_GreetingSoundMsgPath.Get(), U16(target));
  EXPECT_EQ(chooser.greetingLoads, (std::vector<bool>{true, true}));
  EXPECT_FALSE(chooser.modified) << "no setting changed";

  // Cancelled: the recording is dropped and nothing changes.
  RecordSome(page, record);
  const std::u16string dropped = page.TempRecordingPath();
  Click(record);
  EXPECT_FALSE(Exists(U8(dropped)));
  EXPECT_EQ(chooser.greetingLoads.size(), 2u);
  EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(GreetingAudioTest, InPortableModeTheSaveDialogAsksAgainUntilTheGreetingIsOnTheProgramsDrive) {
  g_RemovableMode = true;
  std::u16string drive = qav::MountPointOf(U16(dir.path())).value_or(u"/");
  if (drive == u"/") drive.clear();
  SetAppDrive(drive);
  const std::string elsewhere = "/proc/greeting.wav";  // another file system
  CDlgOptDefaultCaller page(chooser, nullptr);
  page.show();
  auto* record = Find<CButtonSSL>(&page, 1250);
  RecordSome(page, record);
  chooser.saveAnswers = {U16(elsewhere), U16(Greeting("portable.wav"))};
  Click(record);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], GetLangString(2172) + u"\r\n" + GetLangString(2170));
  EXPECT_EQ(boxes.types[0], qav::MB_ICONEXCLAMATION);
  EXPECT_EQ(chooser.saveTitles.size(), 2u) << "asked again";
  EXPECT_EQ(g_GreetingSoundMsgPath.Get(), U16(Greeting("portable.wav")));
  EXPECT_TRUE(Exists(Greeting("portable.wav")));
  EXPECT_EQ(chooser.greetingLoads, std::vector<bool>{true});
  SetAppDrive(u"");
}

TEST_F(GreetingAudioTest, ASaveThatCannotReplaceKeepsTheOldGreetingAndSaysSo) {
  const std::string old = Greeting("old.wav");
  ASSERT_TRUE(WriteWav(old, WaveUtilsMakePCMFormat(1, 16, 16000), Tone(0.2)));
  const std::string oldBytes = ReadFileBytes(old);
  g_GreetingSoundMsgPathForNonAuth = U16(old);
  g_UseNonAuthorizedCallerSettings = 1;
  g_DisableAnswerOfNonAuthCaller = 0;
  // A place that cannot take the file: a folder of that name with something in it.
  const std::string blocked = Greeting("taken.wav");
  ASSERT_EQ(::mkdir(blocked.c_str(), 0700), 0);
  ASSERT_TRUE(WriteFileBytes(blocked + "/inside", "x"));

  CDlgOptUnknownCaller page(chooser, nullptr);
  page.show();
  auto* record = Find<CButtonSSL>(&page, 1251);
  RecordSome(page, record);
  const std::u16string temp = page.TempRecordingPath();
  chooser.saveAnswers = {U16(blocked)};  // then cancelled
  Click(record);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0].rfind(GetLangString(1004) + U16(blocked) + u"\r\n", 0), 0u) << U8(boxes.texts[0]);
  EXPECT_GT(boxes.texts[0].size(), (GetLangString(1004) + U16(blocked) + u"\r\n").size()) << "with the reason";
  EXPECT_EQ(boxes.types[0], qav::MB_ICONSTOP);
  EXPECT_EQ(chooser.saveTitles.size(), 2u) << "the recording waits for another place";
  EXPECT_EQ(ReadFileBytes(old), oldBytes) << "the old greeting is untouched";
  EXPECT_EQ(g_GreetingSoundMsgPathForNonAuth.Get(), U16(old));
  EXPECT_TRUE(chooser.greetingLoads.empty()) << "the greeting in memory stays the old one";
  EXPECT_FALSE(chooser.modified);
  EXPECT_FALSE(Exists(U8(temp))) << "cancelled at last: dropped";
}

TEST_F(GreetingAudioTest, PlayStopsByTheButtonOrAtTheEndAndExcludesRecording) {
  const std::string greeting = Greeting("hello.wav");
  ASSERT_TRUE(WriteWav(greeting, WaveUtilsMakePCMFormat(1, 16, 16000), Tone(0.5)));
  g_GreetingSoundMsgPath = U16(greeting);
  CDlgOptDefaultCaller page(chooser, nullptr);
  page.show();
  auto* play = Find<CButtonSSL>(&page, 1199);
  auto* record = Find<CButtonSSL>(&page, 1250);

  clock_.Hold();  // nothing plays to its end until the test lets it
  Click(play);
  EXPECT_TRUE(page.IsPlaying());
  EXPECT_EQ(driver_.GetState(), AudioDriverState::kPlayingFile);
  EXPECT_EQ(play->toolTip(), QString::fromStdU16String(GetLangString(633)));
  EXPECT_FALSE(record->isEnabled());
  Click(play);
  EXPECT_FALSE(page.IsPlaying());
  EXPECT_EQ(driver_.GetState(), AudioDriverState::kIdle);
  EXPECT_EQ(play->toolTip(), QString::fromStdU16String(GetLangString(631)));
  EXPECT_TRUE(record->isEnabled());

  Click(play);
  clock_.Run();
  ASSERT_TRUE(WaitUntil([&] { return !page.IsPlaying(); })) << "the end notice returns the page to idle";
  EXPECT_TRUE(record->isEnabled());

  // Leaving the page while recording drops the recording.
  RecordSome(page, record);
  const std::u16string temp = page.TempRecordingPath();
  page.OnStopAudio();
  EXPECT_FALSE(page.IsRecording());
  EXPECT_EQ(driver_.GetState(), AudioDriverState::kIdle);
  EXPECT_FALSE(Exists(U8(temp)));
  EXPECT_TRUE(chooser.saveTitles.empty());

  // A greeting that cannot be played is reported with its path, and the page stays idle.
  g_GreetingSoundMsgPath = U16(Greeting("missing.wav"));
  Click(play);
  EXPECT_FALSE(page.IsPlaying());
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], GetLangString(1003) + U16(Greeting("missing.wav")));
}

TEST_F(GreetingAudioTest, TheUnknownCallersRecordingIsDroppedWhenItsOwnSettingsAreSwitchedOff) {
  g_UseNonAuthorizedCallerSettings = 1;
  g_DisableAnswerOfNonAuthCaller = 0;
  CDlgOptUnknownCaller page(chooser, nullptr);
  page.show();
  RecordSome(page, Find<CButtonSSL>(&page, 1251));
  const std::u16string temp = page.TempRecordingPath();
  Click(Find<QCheckBox>(&page, 1202));
  EXPECT_FALSE(page.IsRecording());
  EXPECT_EQ(driver_.GetState(), AudioDriverState::kIdle);
  EXPECT_FALSE(Exists(U8(temp)));
  EXPECT_FALSE(Find<CButtonSSL>(&page, 1251)->isEnabled());
  EXPECT_FALSE(Find<CButtonSSL>(&page, 1201)->isEnabled());
}

TEST_F(GreetingPagesTest, TheVideoRowEditsItsSettingsOnlyWithTheVideoDriver) {
  chooser.videoDriver = true;
  g_GreetingVideoAllowed = 0;
  g_GreetingVideoMsgPath = u"";
  CDlgOptDefaultCaller page(chooser, nullptr);
  page.show();
  auto* allowed = Find<QCheckBox>(&page, 1021);
  auto* path = Find<QLineEdit>(&page, 1014);
  auto* browse = Find<CButtonSSL>(&page, 1200);
  EXPECT_TRUE(allowed->isVisible());
  EXPECT_FALSE(Find<CHyperLink>(&page, 1151)->isVisible());
  EXPECT_TRUE(path->isVisible());
  EXPECT_FALSE(path->isEnabled()) << "the video greeting is off";
  EXPECT_FALSE(browse->isEnabled());
  EXPECT_EQ(chooser.videoDriverTries, 0) << "there is one already";

  Click(allowed);
  EXPECT_EQ(g_GreetingVideoAllowed, 1);
  EXPECT_TRUE(chooser.modified);
  EXPECT_TRUE(path->isEnabled());
  EXPECT_TRUE(browse->isEnabled());

  chooser.modified = false;
  chooser.chosen = U16(dir.File("hello.avi"));
  Click(browse);
  EXPECT_EQ(g_GreetingVideoMsgPath.Get(), *chooser.chosen);
  EXPECT_EQ(path->text().toStdU16String(), *chooser.chosen);
  EXPECT_TRUE(chooser.modified);
  EXPECT_TRUE(chooser.greetingLoads.empty()) << "nothing is loaded for the video";
  chooser.modified = false;
  Click(browse);  // the same file again
  EXPECT_FALSE(chooser.modified);

  LogCapture log;
  Click(Find<CButtonSSL>(&page, 1201));
  ASSERT_EQ(chooser.pages.size(), 1u);
  EXPECT_EQ(chooser.pages[0], u"file://" + *chooser.chosen) << "the desktop's player shows it";
  EXPECT_TRUE(log.Has(LOG_INFO, u"Video Greeting to play: " + *chooser.chosen));
  // Nothing took it: the shell's code says whether the file is missing or nobody opens its kind.
  chooser.fileOpens = false;
  const std::pair<bool, std::u16string_view> failures[] = {{false, u"Video Greeting play failed with ERROR: 2"},
                                                           {true, u"Video Greeting play failed with ERROR: 31"}};
  for (const auto& [exists, line] : failures) {
    if (exists) ASSERT_TRUE(WriteFileBytes(dir.File("hello.avi"), "RIFF"));
    else std::remove(dir.File("hello.avi").c_str());
    log.Clear();
    Click(Find<CButtonSSL>(&page, 1201));
    EXPECT_TRUE(log.Has(LOG_WARNING, line)) << U8(std::u16string(line));
  }
  chooser.fileOpens = true;

  Click(allowed);
  EXPECT_EQ(g_GreetingVideoAllowed, 0);
  EXPECT_TRUE(chooser.modified);
  EXPECT_FALSE(path->isEnabled());
}

TEST_F(GreetingPagesTest, WithoutTheVideoDriverTheLinkTriesAgainAndThenOpensTheSupportPage) {
  CDlgOptDefaultCaller page(chooser, nullptr);
  page.show();
  EXPECT_EQ(chooser.videoDriverTries, 1) << "tried when the page was made";
  auto* link = Find<CHyperLink>(&page, 1151);
  EXPECT_TRUE(link->isVisible());
  EXPECT_FALSE(Find<QCheckBox>(&page, 1021)->isVisible());
  EXPECT_FALSE(Find<QLineEdit>(&page, 1014)->isVisible());

  Click(link);
  EXPECT_EQ(chooser.videoDriverTries, 2);
  ASSERT_EQ(chooser.pages.size(), 1u);
  EXPECT_NE(chooser.pages[0].find(u"applinks/video/"), std::u16string::npos) << U8(chooser.pages[0]);
  EXPECT_NE(chooser.pages[0].find(u"lang="), std::u16string::npos) << U8(chooser.pages[0]);

  // The driver can be there by the next try (the webcam application was installed meanwhile).
  chooser.videoDriverAppears = true;
  Click(link);
  EXPECT_EQ(chooser.pages.size(), 1u);
  EXPECT_TRUE(Find<QCheckBox>(&page, 1021)->isVisible());
  EXPECT_FALSE(link->isVisible());
}

}  // namespace
}  // namespace qav::test
