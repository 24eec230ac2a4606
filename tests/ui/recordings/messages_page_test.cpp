// The voice-messages page on Qt's offscreen platform, over the real message collection with
// messages seeded as a finished recording leaves them; the player is a scripted stand-in.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QUrl>
#include <QTreeView>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QContextMenuEvent>
#include <QToolTip>
#include <QHelpEvent>
#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <utility>

#include "foundation/settings.h"
#include "platform/message_box.h"
#include "tests/support/call_model_fixture.h"
#include "tests/ui/recordings/list_view_rows.h"
#include "tests/ui/recordings/page_pauses.h"
#include "tests/ui/text_fit.h"
#include "ui/art/app_image_lists.h"
#include "ui/controls/button_ssl.h"
#include "ui/recordings/dlg_messages.h"
#include "ui/recordings/player_walk.h"
#include "ui/samples/sample_recordings.h"
#include "ui/samples/sample_sheet_services.h"

namespace {

class RecordingBoxes : public qav::MessageBoxHandler {
 public:
  RecordingBoxes() { qav::SetMessageBoxHandler(this); }
  ~RecordingBoxes() override { qav::SetMessageBoxHandler(nullptr); }
  int Show(std::u16string_view text, std::u16string_view, uint32_t) override {
    texts.emplace_back(text);
    return answer;
  }
  std::vector<std::u16string> texts;
  int answer = qav::IDOK;
};

class MessagesPageTest : public qav::test::CallModelFixture {
 protected:
  void SetUp() override {
    CallModelFixture::SetUp();
    SignIn(u"me");
    CDlgMessages::Sort() = {};
    page_ = std::make_unique<CDlgMessages>(services_);
    page_->SetClock([this] { return now_; });
    page_->SetPlayerRunner([this](CMessage& message, bool) {
      played_.push_back(message.GetUserDisplayName());
      if (script_.empty()) return 2;
      const int result = script_.front();
      script_.pop_front();
      return result;
    });
  }
  void TearDown() override {
    page_.reset();
    CallModelFixture::TearDown();
  }

  // A message from `handle` of `seconds`, `minutesAgo` before now.
  CMessage* Add(int callId, std::u16string_view name, int seconds, std::u16string_view handle = {}) {
    const std::u16string who = handle.empty() ? std::u16string(name) + u".h" : std::u16string(handle);
    return qav::samples::AddSampleVoiceMessage(callId, {who, name}, seconds, false);
  }
  void Activate() { page_->OnSetActive(); }
  void Select(std::initializer_list<int> rows) { qav::test::SelectRows(page_->List(), rows); }
  std::vector<QString> Callers() const { return qav::test::RowTexts(page_->List()); }

  CSampleSheetServices services_;
  std::unique_ptr<CDlgMessages> page_;
  int64_t now_ = 1000;
  std::deque<int> script_;
  std::vector<std::u16string> played_;
};

TEST_F(MessagesPageTest, TwoRefreshesInOneSecondRebuildOnceAndLeaveOneFollowUp) {
  Add(1, u"Ann", 10);
  Activate();
  EXPECT_EQ(page_->RebuildCount(), 1);
  EXPECT_EQ(qav::test::RowCount(page_->List()), 1);
  page_->OnUpdateDlg();
  page_->OnUpdateDlg();
  EXPECT_EQ(page_->RebuildCount(), 1);
  EXPECT_TRUE(page_->RefreshPending());
  ++now_;
  page_->OnRefreshTimer();
  EXPECT_EQ(page_->RebuildCount(), 2);
  EXPECT_FALSE(page_->RefreshPending());
  // An inactive page does not rebuild; its next activation does at once.
  page_->OnKillActive();
  page_->OnUpdateDlg();
  EXPECT_EQ(page_->RebuildCount(), 2);
  Activate();
  EXPECT_EQ(page_->RebuildCount(), 3);
}

TEST_F(MessagesPageTest, TheTopRowIsSelectedWhenTheListFirstShowsRows) {
  Add(1, u"Old", 10);
  Add(2, u"New", 10);
  Activate();
  QModelIndexList selected = qav::test::SelectedRows(page_->List());
  ASSERT_EQ(selected.size(), 1);
  EXPECT_EQ(selected[0].row(), 0);
  EXPECT_EQ(page_->List()->currentIndex().row(), 0);
  EXPECT_EQ(Callers()[0], QStringLiteral("New (New.h)"));
  EXPECT_TRUE(page_->PlayButton()->isEnabled());
  // Later rebuilds leave the user's selection alone.
  Select({1});
  ++now_;
  page_->OnUpdateDlg();
  selected = qav::test::SelectedRows(page_->List());
  ASSERT_EQ(selected.size(), 1);
  EXPECT_EQ(selected[0].row(), 1);

  // A page first shown empty selects the top row once its first message arrives.
  g_MessageCollection.del(g_MessageCollection.GetMessages().front());
  g_MessageCollection.del(g_MessageCollection.GetMessages().front());
  CDlgMessages empty(services_);
  empty.SetClock([this] { return now_; });
  empty.OnSetActive();
  EXPECT_TRUE(qav::test::SelectedRows(empty.List()).empty());
  Add(3, u"Cid", 10);
  ++now_;
  empty.OnUpdateDlg();
  selected = qav::test::SelectedRows(empty.List());
  ASSERT_EQ(selected.size(), 1);
  EXPECT_EQ(selected[0].row(), 0);
}

TEST_F(MessagesPageTest, TheNewMarkColumnIs16PixelsWideAndShowsTheWholeMark) {
  CAppImageLists lists;
  lists.CreateForDepth(32);
  g_pImageLists = &lists;
  const QFont defaultFont = QApplication::font();
  QFont larger = defaultFont;
  larger.setPointSizeF(defaultFont.pointSizeF() * 1.6);
  CMessage* message = Add(1, u"Ann", 10);
  // At the default and a larger font, and with the list's pictures as the style gives them or
  // scaled up beyond the column (as a style does on a scaled desktop).
  for (const auto& [font, pictures] :
       {std::pair{defaultFont, QSize()}, std::pair{larger, QSize()}, std::pair{defaultFont, QSize(24, 24)}}) {
    SCOPED_TRACE(testing::Message() << font.pointSizeF() << " pt, pictures " << pictures.width());
    QApplication::setFont(font);
    CDlgMessages page(services_);
    page.SetClock([this] { return now_; });
    page.resize(600, 400);
    QTreeView* list = page.List();
    if (pictures.isValid()) list->setIconSize(pictures);
    page.show();
    page.OnSetActive();
    list->selectionModel()->clear();  // the row on its plain background
    QApplication::processEvents();
    EXPECT_EQ(list->header()->sectionSize(CDlgMessages::kNewMarkColumn), 16);
    const QRect cell = list->visualRect(list->model()->index(0, CDlgMessages::kNewMarkColumn));
    EXPECT_EQ(cell.width(), 16);

    const QColor background = list->palette().color(QPalette::Base);
    const QImage shown = list->viewport()->grab(cell).toImage().convertToFormat(QImage::Format_ARGB32);
    // The cell keeps its edge: its right column is grid line from top to bottom, never the mark
    // (a mark over it shows no edge on its right and looks cut there).
    const QColor grid = shown.pixelColor(cell.width() - 1, 0);
    EXPECT_NE(grid, background);
    int edge = 0;
    for (int y = 0; y < cell.height(); ++y) edge += shown.pixelColor(cell.width() - 1, y) == grid ? 1 : 0;
    EXPECT_EQ(edge, cell.height()) << "the mark covers the cell's grid line";

    // Inside the grid lines the whole mark shows, centred, as large as the room left allows.
    const int side = std::min(cell.width() - 1, 16);
    QImage mark(side, side, QImage::Format_ARGB32);
    mark.fill(background);
    {
      QPainter painter(&mark);
      lists.m_statusList.GetIcon(message->GetIconIndex(lists.MarkBase())).paint(&painter, mark.rect());
    }
    auto near = [](const QColor& a, const QColor& b) {
      return std::abs(a.red() - b.red()) <= 8 && std::abs(a.green() - b.green()) <= 8 && std::abs(a.blue() - b.blue()) <= 8;
    };
    // Centred across; down the row, within a pixel of the middle.
    const int left = (cell.width() - 1 - side) / 2, middle = (cell.height() - 1 - side) / 2;
    int expected = 0, whole = 0;
    for (int top = std::max(0, middle - 1); top <= middle + 1 && top + side < cell.height(); ++top) {
      int count = 0, matched = 0;
      for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
          if (mark.pixelColor(x, y) == background) continue;
          ++count;
          matched += near(shown.pixelColor(left + x, top + y), mark.pixelColor(x, y)) ? 1 : 0;
        }
      }
      expected = count;
      whole = std::max(whole, matched);
    }
    ASSERT_GT(expected, side * side / 2);
    EXPECT_EQ(whole, expected) << "the mark is clipped or missing";
  }
  QApplication::setFont(defaultFont);
  g_pImageLists = nullptr;
}

TEST_F(MessagesPageTest, TheListDrawsGridLinesAndACutCellShowsItsWholeTextAsATip) {
  const QString longCaller = QStringLiteral("Maximiliane Alexandra von Hohenzollern-Sigmaringen (maximiliane.hohenzollern)");
  Add(1, u"Maximiliane Alexandra von Hohenzollern-Sigmaringen", 10, u"maximiliane.hohenzollern");
  Add(2, u"Ann", 10);  // newest: row 0
  page_->resize(700, 400);
  page_->show();
  Activate();
  QTreeView* list = page_->List();
  list->selectionModel()->clear();  // the rows on their plain background
  QApplication::processEvents();
  ASSERT_EQ(qav::test::RowText(list, 1), longCaller);
  ASSERT_NE(list->currentIndex().row(), 1);

  // A line along the right and the bottom edge of every cell, in a colour of its own.
  const QImage shown = list->viewport()->grab().toImage();
  const QColor background = list->palette().color(QPalette::Base);
  for (int column = 0; column < list->model()->columnCount(); ++column) {
    SCOPED_TRACE(column);
    const QRect cell = list->visualRect(list->model()->index(1, column));
    EXPECT_NE(shown.pixelColor(cell.right(), cell.center().y()), background) << "no line on the right";
    EXPECT_NE(shown.pixelColor(cell.center().x(), cell.bottom()), background) << "no line below";
    EXPECT_EQ(shown.pixelColor(cell.left() + 2, cell.top() + 1), background);
  }

  // The mouse resting on a cell: the cut caller shows whole in a tip; a text shown whole has none.
  auto tipOver = [list](int row, int column) {
    const QRect cell = list->visualRect(list->model()->index(row, column));
    QHelpEvent rest(QEvent::ToolTip, cell.center(), list->viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(list->viewport(), &rest);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
  };
  EXPECT_EQ(tipOver(0, CDlgMessages::kCallerColumn), QString());
  EXPECT_EQ(tipOver(1, CDlgMessages::kTimeColumn), QString());
  EXPECT_EQ(tipOver(1, CDlgMessages::kCallerColumn), longCaller);
  QToolTip::hideText();
}

TEST_F(MessagesPageTest, TheTimeAndDurationColumnsShowTheirTextsWholeAtEachFont) {
  const qav::test::TestFonts fonts(1.5);
  Add(1, u"Ann", 3725);
  Add(2, u"Bea", -1);  // being recorded: "Recording..."
  page_->resize(700, 400);
  page_->show();
  Activate();
  // At the desktop's font, then at a larger one chosen while the page is open.
  for (const QFont& font : fonts.Both()) {
    SCOPED_TRACE(font.pointSizeF());
    QApplication::setFont(font);
    QApplication::processEvents();
    QTreeView* list = page_->List();
    ASSERT_EQ(qav::test::RowText(list, 0, CDlgMessages::kDurationColumn), QStringLiteral("Recording..."));
    for (int column : {CDlgMessages::kTimeColumn, CDlgMessages::kDurationColumn}) {
      SCOPED_TRACE(column);
      EXPECT_GE(list->columnWidth(column), list->header()->sectionSizeHint(column)) << "the title is cut";
      for (int row = 0; row < qav::test::RowCount(list); ++row) {
        const QModelIndex cell = list->model()->index(row, column);
        EXPECT_GE(list->columnWidth(column), list->sizeHintForIndex(cell).width()) << cell.data().toString().toStdString();
      }
    }
  }
}

TEST_F(MessagesPageTest, CallAndChatAskTheClientUnderTheWaitCursorThenPauseWithoutHoldingTheWindow) {
  qav::test::CursorWatchingTransport client;
  qav::test::VirtualPauses pauses;
  page_->SetPauseTimer(pauses.Timer());
  Add(1, u"Ann", 10);
  Activate();
  Select({0});
  client.Clear();  // the questions about the caller
  client.waitCursorAtSend.clear();

  page_->CallButton()->click();
  // The click has returned (the window serves the link and the user again) with the command sent
  // under the wait cursor, which stays for the pause.
  EXPECT_EQ(client.TakeSent(), std::vector<std::u16string>{u"CALL Ann.h"});
  EXPECT_EQ(client.waitCursorAtSend, std::vector<bool>{true});
  EXPECT_TRUE(qav::test::WaitCursorShown());
  pauses.AdvanceMs(249);
  EXPECT_TRUE(qav::test::WaitCursorShown());
  pauses.AdvanceMs(1);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // A second click within the pause keeps the cursor until its own pause has passed.
  client.waitCursorAtSend.clear();
  page_->ChatButton()->click();
  pauses.AdvanceMs(100);
  page_->ChatButton()->click();
  EXPECT_EQ(client.waitCursorAtSend, (std::vector<bool>{true, true}));
  const std::u16string chat = u"OPEN IM Ann.h RE: Skype voice message you left me earlier ...";
  EXPECT_EQ(client.TakeSent(), (std::vector<std::u16string>{chat, chat}));
  pauses.AdvanceMs(150);
  EXPECT_TRUE(qav::test::WaitCursorShown());
  pauses.AdvanceMs(100);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // With nothing selected nothing happens.
  Select({});
  page_->CallButton()->click();
  EXPECT_TRUE(client.TakeSent().empty());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(pauses.Armed(), 0u);

  // A page that goes within the pause of two clicks gives their one cursor back, once.
  Select({0});
  page_->CallButton()->click();
  page_->ChatButton()->click();
  ASSERT_TRUE(qav::test::WaitCursorShown());
  page_.reset();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MessagesPageTest, ChatGoesToTheFirstSelectedCallerWhoIsNotATelephoneNumber) {
  qav::test::CursorWatchingTransport client;
  qav::test::VirtualPauses pauses;
  page_->SetPauseTimer(pauses.Timer());
  Add(1, u"Bea", 10);
  Add(2, u"Ann", 10);
  Add(3, u"Phone", 10, u"+4930123");
  Add(4, u"Zeros", 10, u"0049301");  // newest: row 0
  Activate();
  ASSERT_EQ(Callers(), (std::vector<QString>{"Zeros (0049301)", "Phone (+4930123)", "Ann (Ann.h)", "Bea (Bea.h)"}));
  const std::u16string earlier = u" RE: Skype voice message you left me earlier ...";
  struct Case {
    const char* name;
    std::initializer_list<int> selected;
    std::vector<std::u16string> sent;
  } cases[] = {
      {"two numbers first, then contacts: the first contact", {0, 1, 2, 3}, {u"OPEN IM Ann.h" + earlier}},
      {"a number, then a contact", {1, 3}, {u"OPEN IM Bea.h" + earlier}},
      {"a contact alone", {2}, {u"OPEN IM Ann.h" + earlier}},
      {"numbers only: no chat at all", {0, 1}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Select(c.selected);
    client.Clear();
    page_->ChatSelected();
    EXPECT_EQ(client.TakeSent(), c.sent);
    pauses.AdvanceMs(250);
  }
  // Call still calls the first selected row, a number too.
  Select({1, 2});
  client.Clear();
  page_->CallButton()->click();
  EXPECT_EQ(client.TakeSent(), std::vector<std::u16string>{u"CALL +4930123"});
  pauses.AdvanceMs(250);
}

TEST_F(MessagesPageTest, OneSortDirectionIsSharedByEveryColumnAndPage) {
  Add(1, u"Bea", 30);
  Add(2, u"Ann", 5);
  Add(3, u"Cid", 12);
  Activate();
  page_->OnColumnClick(CDlgMessages::kDurationColumn);  // ascending
  EXPECT_EQ(Callers(), (std::vector<QString>{"Ann (Ann.h)", "Cid (Cid.h)", "Bea (Bea.h)"}));
  CDlgMessages other(services_);
  other.OnColumnClick(CDlgMessages::kCallerColumn);  // the one flag toggles: descending
  EXPECT_FALSE(CDlgMessages::Sort().ascending);
  page_->OnColumnClick(CDlgMessages::kCallerColumn);  // ascending again
  EXPECT_EQ(Callers(), (std::vector<QString>{"Ann (Ann.h)", "Bea (Bea.h)", "Cid (Cid.h)"}));

  // A message that has gone sorts after the others in either direction.
  CMessage* kept = g_MessageCollection.GetMessages().front();
  for (bool ascending : {false, true}) {
    const CDlgMessages::SortState sort{CDlgMessages::kDurationColumn, ascending};
    EXPECT_TRUE(CDlgMessages::SortsBefore(kept, nullptr, sort));
    EXPECT_FALSE(CDlgMessages::SortsBefore(nullptr, kept, sort));
    EXPECT_FALSE(CDlgMessages::SortsBefore(nullptr, nullptr, sort));
  }
}

TEST_F(MessagesPageTest, ButtonsFollowTheUserTheSelectionAndTelephoneNumbers) {
  Add(1, u"Phone", 10, u"+4930123");
  Add(2, u"Ann", 10);
  Activate();
  page_->List()->clearSelection();
  EXPECT_FALSE(page_->PlayButton()->isEnabled());
  EXPECT_TRUE(page_->FolderButton()->isEnabled());
  Select({1});  // the telephone number (older, sorted by time descending)
  ASSERT_EQ(Callers()[1], QStringLiteral("Phone (+4930123)"));
  EXPECT_TRUE(page_->PlayButton()->isEnabled());
  EXPECT_TRUE(page_->CallButton()->isEnabled());
  EXPECT_FALSE(page_->ChatButton()->isEnabled());
  Select({0, 1});
  EXPECT_TRUE(page_->ChatButton()->isEnabled());

  services_.handle.clear();
  page_->RebuildList();
  EXPECT_FALSE(page_->List()->isVisibleTo(page_.get()));
  EXPECT_TRUE(page_->NoUserText()->isVisibleTo(page_.get()));
  for (CButtonSSL* button : {page_->PlayButton(), page_->CallButton(), page_->ChatButton(), page_->DeleteButton(),
                             page_->FolderButton(), page_->AnalysisButton()}) {
    EXPECT_FALSE(button->isEnabled());
  }
}

TEST_F(MessagesPageTest, ThePlayerWalksByItsResults) {
  Add(1, u"C", 10);
  Add(2, u"B", 10);
  Add(3, u"A", 10);  // newest: row 0
  g_VoiceMsgDeleteConfirmation.Set(0);
  struct Case {
    const char* name;
    std::vector<int> selected;
    std::deque<int> results;
    std::vector<std::u16string> played;
  } cases[] = {
      {"next on one selection plays the rows below", {0}, {kListPlayerNext, kListPlayerNext}, {u"A", u"B", u"C"}},
      {"previous walks up", {1}, {kListPlayerPrevious}, {u"B", u"A"}},
      {"next on several skips unselected rows", {0, 2}, {kListPlayerNext}, {u"A", u"C"}},
      {"an error on one selection ends the walk", {0}, {kListPlayerError}, {u"A"}},
      {"an error on several goes on with the next selected", {0, 2}, {kListPlayerNothingToPlay}, {u"A", u"C"}},
      {"closing ends the walk", {0}, {}, {u"A"}},
  };
  Activate();
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    page_->RebuildList();
    Select({});
    for (int row : c.selected) qav::test::SelectRow(page_->List(), row);
    script_ = c.results;
    played_.clear();
    page_->PlaybackSelected(false);
    EXPECT_EQ(played_, c.played);
  }
  // Delete and play next: the row below moves up and plays; the played message is gone.
  Select({0});
  script_ = {kListPlayerDeleteAndNext};
  played_.clear();
  page_->PlaybackSelected(false);
  EXPECT_EQ(played_, (std::vector<std::u16string>{u"A", u"B"}));
  EXPECT_EQ(g_MessageCollection.GetCount(), 2u);
  EXPECT_TRUE(g_MessageCollection.GetMessages().front()->IsSeen());
}

TEST_F(MessagesPageTest, AMessageWhoseFileCannotBeDeletedStillLeavesTheList) {
  RecordingBoxes boxes;
  CMessage* message = Add(1, u"Ann", 10);  // its file was never written
  ASSERT_NE(message, nullptr);
  const std::u16string path = g_MessageCollection.GetMessagesFolder() + message->GetFileName();
  Activate();
  Select({0});
  page_->DeleteSelected();
  ASSERT_EQ(boxes.texts.size(), 2u);  // the question, then the failure
  EXPECT_NE(boxes.texts[0].find(u"Going to delete message from Ann"), std::u16string::npos);
  // The failure names the file the user may want to remove by hand.
  EXPECT_EQ(boxes.texts[1], u"QAV encountered a problem when trying to delete audio file: " + path);
  EXPECT_EQ(g_MessageCollection.GetCount(), 0u);
  EXPECT_EQ(qav::test::RowCount(page_->List()), 0);

  // A refused question deletes nothing.
  Add(2, u"Bea", 10);
  page_->RebuildList();
  Select({0});
  boxes.answer = qav::IDCANCEL;
  page_->DeleteSelected();
  EXPECT_EQ(g_MessageCollection.GetCount(), 1u);
}

// The message of a call the answering machine records is not deleted from the page, neither from
// the list nor from the player: the recording runs on, its call is given back to the sound card at
// its end, and the message keeps its file.
TEST_F(MessagesPageTest, AMessageBeingRecordedIsNotDeleted) {
  RecordingBoxes boxes;
  CCall* call = AddCall(7);
  call->set(CCall::Status{SkypeCallStatus::RINGING});
  call->set(CCall::Type{SkypeCallType::INCOMING_P2P});
  call->set(g_UserCollection.FindOrCreate(u"caller1"));
  virtualLoop.AdvanceMs(15010);
  virtualLoop.RunUntilIdle();
  call->set(CCall::Status{SkypeCallStatus::INPROGRESS});
  virtualLoop.RunUntilIdle();
  ASSERT_EQ(g_MessageCollection.GetCount(), 1u);
  ASSERT_TRUE(g_MessageCollection.GetMessages()[0]->IsRecording());
  const VoiceMessageId recording = g_MessageCollection.GetMessages()[0]->GetId();
  Activate();
  Select({0});
  page_->DeleteSelected();
  page_->Delete({recording});  // as the player's delete does
  EXPECT_TRUE(boxes.texts.empty());
  EXPECT_EQ(g_MessageCollection.GetCount(), 1u);

  transport.TakeSent();
  call->set(CCall::Status{SkypeCallStatus::FINISHED});
  virtualLoop.RunUntilIdle();
  const std::vector<std::u16string> sent = transport.TakeSent();
  EXPECT_NE(std::find(sent.begin(), sent.end(), u"ALTER CALL 7 SET_INPUT SOUNDCARD=\"default\""), sent.end());
  ASSERT_EQ(g_MessageCollection.GetCount(), 1u);
  const CMessage* kept = g_MessageCollection.GetMessages()[0];
  EXPECT_GT(kept->GetDuration(), 0);
  EXPECT_TRUE(std::filesystem::exists(qav::U8(kept->GetFilePath())));
}

TEST_F(MessagesPageTest, CopyGivesFilesForEveryRowAndTextForOne) {
  Add(1, u"Bea", 12);
  Add(2, u"Ann", 7);
  Activate();
  Select({0});
  std::unique_ptr<QMimeData> one(page_->SelectionMimeData());
  ASSERT_TRUE(one);
  ASSERT_EQ(one->urls().size(), 1);
  EXPECT_TRUE(one->urls()[0].toLocalFile().endsWith(QString::fromStdU16String(g_MessageCollection.GetMessages().front()->GetFileName())));
  EXPECT_TRUE(one->data("x-special/gnome-copied-files").startsWith("copy\nfile://"));
  EXPECT_TRUE(one->formats().contains("text/plain"));
  EXPECT_TRUE(one->text().contains("- From: Ann (Ann.h)"));
  EXPECT_TRUE(one->text().contains("- Duration: 7 sec"));

  Select({0, 1});
  std::unique_ptr<QMimeData> two(page_->SelectionMimeData());
  EXPECT_EQ(two->urls().size(), 2);
  EXPECT_EQ(two->data("x-special/gnome-copied-files").count('\n'), 2);
  EXPECT_FALSE(two->formats().contains("text/plain"));
  Select({});
  EXPECT_EQ(page_->SelectionMimeData(), nullptr);
}

TEST_F(MessagesPageTest, TheContextMenuFollowsTheClickedMessage) {
  CMessage* phone = Add(1, u"Phone", 10, u"0049301");
  CMessage* ann = Add(2, u"Ann", 10);
  Activate();
  Select({0});
  auto menu = page_->ContextMenu(ann->GetId());
  ASSERT_EQ(menu.size(), 7u);
  EXPECT_EQ(menu[1].text, u"Call Contact");
  EXPECT_EQ(menu[4].text, u"Mark as Heard");
  EXPECT_FALSE(menu[2].grayed);
  EXPECT_EQ(menu.back().id, CDlgMessages::kCmdDelete);

  Select({0, 1});
  menu = page_->ContextMenu(phone->GetId());
  EXPECT_EQ(menu[1].text, u"Invite to conference");
  EXPECT_TRUE(menu[2].grayed) << "no chat with a telephone number";
  page_->RunCommand(CDlgMessages::kCmdToggleHeard, phone->GetId());
  EXPECT_TRUE(phone->IsSeen());
  EXPECT_TRUE(ann->IsSeen());
  EXPECT_EQ(page_->ContextMenu(ann->GetId())[4].text, u"Mark as New");

  // A message gone meanwhile opens no menu.
  const VoiceMessageId gone = ann->GetId();
  g_MessageCollection.del(ann);
  EXPECT_TRUE(page_->ContextMenu(gone).empty());
}

TEST_F(MessagesPageTest, AHeaderClickARightClickAndTheDeleteKeyWorkAsTheUserGivesThem) {
  Add(1, u"Bea", 30);
  Add(2, u"Ann", 5);
  Add(3, u"Cid", 12);
  page_->resize(700, 400);
  page_->show();
  Activate();
  QTreeView* list = page_->List();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(page_.get()));

  // A click on the duration's header sorts by it (the one direction flag flips to ascending).
  QHeaderView* header = list->header();
  const int durationAt = header->sectionViewportPosition(CDlgMessages::kDurationColumn) +
                         header->sectionSize(CDlgMessages::kDurationColumn) / 2;
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(durationAt, header->height() / 2));
  ASSERT_EQ(Callers(), (std::vector<QString>{"Ann (Ann.h)", "Cid (Cid.h)", "Bea (Bea.h)"}));

  // A right click on Cid's row selects it and opens its menu; "Mark as Heard" marks it.
  const QPoint cid = list->visualRect(list->model()->index(1, 0)).center();
  QStringList entries;
  QTimer::singleShot(0, [&entries] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return;
    for (QAction* action : menu->actions()) {
      if (action->isSeparator()) continue;
      entries << action->text();
      if (action->text() == QStringLiteral("Mark as Heard")) menu->setActiveAction(action);
    }
    QTest::keyClick(menu, Qt::Key_Return);
  });
  QTest::mousePress(list->viewport(), Qt::RightButton, {}, cid);
  QTest::mouseRelease(list->viewport(), Qt::RightButton, {}, cid);
  QContextMenuEvent rightClick(QContextMenuEvent::Mouse, cid, list->viewport()->mapToGlobal(cid));
  QApplication::sendEvent(list->viewport(), &rightClick);
  EXPECT_EQ(entries.value(0), QStringLiteral("Play"));
  EXPECT_TRUE(entries.contains(QStringLiteral("Mark as Heard"))) << entries.join(", ").toStdString();
  ASSERT_EQ(qav::test::SelectedRows(list).size(), 1);
  EXPECT_EQ(qav::test::SelectedRows(list)[0].row(), 1);
  const CMessage* cidMessage = g_MessageCollection.Find(CDlgMessages::RowId(qav::test::RowIndex(list, 1)));
  ASSERT_NE(cidMessage, nullptr);
  EXPECT_TRUE(cidMessage->IsSeen());

  // The Delete key in the list deletes the selected message (without a question when so set).
  g_VoiceMsgDeleteConfirmation.Set(0);
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(Callers(), (std::vector<QString>{"Ann (Ann.h)", "Bea (Bea.h)"}));
  EXPECT_EQ(g_MessageCollection.GetCount(), 2u);
}

TEST_F(MessagesPageTest, SendToTheSiblingIsOneNoticeForTheWholeSelection) {
  CMessage* ann = Add(1, u"Ann", 10);
  CMessage* bea = Add(2, u"Bea", 12);
  Add(3, u"Cid", -1);  // still recording: not sent
  Activate();
  Select({0, 1, 2});
  page_->RunCommand(CDlgMessages::kCmdSendToSibling, ann->GetId());
  ASSERT_EQ(services_.siblingNotices.size(), 1u);
  auto files = services_.siblingNotices[0];
  std::sort(files.begin(), files.end());
  auto expected = std::vector<std::u16string>{ann->GetFileName(), bea->GetFileName()};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(files, expected);
}

}  // namespace
