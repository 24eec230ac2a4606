// The player: its byte arithmetic, and the dialog against the real audio thread on the virtual
// sound device (a clock the test can hold), with recordings loaded from the user's folders as at
// start-up.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <climits>
#include <functional>
#include <memory>
#include <string>

#include "audio/audio_driver.h"
#include "audio/progress_job.h"
#include "audio/wave_mem_file.h"
#include "audio/wave_utils.h"
#include "calls/conversation.h"
#include "calls/conversation_data_file.h"
#include "calls/message.h"
#include "foundation/settings.h"
#include "foundation/settings_folders.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "tests/audio/audio_test_support.h"
#include "tests/audio/held_clock.h"
#include "tests/support/call_model_fixture.h"
#include "tests/ui/accessible_look.h"
#include "tests/ui/text_fit.h"
#include "ui/art/app_image_lists.h"
#include "ui/controls/button_ssl.h"
#include "ui/controls/hyper_link.h"
#include "ui/player/dlg_play_voice_object.h"
#include "ui/controls/gradient_progress_ctrl.h"
#include "ui/player/player_position.h"
#include "ui/controls/push_graph.h"
#include "ui/controls/x_progress_bar.h"

namespace {

using qav::test::CallModelFixture;

TEST(PlayerPosition, ByteArithmeticHoldsForLargeAndEmptyRecordings) {
  const int64_t big = int64_t{6} << 20;  // 6 MB: (width - 1) x position overflowed 32 bits
  EXPECT_EQ(qav::PlayerMarkerColumn(big / 2, big, 404), 201);
  EXPECT_EQ(qav::PlayerMarkerColumn(big, big, 404), 403);
  EXPECT_EQ(qav::PlayerBarValue(big / 2, big), big / 2);
  EXPECT_EQ(qav::PlayerColumnStart(403, big, 404), big * 403 / 404);
  const int64_t huge = int64_t{5} << 30;  // beyond what the bar takes: scaled
  EXPECT_EQ(qav::PlayerBarRange(huge), INT_MAX);
  EXPECT_NEAR(qav::PlayerBarValue(huge / 2, huge), INT_MAX / 2, 1);
  EXPECT_EQ(qav::PlayerBytesAtFraction(0.5, huge), huge / 2);
  // An empty recording maps everything to the start.
  EXPECT_EQ(qav::PlayerMarkerColumn(10, 0, 404), 0);
  EXPECT_EQ(qav::PlayerBarValue(10, 0), 0);
  EXPECT_EQ(qav::PlayerBytesAtFraction(0.7, 0), 0);
  EXPECT_DOUBLE_EQ(qav::PlayerFractionOfBar(5, 0), 0.0);
  EXPECT_DOUBLE_EQ(qav::PlayerFractionOfBar(250, 1000), 0.25);
}

class RecordingBoxes : public qav::MessageBoxHandler {
 public:
  RecordingBoxes() : m_previous(qav::GetMessageBoxHandler()) { qav::SetMessageBoxHandler(this); }
  ~RecordingBoxes() override { qav::SetMessageBoxHandler(m_previous); }
  int Show(std::u16string_view text, std::u16string_view, uint32_t) override {
    shown.emplace_back(text);
    return 1;
  }
  std::vector<std::u16string> shown;

 private:
  qav::MessageBoxHandler* m_previous;
};

constexpr double kSpeed = 20.0;
const WAVEFORMATEX kFormat = WaveUtilsMakePCMFormat(1, 16, 16000);

class PlayerTest : public CallModelFixture {
 protected:
  void SetUp() override {
    CallModelFixture::SetUp();
    SignIn(u"me");
    device_ = g_AudioPlaybackDeviceName.Get();
    g_AudioPlaybackDeviceName = u"";
    g_EnableVSAProcessing = 1;
    ASSERT_EQ(driver_.Start(clock_), 1);
    g_pAudioDriver = &driver_;
  }
  void TearDown() override {
    g_pAudioDriver = nullptr;
    g_AudioPlaybackDeviceName = device_;
    CallModelFixture::TearDown();
  }

  std::string MessagesFolder() { return qav::U8(g_MessageCollection.GetMessagesFolder()); }
  std::string ConversationsFolder() { return qav::U8(g_ConversationCollection.GetConversationsFolder()); }

  // A voice message from caller77 of `seconds` of a tone, loaded as at the next start.
  CMessage* Message(double seconds, int32_t duration = 42) {
    const std::string name = "caller77.2024.03.05.14.07.09." + std::to_string(duration) + ".s.wav";
    const std::string data = qav::test::ToBytes(qav::test::Tone(16000, 1, 300, seconds));
    EXPECT_TRUE(qav::test::WriteWav(MessagesFolder() + name, kFormat, data));
    Reload();
    for (CMessage* message : g_MessageCollection.GetMessages())
      if (message->GetFileName() == qav::U16(name)) return message;
    ADD_FAILURE() << "no message for " << name;
    return nullptr;
  }
  // A recorded conversation of two seconds with these partners, loaded as at the next start.
  CConversation* Conversation(const std::string& started, const std::vector<std::u16string>& partners) {
    const std::string base = ConversationsFolder() + started;
    const std::string data = qav::test::ToBytes(qav::test::Tone(16000, 1, 300, 2.0));
    EXPECT_TRUE(qav::test::WriteWav(base + ".wav", kFormat, data));
    EXPECT_TRUE(qav::test::WriteFileBytes(base + ".dat", BuildConversationData(2, partners)));
    Reload();
    for (CConversation* conversation : g_ConversationCollection.GetConversations())
      if (qav::U8(conversation->GetAudioFileName()) == started + ".wav") return conversation;
    ADD_FAILURE() << "no conversation " << started;
    return nullptr;
  }
  // The player of a message of `seconds` of a tone with its analysis run, open and playing on a
  // held clock.
  std::unique_ptr<CDlgPlayVoiceObject> AnalysedPlayer(double seconds) {
    CMessage* message = Message(seconds);
    if (message == nullptr) return nullptr;
    clock_.Hold();
    auto player = std::make_unique<CDlgPlayVoiceObject>(message, nullptr, true);
    player->SetAnalysisRunner(&analysisRunner_);
    EXPECT_EQ(player->InitDialog(), 0);
    return player;
  }
  void Reload() {
    CRecordings().DeleteAll();
    g_CallCollection.DeleteAll();
    CRecordings().LoadForUser(u"me");
  }

  // Serves the GUI thread's loop until `done` holds; false after 20 s of real time.
  bool WaitUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      virtualLoop.WaitForWork(20);
    }
    return true;
  }
  // The audio thread has handled everything asked before (a request that does nothing).
  void RoundTrip() { EXPECT_EQ(driver_.RecordSkypeInsertBeep(), 0); }
  // The playback asked for has its first blocks on the device (the start queues them as requests of
  // its own), so the clock run on afterwards plays them: blocks queued after the clock stands are
  // never done.
  void FirstBlocksQueued() {
    RoundTrip();
    RoundTrip();
  }
  // Plays `ms` more of the clock one block at a time, letting the audio thread refill the device
  // after each block: a longer run in one go could outpace a thread the machine is slow to
  // schedule, and blocks it queues after the clock stands never play.
  void PlayOn(int64_t ms) {
    const int64_t end = clock_.MonotonicMs() + ms;
    for (int64_t at = clock_.MonotonicMs(); at < end;) {
      at = std::min(at + 40, end);
      clock_.RunUntil(at);
      ASSERT_TRUE(WaitUntil([&] { return clock_.MonotonicMs() >= at; }));
      FirstBlocksQueued();
      RoundTrip();
    }
  }

  // Play resumes at the kept offset: the first block played after it is the next one, not the
  // beginning again.
  void ExpectPlayGoesOnFrom(CDlgPlayVoiceObject& player, int64_t kept) {
    player.ClickButton(CDlgPlayVoiceObject::kPlayPause);
    EXPECT_TRUE(player.IsPlaying());
    FirstBlocksQueued();
    clock_.RunUntil(clock_.MonotonicMs() + 40);
    ASSERT_TRUE(WaitUntil([&] { return player.Position() != kept; }));
    EXPECT_GT(player.Position(), kept);
    EXPECT_LT(player.Position(), kept + 8000) << "not from the beginning again";
  }

  qav::test::ScopedEnv virtualSound_{"QAV_SOUND_DEVICE", "virtual"};
  qav::test::HeldClock clock_{kSpeed};
  CAudioDriver driver_;
  qav::HeadlessProgressRunner analysisRunner_;
  std::u16string device_;
};

TEST_F(PlayerTest, EachButtonEndsWithItsResultCodeAndEarlyEndsSayWhy) {
  CMessage* message = Message(0.5);
  ASSERT_NE(message, nullptr);
  struct Case {
    CDlgPlayVoiceObject::ButtonId button;
    int result;
  };
  for (const Case& c : {Case{CDlgPlayVoiceObject::kPrevious, 4721}, Case{CDlgPlayVoiceObject::kNext, 4722},
                        Case{CDlgPlayVoiceObject::kDelete, 4723}, Case{CDlgPlayVoiceObject::kDeleteNext, 4724}}) {
    CDlgPlayVoiceObject player(message, nullptr, false);
    ASSERT_EQ(player.InitDialog(), 0);
    EXPECT_TRUE(player.IsPlaying());
    player.Button(c.button)->click();
    EXPECT_EQ(player.result(), c.result);
    EXPECT_FALSE(player.IsPlaying()) << "playback stops before the dialog ends";
    RoundTrip();
    EXPECT_EQ(driver_.GetState(), AudioDriverState::kIdle);
  }

  RecordingBoxes boxes;
  CDlgPlayVoiceObject noItem(static_cast<CMessage*>(nullptr), nullptr, false);
  EXPECT_EQ(noItem.InitDialog(), 4726);

  CMessage* silent = Message(0.2, 0);
  ASSERT_NE(silent, nullptr);
  CDlgPlayVoiceObject noVoice(silent, nullptr, false);
  EXPECT_EQ(noVoice.InitDialog(), 4725);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0], u"caller77 did not leave a voice message (from " + silent->GetTimeOfCallText() + u")");

  message = Message(0.5);
  ASSERT_EQ(std::remove((MessagesFolder() + qav::U8(message->GetFileName())).c_str()), 0);
  CDlgPlayVoiceObject missing(message, nullptr, false);
  EXPECT_EQ(missing.InitDialog(), 4726);
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[1], u"Can't find file: " + message->GetFilePath());
}

TEST_F(PlayerTest, TheModalRunReturnsTheButtonsCodeOrCancelForTheCloseBox) {
  CMessage* message = Message(0.5);
  ASSERT_NE(message, nullptr);
  clock_.Hold();
  {
    CDlgPlayVoiceObject player(message, nullptr, false);
    QTimer::singleShot(0, &player, [&] { player.Button(CDlgPlayVoiceObject::kNext)->click(); });
    EXPECT_EQ(player.DoModal(), 4722);
  }
  {
    CDlgPlayVoiceObject player(message, nullptr, false);
    QTimer::singleShot(0, &player, [&] { player.close(); });
    EXPECT_EQ(player.DoModal(), CDlgPlayVoiceObject::kResultCancel);
    EXPECT_FALSE(player.IsPlaying());
  }
  RoundTrip();
  EXPECT_EQ(driver_.GetState(), AudioDriverState::kIdle) << "nothing plays on after the dialog";
}

TEST_F(PlayerTest, PlaysWithPositionPauseKeepsTheOffsetStopRewindsAndTheEndNoticeResets) {
  CMessage* message = Message(2.0);
  ASSERT_NE(message, nullptr);
  clock_.Hold();
  CDlgPlayVoiceObject player(message, nullptr, false);
  ASSERT_EQ(player.InitDialog(), 0);
  EXPECT_EQ(player.Total(), message->GetSize());
  EXPECT_EQ(player.PositionBar()->maximum(), message->GetSize());
  EXPECT_FALSE(player.IsAnalysisOn());
  EXPECT_FALSE(player.StressBar()->isEnabled());

  FirstBlocksQueued();
  PlayOn(400);
  ASSERT_TRUE(WaitUntil([&] { return player.Position() >= 8000; }));
  clock_.Hold();
  player.ClickButton(CDlgPlayVoiceObject::kPlayPause);  // pause
  EXPECT_FALSE(player.IsPlaying());
  RoundTrip();
  virtualLoop.WaitForWork(20);  // notices queued before the stop are dropped
  const int64_t kept = player.Position();
  EXPECT_GE(kept, 8000);
  EXPECT_EQ(player.PositionBar()->value(), kept);

  ExpectPlayGoesOnFrom(player, kept);

  clock_.Hold();
  player.ClickButton(CDlgPlayVoiceObject::kStop);
  EXPECT_FALSE(player.IsPlaying());
  EXPECT_EQ(player.Position(), 0);
  EXPECT_EQ(player.PositionBar()->value(), 0);

  player.ClickButton(CDlgPlayVoiceObject::kPlayPause);  // from the beginning
  clock_.Run();
  ASSERT_TRUE(WaitUntil([&] { return !player.IsPlaying(); })) << "the end notice";
  EXPECT_EQ(player.Position(), 0);
  EXPECT_EQ(player.PositionBar()->value(), player.PositionBar()->maximum()) << "the bar stays at the end";
  player.done(2);
}

// A call the machine answers takes the sound card: the player shows that it stopped where the call
// cut in, and Play goes on from there.
TEST_F(PlayerTest, ACallsRecordingStopsPlaybackAndThePlayerGoesOnFromThereAfterwards) {
  CMessage* message = Message(2.0);
  ASSERT_NE(message, nullptr);
  clock_.Hold();
  CDlgPlayVoiceObject player(message, nullptr, false);
  ASSERT_EQ(player.InitDialog(), 0);
  FirstBlocksQueued();
  PlayOn(400);
  ASSERT_TRUE(WaitUntil([&] { return player.Position() >= 8000; }));

  auto greeting = std::make_shared<CWaveMemFile>();
  ASSERT_EQ(greeting->SetFormat(&kFormat), 1);
  int inPort = 0, outPort = 0;
  const std::u16string recording = qav::U16(MessagesFolder() + "lastvoicemsg.wav");
  ASSERT_EQ(driver_.RecordSkypeMsgStart(&inPort, &outPort, greeting, recording, 0), 1);
  ASSERT_TRUE(WaitUntil([&] { return !player.IsPlaying(); })) << "the player is told that playback has ended";
  EXPECT_EQ(player.Button(CDlgPlayVoiceObject::kPlayPause)->toolTip(), QString::fromStdU16String(GetLangString(1405)));
  const int64_t kept = player.Position();
  EXPECT_GE(kept, 8000) << "kept where the call cut in";
  EXPECT_EQ(player.PositionBar()->value(), kept);
  int seconds = -1;
  ASSERT_EQ(driver_.RecordSkypeMsgStop(&seconds), 1);

  clock_.Hold();
  ExpectPlayGoesOnFrom(player, kept);
  player.done(2);
}

TEST_F(PlayerTest, OnlyTheReleaseOnTheBarSeeksAndWhileStoppedItMovesTheBarAtOnce) {
  CMessage* message = Message(1.0);
  ASSERT_NE(message, nullptr);
  clock_.Hold();
  CDlgPlayVoiceObject player(message, nullptr, false);
  ASSERT_EQ(player.InitDialog(), 0);
  player.ClickButton(CDlgPlayVoiceObject::kStop);
  const int range = player.PositionBar()->maximum();
  player.OnProgressClick(CXProgressBar::kButtonDown, range / 2);
  EXPECT_EQ(player.Position(), 0) << "a press does not seek";
  player.OnProgressClick(CXProgressBar::kButtonUp, range / 2);
  EXPECT_EQ(player.Position(), player.Total() / 2);
  EXPECT_EQ(player.PositionBar()->value(), range / 2);
  // Playback starts from there.
  player.ClickButton(CDlgPlayVoiceObject::kPlayPause);
  FirstBlocksQueued();
  clock_.RunUntil(clock_.MonotonicMs() + 40);
  ASSERT_TRUE(WaitUntil([&] { return player.Position() != player.Total() / 2; }));
  EXPECT_GT(player.Position(), player.Total() / 2);
  player.done(2);
}

TEST_F(PlayerTest, TheAnalysisDrawsTheGraphAndAClickOnItSeeksByXAlone) {
  const std::unique_ptr<CDlgPlayVoiceObject> player = AnalysedPlayer(4.0);
  ASSERT_NE(player, nullptr);
  ASSERT_TRUE(player->IsAnalysisOn());
  C2DPushGraph* graph = player->Graph();
  ASSERT_NE(graph, nullptr);
  const int width = graph->GetGraphRect().width();
  const auto& lines = graph->Model().Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].values.size(), static_cast<size_t>(width)) << "one point per pixel column";
  EXPECT_EQ(graph->Model().GetStep(), 1);
  EXPECT_EQ(lines[1].id, 2);
  EXPECT_EQ(lines[1].values.size(), 3u) << "the marker at column 0";

  player->ClickButton(CDlgPlayVoiceObject::kStop);
  player->OnGraphClick(C2DPushGraph::kButtonDown, width / 2);
  EXPECT_EQ(player->Position(), 0);
  player->OnGraphClick(C2DPushGraph::kButtonUp, width / 2);
  EXPECT_EQ(player->Position(), qav::PlayerBytesAtFraction(CPushGraphModel::SeekFraction(width / 2, width), player->Total()));
  EXPECT_EQ(graph->Model().Lines()[1].values.size(), static_cast<size_t>(qav::PlayerMarkerColumn(player->Position(), player->Total(), width) + 3));
  // A release beyond the right edge (the mouse went on) seeks to the end, not past it.
  player->OnGraphClick(C2DPushGraph::kButtonUp, width + 40);
  EXPECT_EQ(player->Position(), player->Total());
  player->done(2);
}

TEST_F(PlayerTest, AConferenceShowsItsNoteAndRunsNoAnalysis) {
  const std::string base = ConversationsFolder() + "2024.03.07.09.00.00.4";
  ASSERT_TRUE(qav::test::WriteWav(base + ".wav", kFormat, qav::test::ToBytes(qav::test::Tone(16000, 1, 300, 2.0))));
  ASSERT_TRUE(qav::test::WriteFileBytes(base + ".dat", BuildConversationData(2, {u"caller77", u"caller2"})));
  Reload();
  ASSERT_EQ(g_ConversationCollection.GetCount(), 1u);
  clock_.Hold();
  CDlgPlayVoiceObject player(g_ConversationCollection.GetConversations().front(), nullptr, true);
  player.SetAnalysisRunner(&analysisRunner_);
  ASSERT_EQ(player.InitDialog(), 0);
  EXPECT_FALSE(player.IsAnalysisOn());
  EXPECT_EQ(player.Graph(), nullptr);
  EXPECT_FALSE(player.ConferenceNote()->isHidden());
  EXPECT_TRUE(player.StressBar()->isHidden());
  EXPECT_EQ(player.windowTitle(), QStringLiteral("QAV Play Voice Conversation"));
  player.done(2);
}

TEST_F(PlayerTest, AFileOverFiveMegabytesAndAnEmptyFilePlayAndSeek) {
  // 6 MB of audio (above 4.7 MB the 32-bit products of the design overflowed).
  const std::string big = "caller77.2024.03.05.14.08.00.197.s.wav";
  ASSERT_TRUE(qav::test::WriteWav(MessagesFolder() + big, kFormat, std::string(6 << 20, '\0')));
  const std::string empty = "caller77.2024.03.05.14.09.00.3.s.wav";
  ASSERT_TRUE(qav::test::WriteFileBytes(MessagesFolder() + empty, ""));
  Reload();
  CMessage* large = nullptr;
  CMessage* nothing = nullptr;
  for (CMessage* m : g_MessageCollection.GetMessages()) {
    if (m->GetFileName() == qav::U16(big)) large = m;
    if (m->GetFileName() == qav::U16(empty)) nothing = m;
  }
  ASSERT_NE(large, nullptr);
  ASSERT_NE(nothing, nullptr);

  clock_.Hold();
  {
    CDlgPlayVoiceObject player(large, nullptr, false);
    ASSERT_EQ(player.InitDialog(), 0);
    player.ClickButton(CDlgPlayVoiceObject::kStop);
    const int range = player.PositionBar()->maximum();
    player.OnProgressClick(CXProgressBar::kButtonUp, range - range / 10);
    EXPECT_NEAR(static_cast<double>(player.Position()) / player.Total(), 0.9, 1e-6);
    player.ClickButton(CDlgPlayVoiceObject::kPlayPause);
    FirstBlocksQueued();
    clock_.RunUntil(clock_.MonotonicMs() + 40);
    ASSERT_TRUE(WaitUntil([&] { return player.Position() > player.Total() / 2 + player.Total() / 4; }));
    player.done(2);
  }
  {
    RecordingBoxes boxes;
    CDlgPlayVoiceObject player(nothing, nullptr, true);
    player.SetAnalysisRunner(&analysisRunner_);
    ASSERT_EQ(player.InitDialog(), 0);
    EXPECT_EQ(player.Total(), 0);
    EXPECT_FALSE(player.IsAnalysisOn());
    clock_.Run();
    ASSERT_TRUE(WaitUntil([&] { return !player.IsPlaying(); })) << "nothing to play ends at once";
    player.OnProgressClick(CXProgressBar::kButtonUp, 0);
    EXPECT_EQ(player.Position(), 0);
    player.done(2);
  }
}

// ---- the dialog's arrangement ----

// The player of each kind of item, at the default font and a larger one, with and without the
// analysis and the buttons' captions: every text reads whole, the parts stand in their order, and
// the dialog with its frame fits a 1024 x 768 screen.
class PlayerLayoutTest : public PlayerTest {
 protected:
  void SetUp() override {
    PlayerTest::SetUp();
    lists_.Create();
    g_pImageLists = &lists_;
  }
  void TearDown() override {
    g_pImageLists = nullptr;
    g_ScreenReaderFriendlyMode = 0;
    PlayerTest::TearDown();
  }
  std::vector<QFont> Fonts() const { return fonts_.Both(); }
  template <class T>
  static T* Control(const QWidget& player, const char* name) {
    T* control = player.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
  }
  static QRect On(const QWidget& player, const QWidget* control) {
    if (control == nullptr) return {};
    return QRect(control->mapTo(&player, QPoint(0, 0)), control->size());
  }

  qav::test::TestFonts fonts_{1.5};  // as a 144 dpi desktop shows it
  CAppImageLists lists_;
};

TEST_F(PlayerLayoutTest, EveryTextReadsWholeInItsPlaceAtEachFontAndTheDialogFitsTheScreen) {
  CMessage* message = Message(2.0);
  CConversation* conversation = Conversation("2024.03.07.09.00.00.4", {u"caller77"});
  CConversation* conference = Conversation("2024.03.07.10.00.00.4", {u"caller77", u"caller2"});
  ASSERT_NE(message, nullptr);
  ASSERT_NE(conversation, nullptr);
  ASSERT_NE(conference, nullptr);
  // Reloading dropped the earlier items: fetch them again.
  message = g_MessageCollection.GetMessages().front();
  for (CConversation* c : g_ConversationCollection.GetConversations())
    (c->GetAudioFileName() == u"2024.03.07.09.00.00.4.wav" ? conversation : conference) = c;
  clock_.Hold();

  struct Item {
    const char* name;
    CMessage* message;
    CConversation* conversation;
  };
  const Item items[] = {{"message", message, nullptr},
                        {"conversation", nullptr, conversation},
                        {"conference", nullptr, conference}};
  const char* buttonNames[] = {"playPrevious", "stop", "playPause", "playNext", "delete", "deleteAndPlayNext"};
  for (const QFont& font : Fonts()) {
    QApplication::setFont(font);
    for (int screenReader : {0, 1}) {
      g_ScreenReaderFriendlyMode = screenReader;
      for (const Item& item : items) {
        for (bool analysis : {true, false}) {
          SCOPED_TRACE(std::string(item.name) + (analysis ? ", analysis" : ", no analysis") +
                       (screenReader ? ", captions, " : ", pictures, ") + std::to_string(font.pointSizeF()) + "pt");
          auto player = item.message ? std::make_unique<CDlgPlayVoiceObject>(item.message, nullptr, analysis)
                                     : std::make_unique<CDlgPlayVoiceObject>(item.conversation, nullptr, analysis);
          player->SetAnalysisRunner(&analysisRunner_);
          ASSERT_EQ(player->InitDialog(), 0);
          player->show();
          QApplication::processEvents();
          EXPECT_EQ(player->IsAnalysisOn(), analysis && std::string(item.name) != "conference");

          const QStringList cut = qav::test::CutTexts(player.get());
          EXPECT_TRUE(cut.isEmpty()) << qav::test::Listed(cut);
          const QSize frame = player->frameGeometry().size();
          EXPECT_LE(frame.width(), 1024);
          EXPECT_LE(frame.height(), 768);

          // The details above the analysis above the buttons; in the details the list beside its
          // label, the time's row below with the duration at its right, the bar under both.
          const QRect details = On(*player, Control<QGroupBox>(*player, "detailsFrame"));
          const QRect analysisFrame = On(*player, Control<QGroupBox>(*player, "analysisFrame"));
          EXPECT_LT(details.bottom(), analysisFrame.top());
          const QRect callerLabel = On(*player, Control<QLabel>(*player, "callerLabel"));
          const QRect callerList = On(*player, Control<QListWidget>(*player, "callerList"));
          const QRect timeLabel = On(*player, Control<QLabel>(*player, "timeOfCallLabel"));
          const QRect time = On(*player, Control<QLineEdit>(*player, "timeOfCall"));
          const QRect duration = On(*player, Control<QLabel>(*player, "duration"));
          const QRect bar = On(*player, Control<CXProgressBar>(*player, "positionBar"));
          const QRect stressLabel = On(*player, Control<QLabel>(*player, "stressLabel"));
          const QRect stressBar = On(*player, Control<CGradientProgressCtrl>(*player, "stressBar"));
          EXPECT_LT(callerLabel.right(), callerList.left());
          EXPECT_LT(callerList.bottom(), time.top());
          EXPECT_LT(time.right(), duration.left());
          EXPECT_EQ(duration.right(), callerList.right()) << "the duration closes the rows on the right";
          EXPECT_LT(time.bottom(), bar.top());
          EXPECT_EQ(bar.left(), callerLabel.left());
          EXPECT_EQ(bar.right(), callerList.right());
          // The labels of both frames in one column, what they name lined up beside it.
          EXPECT_EQ(callerLabel.left(), timeLabel.left());
          EXPECT_EQ(callerLabel.left(), stressLabel.left());
          EXPECT_EQ(callerList.left(), time.left());
          EXPECT_EQ(callerList.left(), stressBar.left());
          EXPECT_TRUE(analysisFrame.contains(stressBar));
          // The link on the analysis frame's title line, at its right.
          const QRect link = On(*player, Control<CHyperLink>(*player, "vsaLink"));
          EXPECT_EQ(link.top(), analysisFrame.top());
          EXPECT_GT(link.left(), analysisFrame.center().x());
          EXPECT_LE(link.right(), analysisFrame.right());
          if (analysis && player->Graph() != nullptr) {
            const QRect graph = On(*player, player->Graph());
            EXPECT_LT(stressBar.bottom(), graph.top());
            EXPECT_EQ(graph.left(), stressLabel.left());
            EXPECT_EQ(graph.right(), stressBar.right());
            EXPECT_EQ(player->Graph()->Model().Lines()[0].values.size(), static_cast<size_t>(graph.width()))
                << "one point per pixel column of the graph as it is shown";
          }
          if (std::string(item.name) == "conference") {
            const QRect note = On(*player, player->ConferenceNote());
            EXPECT_TRUE(analysisFrame.contains(note));
            EXPECT_LT(stressLabel.right(), note.left());
          }
          // The buttons in one row, in their order, under the frames and centred below them.
          QRect previous;
          for (const char* name : buttonNames) {
            const QRect button = On(*player, Control<CButtonSSL>(*player, name));
            EXPECT_GT(button.top(), analysisFrame.bottom()) << name;
            if (previous.isValid()) {
              EXPECT_GT(button.left(), previous.right()) << name;
              EXPECT_EQ(button.center().y(), previous.center().y()) << name;
            }
            previous = button;
          }
          const int left = On(*player, Control<CButtonSSL>(*player, "playPrevious")).left() - details.left();
          const int right = details.right() - previous.right();
          EXPECT_LE(std::abs(left - right), 1) << "the buttons centred under the frames";
          player->done(CDlgPlayVoiceObject::kResultCancel);
        }
      }
    }
  }
}

TEST_F(PlayerLayoutTest, AScreenReaderReadsEveryButtonAndTheCallerAndCaptionedButtonsKeepTheirFrames) {
  CMessage* message = Message(2.0);
  ASSERT_NE(message, nullptr);
  clock_.Hold();
  const std::pair<const char*, QString> buttons[] = {{"playPrevious", "Play Previous"}, {"stop", "Stop"},
                                                     {"playPause", "Pause"},            {"playNext", "Play Next"},
                                                     {"delete", "Delete"},              {"deleteAndPlayNext", "Delete & Play Next"}};
  for (bool screenReader : {false, true}) {
    SCOPED_TRACE(screenReader ? "screen-reader mode" : "pictures");
    g_ScreenReaderFriendlyMode = screenReader ? 1 : 0;
    CDlgPlayVoiceObject player(message, nullptr, false);
    ASSERT_EQ(player.InitDialog(), 0);
    player.show();
    QApplication::processEvents();
    EXPECT_EQ(qav::test::AccessibleName(Control<QListWidget>(player, "callerList")), QStringLiteral("Caller:"));
    for (const auto& [name, caption] : buttons) {
      CButtonSSL* button = Control<CButtonSSL>(player, name);
      ASSERT_NE(button, nullptr);
      EXPECT_EQ(qav::test::AccessibleName(button), caption) << name;
      // A caption stands on a framed button; a picture alone is framed only under the mouse.
      EXPECT_EQ(qav::test::DrawsFrame(*button), screenReader) << name;
    }
    player.done(CDlgPlayVoiceObject::kResultCancel);
  }
}

TEST_F(PlayerLayoutTest, ADesktopFontChangedWhileItIsOpenRedrawsTheGraphForItsNewWidth) {
  const std::unique_ptr<CDlgPlayVoiceObject> player = AnalysedPlayer(4.0);
  ASSERT_NE(player, nullptr);
  player->show();
  QApplication::processEvents();
  ASSERT_NE(player->Graph(), nullptr);
  const int before = player->Graph()->width();
  player->ClickButton(CDlgPlayVoiceObject::kStop);
  player->OnGraphClick(C2DPushGraph::kButtonUp, before / 2);

  QApplication::setFont(Fonts()[1]);
  qav::test::SettleLayouts();
  const int after = player->Graph()->width();
  EXPECT_GT(after, before);
  const auto& lines = player->Graph()->Model().Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].values.size(), static_cast<size_t>(after)) << "one point per pixel column again";
  // The marker's bar (the first full point of line 2) where playback stands.
  const auto bar = std::find(lines[1].values.begin(), lines[1].values.end(), 100);
  EXPECT_EQ(bar - lines[1].values.begin(), qav::PlayerMarkerColumn(player->Position(), player->Total(), after));
  const QStringList cut = qav::test::CutTexts(player.get());
  EXPECT_TRUE(cut.isEmpty()) << qav::test::Listed(cut);
  player->done(CDlgPlayVoiceObject::kResultCancel);
}

// ---- where the dialog comes back ----

TEST_F(PlayerTest, ComesBackWhereTheUserLeftItAlsoAfterARestartAndOnTheScreenWhenItWouldBeOff) {
  CMessage* message = Message(2.0);
  ASSERT_NE(message, nullptr);
  clock_.Hold();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  auto open = [&] {
    auto player = std::make_unique<CDlgPlayVoiceObject>(message, nullptr, false);
    EXPECT_EQ(player->InitDialog(), 0);
    player->show();
    QApplication::processEvents();
    return player;
  };
  // In the middle of the screen: within the frame (unknown until the window is shown) and the
  // eight-pixel step of the left edge.
  auto centred = [&](const CDlgPlayVoiceObject& player) {
    const QPoint off = player.frameGeometry().center() - QGuiApplication::primaryScreen()->geometry().center();
    return std::abs(off.x()) <= 8 && std::abs(off.y()) <= 4;
  };

  // Never placed: in the middle of the screen.
  auto first = open();
  EXPECT_TRUE(centred(*first)) << first->pos().x() << "," << first->pos().y();
  EXPECT_TRUE(screen.contains(first->frameGeometry()));
  // The user moves it and closes it; it opens there again.
  const QPoint moved = screen.topLeft() + QPoint(37, 23);
  first->move(moved);
  first->done(CDlgPlayVoiceObject::kResultCancel);
  first.reset();
  auto second = open();
  EXPECT_EQ(second->pos(), moved);
  second->done(CDlgPlayVoiceObject::kResultPlayNext);
  second.reset();

  // The corner is in the settings file: the next run reads it back from there.
  const std::string file = qav::test::ReadFileBytes(qav::U8(GetIniFilePath()));
  EXPECT_NE(file.find("PlayMsgWinLeft=" + std::to_string(moved.x())), std::string::npos) << file;
  EXPECT_NE(file.find("PlayMsgWinTop=" + std::to_string(moved.y())), std::string::npos) << file;
  SetDefaultOptions();
  LoadSettings();
  EXPECT_EQ(open()->pos(), moved);

  // A corner off every screen (a screen unplugged, a smaller desktop), or one where the dialog
  // would reach past the screen's edge, brings it back to the middle, whole on the screen.
  const QSize size = open()->frameGeometry().size();
  const QPoint off[] = {{screen.right() + 200, screen.bottom() + 200},
                        {screen.left() - 4000, screen.top() + 10},
                        {screen.right() - size.width() / 2, screen.top() + 10},
                        {screen.left() + 10, screen.bottom() - size.height() / 2}};
  for (const QPoint& corner : off) {
    SavePlayMsgWindowPos(CPoint{corner.x(), corner.y()});
    auto player = open();
    EXPECT_TRUE(centred(*player)) << corner.x() << "," << corner.y();
    EXPECT_TRUE(screen.contains(player->frameGeometry())) << corner.x() << "," << corner.y();
    player->done(CDlgPlayVoiceObject::kResultCancel);
  }
}

}  // namespace
