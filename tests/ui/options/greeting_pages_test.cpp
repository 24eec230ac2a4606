// The greeting children: the chosen greeting file rebuilt in memory (portable mode asks for one on
// the program's file system), the text greeting with CR LF and its reset, the length limit, the
// e-mail switches, and the unknown caller's own-settings switches. Playing and recording run on the
// real audio thread with the virtual sound device (a microphone that plays a tone) on a clock the
// tests can hold; the recordings are read back from the files.
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <chrono>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>

#include "audio/audio_driver.h"
#include "audio/greeting_memory.h"
#include "audio/wave_mem_file.h"
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
#include "ui/options/dlg_options.h"
#include "ui/controls/hyper_link.h"
#include "tests/ui/text_fit.h"
#include "ui/art/app_image_lists.h"

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
    if (answer == kKeepOfferedName) return start;
    return answer;
  }
  // An answer of the save dialog: the user keeps the name it offers.
  static constexpr char16_t kKeepOfferedName[] = u"<the offered name>";
  bool OpenLocalFile(const std::u16string& path) override {
    FakeOptionsSheet::OpenLocalFile(path);
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
  // The contacts' greeting page, or the other callers'.
  std::unique_ptr<CDlgOptGreeting> GreetingPage(bool contacts) {
    if (contacts) return std::make_unique<CDlgOptDefaultCaller>(chooser, nullptr);
    return std::make_unique<CDlgOptUnknownCaller>(chooser, nullptr);
  }
  ChoosingSheet chooser;
};

// A WAV as the program records one: 16 kHz, 16-bit mono, a tone.
bool WriteGreetingWav(const std::string& path) {
  return WriteWav(path, WaveUtilsMakePCMFormat(1, 16, 16000), ToBytes(Tone(16000, 1, 440, 0.2)));
}

TEST_F(GreetingPagesTest, AChosenGreetingIsRebuiltInMemoryAndAFailureIsReported) {
  CDlgOptDefaultCaller page(chooser, nullptr);
  page.show();
  chooser.chosen = qav::Utf8ToUtf16(dir.File("hello.wav"));
  ASSERT_TRUE(WriteGreetingWav(dir.File("hello.wav")));
  Click(Find<CButtonSSL>(&page, "browseVoice"));
  EXPECT_EQ(g_GreetingSoundMsgPath.Get(), *chooser.chosen);
  EXPECT_EQ(chooser.greetingLoads, std::vector<bool>{true});
  EXPECT_TRUE(chooser.modified);
  EXPECT_TRUE(boxes.texts.empty());
  EXPECT_EQ(Find<QLineEdit>(&page, "voicePath")->text().toStdU16String(), *chooser.chosen);

  // The greeting loads, but the greeting in memory cannot be built (the program's beeps are gone):
  // the user is told, and the greeting, which is sound, stays chosen.
  chooser.chosen = qav::Utf8ToUtf16(dir.File("other.wav"));
  ASSERT_TRUE(WriteGreetingWav(dir.File("other.wav")));
  chooser.greetingLoadSucceeds = false;
  Click(Find<CButtonSSL>(&page, "browseVoice"));
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], GetLangString(1020));
  EXPECT_EQ(g_GreetingSoundMsgPath.Get(), *chooser.chosen);

  chooser.modified = false;
  chooser.chosen.reset();
  Click(Find<CButtonSSL>(&page, "browseVoice"));
  EXPECT_FALSE(chooser.modified) << "cancelled";
}

// Chosen, a file that is no greeting would be saved on Apply and fail to load at every start: it is
// refused, the greeting in use stays in the field, in the setting and in memory, and the user is
// told once. What the page shows is what comes back after a restart.
TEST_F(GreetingPagesTest, AFileThatDoesNotLoadAsAGreetingIsRefusedAndThePreviousGreetingStaysAfterARestart) {
  const std::string mine = dir.File("mine.wav");
  ASSERT_TRUE(WriteGreetingWav(mine));
  ASSERT_TRUE(WriteFileBytes(dir.File("notes.wav"), "These are my notes, not a sound.\n"));
  ASSERT_TRUE(WriteFileBytes(dir.File("empty.wav"), ""));
  ASSERT_TRUE(WriteWav(dir.File("silent.wav"), WaveUtilsMakePCMFormat(1, 16, 16000), ""));
  for (const bool contacts : {true, false}) {
    COptionText& setting = contacts ? g_GreetingSoundMsgPath : g_GreetingSoundMsgPathForNonAuth;
    g_UseNonAuthorizedCallerSettings = 1;
    g_DisableAnswerOfNonAuthCaller = 0;
    setting = U16(mine);
    SaveSettings();
    for (const char* name : {"notes.wav", "empty.wav", "silent.wav", "not-there.wav"}) {
      SCOPED_TRACE(std::string(contacts ? "contacts, " : "other callers, ") + name);
      const std::unique_ptr<CDlgOptGreeting> page = GreetingPage(contacts);
      page->show();
      boxes.texts.clear();
      chooser.greetingLoads.clear();
      chooser.modified = false;
      chooser.chosen = U16(dir.File(name));
      Click(Find<CButtonSSL>(page.get(), "browseVoice"));
      ASSERT_EQ(boxes.texts.size(), 1u) << "told once";
      // The file refused is named as refused, the greeting in use as the one that stays.
      EXPECT_EQ(boxes.texts[0], u"QAV cannot use this file as audio greeting message: " + *chooser.chosen +
                                    u"\nYour greeting message stays: " + U16(mine));
      EXPECT_EQ(boxes.types.back(), qav::MB_ICONSTOP);
      EXPECT_EQ(setting.Get(), U16(mine));
      EXPECT_EQ(Find<QLineEdit>(page.get(), "voicePath")->text().toStdU16String(), U16(mine)) << "the field shows it";
      EXPECT_TRUE(chooser.greetingLoads.empty()) << "the greeting in memory stays the one in use";
      EXPECT_FALSE(chooser.modified);

      SaveSettings();  // Apply
      SetDefaultOptions();
      LoadSettings();  // the next start
      EXPECT_EQ(setting.Get(), U16(mine));
      EXPECT_TRUE(LoadsAsGreeting(setting.Get()));
    }
  }
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
  Click(Find<CButtonSSL>(&page, "browseVoice"));
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
  auto* text = Find<QPlainTextEdit>(&page, "text");
  text->setPlainText("Hello\nthere");
  EXPECT_EQ(g_GreetingTextMsg.Get(), u"Hello\r\nthere");
  Click(Find<CButtonSSL>(&page, "resetText"));
  EXPECT_EQ(g_GreetingTextMsg.Get(), GetLangString(650));
  Click(Find<QCheckBox>(&page, "textAllowed"));
  EXPECT_FALSE(text->isEnabled());
  EXPECT_FALSE(Find<CButtonSSL>(&page, "resetText")->isEnabled());

  auto* length = Find<QLineEdit>(&page, "maxDuration");
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
  EXPECT_FALSE(Find<QCheckBox>(&page, "attachAudio")->isEnabled());
  Click(Find<QCheckBox>(&page, "mailNotice"));
  EXPECT_EQ(g_EMailNotificationAllowed, 1) << "the switch stays on";
  ASSERT_EQ(boxes.texts.size(), 2u);
  EXPECT_EQ(boxes.texts[1], GetLangString(837));
  EXPECT_TRUE(Find<QCheckBox>(&page, "attachAudio")->isEnabled());
  g_EMailAttachmentAllowed = 0;
  page.UpdateDlg();
  EXPECT_FALSE(Find<QCheckBox>(&page, "deleteAfterMail")->isEnabled());
  Click(Find<QCheckBox>(&page, "attachAudio"));
  EXPECT_TRUE(Find<QCheckBox>(&page, "deleteAfterMail")->isEnabled());
  const int deleteBefore = g_AutoDelMsgAfterEMailAllowed;
  Click(Find<QCheckBox>(&page, "deleteAfterMail"));
  EXPECT_EQ(g_AutoDelMsgAfterEMailAllowed, deleteBefore ? 0 : 1);
}

// The unknown caller's greeting, length and e-mail controls, their frames and labels included,
// are in use only with own settings that still answer; the page's frame and its first switch
// always are. Within, the text and the e-mail switches keep their own rules.
TEST_F(GreetingPagesTest, TheUnknownCallersGreetingControlsNeedOwnSettingsThatStillAnswer) {
  g_GreetingTextMsgAllowedForNonAuth = 1;
  g_EMailNotificationAllowedForNonAuth = 1;
  g_EMailAttachmentAllowedForNonAuth = 1;
  const char* const greetingControls[] = {"greetingGroup", "voiceLabel",  "voicePath",   "browseVoice", "playVoice",
                                          "recordVoice",   "textLabel",   "textAllowed", "text",        "resetText",
                                          "lengthGroup",   "maxDuration", "lengthLabel", "mailGroup",   "mailNotice",
                                          "attachAudio",   "deleteAfterMail"};
  const struct {
    int ownSettings, noAnswer;
    bool inUse;
  } cases[] = {{0, 0, false}, {1, 0, true}, {1, 1, false}, {0, 1, false}};
  CDlgOptUnknownCaller page(chooser, nullptr);
  page.show();
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "own settings " << c.ownSettings << ", no answer " << c.noAnswer);
    g_UseNonAuthorizedCallerSettings = c.ownSettings;
    g_DisableAnswerOfNonAuthCaller = c.noAnswer;
    page.UpdateDlg();
    for (const char* name : greetingControls) EXPECT_EQ(Find<QWidget>(&page, name)->isEnabled(), c.inUse) << name;
    EXPECT_TRUE(Find<QWidget>(&page, "settingsFrame")->isEnabled());
    EXPECT_TRUE(Find<QCheckBox>(&page, "ownSettings")->isEnabled());
    EXPECT_EQ(Find<QCheckBox>(&page, "noAnswer")->isEnabled(), c.ownSettings != 0);
  }

  // The switches by the user: each click stores its setting and redraws the page.
  g_UseNonAuthorizedCallerSettings = 0;
  g_DisableAnswerOfNonAuthCaller = 0;
  page.UpdateDlg();
  Click(Find<QCheckBox>(&page, "ownSettings"));
  EXPECT_EQ(g_UseNonAuthorizedCallerSettings, 1);
  EXPECT_TRUE(Find<QCheckBox>(&page, "noAnswer")->isEnabled());
  EXPECT_TRUE(Find<QWidget>(&page, "greetingGroup")->isEnabled());
  g_GreetingTextMsgAllowedForNonAuth = 0;
  g_EMailAttachmentAllowedForNonAuth = 0;
  page.UpdateDlg();
  EXPECT_FALSE(Find<QWidget>(&page, "text")->isEnabled()) << "the text switch is off";
  EXPECT_TRUE(Find<QWidget>(&page, "attachAudio")->isEnabled());
  EXPECT_FALSE(Find<QWidget>(&page, "deleteAfterMail")->isEnabled()) << "nothing attached";
  Click(Find<QCheckBox>(&page, "noAnswer"));
  EXPECT_EQ(g_DisableAnswerOfNonAuthCaller, 1);
  EXPECT_FALSE(Find<QWidget>(&page, "lengthLabel")->isEnabled());
  EXPECT_FALSE(Find<CButtonSSL>(&page, "browseVoice")->isEnabled());
}

// The default caller's frames and labels are always in use, whatever its switches say.
TEST_F(GreetingPagesTest, TheDefaultCallersFramesAndLabelsAreAlwaysInUse) {
  g_GreetingTextMsgAllowed = 0;
  g_EMailNotificationAllowed = 0;
  CDlgOptDefaultCaller page(chooser, nullptr);
  page.show();
  for (const char* name : {"settingsFrame", "greetingGroup", "voiceLabel", "voicePath", "browseVoice", "textLabel",
                           "textAllowed", "lengthGroup", "maxDuration", "lengthLabel", "mailGroup", "mailNotice"}) {
    EXPECT_TRUE(Find<QWidget>(&page, name)->isEnabled()) << name;
  }
  EXPECT_FALSE(Find<QWidget>(&page, "text")->isEnabled());
  EXPECT_FALSE(Find<QWidget>(&page, "attachAudio")->isEnabled());
}

// Where a control of the page stands, in the page's own co-ordinates.
QRect PlaceOf(QWidget* page, const char* name) {
  const QWidget* control = Find<QWidget>(page, name);
  return control == nullptr ? QRect() : QRect(control->mapTo(page, QPoint(0, 0)), control->size());
}

// The greeting pages at the default font and a larger one, with and without the icon buttons'
// captions, as the user reads them: every text whole, rows one under another, labels, switches and
// buttons lined up from row to row, and in screen-reader mode each row's buttons on lines of their
// own below it.
class GreetingLayoutTest : public GreetingPagesTest {
 protected:
  void SetUp() override {
    GreetingPagesTest::SetUp();
    lists_.Create();
    g_pImageLists = &lists_;  // the buttons' pictures, as in the program
    g_AdvancedSettingMode = 1;
  }
  void TearDown() override {
    g_pImageLists = nullptr;
    GreetingPagesTest::TearDown();
  }
  // Shows the page on its own; it reads whole.
  static void ShowReadingWhole(QWidget& page) {
    page.show();
    QApplication::processEvents();
    const QStringList cut = CutTexts(&page);
    EXPECT_TRUE(cut.isEmpty()) << Listed(cut);
  }
  // A row's buttons: beside its field, or in screen-reader mode one under another below it, from
  // the switch column on, above the next row.
  static void ExpectButtonsOfRow(QWidget* page, const char* field, std::initializer_list<const char*> buttons,
                                 const QRect& nextRow, bool captions) {
    const QRect fieldPlace = PlaceOf(page, field);
    QRect previous;
    for (const char* name : buttons) {
      SCOPED_TRACE(name);
      const QRect button = PlaceOf(page, name);
      if (captions) {
        EXPECT_GT(button.top(), previous.isNull() ? fieldPlace.bottom() : previous.bottom());
        EXPECT_EQ(button.left(), PlaceOf(page, "textAllowed").left());
        if (!nextRow.isNull()) {
          EXPECT_LT(button.bottom(), nextRow.top());
        }
      } else {
        EXPECT_GT(button.left(), previous.isNull() ? fieldPlace.right() : previous.right());
        EXPECT_LE(button.top(), fieldPlace.center().y());
        EXPECT_GE(button.bottom(), std::min(fieldPlace.center().y(), fieldPlace.top() + button.height() / 2));
      }
      previous = button;
    }
  }

  TestFonts fonts_{1.5};
  CAppImageLists lists_;
};

TEST_F(GreetingLayoutTest, TheDefaultCallersRowsReadWholeAndLineUpAtEachFontAndMode) {
  for (const QFont& font : fonts_.Both()) {
    QApplication::setFont(font);
    for (const bool captions : {false, true}) {
      for (const bool driver : {false, true}) {
        SCOPED_TRACE(testing::Message() << font.pointSizeF() << "pt" << (captions ? ", captions" : "")
                                        << (driver ? ", video driver" : ""));
        g_ScreenReaderFriendlyMode = captions ? 1 : 0;
        chooser.videoDriver = driver;
        CDlgOptDefaultCaller page(chooser, nullptr);
        ShowReadingWhole(page);

        const QRect voice = PlaceOf(&page, "voicePath");
        const QRect text = PlaceOf(&page, "text");
        const char* videoRow = driver ? "videoPath" : captions ? "videoSupportButton" : "videoSupportLink";
        const QRect video = PlaceOf(&page, videoRow);
        EXPECT_LT(voice.bottom(), video.top()) << "voice, then video, then text";
        EXPECT_LT(video.bottom(), text.top());
        EXPECT_EQ(PlaceOf(&page, "textLabel").left(), PlaceOf(&page, "voiceLabel").left());
        EXPECT_EQ(voice.left(), PlaceOf(&page, "textAllowed").left()) << "the voice path starts at the switches";
        if (driver) {
          EXPECT_EQ(PlaceOf(&page, "videoLabel").left(), PlaceOf(&page, "voiceLabel").left());
          EXPECT_EQ(PlaceOf(&page, "videoAllowed").left(), PlaceOf(&page, "textAllowed").left());
          EXPECT_EQ(video.left(), text.left());
        } else {
          EXPECT_EQ(video.left(), voice.left()) << "the support offer stands where the video switch would";
        }
        ExpectButtonsOfRow(&page, "voicePath", {"browseVoice", "playVoice", "recordVoice"}, video, captions);
        if (driver) ExpectButtonsOfRow(&page, "videoPath", {"browseVideo", "playVideo"}, text, captions);
        ExpectButtonsOfRow(&page, "text", {"resetText"}, PlaceOf(&page, "lengthGroup"), captions);
        if (!captions) {
          EXPECT_EQ(PlaceOf(&page, "resetText").right(), PlaceOf(&page, "recordVoice").right());
          EXPECT_LT(PlaceOf(&page, "resetText").top(), text.center().y()) << "by the text's first line";
          if (driver) {
            EXPECT_EQ(PlaceOf(&page, "browseVideo").left(), PlaceOf(&page, "browseVoice").left());
            EXPECT_EQ(PlaceOf(&page, "playVideo").left(), PlaceOf(&page, "playVoice").left());
          }
        }
        EXPECT_LT(PlaceOf(&page, "greetingGroup").bottom(), PlaceOf(&page, "lengthGroup").top());
        EXPECT_LT(PlaceOf(&page, "lengthGroup").bottom(), PlaceOf(&page, "mailGroup").top());
        EXPECT_LT(PlaceOf(&page, "mailNotice").left(), PlaceOf(&page, "attachAudio").left()) << "indented";
        EXPECT_LT(PlaceOf(&page, "attachAudio").left(), PlaceOf(&page, "deleteAfterMail").left());
      }
    }
  }
}

TEST_F(GreetingLayoutTest, TheUnknownCallersRowsReadWholeAndLineUpAtEachFontAndMode) {
  g_UseNonAuthorizedCallerSettings = 1;
  for (const QFont& font : fonts_.Both()) {
    QApplication::setFont(font);
    for (const bool captions : {false, true}) {
      SCOPED_TRACE(testing::Message() << font.pointSizeF() << "pt" << (captions ? ", captions" : ""));
      g_ScreenReaderFriendlyMode = captions ? 1 : 0;
      CDlgOptUnknownCaller page(chooser, nullptr);
      ShowReadingWhole(page);

      const QRect own = PlaceOf(&page, "ownSettings");
      const QRect noAnswer = PlaceOf(&page, "noAnswer");
      EXPECT_LT(own.bottom(), noAnswer.top());
      EXPECT_GT(noAnswer.left(), own.left()) << "under the switch it depends on";
      EXPECT_LT(noAnswer.bottom(), PlaceOf(&page, "greetingGroup").top());
      const QRect text = PlaceOf(&page, "text");
      EXPECT_LT(PlaceOf(&page, "voicePath").bottom(), text.top());
      EXPECT_EQ(PlaceOf(&page, "textLabel").left(), PlaceOf(&page, "voiceLabel").left());
      ExpectButtonsOfRow(&page, "voicePath", {"browseVoice", "playVoice", "recordVoice"}, text, captions);
      ExpectButtonsOfRow(&page, "text", {"resetText"}, PlaceOf(&page, "lengthGroup"), captions);
      EXPECT_LT(PlaceOf(&page, "lengthGroup").bottom(), PlaceOf(&page, "mailGroup").top());
    }
  }
}

// The text greeting shows four lines whole, without a scroll bar, on both greeting pages and at
// each font; a fifth line scrolls.
TEST_F(GreetingLayoutTest, TheTextGreetingShowsFourLinesWithoutAScrollBar) {
  g_GreetingTextMsgAllowed = 1;
  for (const QFont& font : fonts_.Both()) {
    QApplication::setFont(font);
    for (const bool contacts : {true, false}) {
      SCOPED_TRACE(testing::Message() << font.pointSizeF() << "pt" << (contacts ? ", contacts" : ", other callers"));
      const std::unique_ptr<CDlgOptGreeting> page = GreetingPage(contacts);
      page->show();
      auto* text = Find<QPlainTextEdit>(page.get(), "text");
      text->setPlainText(QStringLiteral("one\ntwo\nthree\nfour"));
      SettleLayouts();
      EXPECT_FALSE(text->verticalScrollBar()->isVisible());
      text->setPlainText(QStringLiteral("one\ntwo\nthree\nfour\nfive"));
      SettleLayouts();
      EXPECT_TRUE(text->verticalScrollBar()->isVisible());
    }
  }
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
  // The contacts' greeting is a tone of `seconds`.
  void UseGreetingOf(double seconds) {
    const std::string greeting = Greeting("hello.wav");
    ASSERT_TRUE(WriteWav(greeting, WaveUtilsMakePCMFormat(1, 16, 16000), Tone(seconds)));
    g_GreetingSoundMsgPath = U16(greeting);
  }
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
  auto* record = Find<CButtonSSL>(&page, "recordVoice");
  auto* play = Find<CButtonSSL>(&page, "playVoice");

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

// A recording is offered under the current greeting's name with the extension of what was
// recorded, outside the program's folder, and a name whose extension does not match what the file
// holds is refused: the greeting kept loads, now and after a restart.
TEST_F(GreetingAudioTest, ARecordingIsKeptUnderANameThatSaysWhatItHoldsAndNeverInTheProgramsFolder) {
  const std::u16string shipped = GetAppFolder() + u"greeting.wav";
  ASSERT_EQ(g_GreetingSoundMsgPath.Get(), shipped) << "the shipped greeting is the default";
  g_AudioFileRecordingFormat = 1;  // MP3
  CDlgOptDefaultCaller page(chooser, nullptr);
  page.show();
  auto* record = Find<CButtonSSL>(&page, "recordVoice");
  RecordSome(page, record);
  const std::string wavName = Greeting("greeting.wav");
  chooser.saveAnswers = {U16(wavName), ChoosingSheet::kKeepOfferedName};
  Click(record);
  ASSERT_EQ(chooser.saveStarts.size(), 2u) << "asked again after the refused name";
  EXPECT_EQ(chooser.saveStarts[0], GetUserDataFolder() + u"greeting.mp3")
      << "the user's own folder, not over the shipped greeting";
  EXPECT_EQ(chooser.saveFilters[0], u"Sounds (*.mp3)");
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], GetLangString(IDS_ERROR_MESSAGE_GREETING_FILE_EXTENSION) + u".mp3");
  EXPECT_FALSE(Exists(wavName)) << "no MP3 under a .wav name";
  const std::string mp3Name = Greeting("greeting.mp3");
  EXPECT_EQ(chooser.saveStarts[1], U16(mp3Name)) << "the name chosen, with the right extension";
  EXPECT_EQ(g_GreetingSoundMsgPath.Get(), U16(mp3Name));
  EXPECT_TRUE(LoadsAsGreeting(U16(mp3Name)));
  EXPECT_EQ(chooser.greetingLoads, std::vector<bool>{true});

  // The same MP3 under a .wav name is no greeting: chosen, it is refused and the MP3 stays.
  ASSERT_TRUE(WriteFileBytes(wavName, ReadFileBytes(mp3Name)));
  chooser.chosen = U16(wavName);
  Click(Find<CButtonSSL>(&page, "browseVoice"));
  ASSERT_EQ(boxes.texts.size(), 2u);
  EXPECT_EQ(boxes.texts[1], u"QAV cannot use this file as audio greeting message: " + U16(wavName) +
                                u"\nYour greeting message stays: " + U16(mp3Name));
  EXPECT_EQ(g_GreetingSoundMsgPath.Get(), U16(mp3Name));
  ASSERT_EQ(::unlink(wavName.c_str()), 0);

  // Back to WAV: offered as the current greeting's name with ".wav", beside it.
  g_AudioFileRecordingFormat = 0;
  RecordSome(page, record);
  chooser.saveAnswers = {ChoosingSheet::kKeepOfferedName};
  Click(record);
  EXPECT_EQ(chooser.saveStarts.back(), U16(wavName));
  EXPECT_EQ(chooser.saveFilters.back(), u"Sounds (*.wav)");
  EXPECT_EQ(g_GreetingSoundMsgPath.Get(), U16(wavName));
  EXPECT_TRUE(LoadsAsGreeting(U16(wavName)));
  EXPECT_TRUE(LoadsAsGreeting(U16(mp3Name))) << "the MP3 greeting is still there";

  SaveSettings();  // Apply
  SetDefaultOptions();
  LoadSettings();  // the next start
  EXPECT_EQ(g_GreetingSoundMsgPath.Get(), U16(wavName));
  EXPECT_EQ(boxes.texts.size(), 2u);
}

// Both callers start with the shipped greeting: a recording for the one is never offered the name
// the other's recording was kept under, so keeping the offered name loses neither greeting.
TEST_F(GreetingAudioTest, TheOtherCallersGreetingIsNotOfferedToBeReplaced) {
  CDlgOptDefaultCaller contacts(chooser, nullptr);
  contacts.show();
  RecordSome(contacts, Find<CButtonSSL>(&contacts, "recordVoice"));
  chooser.saveAnswers = {ChoosingSheet::kKeepOfferedName};
  Click(Find<CButtonSSL>(&contacts, "recordVoice"));
  const std::u16string contactsGreeting = GetUserDataFolder() + u"greeting.wav";
  ASSERT_EQ(g_GreetingSoundMsgPath.Get(), contactsGreeting);
  const std::string contactsBytes = ReadFileBytes(U8(contactsGreeting));
  contacts.OnStopAudio();

  g_UseNonAuthorizedCallerSettings = 1;
  g_DisableAnswerOfNonAuthCaller = 0;
  CDlgOptUnknownCaller others(chooser, nullptr);
  others.show();
  RecordSome(others, Find<CButtonSSL>(&others, "recordVoice"));
  chooser.saveAnswers = {ChoosingSheet::kKeepOfferedName};
  Click(Find<CButtonSSL>(&others, "recordVoice"));
  EXPECT_EQ(chooser.saveStarts.back(), GetUserDataFolder() + u"greeting 2.wav");
  EXPECT_EQ(g_GreetingSoundMsgPathForNonAuth.Get(), GetUserDataFolder() + u"greeting 2.wav");
  EXPECT_EQ(ReadFileBytes(U8(contactsGreeting)), contactsBytes) << "the contacts' greeting is untouched";
  EXPECT_TRUE(LoadsAsGreeting(g_GreetingSoundMsgPathForNonAuth.Get()));
  EXPECT_TRUE(boxes.texts.empty());
}

// A recording that holds no sound (a WAV stopped before the microphone gave any; an MP3 always
// holds the encoder's last frames) is no greeting: nobody is asked where to keep it, the greeting
// in use stays untouched, and the user is told once.
TEST_F(GreetingAudioTest, ARecordingThatHoldsNoSoundReplacesNoGreeting) {
  g_UseNonAuthorizedCallerSettings = 1;
  g_DisableAnswerOfNonAuthCaller = 0;
  const std::string old = Greeting("old.wav");
  ASSERT_TRUE(WriteGreetingWav(old));
  const std::string oldBytes = ReadFileBytes(old);
  g_GreetingSoundMsgPathForNonAuth = U16(old);
  CDlgOptUnknownCaller page(chooser, nullptr);
  page.show();
  auto* record = Find<CButtonSSL>(&page, "recordVoice");
  clock_.Hold();  // the microphone gives nothing
  Click(record);
  ASSERT_TRUE(page.IsRecording());
  const std::u16string temp = page.TempRecordingPath();
  chooser.saveAnswers = {U16(old)};
  Click(record);
  clock_.Run();
  EXPECT_FALSE(page.IsRecording());
  EXPECT_TRUE(chooser.saveTitles.empty()) << "nothing to keep";
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], GetLangString(1004) + temp);
  EXPECT_EQ(ReadFileBytes(old), oldBytes) << "the greeting in use is untouched";
  EXPECT_EQ(g_GreetingSoundMsgPathForNonAuth.Get(), U16(old));
  EXPECT_TRUE(chooser.greetingLoads.empty());
  EXPECT_FALSE(Exists(U8(temp)));
  EXPECT_TRUE(Find<CButtonSSL>(&page, "playVoice")->isEnabled()) << "idle again";
}

TEST_F(GreetingAudioTest, InPortableModeTheSaveDialogAsksAgainUntilTheGreetingIsOnTheProgramsDrive) {
  g_RemovableMode = true;
  std::u16string drive = qav::MountPointOf(U16(dir.path())).value_or(u"/");
  if (drive == u"/") drive.clear();
  SetAppDrive(drive);
  const std::string elsewhere = "/proc/greeting.wav";  // another file system
  CDlgOptDefaultCaller page(chooser, nullptr);
  page.show();
  auto* record = Find<CButtonSSL>(&page, "recordVoice");
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
  // Portable mode keeps the user's folder beside the program, on its drive: offered there.
  const std::u16string usersFolder = GetAppFolder() + user + u"/";
  EXPECT_EQ(chooser.saveStarts[0], usersFolder + u"greeting.wav");
  ::rmdir(U8(usersFolder).c_str());  // made for the offer, in the build's folder
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
  auto* record = Find<CButtonSSL>(&page, "recordVoice");
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
  ASSERT_NO_FATAL_FAILURE(UseGreetingOf(0.5));
  CDlgOptDefaultCaller page(chooser, nullptr);
  page.show();
  auto* play = Find<CButtonSSL>(&page, "playVoice");
  auto* record = Find<CButtonSSL>(&page, "recordVoice");

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

// A call the machine answers takes the sound card from the greeting being played: the page shows
// that it stopped and leaves the call's recording alone.
TEST_F(GreetingAudioTest, ACallsRecordingStopsThePlayedGreetingAndThePageShowsIt) {
  ASSERT_NO_FATAL_FAILURE(UseGreetingOf(5.0));
  CDlgOptDefaultCaller page(chooser, nullptr);
  page.show();
  auto* play = Find<CButtonSSL>(&page, "playVoice");
  auto* record = Find<CButtonSSL>(&page, "recordVoice");
  clock_.Hold();
  Click(play);
  ASSERT_TRUE(page.IsPlaying());

  auto callGreeting = std::make_shared<CWaveMemFile>();
  const WAVEFORMATEX live = WaveUtilsMakePCMFormat(1, 16, 16000);
  ASSERT_EQ(callGreeting->SetFormat(&live), 1);
  int inPort = 0, outPort = 0;
  ASSERT_EQ(driver_.RecordSkypeMsgStart(&inPort, &outPort, callGreeting, U16(dir.File("lastvoicemsg.wav")), 0), 1);
  ASSERT_TRUE(WaitUntil([&] { return !page.IsPlaying(); })) << "the page is told that playback has ended";
  EXPECT_EQ(play->toolTip(), QString::fromStdU16String(GetLangString(631)));
  EXPECT_TRUE(record->isEnabled());
  EXPECT_NE(driver_.GetState(), AudioDriverState::kIdle) << "the call's recording goes on";
  int seconds = -1;
  EXPECT_EQ(driver_.RecordSkypeMsgStop(&seconds), 1);
}

TEST_F(GreetingAudioTest, TheUnknownCallersRecordingIsDroppedWhenItsOwnSettingsAreSwitchedOff) {
  g_UseNonAuthorizedCallerSettings = 1;
  g_DisableAnswerOfNonAuthCaller = 0;
  CDlgOptUnknownCaller page(chooser, nullptr);
  page.show();
  RecordSome(page, Find<CButtonSSL>(&page, "recordVoice"));
  const std::u16string temp = page.TempRecordingPath();
  Click(Find<QCheckBox>(&page, "ownSettings"));
  EXPECT_FALSE(page.IsRecording());
  EXPECT_EQ(driver_.GetState(), AudioDriverState::kIdle);
  EXPECT_FALSE(Exists(U8(temp)));
  EXPECT_FALSE(Find<CButtonSSL>(&page, "recordVoice")->isEnabled());
  EXPECT_FALSE(Find<CButtonSSL>(&page, "playVoice")->isEnabled());
}

// The sheet's own Cancel, and changing to another page, end a greeting played or recorded on the
// options page, whichever child the Cancel leaves shown: advanced mode switched on and not applied
// comes back as basic mode, where the unknown caller's child is not listed. Nothing goes on
// recording or playing once the sheet has closed, and a recording in progress is dropped.
TEST_F(GreetingAudioTest, CancelOrAnotherPageStopsTheGreetingWhateverTheCancelShowsNext) {
  const std::string greeting = Greeting("hello.wav");
  ASSERT_TRUE(WriteWav(greeting, WaveUtilsMakePCMFormat(1, 16, 16000), Tone(0.5)));
  enum class Leave { kCancel, kAnotherPage };
  struct Case {
    const char* name;
    int savedAdvanced;  // the mode the settings file holds; advanced is on in the sheet
    int dialogId;
    bool record;
    Leave leave;
  } const cases[] = {
      {"recording, cancel back to basic", 0, 148, true, Leave::kCancel},
      {"recording, cancel in advanced", 1, 148, true, Leave::kCancel},
      {"playing, cancel back to basic", 0, 148, false, Leave::kCancel},
      {"contacts recording, cancel back to basic", 0, 347, true, Leave::kCancel},
      {"recording, another page", 1, 148, true, Leave::kAnotherPage},
      {"playing, another page", 1, 347, false, Leave::kAnotherPage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_UseNonAuthorizedCallerSettings = 1;
    g_DisableAnswerOfNonAuthCaller = 0;
    g_GreetingSoundMsgPath = U16(greeting);
    g_GreetingSoundMsgPathForNonAuth = U16(greeting);
    g_AdvancedSettingMode = c.savedAdvanced;
    SaveSettings();
    g_AdvancedSettingMode = 1;
    FileSettingsServices services;
    OptionsAndAboutSheet shown(services);
    CDlgOptions* page = shown.options->Options();
    page->OnUserSelectPage(c.dialogId);
    auto* child = dynamic_cast<CDlgOptGreeting*>(page->CurrentChild());
    ASSERT_NE(child, nullptr);
    ASSERT_EQ(child->DialogId(), c.dialogId);
    std::u16string temp;
    if (c.record) {
      RecordSome(*child, Find<CButtonSSL>(child, "recordVoice"));
      temp = child->TempRecordingPath();
    } else {
      clock_.Hold();  // the playback lasts until the test lets it end
      Click(Find<CButtonSSL>(child, "playVoice"));
      ASSERT_EQ(driver_.GetState(), AudioDriverState::kPlayingFile);
    }
    shown.sheet.SetModified(true);
    if (c.leave == Leave::kCancel) {
      QTest::mouseClick(shown.sheet.CancelButton(), Qt::LeftButton);
      EXPECT_FALSE(shown.sheet.isVisible());
      EXPECT_EQ(g_AdvancedSettingMode, c.savedAdvanced);
    } else {
      shown.sheet.SetActivePage(kPageAbout);
    }
    clock_.Run();
    loop_.WaitForWork(50);
    EXPECT_EQ(driver_.GetState(), AudioDriverState::kIdle) << "the sound card is free again";
    EXPECT_FALSE(child->IsRecording());
    EXPECT_FALSE(child->IsPlaying());
    if (c.record) {
      EXPECT_FALSE(Exists(U8(temp))) << "the recording is dropped";
    }
    EXPECT_TRUE(boxes.texts.empty());
  }
  CDlgOptions::SetRememberedIndex(0);
}

// Each greeting child's trace lines name its own class and its own handlers.
TEST_F(GreetingPagesTest, EachChildTracesItsOwnHandlerNames) {
  g_UseNonAuthorizedCallerSettings = 1;
  g_DisableAnswerOfNonAuthCaller = 0;
  g_GreetingTextMsgAllowed = 1;
  g_GreetingTextMsgAllowedForNonAuth = 1;
  g_EMailNotificationAllowed = 1;
  g_EMailNotificationAllowedForNonAuth = 1;
  g_EMailAttachmentAllowed = 1;
  g_EMailAttachmentAllowedForNonAuth = 1;
  struct Case {
    const char* control;
    const char16_t* contacts;
    const char16_t* others;
  } const cases[] = {
      {"browseVoice", u"OnButtonGreetingAudioBrowse", u"OnButtonGreetingBrowseWhenNonAuthorizedCaller"},
      {"playVoice", u"OnButtonGreetingAudioPlay", u"OnButtonGreetingPlayWhenNonAuthorizedCaller"},
      {"recordVoice", u"OnButtonGreetingAudioRecord", u"OnButtonGreetingRecordWhenNonAuthorizedCaller"},
      {"text", u"OnChangeEditGreetingTextMsg", u"OnChangeEditGreetingTextMsgWhenNonAuthorizedCaller"},
      {"resetText", u"OnButtonResetTextGreeting", u"OnButtonResetTextGreetingWhenNonAuthorizedCaller"},
      {"textAllowed", u"OnCheckGreetingTextMsgEnabled", u"OnCheckGreetingTextMsgEnabledWhenNonAuthorizedCaller"},
      {"maxDuration", u"OnChangeEditMaxRecordingDuration", u"OnChangeEditMaxRecordingDurationWhenNonAuthorizedCaller"},
      {"deleteAfterMail", u"OnCheckAutoDeleteAfterEmailAllow", u"OnCheckAutoDeleteAfterEmailAllowWhenNonAuthorizedCallers"},
      {"attachAudio", u"OnCheckEMailAttachemtnAllowed", u"OnCheckEMailAttachemtnAllowedWhenNonAuthorizedCallers"},
      {"mailNotice", u"OnCheckEMailNotificationAllowed", u"OnCheckEMailNotificationAllowedWhenNonAuthorizedCallers"},
  };
  for (const bool contacts : {true, false}) {
    const std::unique_ptr<CDlgOptGreeting> page = GreetingPage(contacts);
    page->show();
    const std::u16string className = contacts ? u"CDlgOptDefaultCaller::" : u"CDlgOptUnknownCaller::";
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(contacts ? "contacts, " : "other callers, ") + c.control);
      LogCapture log;
      QWidget* control = Find<QWidget>(page.get(), c.control);
      ASSERT_NE(control, nullptr);
      if (auto* text = qobject_cast<QPlainTextEdit*>(control)) {
        text->setFocus();
        QTest::keyClicks(text, "x");
      } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        Type(edit, "12");
      } else {
        Click(control);
      }
      EXPECT_TRUE(log.Has(LOG_FINE, className + (contacts ? c.contacts : c.others)));
      page->OnStopAudio();
    }
  }
}

TEST_F(GreetingPagesTest, TheVideoRowEditsItsSettingsOnlyWithTheVideoDriver) {
  chooser.videoDriver = true;
  g_GreetingVideoAllowed = 0;
  g_GreetingVideoMsgPath = u"";
  CDlgOptDefaultCaller page(chooser, nullptr);
  page.show();
  auto* allowed = Find<QCheckBox>(&page, "videoAllowed");
  auto* path = Find<QLineEdit>(&page, "videoPath");
  auto* browse = Find<CButtonSSL>(&page, "browseVideo");
  EXPECT_TRUE(allowed->isVisible());
  EXPECT_FALSE(Find<CHyperLink>(&page, "videoSupportLink")->isVisible());
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
  Click(Find<CButtonSSL>(&page, "playVideo"));
  ASSERT_EQ(chooser.openedUrls.size(), 1u);
  EXPECT_EQ(chooser.openedUrls[0], u"file://" + *chooser.chosen) << "the desktop's player shows it";
  EXPECT_TRUE(log.Has(LOG_INFO, u"Video Greeting to play: " + *chooser.chosen));
  // Nothing took it: the shell's code says whether the file is missing or nobody opens its kind.
  chooser.fileOpens = false;
  const std::pair<bool, std::u16string_view> failures[] = {{false, u"Video Greeting play failed with ERROR: 2"},
                                                           {true, u"Video Greeting play failed with ERROR: 31"}};
  for (const auto& [exists, line] : failures) {
    if (exists) ASSERT_TRUE(WriteFileBytes(dir.File("hello.avi"), "RIFF"));
    else std::remove(dir.File("hello.avi").c_str());
    log.Clear();
    Click(Find<CButtonSSL>(&page, "playVideo"));
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
  auto* link = Find<CHyperLink>(&page, "videoSupportLink");
  EXPECT_TRUE(link->isVisible());
  EXPECT_FALSE(Find<QCheckBox>(&page, "videoAllowed")->isVisible());
  EXPECT_FALSE(Find<QLineEdit>(&page, "videoPath")->isVisible());

  Click(link);
  EXPECT_EQ(chooser.videoDriverTries, 2);
  ASSERT_EQ(chooser.openedUrls.size(), 1u);
  EXPECT_NE(chooser.openedUrls[0].find(u"applinks/video/"), std::u16string::npos) << U8(chooser.openedUrls[0]);
  EXPECT_NE(chooser.openedUrls[0].find(u"lang="), std::u16string::npos) << U8(chooser.openedUrls[0]);

  // The driver can be there by the next try (the webcam application was installed meanwhile).
  chooser.videoDriverAppears = true;
  Click(link);
  EXPECT_EQ(chooser.openedUrls.size(), 1u);
  EXPECT_TRUE(Find<QCheckBox>(&page, "videoAllowed")->isVisible());
  EXPECT_FALSE(link->isVisible());
}

}  // namespace
}  // namespace qav::test
