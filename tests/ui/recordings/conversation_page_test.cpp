// The conversations page on Qt's offscreen platform, over the real conversation collection with
// conversations recorded through the audio double; the player is a scripted stand-in.
#include <gtest/gtest.h>

#include <QMimeData>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <tuple>
#include <QTreeView>
#include <QUrl>

#include "calls/call_fsm_states.h"
#include "foundation/settings.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "tests/support/call_model_fixture.h"
#include "tests/ui/recordings/list_view_rows.h"
#include "tests/ui/recordings/page_pauses.h"
#include "ui/art/app_image_lists.h"
#include "ui/controls/button_ssl.h"
#include "ui/recordings/dlg_conversation.h"
#include "ui/recordings/player_walk.h"
#include "ui/samples/sample_recordings.h"
#include "ui/samples/sample_sheet_services.h"

namespace {

class ConversationPageTest : public qav::test::CallModelFixture {
 protected:
  void SetUp() override {
    CallModelFixture::SetUp();
    SignIn(u"me");
    CDlgConversation::Sort() = {};  // the sort is kept for the run: each test starts from the default
    page_ = std::make_unique<CDlgConversation>(services_);
    page_->SetClock([this] { return now_; });
    page_->SetPlayerRunner([this](CConversation& conversation, bool) {
      played_.push_back(conversation.GetId());
      return results_.empty() ? 2 : results_[played_.size() - 1];
    });
  }
  void TearDown() override {
    page_.reset();
    CallModelFixture::TearDown();
  }

  // An ended conversation with `handle`, as found at start.
  CConversation* Ended(std::u16string_view handle) {
    const int64_t start = 1700000000 + int64_t{60} * ++started_;
    return qav::samples::AddSampleConversation(start, 30, {{handle, handle}});
  }
  // A conversation with one call to `handle`, recording through the audio double now.
  CConversation* Recording(int callId, std::u16string_view handle) {
    CCall* call = AddCall(callId);
    CUser* partner = g_UserCollection.FindOrCreate(handle);
    partner->SetDisplayName(handle);
    call->set(partner);
    auto created = std::make_unique<CConversation>();
    created->Init(nullptr, u"wav");
    created->AttachCall(call);
    CConversation* conversation = g_ConversationCollection.add(std::move(created));
    int out = 0, in = 0;
    EXPECT_EQ(conversation->Begin(call, &out, &in), 1);
    return conversation;
  }
  int RowOf(const CConversation* conversation) const {
    for (int i = 0; i < qav::test::RowCount(page_->List()); ++i) {
      if (CDlgConversation::RowId(qav::test::RowIndex(page_->List(), i)) == conversation->GetId()) return i;
    }
    return -1;
  }
  void Select(std::initializer_list<const CConversation*> conversations) {
    page_->List()->clearSelection();
    for (const CConversation* c : conversations) qav::test::SelectRow(page_->List(), RowOf(c));
  }

  // A call the user picks up, through the call machine, as the client reports it.
  CCall* PickedUp(int32_t callId, std::u16string_view handle) {
    CCall* call = AddCall(callId);
    call->set(CCall::Status{SkypeCallStatus::RINGING});
    call->set(CCall::Type{SkypeCallType::INCOMING_P2P});
    call->set(g_UserCollection.FindOrCreate(handle));
    virtualLoop.RunUntilIdle();
    call->set(CCall::Status{SkypeCallStatus::INPROGRESS});
    virtualLoop.RunUntilIdle();
    return call;
  }
  // The page's refresh, as the program's comes after a change.
  void Refresh() {
    ++now_;
    page_->OnUpdateDlg();
  }
  // The commands to the call client since the last look, without the questions about calls.
  std::vector<std::u16string> Commands() {
    std::vector<std::u16string> kept;
    for (std::u16string& text : transport.TakeSent()) {
      if (!text.starts_with(u"GET ")) kept.push_back(std::move(text));
    }
    return kept;
  }

  CSampleSheetServices services_;
  std::unique_ptr<CDlgConversation> page_;
  int64_t now_ = 1000;
  std::vector<ConversationId> played_;
  std::vector<int> results_;
  int started_ = 0;
};

TEST_F(ConversationPageTest, ARecordingConversationCannotBePlayedCopiedOrDeleted) {
  CConversation* ended = Ended(u"ann");
  CConversation* running = Recording(2, u"bob");
  page_->OnSetActive();
  ASSERT_EQ(qav::test::RowCount(page_->List()), 2);
  Select({running});
  EXPECT_FALSE(page_->PlayButton()->isEnabled());
  EXPECT_FALSE(page_->DeleteButton()->isEnabled());
  EXPECT_TRUE(page_->CallButton()->isEnabled());
  auto menu = page_->ContextMenu(running->GetId());
  ASSERT_FALSE(menu.empty());
  EXPECT_EQ(menu[0].id, CDlgConversation::kCmdPause);
  EXPECT_TRUE(menu.back().grayed);

  // The walk passes over it.
  Select({running, ended});
  results_ = {kListPlayerNext};
  page_->PlaybackSelected(false);
  EXPECT_EQ(played_, std::vector<ConversationId>{ended->GetId()});

  Select({ended});
  EXPECT_TRUE(page_->PlayButton()->isEnabled());
  menu = page_->ContextMenu(ended->GetId());
  EXPECT_EQ(menu[0].id, CDlgConversation::kCmdPlay);
  EXPECT_EQ(menu[0].text, u"Play");
}

// The whole menu of each state, entry by entry (command, picture, grayed): play and call once the
// recording has ended, resume or pause and hang up before; copy and delete only once it has ended;
// the sibling application only for a recording that is not going on.
TEST_F(ConversationPageTest, EachStatesMenuOffersWhatItsRecordingAllows) {
  services_.siblingRunning = true;
  CConversation* ended = Ended(u"ann");
  CConversation* running = Recording(2, u"bob");
  page_->OnSetActive();
  using Entries = std::vector<std::tuple<uint32_t, int, bool>>;
  const auto menuOf = [this](const CConversation* conversation) {
    Entries entries;
    for (const auto& entry : page_->ContextMenu(conversation->GetId())) entries.emplace_back(entry.id, entry.image, entry.grayed);
    return entries;
  };
  using C = CDlgConversation;
  EXPECT_EQ(menuOf(ended), (Entries{{C::kCmdPlay, 0, false},
                                    {C::kCmdCall, 4, false},
                                    {C::kCmdChat, 6, false},
                                    {C::kCmdProfile, 8, false},
                                    {C::kCmdCopy, 13, false},
                                    {C::kCmdSendToSibling, -1, false},
                                    {C::kCmdDelete, 11, false}}));
  EXPECT_EQ(menuOf(running), (Entries{{C::kCmdPause, 1, false},
                                      {C::kCmdHangUp, 7, false},
                                      {C::kCmdChat, 6, false},
                                      {C::kCmdProfile, 8, false},
                                      {C::kCmdCopy, 13, true},
                                      {C::kCmdDelete, 11, true}}));
  // Its call breaks off the recording: paused.
  running->AudioCtrlBreak(running->GetCalls().front());
  ASSERT_EQ(running->GetState(), CConversation::kStopped);
  EXPECT_EQ(menuOf(running), (Entries{{C::kCmdResume, 2, false},
                                      {C::kCmdHangUp, 7, false},
                                      {C::kCmdChat, 6, false},
                                      {C::kCmdProfile, 8, false},
                                      {C::kCmdCopy, 13, true},
                                      {C::kCmdSendToSibling, -1, false},
                                      {C::kCmdDelete, 11, true}}));
  services_.siblingRunning = false;
  EXPECT_EQ(std::get<0>(menuOf(ended)[5]), C::kCmdDelete) << "no sibling, no entry for it";
}

TEST_F(ConversationPageTest, SortingKeepsTheSelectionOnItsConversationAndPutsAGoneOneLast) {
  using qav::samples::AddSampleConversation;
  CConversation* bob = AddSampleConversation(1700000000, 30, {{u"bob", u"Bob"}});
  CConversation* ann = AddSampleConversation(1700000060, 10, {{u"ann", u"Ann"}});
  CConversation* cid = AddSampleConversation(1700000120, 20, {{u"cid", u"Cid"}});
  const ConversationId bobId = bob->GetId(), annId = ann->GetId(), cidId = cid->GetId();
  auto order = [this] {
    std::vector<ConversationId> ids;
    for (int i = 0; i < qav::test::RowCount(page_->List()); ++i) ids.push_back(CDlgConversation::RowId(qav::test::RowIndex(page_->List(), i)));
    return ids;
  };
  CDlgConversation::Sort() = {};
  page_->OnSetActive();
  EXPECT_EQ(order(), (std::vector<ConversationId>{cidId, annId, bobId}));  // newest first
  Select({ann});
  page_->OnColumnClick(CDlgConversation::kParticipantsColumn);  // ascending
  EXPECT_EQ(order(), (std::vector<ConversationId>{annId, bobId, cidId}));
  page_->OnColumnClick(CDlgConversation::kDurationColumn);  // descending
  EXPECT_EQ(order(), (std::vector<ConversationId>{bobId, cidId, annId}));
  ASSERT_EQ(qav::test::SelectedRows(page_->List()).size(), 1);
  EXPECT_EQ(CDlgConversation::RowId(qav::test::SelectedRows(page_->List()).front()), annId);

  // Gone from the collection before the next rebuild: last in either direction.
  g_ConversationCollection.del(bob);
  page_->OnColumnClick(CDlgConversation::kDurationColumn);  // ascending
  EXPECT_EQ(order(), (std::vector<ConversationId>{annId, cidId, bobId}));
  page_->OnColumnClick(CDlgConversation::kDurationColumn);  // descending
  EXPECT_EQ(order(), (std::vector<ConversationId>{cidId, annId, bobId}));
}

TEST_F(ConversationPageTest, AConversationWhoseAudioCannotBeDeletedStaysListed) {
  g_ConversationDeleteConfirmation.Set(0);
  class Boxes : public qav::MessageBoxHandler {
   public:
    int Show(std::u16string_view text, std::u16string_view, uint32_t) override {
      texts.emplace_back(text);
      return qav::IDOK;
    }
    std::vector<std::u16string> texts;
  } boxes;
  qav::SetMessageBoxHandler(&boxes);
  CConversation* kept = Ended(u"ann");
  CConversation* deleted = Ended(u"bob");
  const std::u16string folder = g_ConversationCollection.GetConversationsFolder();
  std::filesystem::create_directories(std::filesystem::path(folder));
  { std::ofstream(std::filesystem::path(folder + deleted->GetAudioFileName())) << "audio"; }
  // The other's audio path is a folder that is not empty: it cannot be deleted as a file.
  const std::filesystem::path keptAudio(folder + kept->GetAudioFileName());
  std::filesystem::remove(keptAudio);
  std::filesystem::create_directories(keptAudio / "inside");
  page_->OnSetActive();
  Select({kept, deleted});
  page_->DeleteSelected();
  qav::SetMessageBoxHandler(nullptr);
  EXPECT_TRUE(g_ConversationCollection.Contains(kept));
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_NE(boxes.texts[0].find(kept->GetAudioFileName()), std::u16string::npos);
  EXPECT_FALSE(g_ConversationCollection.Contains(deleted));
  EXPECT_EQ(qav::test::RowCount(page_->List()), static_cast<int>(g_ConversationCollection.GetCount()));
}

TEST_F(ConversationPageTest, CopyGivesTheEndedConversationsFiles) {
  CConversation* first = Ended(u"ann");
  CConversation* second = Ended(u"bob");
  page_->OnSetActive();
  Select({first});
  std::unique_ptr<QMimeData> one(page_->SelectionMimeData());
  ASSERT_EQ(one->urls().size(), 1);
  EXPECT_TRUE(one->formats().contains("text/plain"));
  EXPECT_TRUE(one->text().contains("- From: ann"));
  Select({first, second});
  std::unique_ptr<QMimeData> two(page_->SelectionMimeData());
  EXPECT_EQ(two->urls().size(), 2);
  EXPECT_FALSE(two->formats().contains("text/plain"));
}

TEST_F(ConversationPageTest, SendToTheSiblingIsOneNoticeOfTheEndedConversations) {
  CConversation* first = Ended(u"ann");
  CConversation* second = Ended(u"bob");
  CConversation* running = Recording(3, u"cid");
  page_->OnSetActive();
  Select({first, second, running});
  page_->RunCommand(CDlgConversation::kCmdSendToSibling, first->GetId());
  ASSERT_EQ(services_.siblingNotices.size(), 1u);
  auto files = services_.siblingNotices[0];
  std::sort(files.begin(), files.end());
  auto expected = std::vector<std::u16string>{first->GetAudioFileName(), second->GetAudioFileName()};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(files, expected);
}

TEST_F(ConversationPageTest, CallAndChatTakeTheFirstSelectedRowAndRebuildWhenItHasGone) {
  using qav::samples::AddSampleConversation;
  qav::test::CursorWatchingTransport client;
  qav::test::VirtualPauses pauses;
  page_->SetPauseTimer(pauses.Timer());
  CConversation* ann = AddSampleConversation(1700000000, 30, {{u"ann", u"Ann"}});
  CConversation* conference = AddSampleConversation(1700000060, 30, {{u"bob", u"Bob"}, {u"cid", u"Cid"}});
  page_->OnSetActive();
  Select({ann, conference});
  ASSERT_EQ(RowOf(conference), 0);  // the newest on top
  client.Clear();
  client.waitCursorAtSend.clear();

  // Several partners are called as a conference.
  page_->CallButton()->click();
  EXPECT_EQ(client.TakeSent(), std::vector<std::u16string>{u"CALL bob, cid"});
  page_->ChatButton()->click();
  EXPECT_EQ(client.TakeSent(), std::vector<std::u16string>{u"OPEN IM bob, cid RE: Our conversation earlier ..."});
  EXPECT_EQ(client.waitCursorAtSend, (std::vector<bool>{true, true}));
  pauses.AdvanceMs(250);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // The first selected row's conversation has gone: nothing is sent (not to the next selected
  // row's partners either), the list is rebuilt without it, and the wait and its pause are as for
  // a command sent. The row still there stays selected: the next click is for it.
  const std::pair<CButtonSSL*, std::u16string> actions[] = {
      {page_->CallButton(), u"CALL ann"}, {page_->ChatButton(), u"OPEN IM ann RE: Our conversation earlier ..."}};
  g_ConversationCollection.del(conference);
  int64_t start = 1700000120;
  for (const auto& [button, forAnn] : actions) {
    CConversation* gone = AddSampleConversation(start += 60, 30, {{u"dan", u"Dan"}});
    page_->RebuildList();
    qav::test::SelectRows(page_->List(), {0, 1});
    ASSERT_EQ(RowOf(gone), 0);
    g_ConversationCollection.del(gone);
    client.Clear();
    button->click();
    EXPECT_TRUE(client.TakeSent().empty());
    EXPECT_EQ(qav::test::RowRecordings(page_->List()), std::vector<uint64_t>{static_cast<uint64_t>(ann->GetId())});
    EXPECT_TRUE(qav::test::WaitCursorShown());
    pauses.AdvanceMs(250);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    button->click();
    EXPECT_EQ(client.TakeSent(), std::vector<std::u16string>{forAnn});
    pauses.AdvanceMs(250);
  }
}

TEST_F(ConversationPageTest, ChatGoesOnlyToPartnersWhoAreNotTelephoneNumbers) {
  using qav::samples::AddSampleConversation;
  qav::test::CursorWatchingTransport client;
  qav::test::VirtualPauses pauses;
  page_->SetPauseTimer(pauses.Timer());
  CConversation* mixed = AddSampleConversation(1700000000, 30, {{u"+4930555", u"+4930555"}, {u"bob", u"Bob"}});
  CConversation* phone = AddSampleConversation(1700000060, 30, {{u"0049301", u"0049301"}});
  page_->OnSetActive();
  // The number's conversation first, then one with a number and a contact: the chat is the contact's.
  Select({phone, mixed});
  ASSERT_EQ(RowOf(phone), 0);
  EXPECT_TRUE(page_->ChatButton()->isEnabled());
  client.Clear();
  page_->ChatButton()->click();
  EXPECT_EQ(client.TakeSent(), std::vector<std::u16string>{u"OPEN IM bob RE: Our conversation earlier ..."});
  pauses.AdvanceMs(250);
  // The same from the context menu of the mixed conversation; none from the number's.
  page_->RunCommand(CDlgConversation::kCmdChat, mixed->GetId());
  EXPECT_EQ(client.TakeSent(), std::vector<std::u16string>{u"OPEN IM bob RE: Our conversation earlier ..."});
  Select({phone});
  EXPECT_FALSE(page_->ChatButton()->isEnabled());
  page_->ChatSelected();
  EXPECT_TRUE(client.TakeSent().empty());
  pauses.AdvanceMs(250);
}

TEST_F(ConversationPageTest, HangUpPauseAndResumeActOnEveryCallOfTheConversation) {
  CAppImageLists lists;
  lists.CreateForDepth(32);
  g_pImageLists = &lists;
  qav::SetCurrentClock(&virtualLoop.clock());
  g_RecConvAudioNotificationAllowed = 0;
  g_RecConvTextNotificationStartAllowed = 0;
  g_RecConvTextNotificationStopAllowed = 0;
  CCall* first = PickedUp(3, u"caller1");
  first->UserRecordConversation(true);
  virtualLoop.RunUntilIdle();
  CCall* second = PickedUp(5, u"caller2");  // joins the conversation being recorded
  CConversation* conference = first->GetConversation();
  ASSERT_NE(conference, nullptr);
  ASSERT_EQ(second->GetConversation(), conference);
  page_->OnSetActive();
  Select({conference});
  audio.TakeRequests();
  Commands();
  // What the page shows of it: the row's picture (recording, paused, ended) and the menu's first entry.
  auto shown = [&]() -> std::pair<qint64, std::u16string> {
    const QIcon icon = qvariant_cast<QIcon>(qav::test::RowIndex(page_->List(), 0).data(Qt::DecorationRole));
    return {icon.cacheKey(), page_->ContextMenu(conference->GetId()).front().text};
  };
  const qint64 recording = lists.m_conversationList.GetIcon(0).cacheKey();
  const qint64 paused = lists.m_conversationList.GetIcon(1).cacheKey();
  EXPECT_EQ(shown(), std::make_pair(recording, std::u16string(u"Pause Recording")));

  page_->RunCommand(CDlgConversation::kCmdPause, conference->GetId());
  virtualLoop.RunUntilIdle();
  Refresh();
  EXPECT_EQ(audio.TakeRequests(), std::vector<std::string>{"ConvStop"});
  EXPECT_EQ(conference->GetState(), CConversation::kStopped);
  EXPECT_EQ(shown(), std::make_pair(paused, std::u16string(u"Resume Recording")));

  page_->RunCommand(CDlgConversation::kCmdResume, conference->GetId());
  virtualLoop.RunUntilIdle();
  Refresh();
  const std::vector<std::string> resumed = audio.TakeRequests();
  ASSERT_EQ(resumed.size(), 1u);
  EXPECT_TRUE(resumed[0].starts_with("ConvStart ")) << resumed[0];
  EXPECT_EQ(conference->GetState(), CConversation::kRecording);
  EXPECT_EQ(shown(), std::make_pair(recording, std::u16string(u"Pause Recording")));

  // Hang Up asks the client to end each call of the conference.
  Commands();
  page_->RunCommand(CDlgConversation::kCmdHangUp, conference->GetId());
  EXPECT_EQ(Commands(), (std::vector<std::u16string>{u"ALTER CALL 3 HANGUP", u"ALTER CALL 5 HANGUP"}));
  qav::SetCurrentClock(nullptr);
  g_pImageLists = nullptr;
}

}  // namespace
