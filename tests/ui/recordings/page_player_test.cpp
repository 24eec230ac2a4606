// The pages' Play, the analysis button and the tray's "play new messages" in the sheet as the
// program builds it: the real player on the audio thread's virtual sound device (a clock the test
// holds), with recordings loaded from the user's folders as at start-up. A scripted hand presses
// the player's buttons as each player opens, and the walk moves on by the player's result.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "audio/audio_driver.h"
#include "audio/wave_utils.h"
#include "calls/conversation_data_file.h"
#include "foundation/settings.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "skype/link/main_window_port.h"
#include "tests/audio/audio_test_support.h"
#include "tests/audio/held_clock.h"
#include "tests/support/call_model_fixture.h"
#include "tests/ui/recordings/list_view_rows.h"
#include "ui/controls/button_ssl.h"
#include "ui/recordings/dlg_conversation.h"
#include "ui/recordings/dlg_messages.h"
#include "ui/player/dlg_play_voice_object.h"
#include "ui/sheet/dlg_prop_sheet.h"
#include "ui/recordings/page_player.h"
#include "ui/recordings/player_walk.h"
#include "ui/bridge/qt_loop_bridge.h"
#include "ui/sheet/qt_property_sheet.h"
#include "ui/samples/sample_sheet_services.h"

namespace {

using Button = CDlgPlayVoiceObject::ButtonId;

class RecordingBoxes : public qav::MessageBoxHandler {
 public:
  RecordingBoxes() : m_previous(qav::GetMessageBoxHandler()) { qav::SetMessageBoxHandler(this); }
  ~RecordingBoxes() override { qav::SetMessageBoxHandler(m_previous); }
  int Show(std::u16string_view text, std::u16string_view, uint32_t) override {
    shown.emplace_back(text);
    return qav::IDOK;
  }
  std::vector<std::u16string> shown;

 private:
  qav::MessageBoxHandler* m_previous;
};

// Waits for each player the walk opens, notes what it plays and whether the audio thread plays
// it, and ends it with the next scripted button (the close box when the script is done).
class PlayerHand {
 public:
  explicit PlayerHand(CAudioDriver& driver) : m_driver(driver) {
    // It looks whenever Qt's loop runs, including the players' own modal loops.
    m_looking.setInterval(0);
    QObject::connect(&m_looking, &QTimer::timeout, [this] { Look(); });
  }

  void Start(std::deque<Button> script) {
    m_script = std::move(script);
    played.clear();
    playing.clear();
    analysed.clear();
    m_looking.start();
  }
  void Stop() { m_looking.stop(); }

  std::vector<std::u16string> played;  // file names, as the players opened
  std::vector<bool> playing;
  std::vector<bool> analysed;

 private:
  void Look() {
    auto* player = dynamic_cast<CDlgPlayVoiceObject*>(QApplication::activeModalWidget());
    if (!player || !player->isVisible()) return;
    const std::u16string& path = player->FilePath();
    played.push_back(path.substr(path.rfind(u'/') + 1));
    playing.push_back(player->IsPlaying() && m_driver.GetState() == AudioDriverState::kPlayingFile);
    analysed.push_back(player->IsAnalysisOn());
    if (m_script.empty()) {
      player->close();
    } else {
      player->Button(m_script.front())->click();
      m_script.pop_front();
    }
  }

  CAudioDriver& m_driver;
  std::deque<Button> m_script;
  QTimer m_looking;
};

const WAVEFORMATEX kFormat = WaveUtilsMakePCMFormat(1, 16, 16000);

class PagePlayerTest : public qav::test::CallModelFixture {
 protected:
  void SetUp() override {
    CallModelFixture::SetUp();
    SignIn(u"me");
    device_ = g_AudioPlaybackDeviceName.Get();
    g_AudioPlaybackDeviceName = u"";
    g_EnableVSAProcessing = 1;
    g_VoiceMsgDeleteConfirmation = 0;
    g_ConversationDeleteConfirmation = 0;
    ASSERT_EQ(driver_.Start(clock_), 1);
    g_pAudioDriver = &driver_;
    clock_.Hold();
  }
  void TearDown() override {
    hand_.Stop();
    sheet_.reset();
    g_pAudioDriver = nullptr;
    g_AudioPlaybackDeviceName = device_;
    CallModelFixture::TearDown();
  }

  // Voice messages of a tone from callers a, b, c ... one minute apart, the first the newest, so
  // the list (newest first) shows them in this order; loaded as at the next start.
  std::vector<std::u16string> Messages(int count, int heard = 0, double seconds = 1.0) {
    std::vector<std::u16string> names;
    const std::string data = qav::test::ToBytes(qav::test::Tone(16000, 1, 300, seconds));
    for (int i = 0; i < count; ++i) {
      const std::string name = std::string(1, static_cast<char>('a' + i)) + ".2024.03.05.14." +
                               std::to_string(50 - i) + ".00.1." + (i < heard ? "s" : "n") + ".wav";
      EXPECT_TRUE(qav::test::WriteWav(qav::U8(g_MessageCollection.GetMessagesFolder()) + name, kFormat, data));
      names.push_back(qav::U16(name));
    }
    Reload();
    return names;
  }
  void Reload() {
    CRecordings().DeleteAll();
    g_CallCollection.DeleteAll();
    CRecordings().LoadForUser(u"me");
  }
  // The sheet as the program builds it, shown on that page.
  void OpenSheet(uint32_t page) {
    sheet_ = std::make_unique<CQtPropertySheet>(std::make_unique<CSampleSheetServices>());
    ASSERT_TRUE(sheet_->Create(u"QAV"));
    sheet_->ShowPage(page);
  }
  CDlgMessages& MessagesPage() { return *dynamic_cast<CDlgMessages*>(sheet_->Window()->Page(kPageVoiceMessages)); }
  CDlgConversation& ConversationsPage() {
    return *dynamic_cast<CDlgConversation*>(sheet_->Window()->Page(kPageConversations));
  }
  static void Select(QTreeView* list, std::initializer_list<int> rows) { qav::test::SelectRows(list, rows); }
  static std::vector<QString> Rows(QTreeView* list) { return qav::test::RowTexts(list); }
  // Plays the selection with the button as the user clicks it; the hand answers the players.
  void Press(CButtonSSL* button, std::deque<Button> script) {
    hand_.Start(std::move(script));
    QTest::mouseClick(button, Qt::LeftButton);
    hand_.Stop();
  }
  // Plays from the row the user double-clicks (which selects it alone).
  void DoubleClick(QTreeView* list, int row, std::deque<Button> script) {
    hand_.Start(std::move(script));
    const QPoint at = list->visualRect(qav::test::RowIndex(list, row)).center();
    // A double click is a press and release, then the second press that Qt reports as the double click.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    hand_.Stop();
  }

  qav::test::ScopedEnv virtualSound_{"QAV_SOUND_DEVICE", "virtual"};
  qav::test::HeldClock clock_{20.0};
  CAudioDriver driver_;
  std::u16string device_;
  PlayerHand hand_{driver_};
  std::unique_ptr<CQtPropertySheet> sheet_;
};

TEST_F(PagePlayerTest, PlayRunsThePlayerOnTheDeviceAndTheWalkFollowsItsResults) {
  const std::vector<std::u16string> names = Messages(3);  // a (row 0), b, c
  OpenSheet(kPageVoiceMessages);
  CDlgMessages& page = MessagesPage();
  QTreeView* list = page.List();
  ASSERT_EQ(qav::test::RowCount(list), 3);
  auto heard = [](std::u16string name) { return name.substr(0, name.size() - 6) + u".s.wav"; };

  Select(list, {0});
  Press(page.PlayButton(), {Button::kNext, Button::kNext});
  // Each is marked heard (its file renamed) before it plays.
  EXPECT_EQ(hand_.played, (std::vector<std::u16string>{heard(names[0]), heard(names[1]), heard(names[2])}));
  EXPECT_EQ(hand_.playing, (std::vector<bool>{true, true, true}));
  EXPECT_EQ(hand_.analysed, (std::vector<bool>{false, false, false}));
  EXPECT_EQ(g_MessageCollection.GetNumNewSavedVoiceMessages(), 0);
  driver_.RecordSkypeInsertBeep();  // a round trip: the last stop has been handled
  EXPECT_EQ(driver_.GetState(), AudioDriverState::kIdle) << "nothing plays on after the walk";

  Select(list, {1});
  Press(page.PlayButton(), {Button::kPrevious});
  EXPECT_EQ(hand_.played, (std::vector<std::u16string>{heard(names[1]), heard(names[0])}));

  // Several selected: Next passes over the row between.
  Select(list, {0, 2});
  Press(page.PlayButton(), {Button::kNext});
  EXPECT_EQ(hand_.played, (std::vector<std::u16string>{heard(names[0]), heard(names[2])}));

  // Delete and play next: the row below moves up and plays.
  Select(list, {0});
  Press(page.PlayButton(), {Button::kDeleteNext});
  EXPECT_EQ(hand_.played, (std::vector<std::u16string>{heard(names[0]), heard(names[1])}));
  EXPECT_EQ(Rows(list).size(), 2u);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(g_MessageCollection.GetMessagesFolder() + heard(names[0]))));

  // Delete ends the walk.
  Select(list, {0});
  Press(page.PlayButton(), {Button::kDelete, Button::kNext});
  EXPECT_EQ(hand_.played, std::vector<std::u16string>{heard(names[1])});
  ASSERT_EQ(g_MessageCollection.GetCount(), 1u);
  EXPECT_EQ(g_MessageCollection.GetMessages().front()->GetFileName(), heard(names[2]));
}

TEST_F(PagePlayerTest, AMissingFileEndsAOneRowWalkAndIsPassedOverInASeveralRowWalk) {
  const std::vector<std::u16string> names = Messages(3);
  OpenSheet(kPageVoiceMessages);
  CDlgMessages& page = MessagesPage();
  ASSERT_TRUE(std::filesystem::remove(std::filesystem::path(g_MessageCollection.GetMessagesFolder() + names[0])));
  RecordingBoxes boxes;

  Select(page.List(), {0});
  Press(page.PlayButton(), {Button::kNext});
  EXPECT_TRUE(hand_.played.empty());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_NE(boxes.shown[0].find(u"Can't find file: "), std::u16string::npos);

  // The missing file was marked heard under its new name before the player looked for it.
  Select(page.List(), {0, 2});
  Press(page.PlayButton(), {});
  ASSERT_EQ(hand_.played.size(), 1u);
  EXPECT_EQ(hand_.played[0].substr(0, 2), u"c.") << "the walk went on with the next selected row";
  EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(PagePlayerTest, TheAnalysisButtonAsksThePlayerForTheAnalysis) {
  Messages(1, 0, 4.0);
  // The analysis runs behind the program's progress dialog, whose worker reports through the GUI
  // thread's loop: Qt serves it here as in the program.
  QtLoopBridge bridge(virtualLoop.loop());
  OpenSheet(kPageVoiceMessages);
  CDlgMessages& page = MessagesPage();
  Select(page.List(), {0});
  Press(page.AnalysisButton(), {});
  EXPECT_EQ(hand_.analysed, std::vector<bool>{true});
}

TEST_F(PagePlayerTest, TheConversationsPagePlaysEndedConversations) {
  const std::string folder = qav::U8(g_ConversationCollection.GetConversationsFolder());
  for (const char* base : {"2024.03.07.09.00.00.4", "2024.03.07.08.00.00.3"}) {
    ASSERT_TRUE(qav::test::WriteWav(folder + base + ".wav", kFormat, qav::test::ToBytes(qav::test::Tone(16000, 1, 300, 1.0))));
    ASSERT_TRUE(qav::test::WriteFileBytes(folder + base + ".dat", BuildConversationData(1, {u"caller77"})));
  }
  Reload();
  OpenSheet(kPageConversations);
  CDlgConversation& page = ConversationsPage();
  ASSERT_EQ(qav::test::RowCount(page.List()), 2);
  DoubleClick(page.List(), 0, {Button::kNext, Button::kDeleteNext});
  EXPECT_EQ(hand_.played, (std::vector<std::u16string>{u"2024.03.07.09.00.00.4.wav", u"2024.03.07.08.00.00.3.wav"}));
  EXPECT_EQ(hand_.playing, (std::vector<bool>{true, true}));
  EXPECT_EQ(g_ConversationCollection.GetCount(), 1u);
}

TEST_F(PagePlayerTest, PlayNewMessagesOpensTheSheetOnTheMessagesAndPlaysOnlyTheNewOnes) {
  const std::vector<std::u16string> names = Messages(3, 1);  // a heard; b and c new
  OpenSheet(kPageConversations);
  sheet_->Window()->hide();
  hand_.Start({Button::kNext, Button::kNext});
  sheet_->PlayNewMessages();
  EXPECT_TRUE(sheet_->Window()->isVisible());
  EXPECT_EQ(sheet_->Window()->ActivePage(), &MessagesPage());
  // The walk starts from the page's own queue, as a posted request, not inside the caller.
  EXPECT_TRUE(hand_.played.empty());
  QApplication::processEvents();
  hand_.Stop();
  ASSERT_EQ(hand_.played.size(), 2u);
  EXPECT_EQ(hand_.played[0].substr(0, 2), u"b.");
  EXPECT_EQ(hand_.played[1].substr(0, 2), u"c.");
  EXPECT_EQ(g_MessageCollection.GetNumNewSavedVoiceMessages(), 0);
}

// Every way a player run can end, from the real player on the real page, and where the walk goes
// from there as the user sees it: which recordings play, one after another, and which rows remain.
TEST_F(PagePlayerTest, EachEndOfThePlayerTakesTheWalkWhereTheUserExpects) {
  struct Case {
    const char* name;
    std::vector<int> selected;  // rows a, b, c top to bottom
    int voiceless;              // the row whose message has no voice (-1: none)
    std::deque<Button> script;  // the hand's button in each player; then it closes the player
    std::u16string played;      // the callers played, in order
    std::u16string left;        // the rows left, top to bottom
  } cases[] = {
      {"previous walks up", {1}, -1, {Button::kPrevious}, u"ba", u"abc"},
      {"next walks down, past unselected rows on one selection", {0}, -1, {Button::kNext, Button::kNext}, u"abc", u"abc"},
      {"next on several skips the unselected", {0, 2}, -1, {Button::kNext}, u"ac", u"abc"},
      {"delete removes the message and ends the walk", {0}, -1, {Button::kDelete}, u"a", u"bc"},
      {"delete and next plays the row that moved up", {0}, -1, {Button::kDeleteNext}, u"ab", u"bc"},
      {"closing ends the walk and changes nothing", {0}, -1, {}, u"a", u"abc"},
      {"no voice on one selection ends the walk", {0}, 0, {Button::kNext}, u"", u"abc"},
      {"no voice on several goes on with the next selected", {0, 2}, 0, {}, u"c", u"abc"},
  };
  RecordingBoxes boxes;  // the no-voice notice
  const std::filesystem::path folder(g_MessageCollection.GetMessagesFolder());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const auto& file : std::filesystem::directory_iterator(folder)) std::filesystem::remove(file.path());
    Messages(3);
    OpenSheet(kPageVoiceMessages);
    CDlgMessages& page = MessagesPage();
    QTreeView* list = page.List();
    auto caller = [list](int row) {
      const CMessage* message = g_MessageCollection.Find(CDlgMessages::RowId(qav::test::RowIndex(list, row)));
      return message ? message->GetFileName().front() : u'?';
    };
    ASSERT_EQ(qav::test::RowCount(list), 3);
    if (c.voiceless >= 0) g_MessageCollection.Find(CDlgMessages::RowId(qav::test::RowIndex(list, c.voiceless)))->SetDuration(0);
    list->clearSelection();
    for (int row : c.selected) qav::test::SelectRow(list, row);
    boxes.shown.clear();
    Press(page.PlayButton(), c.script);
    std::u16string played;
    for (const std::u16string& file : hand_.played) played += file.front();
    EXPECT_EQ(played, c.played);
    std::u16string left;
    for (int row = 0; row < qav::test::RowCount(list); ++row) left += caller(row);
    EXPECT_EQ(left, c.left);
    EXPECT_EQ(boxes.shown.size(), c.voiceless >= 0 ? 1u : 0u);
  }
}

}  // namespace
