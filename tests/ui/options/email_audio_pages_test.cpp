// The e-mail and audio-settings children: the password placeholder, the port limit, the subject
// switch that follows its text, the test mail against a real SMTP server, and the device choosers
// on the virtual sound device.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <chrono>

#include "audio/audio_device_list.h"
#include "net/send_smtp.h"
#include "platform/message_loop.h"
#include "platform/sound/sound_devices.h"
#include "platform/window.h"
#include "tests/support/smtp_server.h"
#include "tests/support/stalling_smtp_server.h"
#include "tests/ui/options/option_test_controls.h"
#include "tests/ui/options/options_fixture.h"
#include "tests/ui/text_fit.h"
#include "ui/options/dlg_opt_audio_settings.h"
#include "ui/options/dlg_opt_email_settings.h"
#include "ui/bridge/qt_loop_bridge.h"

namespace qav::test {
namespace {

class EMailPageTest : public OptionsTest {
 protected:
  void SetUp() override {
    OptionsTest::SetUp();
    page = std::make_unique<CDlgOptEMailSettings>(sheet, nullptr);
    page->show();
  }
  void TearDown() override {
    page.reset();
    OptionsTest::TearDown();
  }
  // The GUI thread's platform loop, driven by Qt as in the program: the test mail's progress
  // dialog hears from its worker through it, and the call link and the answer timers run on it.
  MessageLoop loop;
  QtLoopBridge bridge{loop};
  std::unique_ptr<CDlgOptEMailSettings> page;
};

TEST_F(EMailPageTest, TheStoredPasswordShowsAsThePlaceholderAndIsKeptUntilRetyped) {
  g_EMailLoginPass = u"s3cret";
  page->UpdateDlg();
  auto* password = Find<QLineEdit>(page.get(), "password");
  EXPECT_EQ(password->text(), "1234567890");
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);
  EXPECT_EQ(g_EMailLoginPass.Get(), u"s3cret");
  EXPECT_FALSE(sheet.modified);
  Type(password, "n3w");
  EXPECT_EQ(g_EMailLoginPass.Get(), u"n3w");
  EXPECT_TRUE(sheet.modified);
  sheet.modified = false;
  password->setText("1234567890");
  EXPECT_EQ(g_EMailLoginPass.Get(), u"n3w") << "the placeholder can never be the password";
  EXPECT_FALSE(sheet.modified);
  g_EMailLoginPass = u"";
  page->UpdateDlg();
  EXPECT_EQ(password->text(), "");
}

TEST_F(EMailPageTest, ThePortTakesUpTo65535AndTheSubjectSwitchFollowsItsText) {
  auto* port = Find<QLineEdit>(page.get(), "port");
  port->setText("65535");
  EXPECT_EQ(g_SMTPServerPort, 65535);
  EXPECT_TRUE(boxes.texts.empty());
  port->setText("65536");
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], GetLangString(836));
  EXPECT_EQ(port->text(), "65535");
  EXPECT_EQ(g_SMTPServerPort, 65535);

  auto* subject = Find<QLineEdit>(page.get(), "ownSubject");
  auto* ownSubject = Find<QCheckBox>(page.get(), "ownSubjectSwitch");
  ASSERT_EQ(g_EMailUserOwnSubjectLineAllow, 0);
  Type(subject, "Hi");
  EXPECT_EQ(g_EMailUserOwnSubjectLineText.Get(), u"Hi");
  EXPECT_EQ(g_EMailUserOwnSubjectLineAllow, 1);
  EXPECT_TRUE(ownSubject->isChecked());
  Type(subject, "");
  EXPECT_EQ(g_EMailUserOwnSubjectLineAllow, 0);
  EXPECT_FALSE(ownSubject->isChecked());

  const std::pair<const char*, COptionText*> texts[] = {{"address", &g_YourEMailAddress},
                                                        {"login", &g_EMailLoginName},
                                                        {"server", &g_SMTPServerAddress},
                                                        {"otherTo", &g_EMailOtherTOAddressText}};
  for (const auto& [name, option] : texts) {
    sheet.modified = false;
    Type(Find<QLineEdit>(page.get(), name), "x@y");
    EXPECT_EQ(option->Get(), u"x@y") << name;
    EXPECT_TRUE(sheet.modified) << name;
  }
  const std::pair<const char*, COptionInt*> checks[] = {
      {"sslSwitch", &g_SMTPSSLEnabled}, {"spaSwitch", &g_SMTPSPAEnabled}, {"otherToSwitch", &g_EMailOtherTOAddressAllow}};
  for (const auto& [name, option] : checks) {
    const int before = option->Get();
    Click(Find<QCheckBox>(page.get(), name));
    EXPECT_EQ(option->Get(), before ? 0 : 1) << name;
  }
}

TEST_F(EMailPageTest, TheTestMailGoesWithTheUnsavedSettingsOrStopsWhenTheyAreIncomplete) {
  SmtpServer server;
  ASSERT_TRUE(server.started());
  Click(Find<QPushButton>(page.get(), "testAccount"));
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], GetLangString(837)) << "no server: nothing is sent";
  EXPECT_EQ(server.MailCount(), 0);

  Type(Find<QLineEdit>(page.get(), "address"), "me@example.org");
  Type(Find<QLineEdit>(page.get(), "server"), "127.0.0.1");
  Type(Find<QLineEdit>(page.get(), "port"), QString::number(server.port()));
  Click(Find<QCheckBox>(page.get(), "otherToSwitch"));
  Type(Find<QLineEdit>(page.get(), "otherTo"), "other@example.org");
  Click(Find<QPushButton>(page.get(), "testAccount"));
  ASSERT_EQ(boxes.texts.size(), 2u);
  EXPECT_EQ(boxes.texts[1], GetLangString(1127));
  const std::optional<ReceivedMail> mail = server.WaitForMail();
  ASSERT_TRUE(mail.has_value());
  EXPECT_EQ(mail->subject, "Testing your Email setting for QAV");
  EXPECT_EQ(mail->envelopeTo, std::vector<std::string>{"other@example.org"});
  EXPECT_EQ(mail->envelopeFrom, "me@example.org");
  EXPECT_NE(mail->body.find("No voice message attachmented in this email."), std::string::npos);
  EXPECT_NE(mail->body.find("\n- QAV - Answering Machine for Skype"), std::string::npos);

  // A server that refuses the recipient: the failure is reported, not a success.
  SmtpServerOptions refusing;
  refusing.replyRcpt = 550;
  SmtpServer refuser(refusing);
  ASSERT_TRUE(refuser.started());
  Type(Find<QLineEdit>(page.get(), "port"), QString::number(refuser.port()));
  Click(Find<QPushButton>(page.get(), "testAccount"));
  ASSERT_EQ(boxes.texts.size(), 3u);
  EXPECT_EQ(boxes.texts[2], GetLangString(1128));
}

TEST_F(EMailPageTest, ATestMailToAServerThatNeverAnswersLeavesTheGuiThreadFreeAndCanBeCancelled) {
  StallingSmtpServer server(SmtpMisbehaviour::kSilent);
  ASSERT_TRUE(server.started());
  Type(Find<QLineEdit>(page.get(), "address"), "me@example.org");
  Type(Find<QLineEdit>(page.get(), "server"), "127.0.0.1");
  Type(Find<QLineEdit>(page.get(), "port"), QString::number(server.port()));

  // A timer of the GUI thread's platform loop, as the answer timers are: it must keep firing while
  // the mail waits for the server. Once it has fired ten times behind the dialog, it cancels.
  int ticksBehindTheDialog = 0;
  QString dialogTitle, dialogStatus;
  std::chrono::steady_clock::time_point cancelledAt;
  Window ticker;
  ASSERT_TRUE(ticker.Create(loop, "QAVTestTicker", u"", WindowKind::kLocal, [&](Msg& m) -> LResult {
    if (m.message != WM_TIMER) return DefWindowProc(m);
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) return 0;
    dialogTitle = dialog->windowTitle();
    if (auto* status = dialog->findChild<QLabel*>(QStringLiteral("status"))) dialogStatus = status->text();
    if (++ticksBehindTheDialog == 10) {
      cancelledAt = std::chrono::steady_clock::now();
      Click(dialog->findChild<QPushButton*>(QStringLiteral("cancel")));
    }
    return 0;
  }));
  SetTimer(ticker.handle(), 1, 50);
  const size_t boxesBefore = boxes.texts.size();
  const auto start = std::chrono::steady_clock::now();
  Click(Find<QPushButton>(page.get(), "testAccount"));
  KillTimer(ticker.handle(), 1);

  EXPECT_GE(ticksBehindTheDialog, 10) << "the GUI thread waited on the server";
  EXPECT_EQ(dialogTitle, QString::fromStdU16String(GetLangString(835)));
  EXPECT_EQ(dialogStatus, QString::fromStdU16String(GetLangString(1125) + u"..."));
  EXPECT_TRUE(server.WaitFor("connected", 5000));
  // The cancelled mail lets go of the server at once, and nothing claims it was sent or failed.
  EXPECT_TRUE(server.WaitFor("closed", 5000)) << "the cancelled mail went on";
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
  EXPECT_LT(std::chrono::steady_clock::now() - cancelledAt, std::chrono::seconds(5));
  EXPECT_EQ(boxes.texts.size(), boxesBefore);
}

TEST_F(EMailPageTest, TheHelpButtonOpensTheHelpPageInTheUsersLanguage) {
  Click(Find<QPushButton>(page.get(), "onlineHelp"));
  ASSERT_EQ(sheet.openedUrls.size(), 1u);
  EXPECT_NE(sheet.openedUrls[0].find(u"qav/applinks/QAVDlgOptEmailSettings_1_1/?lang="), std::u16string::npos);
}

// Where a control stands on its page, whatever frame holds it.
QRect PlaceOn(const QWidget* page, const QWidget* control) {
  return QRect(control->mapTo(page, QPoint()), control->size());
}

// Each account row reads as a form: its label or switch, then its edit, the edits in one column,
// the rows in the order of the account and the two buttons after them, help at the left.
TEST_F(EMailPageTest, TheAccountRowsLineUpAsAFormAndTheButtonsComeAfterThem) {
  const std::pair<const char*, const char*> rows[] = {{"addressLabel", "address"}, {"loginLabel", "login"},
                                                      {"passwordLabel", "password"}, {"serverLabel", "server"},
                                                      {"portLabel", "port"}, {"ownSubjectSwitch", "ownSubject"},
                                                      {"otherToSwitch", "otherTo"}};
  const QRect address = PlaceOn(page.get(), Find<QLineEdit>(page.get(), "address"));
  int lastBottom = -1;
  for (const auto& [labelName, editName] : rows) {
    SCOPED_TRACE(editName);
    const QRect label = PlaceOn(page.get(), Find<QWidget>(page.get(), labelName));
    const QRect edit = PlaceOn(page.get(), Find<QLineEdit>(page.get(), editName));
    EXPECT_EQ(edit.left(), address.left()) << "the edits in one column";
    EXPECT_LT(label.right(), edit.left()) << "the label before its edit";
    EXPECT_TRUE(label.center().y() >= edit.top() && label.center().y() <= edit.bottom()) << "on its edit's line";
    EXPECT_GT(edit.top(), lastBottom) << "below the row before";
    lastBottom = edit.bottom();
  }
  const QRect port = PlaceOn(page.get(), Find<QLineEdit>(page.get(), "port"));
  const QRect subject = PlaceOn(page.get(), Find<QLineEdit>(page.get(), "ownSubject"));
  for (const char* name : {"sslSwitch", "spaSwitch"}) {
    const QRect box = PlaceOn(page.get(), Find<QCheckBox>(page.get(), name));
    EXPECT_TRUE(box.top() > port.bottom() && box.bottom() < subject.top()) << name << " between port and subject";
  }
  EXPECT_LT(port.width(), address.width()) << "the port as wide as its digits";
  const QRect help = PlaceOn(page.get(), Find<QPushButton>(page.get(), "onlineHelp"));
  const QRect test = PlaceOn(page.get(), Find<QPushButton>(page.get(), "testAccount"));
  EXPECT_GT(help.top(), lastBottom);
  EXPECT_EQ(help.top(), test.top());
  EXPECT_LT(help.right(), test.left());
  EXPECT_EQ(test.right(), address.right()) << "the test button ends with the edits";
  EXPECT_TRUE(CutTexts(page.get()).isEmpty()) << Listed(CutTexts(page.get()));
}

class AudioPageTest : public OptionsTest {
 protected:
  ScopedEnv sound{"QAV_SOUND_DEVICE", std::string("virtual")};
};

TEST_F(AudioPageTest, AGoneDeviceSelectsTheFirstLineWithoutChangingTheSettingUntilOneIsPicked) {
  g_AudioPlaybackDeviceName = u"A card long gone";
  CDlgOptAudioSettings page(sheet, nullptr);
  page.show();
  auto* playback = Find<QComboBox>(&page, "playbackDevice");
  ASSERT_GE(playback->count(), 2) << "the default and the virtual device";
  EXPECT_EQ(playback->currentIndex(), 0);
  EXPECT_EQ(g_AudioPlaybackDeviceName.Get(), u"A card long gone");
  EXPECT_FALSE(sheet.modified);

  const int virtualLine = playback->findText(kVirtualSoundDeviceName);
  ASSERT_GT(virtualLine, 0);
  playback->setCurrentIndex(virtualLine);
  emit playback->activated(virtualLine);
  EXPECT_EQ(g_AudioPlaybackDeviceName.Get(), qav::Utf8ToUtf16(kVirtualSoundDeviceName));
  EXPECT_TRUE(sheet.modified);
  page.UpdateDlg();
  EXPECT_EQ(playback->currentIndex(), virtualLine);

  auto* recording = Find<QComboBox>(&page, "recordingDevice");
  sheet.modified = false;
  recording->setCurrentIndex(0);
  emit recording->activated(0);
  EXPECT_EQ(g_AudioRecordingDeviceName.Get(), CRecordingDeviceList().GetNameAt(0));

  Click(Find<QRadioButton>(&page, "formatMp3"));
  EXPECT_EQ(g_AudioFileRecordingFormat, 1);
  sheet.modified = false;
  Click(Find<QRadioButton>(&page, "formatMp3"));
  EXPECT_FALSE(sheet.modified);
  auto* quality = Find<QComboBox>(&page, "recordingQuality");
  EXPECT_EQ(quality->itemText(0), "CD Quality (High Bit Rate)");
  quality->setCurrentIndex(2);
  emit quality->activated(2);
  EXPECT_EQ(g_AudioFileRecordingQuality, 2);
}

// Quality and format line up after their labels; each device list stands under its label.
TEST_F(AudioPageTest, TheRecordingChoicesLineUpAfterTheirLabelsAndTheDevicesUnderTheirs) {
  CDlgOptAudioSettings page(sheet, nullptr);
  page.show();
  QApplication::processEvents();
  const QRect quality = PlaceOn(&page, Find<QComboBox>(&page, "recordingQuality"));
  const QRect wav = PlaceOn(&page, Find<QRadioButton>(&page, "formatWav"));
  const QRect mp3 = PlaceOn(&page, Find<QRadioButton>(&page, "formatMp3"));
  EXPECT_EQ(wav.left(), quality.left());
  EXPECT_GT(wav.top(), quality.bottom());
  EXPECT_LT(wav.right(), mp3.left());
  EXPECT_EQ(wav.top(), mp3.top());
  for (const auto& [labelName, choiceName] :
       {std::pair{"qualityLabel", "recordingQuality"}, std::pair{"formatLabel", "formatWav"}}) {
    const QRect label = PlaceOn(&page, Find<QLabel>(&page, labelName));
    const QRect choice = PlaceOn(&page, Find<QWidget>(&page, choiceName));
    EXPECT_LT(label.right(), choice.left()) << labelName;
    EXPECT_TRUE(label.center().y() >= choice.top() && label.center().y() <= choice.bottom()) << labelName;
  }
  int lastBottom = quality.bottom();
  for (const char* name : {"playbackDeviceLabel", "playbackDevice", "recordingDeviceLabel", "recordingDevice"}) {
    const QRect place = PlaceOn(&page, Find<QWidget>(&page, name));
    EXPECT_GT(place.top(), lastBottom) << name;
    lastBottom = place.bottom();
  }
  EXPECT_TRUE(CutTexts(&page).isEmpty()) << Listed(CutTexts(&page));
}

}  // namespace
}  // namespace qav::test
