// The conversations page on Qt's offscreen platform, over the real conversation collection with
// conversations recorded through the audio double; the player is a scripted stand-in.
#include <gtest/gtest.h>

#include <QMimeData>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <QTreeView>
#include <QUrl>

#include "foundation/settings.h"
#include "platform/message_box.h"
#include "tests/support/call_model_fixture.h"
#include "tests/ui/recordings/list_view_rows.h"
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
    page_ = std::make_unique<CDlgConversation>(services_);
    page_->SetClock([] { return int64_t{1000}; });
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

  CSampleSheetServices services_;
  std::unique_ptr<CDlgConversation> page_;
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

}  // namespace
