// The counts on the messages and conversations tabs, in the sheet as the program builds it: what
// the tabs read as recordings arrive, are heard and are deleted through the pages, with the
// program's refresh of the changed pages delivered to the sheet as its main window does.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTabWidget>
#include <filesystem>
#include <fstream>
#include <utility>
#include <QTreeView>
#include <ctime>

#include "foundation/settings.h"
#include "platform/message_box.h"
#include "tests/support/call_model_fixture.h"
#include "tests/ui/accessible_look.h"
#include "tests/ui/recordings/list_view_rows.h"
#include "ui/recordings/dlg_conversation.h"
#include "ui/recordings/dlg_messages.h"
#include "ui/samples/sample_recordings.h"
#include "ui/controls/button_ssl.h"
#include "ui/samples/sample_sheet_services.h"
#include "ui/sheet/dlg_prop_sheet.h"
#include "ui/sheet/qt_property_sheet.h"

namespace {

// Agrees to every question and notes each box.
class AgreeingBoxes : public qav::MessageBoxHandler {
 public:
  AgreeingBoxes() { qav::SetMessageBoxHandler(this); }
  ~AgreeingBoxes() override { qav::SetMessageBoxHandler(nullptr); }
  int Show(std::u16string_view, std::u16string_view, uint32_t) override { return qav::IDOK; }
};

class RecordingTabsTest : public qav::test::CallModelFixture {
 protected:
  void SetUp() override {
    CallModelFixture::SetUp();
    SignIn(u"me");
    g_ShowNumRecordingsInTab = 1;
    sheet_ = std::make_unique<CQtPropertySheet>(services_);
    ASSERT_TRUE(sheet_->Create(u"QAV"));
    // The pages rebuild at most once a second: each step here is a second later than the last,
    // starting after the rebuilds the sheet ran as it was built.
    now_ = static_cast<int64_t>(std::time(nullptr)) + 60;
    MessagesPage().SetClock([this] { return now_; });
    ConversationsPage().SetClock([this] { return now_; });
  }
  void TearDown() override {
    sheet_.reset();
    CallModelFixture::TearDown();
  }

  // The pages the program was told have changed reach the sheet, as the main window passes them on.
  void Deliver() {
    ++now_;
    for (uint32_t pages : std::exchange(services_.changedPages, {})) sheet_->PagesChanged(CSheetPages{pages});
  }
  std::string Tab(int index) const { return sheet_->Window()->Tabs()->tabText(index).toStdString(); }
  CDlgMessages& MessagesPage() { return *dynamic_cast<CDlgMessages*>(sheet_->Window()->Page(kPageVoiceMessages)); }
  CDlgConversation& ConversationsPage() {
    return *dynamic_cast<CDlgConversation*>(sheet_->Window()->Page(kPageConversations));
  }

  CSampleSheetServices services_;
  AgreeingBoxes boxes_;
  int64_t now_ = 0;
  std::unique_ptr<CQtPropertySheet> sheet_;
};

TEST_F(RecordingTabsTest, TheTabsCountTheRecordingsAndFollowAdditionsHearingAndDeletions) {
  using qav::samples::AddSampleConversation;
  using qav::samples::AddSampleVoiceMessage;
  EXPECT_EQ(Tab(0), "Messages");
  EXPECT_EQ(Tab(1), "Conversations");

  // Recordings arrive; the call machine has the pages refreshed.
  AddSampleVoiceMessage(1, {u"ann", u"Ann"}, 10, true);
  const CMessage* fresh = AddSampleVoiceMessage(2, {u"bob", u"Bob"}, 10, false);
  AddSampleConversation(1700000000, 30, {{u"ann", u"Ann"}});
  AddSampleConversation(1700000060, 30, {{u"bob", u"Bob"}});
  ++now_;
  sheet_->PagesChanged(CSheetPages{kPageVoiceMessages | kPageConversations});
  EXPECT_EQ(Tab(0), "Messages (1/2)") << "new/total while some are new";
  EXPECT_EQ(Tab(1), "Conversations (2)");

  // The user hears the new one through the page's menu.
  ++now_;
  sheet_->ShowPage(kPageVoiceMessages);
  CDlgMessages& messages = MessagesPage();
  qav::test::SelectRows(messages.List(), {0, 1});
  messages.RunCommand(CDlgMessages::kCmdToggleHeard, fresh->GetId());
  Deliver();
  EXPECT_EQ(Tab(0), "Messages (2)") << "the total alone once all are heard";

  // Deleting through the pages brings the counts down.
  qav::test::SelectRows(messages.List(), {0});
  messages.DeleteSelected();
  Deliver();
  EXPECT_EQ(Tab(0), "Messages (1)");
  ++now_;
  sheet_->ShowPage(kPageConversations);
  CDlgConversation& conversations = ConversationsPage();
  qav::test::SelectRows(conversations.List(), {0, 1});
  conversations.DeleteSelected();
  // Their audio files were never written, so they stay listed and counted.
  Deliver();
  EXPECT_EQ(Tab(1), "Conversations (2)");
  for (CConversation* conversation : g_ConversationCollection.GetConversations()) {
    const std::u16string audio = g_ConversationCollection.GetConversationsFolder() + conversation->GetAudioFileName();
    std::ofstream(std::filesystem::path(audio)) << "audio";
  }
  qav::test::SelectRows(conversations.List(), {0});
  conversations.DeleteSelected();
  Deliver();
  EXPECT_EQ(Tab(1), "Conversations (1)");
  qav::test::SelectRows(conversations.List(), {0});
  conversations.DeleteSelected();
  Deliver();
  EXPECT_EQ(Tab(1), "Conversations") << "no count without conversations";

  // With the setting off the tabs carry no counts.
  g_ShowNumRecordingsInTab = 0;
  ++now_;
  sheet_->PagesChanged(CSheetPages{kPageVoiceMessages | kPageConversations});
  EXPECT_EQ(Tab(0), "Messages");
  EXPECT_EQ(Tab(1), "Conversations");
}

TEST_F(RecordingTabsTest, AScreenReaderReadsThePagesTheirListsAndTheirButtonsByName) {
  qav::samples::AddSampleVoiceMessage(1, {u"ann", u"Ann"}, 10, false);
  ++now_;
  sheet_->PagesChanged(CSheetPages{kPageVoiceMessages});
  ASSERT_EQ(Tab(0), "Messages (1/1)");
  using qav::test::AccessibleName;
  // The names carry no counts: a reader hears them as the page's and the list's names.
  EXPECT_EQ(AccessibleName(&MessagesPage()), QStringLiteral("Messages"));
  EXPECT_EQ(AccessibleName(MessagesPage().List()), QStringLiteral("Messages"));
  EXPECT_EQ(AccessibleName(&ConversationsPage()), QStringLiteral("Conversations"));
  EXPECT_EQ(AccessibleName(ConversationsPage().List()), QStringLiteral("Conversations"));
  EXPECT_EQ(AccessibleName(sheet_->Window()->Page(kPageAbout)), QStringLiteral("About"));
  // The toolbar's picture buttons by their tips; with captions they are framed push buttons.
  for (int screenReader : {0, 1}) {
    SCOPED_TRACE(screenReader);
    g_ScreenReaderFriendlyMode = screenReader;
    sheet_->Localize();
    sheet_->ShowPage(kPageVoiceMessages);
    QApplication::processEvents();
    CDlgMessages& page = MessagesPage();
    const std::pair<CButtonSSL*, QString> buttons[] = {{page.PlayButton(), "Play"},
                                                       {page.CallButton(), "Call Contact"},
                                                       {page.ChatButton(), "Start Chat..."},
                                                       {page.DeleteButton(), "Delete"},
                                                       {page.AnalysisButton(), "Play VSA"}};
    for (const auto& [button, name] : buttons) {
      EXPECT_EQ(AccessibleName(button), name);
      EXPECT_EQ(qav::test::DrawsFrame(*button), screenReader == 1) << name.toStdString();
    }
  }
  g_ScreenReaderFriendlyMode = 0;
}

}  // namespace
