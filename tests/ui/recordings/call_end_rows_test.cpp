// A voice message's row on the messages page from the call's answer to its end: the real call
// machine on virtual time (the client's statuses brought as the dispatcher brings them, the audio
// thread a double that answers as told), the sheet as the program builds it, and what the call
// machine posts to the main window passed on to the sheet as the main window passes it.
#include <gtest/gtest.h>

#include <QTreeView>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "audio/wave_mem_file.h"
#include "calls/call_fsm_states.h"
#include "foundation/settings.h"
#include "tests/support/call_model_fixture.h"
#include "tests/ui/recordings/list_view_rows.h"
#include "ui/recordings/dlg_messages.h"
#include "ui/samples/sample_sheet_services.h"
#include "ui/sheet/dlg_prop_sheet.h"
#include "ui/sheet/qt_property_sheet.h"

namespace {

using qav::test::RecordingCallAudio;

class CallEndRowsTest : public qav::test::CallModelFixture {
 protected:
  void SetUp() override {
    CallModelFixture::SetUp();
    SignInWithACaller();
    machineHost.contactsGreeting = std::make_shared<CWaveMemFile>();
    sheet_ = std::make_unique<CQtPropertySheet>(services_);
    ASSERT_TRUE(sheet_->Create(u"QAV"));
    // The page rebuilds at most once a second, by this clock; it starts past the rebuilds the
    // sheet ran as it was built.
    now_ = static_cast<int64_t>(std::time(nullptr)) + 60;
    Page().SetClock([this] { return now_; });
    sheet_->ShowPage(kPageVoiceMessages);
  }
  void TearDown() override {
    sheet_.reset();
    CallModelFixture::TearDown();
  }

  void SignInWithACaller() {
    SignIn(u"me");
    g_UserCollection.FindOrCreate(u"caller1")->SetBuddyStatus(3);
    g_GreetingTextMsgAllowed = 0;
  }
  CDlgMessages& Page() { return *dynamic_cast<CDlgMessages*>(sheet_->Window()->Page(kPageVoiceMessages)); }

  // What the call machine posted reaches the sheet as the main window hands it on; a rebuild the
  // page deferred within its second runs when its timer would, in the next second.
  void Deliver() {
    for (const auto& post : mainWindow.Posts()) {
      if (post.message == UM_UPDATEDLG) sheet_->PagesChanged(CSheetPages{static_cast<uint32_t>(post.wParam)});
      if (post.message == UM_SELECTOPTIONPAGE) sheet_->ShowPage(static_cast<uint32_t>(post.wParam));
    }
    mainWindow.Clear();
    if (Page().RefreshPending()) {
      ++now_;
      Page().OnRefreshTimer();
    }
  }
  // The client's status for the call, then the machine's own events, then the posts delivered.
  void Bring(CCall& call, int32_t status) {
    call.set(CCall::Status{status});
    virtualLoop.RunUntilIdle();
    Deliver();
  }
  // What the only row's duration column reads.
  std::string Duration() {
    const QTreeView* list = Page().List();
    if (qav::test::RowCount(list) != 1) return std::to_string(qav::test::RowCount(list)) + " rows";
    return qav::test::RowText(list, 0, CDlgMessages::kDurationColumn).toStdString();
  }

  CSampleSheetServices services_;
  int64_t now_ = 0;
  std::unique_ptr<CQtPropertySheet> sheet_;
};

TEST_F(CallEndRowsTest, TheRowShowsWhatIsKeptAsSoonAsTheMessageEnds) {
  struct Case {
    const char* name;
    std::function<void(RecordingCallAudio&)> setup;
    std::string shown;
  };
  const Case cases[] = {
      {"the caller hangs up at the answer: nothing recorded, no file", [](RecordingCallAudio& audio) {
         audio.messageSeconds = 0;
       },
       "  ------ "},
      {"as above, with the page not brought up by the end", [](RecordingCallAudio& audio) {
         audio.messageSeconds = 0;
         g_RestoreWin = 0;
       },
       "  ------ "},
      {"the audio thread could not finish a file that holds nothing", [](RecordingCallAudio& audio) {
         audio.stopResult = 0;
         audio.recordedBytes.clear();
       },
       "  ------ "},
      {"a message of 12 s", [](RecordingCallAudio& audio) { audio.messageSeconds = 12; },
       "12 sec"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearModel();
    SignInWithACaller();
    g_RestoreWin = 1;
    audio.Reset();
    c.setup(audio);
    // The list emptied, as the program's sign-in leaves it.
    ++now_;
    sheet_->PagesChanged(CSheetPages{kPageVoiceMessages});
    ASSERT_EQ(qav::test::RowCount(Page().List()), 0);

    ++now_;
    CCall* call = AddCall(7);
    call->set(CCall::Status{SkypeCallStatus::RINGING});
    call->set(CCall::Type{SkypeCallType::INCOMING_P2P});
    call->set(g_UserCollection.FindOrCreate(u"caller1"));
    virtualLoop.RunUntilIdle();
    virtualLoop.AdvanceMs(15010);  // the answer delay while the user is online
    virtualLoop.RunUntilIdle();
    Bring(*call, SkypeCallStatus::INPROGRESS);
    ASSERT_EQ(call->GetState(), ST_MESSAGE_RECORDING);
    EXPECT_EQ(Duration(), "Recording...");

    // The caller hangs up within the same second.
    Bring(*call, SkypeCallStatus::FINISHED);
    EXPECT_EQ(call->GetState(), ST_CALL_DONE);
    EXPECT_EQ(Duration(), c.shown);
  }
}

}  // namespace
