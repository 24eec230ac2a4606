// The notices to the sibling audio application, received by its stand-in (sim-voxpost) in another
// process: byte for byte, under either class name, only when it runs, and everything at once when
// it asks.
#include <gtest/gtest.h>

#include "app/extr_app_notify.h"
#include "app/worker_threads.h"
#include "calls/conversation.h"
#include "calls/conversation_collection.h"
#include "calls/message.h"
#include "calls/message_collection.h"
#include "foundation/version.h"
#include "platform/text.h"
#include "platform/window.h"
#include "tests/app/voice_message_helpers.h"
#include "tests/support/call_model_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/pump.h"

namespace {

using qav::test::ChildProcess;

class SiblingNoticeTest : public qav::test::CallModelFixture {
 protected:
  void SetUp() override {
    CallModelFixture::SetUp();
    SignIn(u"me");
    g_CurrentUser.SetFullName(u"Mary Example");
    // QAV's main window, as the sibling finds it; its WM_COPYDATA goes to the workers, as the real
    // main window's does.
    ASSERT_TRUE(mainWindow_.Create(virtualLoop.loop(), "ZarvelinMainWnd", u"QAV", qav::WindowKind::kTopLevel,
                                   [this](qav::Msg& message) -> qav::LResult {
                                     if (message.message != qav::WM_COPYDATA) return qav::DefWindowProc(message);
                                     const auto* data = message.Get<qav::CopyDataPayload>();
                                     return data && workers_.OnCopyData(data->view().dwData, data->bytes());
                                   }));
    ASSERT_TRUE(workers_.StartNotifyThread());
  }

  void TearDown() override {
    EXPECT_TRUE(workers_.Stop(5000));
    mainWindow_.Destroy();
    CallModelFixture::TearDown();
  }

  std::unique_ptr<ChildProcess> StartSibling(bool pro) {
    std::vector<std::string> arguments = {"--record=" + records_.path()};
    if (pro) arguments.push_back("--pro");
    auto sibling = std::make_unique<ChildProcess>(QAV_SIM_VOXPOST, arguments);
    EXPECT_TRUE(sibling->WaitForLine("ready").has_value());
    return sibling;
  }

  // The next notice the sibling keeps, as the bytes it received; the GUI loop is served meanwhile.
  std::string NextNotice(ChildProcess& sibling) {
    const auto line = sibling.WaitForLine("notice ", [this] { virtualLoop.loop().ProcessDue(); },
                                          virtualLoop.loop().PollFd());
    return line ? qav::test::ReadFileBytes(line->substr(7)) : std::string("<no notice>");
  }

  CMessage* AddMessage(int32_t callId, std::u16string_view handle, std::u16string_view displayName, int32_t seconds) {
    return qav::test::AddVoiceMessageOf(AddCall(callId), handle, displayName, true, seconds);
  }

  static std::u16string Head() {
    return u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
           u"<QAVInformationNotify version=\"1.0\">\r\n"
           u"  <QAVVersion>" + CVersion::GetAppVersion() + u"</QAVVersion>\r\n"
           u"  <User>\r\n"
           u"    <SkypeName>me</SkypeName>\r\n"
           u"    <FullName>Mary Example</FullName>\r\n"
           u"    <DisplayName>Mary Example</DisplayName>\r\n"
           u"  </User>\r\n";
  }

  static std::u16string AudioFile(std::u16string_view type, const std::u16string& name, const std::u16string& folder,
                                  int64_t time, int32_t seconds, std::u16string_view handle,
                                  std::u16string_view displayName) {
    return u"  <AudioFile>\r\n"
           u"    <Type>" + std::u16string(type) + u"</Type>\r\n"
           u"    <FileName>" + name + u"</FileName>\r\n"
           u"    <Path>" + folder + u"</Path>\r\n"
           u"    <TimeOfCallUTC>" + qav::U16(std::to_string(time)) + u"</TimeOfCallUTC>\r\n"
           u"    <DurationSec>" + qav::U16(std::to_string(seconds)) + u"</DurationSec>\r\n"
           u"    <User>\r\n"
           u"      <SkypeName>" + std::u16string(handle) + u"</SkypeName>\r\n"
           u"      <DisplayName>" + std::u16string(displayName) + u"</DisplayName>\r\n"
           u"    </User>\r\n"
           u"  </AudioFile>\r\n";
  }

  static std::string Bytes(const std::u16string& text) { return qav::TextToUtf16LeBytes(text); }

  qav::test::TempDir records_;
  qav::test::ScopedEnv desktop_{"QAV_DESKTOP_DIR", temp_.path() + "/desktop"};
  CWorkerThreads workers_{virtualLoop.loop(), [this] { return mainWindow_.handle(); }, [](std::u16string) {}};
  qav::Window mainWindow_;
};

TEST_F(SiblingNoticeTest, TheSiblingReceivesTheNoticeOfAFinishedCallByteForByteUnderEitherClassName) {
  for (const bool pro : {false, true}) {
    SCOPED_TRACE(pro ? "Voxpost Desk Pro" : "Voxpost Desk");
    auto sibling = StartSibling(pro);
    CMessage* message = AddMessage(pro ? 8 : 7, u"zoe.m", u"Zo\u00eb <&>", 12);
    workers_.SendCallDoneNotice(message, nullptr);
    const std::u16string expected =
        Head() +
        AudioFile(u"VoiceMessage", message->GetFileName(), g_MessageCollection.GetMessagesFolder(),
                  message->GetCall()->GetStartTime(), 12, u"zoe.m", u"Zo\u00eb &lt;&amp;&gt;") +
        u"</QAVInformationNotify>\r\n";
    EXPECT_EQ(NextNotice(*sibling), Bytes(expected));
    sibling->WriteLine("quit");
    EXPECT_TRUE(sibling->WaitForExit().has_value());
  }
}

TEST_F(SiblingNoticeTest, RecordingsSentFromThePagesArriveInOneNotice) {
  auto sibling = StartSibling(false);
  CMessage* first = AddMessage(7, u"zoe.m", u"Zoe", 12);
  CMessage* second = AddMessage(9, u"ann", u"Ann", 3);
  workers_.SendRecordingsNotice({first, second}, {});
  const std::u16string expected =
      Head() +
      AudioFile(u"VoiceMessage", first->GetFileName(), g_MessageCollection.GetMessagesFolder(),
                first->GetCall()->GetStartTime(), 12, u"zoe.m", u"Zoe") +
      AudioFile(u"VoiceMessage", second->GetFileName(), g_MessageCollection.GetMessagesFolder(),
                second->GetCall()->GetStartTime(), 3, u"ann", u"Ann") +
      u"</QAVInformationNotify>\r\n";
  EXPECT_EQ(NextNotice(*sibling), Bytes(expected));
  sibling->WriteLine("quit");
  EXPECT_TRUE(sibling->WaitForExit().has_value());
}

TEST_F(SiblingNoticeTest, WithoutTheSiblingNoNoticeIsBuiltOrQueued) {
  CMessage* message = AddMessage(7, u"zoe.m", u"Zoe", 12);
  CExtrAppNotify notice;
  EXPECT_FALSE(notice.Begin());
  notice.AddVoiceMessage(*message);
  EXPECT_EQ(notice.GetXml(), u"");
  // Nothing to send: the thread gets no message (a queued one would fail only later).
  CNotifyExtrAppThread thread([] { return qav::Hwnd{0}; });
  ASSERT_TRUE(thread.Start());
  EXPECT_FALSE(notice.Send(thread));
  workers_.SendCallDoneNotice(message, nullptr);  // no sibling: nothing happens, nothing throws
  // The request for everything is refused without a sibling to answer.
  EXPECT_FALSE(workers_.OnCopyData(120, "x"));
}

TEST_F(SiblingNoticeTest, TheSiblingAsksForEverythingAndGetsTheKnownMessagesAndFinishedConversations) {
  auto sibling = StartSibling(false);
  CMessage* first = AddMessage(7, u"zoe.m", u"Zoe", 12);
  CMessage* recording = AddMessage(8, u"bob", u"Bob", -1);  // still recording: left out
  (void)recording;
  CMessage* second = AddMessage(9, u"ann", u"Ann", 3);
  // A conversation that ended, and one that still runs.
  CCall* talk = AddCall(20);
  talk->set(g_UserCollection.FindOrCreate(u"carl"));
  g_UserCollection.FindOrCreate(u"carl")->SetDisplayName(u"Carl");
  auto ended = std::make_unique<CConversation>();
  ended->Init(nullptr, u"wav");
  ended->AttachCall(talk);
  int out = 0, in = 0;
  CConversation* conversation = g_ConversationCollection.add(std::move(ended));
  ASSERT_EQ(conversation->Begin(talk, &out, &in), 1);
  ASSERT_EQ(conversation->End(talk), 1);
  ASSERT_EQ(conversation->GetState(), 3);
  auto running = std::make_unique<CConversation>();
  running->Init(nullptr, u"wav");
  g_ConversationCollection.add(std::move(running));

  // Refused requests: another dwData, or no data.
  EXPECT_FALSE(workers_.OnCopyData(121, "x"));
  EXPECT_FALSE(workers_.OnCopyData(120, ""));

  sibling->WriteLine("dump");
  const std::string notice = NextNotice(*sibling);
  const std::u16string expected =
      Head() +
      AudioFile(u"VoiceMessage", second->GetFileName(), g_MessageCollection.GetMessagesFolder(),
                second->GetCall()->GetStartTime(), 3, u"ann", u"Ann") +
      AudioFile(u"VoiceMessage", first->GetFileName(), g_MessageCollection.GetMessagesFolder(),
                first->GetCall()->GetStartTime(), 12, u"zoe.m", u"Zoe") +
      AudioFile(u"RecordedConversation", conversation->GetAudioFileName(),
                g_ConversationCollection.GetConversationsFolder(), conversation->GetStartTime(),
                conversation->GetDuration(), u"carl", u"Carl") +
      u"</QAVInformationNotify>\r\n";
  EXPECT_EQ(qav::Utf16LeBytesToText(notice.data(), notice.size()), expected);
  EXPECT_TRUE(sibling->WaitForLine("dump 1", [this] { virtualLoop.loop().ProcessDue(); },
                                   virtualLoop.loop().PollFd())
                  .has_value());
}

}  // namespace
