// Calls that the machine answers and records, on the virtual clock: each scenario brings the
// calls what the client and the user would, and is checked against the commands queued (made by
// the real command builders), the requests to the audio thread (a double that behaves as the
// thread does), what was posted to the main window, and the calls' final states.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "audio/wave_mem_file.h"
#include "calls/call.h"
#include "calls/call_collection.h"
#include "calls/call_fsm_states.h"
#include "calls/conversation.h"
#include "calls/conversation_collection.h"
#include "calls/conversation_data_file.h"
#include "calls/message.h"
#include "calls/message_collection.h"
#include "calls/recording_file_names.h"
#include "calls/recording_files.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "skype/link/skype_client_info.h"
#include "skype/link/user_collection.h"
#include "tests/support/call_model_fixture.h"

namespace {

using qav::test::CallModelFixture;
using qav::test::RecordingCallAudio;
using Posted = qav::test::RecordingMainWindow::Posted;
using Texts = std::vector<std::u16string>;
using Requests = std::vector<std::string>;

}  // namespace

namespace qav::test {
// Posts in failure messages as the names of the main window's messages.
void PrintTo(const RecordingMainWindow::Posted& p, std::ostream* os) {
  const char* name = p.message == UM_UPDATEDLG         ? "UPDATEDLG"
                     : p.message == UM_SELECTOPTIONPAGE ? "SELECTOPTIONPAGE"
                     : p.message == UM_EMAILVOICEMSG    ? "EMAILVOICEMSG"
                     : p.message == UM_BALLOONTIP       ? "BALLOONTIP"
                                                        : "other";
  *os << name << "(0x" << std::hex << p.message << ", 0x" << p.wParam << std::dec << ", " << p.lParam << ")";
}
}  // namespace qav::test

namespace {

// ---- What the client and the user bring ----

struct Step {
  enum Kind { kRing, kDial, kStatus, kAdvance, kTakeOver, kRecord, kForce, kTogether } kind;
  int32_t call = 0;
  int64_t value = 0;
  std::u16string handle;  // kRing: the caller; empty while the client has not named one
  std::vector<Step> together;  // kTogether: steps that arrive before the machine's own events run
};

Step MakeStep(Step::Kind kind, int32_t call = 0, int64_t value = 0) {
  Step step{kind, call, value, {}, {}};
  return step;
}
Step Ring(int32_t call, std::u16string handle = u"caller1") {
  Step step = MakeStep(Step::kRing, call);
  step.handle = std::move(handle);
  return step;
}
// The user calls out; the client routes the call and names its partner.
Step Dial(int32_t call, std::u16string handle = u"caller1") {
  Step step = MakeStep(Step::kDial, call);
  step.handle = std::move(handle);
  return step;
}
Step Status(int32_t call, int32_t status) { return MakeStep(Step::kStatus, call, status); }
Step Advance(int64_t ms) { return MakeStep(Step::kAdvance, 0, ms); }
Step TakeOver(int32_t call) { return MakeStep(Step::kTakeOver, call); }
Step Record(int32_t call, bool start) { return MakeStep(Step::kRecord, call, start ? 1 : 0); }
Step Force(int32_t call) { return MakeStep(Step::kForce, call); }
Step Together(std::vector<Step> steps) {
  Step step = MakeStep(Step::kTogether);
  step.together = std::move(steps);
  return step;
}

constexpr int32_t kInprogress = SkypeCallStatus::INPROGRESS;
constexpr int32_t kFinished = SkypeCallStatus::FINISHED;
// The answer timer with the default online delay of 15 s.
const Step kAnswerDelay = Advance(15010);

// ---- What is expected ----

std::u16string N(int32_t call) { return qav::Format(u"ALTER CALL %d ", call); }
Texts Answer(int32_t call) { return {N(call) + u"ANSWER"}; }
Texts NoVideo(int32_t call) { return {N(call) + u"STOP_VIDEO_SEND"}; }
Texts Video(int32_t call) { return {N(call) + u"START_VIDEO_SEND"}; }
Texts WebcamIn() { return {u"SET VIDEO_IN Vidralux Capture"}; }
Texts OwnVideoIn() { return {u"SET VIDEO_IN "}; }
Texts Hangup(int32_t call) { return {N(call) + u"HANGUP"}; }
Texts ToPorts(int32_t call) {
  return {N(call) + u"SET_OUTPUT PORT=\"40001\"", N(call) + u"SET_INPUT PORT=\"40002\""};
}
Texts ToCard(int32_t call) {
  return {N(call) + u"SET_OUTPUT SOUNDCARD=\"default\"", N(call) + u"SET_INPUT SOUNDCARD=\"default\""};
}
Texts ToCardAndPorts(int32_t call) {
  return {N(call) + u"SET_OUTPUT SOUNDCARD=\"default\", PORT=\"40001\"",
          N(call) + u"SET_INPUT SOUNDCARD=\"default\", PORT=\"40002\""};
}
Texts Chat(std::u16string_view handle, std::u16string_view text) {
  return {u"MESSAGE " + std::u16string(handle) + u" " + std::u16string(text)};
}
// The answered road up to the recording: answer, no video from the client, ports, text greeting.
Texts Answered(int32_t call, std::u16string_view handle = u"caller1") {
  Texts t = Answer(call);
  for (const Texts& more : {NoVideo(call), ToPorts(call), Chat(handle, u"Hello from QAV")}) {
    t.insert(t.end(), more.begin(), more.end());
  }
  return t;
}
template <typename T>
std::vector<T> Cat(std::initializer_list<std::vector<T>> parts) {
  std::vector<T> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

const Posted kMessagesRefresh{UM_UPDATEDLG, kPageVoiceMessages, 0};
const Posted kMessagesShown{UM_SELECTOPTIONPAGE, kPageVoiceMessages, 0};
const Posted kConversationsRefresh{UM_UPDATEDLG, kPageConversations, 0};
const Posted kConversationsShown{UM_SELECTOPTIONPAGE, kPageConversations, 0};
const Posted kMailed{UM_EMAILVOICEMSG, 1, 0};  // wParam: the message (any non-zero value here)
// A message recorded to its end: listed, renamed with its length, the page shown.
const std::vector<Posted> kMessageKept = {kMessagesRefresh, kMessagesRefresh, kMessagesShown};

const std::string kStart = "MsgStart lastvoicemsg.mp3 monitored";

struct Scenario {
  const char* name;
  std::function<void(RecordingCallAudio&)> setup;
  std::vector<Step> steps;
  Texts commands;       // ALTER CALL, MESSAGE and SET commands; the questions about calls are left out
  Requests audio;       // what the audio thread was asked
  std::vector<Posted> posts;
  std::map<int32_t, int32_t> states;
  std::function<void()> check = [] {};
};

class CallFsmRecordingTest : public CallModelFixture {
 protected:
  void SetUp() override {
    CallModelFixture::SetUp();
    qav::SetCurrentClock(&virtualLoop.clock());
  }
  void TearDown() override {
    qav::SetCurrentClock(nullptr);
    CallModelFixture::TearDown();
  }

  // The signed-in user, online, with a contact, a caller who is no contact and a telephone
  // number; short texts in every option that sends one; MP3 recordings; a client that sends video.
  void Prepare(const std::function<void(RecordingCallAudio&)>& setup) {
    ClearModel();
    SetDefaultOptions();
    audio.Reset();
    conversationFiles_.clear();
    std::filesystem::remove_all(temp_.path() + "/QAV/My Received Voice Messages");
    std::filesystem::remove_all(temp_.path() + "/QAV/My Recorded Conversations");
    SignIn(u"me");
    SetInstalledSkypeVersion(0x03080000);
    g_UserCollection.FindOrCreate(u"caller1")->SetBuddyStatus(3);
    g_UserCollection.FindOrCreate(u"caller2")->SetBuddyStatus(3);
    g_UserCollection.FindOrCreate(u"stranger")->SetBuddyStatus(1);
    g_UserCollection.FindOrCreate(u"+4930123");
    g_AudioFileRecordingFormat = 1;
    g_GreetingTextMsg = u"Hello from QAV";
    g_GreetingTextMsgForNonAuth = u"Hello, stranger";
    g_RecConvTextNotificationTextMsgStart = u"Recording starts";
    g_RecConvTextNotificationTextMsgStop = u"Recording stops";
    g_RejectCallWaitingQAVTextMsg = u"Answering another call";
    g_RejectCallWaitingUserTextMsg = u"Busy, call later";
    machineHost.contactsGreeting = std::make_shared<CWaveMemFile>();
    machineHost.otherCallersGreeting = std::make_shared<CWaveMemFile>();
    setup(audio);
    transport.Clear();
    mainWindow.Clear();
    machineHost.errors.clear();
    machineHost.notices.clear();
  }

  void Run(const Step& step) {
    Bring(step);
    virtualLoop.RunUntilIdle();
  }
  void Bring(const Step& step) {
    CCall* call = g_CallCollection.Get(step.call);
    switch (step.kind) {
      case Step::kRing:
        call = AddCall(step.call);
        call->set(CCall::Status{SkypeCallStatus::RINGING});
        call->set(CCall::Type{SkypeCallType::INCOMING_P2P});
        if (!step.handle.empty()) call->set(g_UserCollection.FindOrCreate(step.handle));
        break;
      case Step::kDial:
        call = AddCall(step.call);
        call->set(CCall::Status{SkypeCallStatus::ROUTING});
        call->set(CCall::Type{SkypeCallType::OUTGOING_P2P});
        call->set(g_UserCollection.FindOrCreate(step.handle));
        break;
      case Step::kTogether:
        for (const Step& inner : step.together) Bring(inner);
        break;
      case Step::kStatus: call->set(CCall::Status{static_cast<int32_t>(step.value)}); break;
      case Step::kAdvance: virtualLoop.AdvanceMs(step.value); break;
      case Step::kTakeOver: call->UserTakeControl(); break;
      case Step::kRecord: call->UserRecordConversation(step.value != 0); break;
      case Step::kForce: call->UserForceAnswering(); break;
    }
  }

  // The requests, with each conversation's file name (which holds the time it started) shown as
  // "conversation.<extension>"; the names themselves are kept in conversationFiles_.
  Requests AudioRequests() {
    Requests requests = audio.TakeRequests();
    for (std::string& request : requests) {
      if (!request.starts_with("ConvStart ")) continue;
      const std::string name = request.substr(10);
      const auto parsed = ParseConversationFileName(qav::U16(name));
      if (!parsed) continue;
      conversationFiles_.insert(name);
      request = "ConvStart conversation." + qav::U8(parsed->extension);
    }
    return requests;
  }

  Texts Commands() {
    Texts kept;
    for (std::u16string& text : transport.TakeSent()) {
      if (!text.starts_with(u"GET ")) kept.push_back(std::move(text));
    }
    return kept;
  }
  std::vector<Posted> Posts() {
    std::vector<Posted> posts = mainWindow.Posts();
    for (Posted& post : posts) {
      if (post.message == UM_EMAILVOICEMSG && post.wParam != 0) post.wParam = 1;
    }
    return posts;
  }

  // The one file in the user's voice-message folder ("" for none).
  static std::string OnlyMessageFile() {
    const std::vector<std::u16string> files = qav::ListRecordingFiles(g_MessageCollection.GetMessagesFolder());
    return files.size() == 1 ? qav::U8(files[0]) : "";
  }
  template <size_t n>
  void RunTable(const Scenario (&scenarios)[n]) {
    for (const Scenario& s : scenarios) {
      SCOPED_TRACE(s.name);
      Prepare(s.setup);
      for (const Step& step : s.steps) Run(step);
      EXPECT_EQ(Commands(), s.commands);
      EXPECT_EQ(AudioRequests(), s.audio);
      EXPECT_EQ(Posts(), s.posts);
      bool allDone = true;
      for (const auto& [id, state] : s.states) {
        EXPECT_EQ(g_CallCollection.Get(id)->GetState(), state)
            << id << ": " << qav::U8(GetCallStateName(g_CallCollection.Get(id)->GetState()));
        allDone = allDone && state == ST_CALL_DONE;
      }
      s.check();
      EXPECT_TRUE(machineHost.errors.empty());
      // Calls that are done leave nothing behind in the engine.
      if (allDone) {
        EXPECT_EQ(engine().GetPendingCount(), 0u);
      }
    }
  }

  std::set<std::string> conversationFiles_;

  static CMessage* MessageOf(int32_t call) { return g_CallCollection.Get(call)->GetMessage(); }
  static CConversation* ConversationOf(int32_t call) { return g_CallCollection.Get(call)->GetConversation(); }
};

// The client does not confirm the answer (no INPROGRESS: the link gave it up unanswered). After
// 20 s of ringing on, the answer is sent once more; 20 s after that the call is left to ring, and
// the line is free for the next caller.
TEST_F(CallFsmRecordingTest, AnAnswerTheClientDoesNotConfirmIsSentAgainThenTheCallIsLeftToRing) {
  const auto defaults = [](RecordingCallAudio&) {};
  const Scenario scenarios[] = {
      {"answered again after 20 s, and recorded", defaults,
       {Ring(7), kAnswerDelay, Advance(19999), Advance(1), Status(7, kInprogress), Status(7, kFinished)},
       Cat<std::u16string>({Answer(7), Answered(7), ToCard(7)}),
       {kStart, "MsgStop"},
       kMessageKept,
       {{7, ST_CALL_DONE}}},
      {"left to ring after its second answer, and the next caller is answered", defaults,
       {Ring(7), kAnswerDelay, Advance(40000), Ring(9, u"caller2"), kAnswerDelay, Status(9, kInprogress),
        Status(9, kFinished)},
       Cat<std::u16string>({Answer(7), Answer(7), Answered(9, u"caller2"), ToCard(9)}),
       {kStart, "MsgStop"},
       kMessageKept,
       {{7, ST_CALL_RINGING}, {9, ST_CALL_DONE}}},
  };
  RunTable(scenarios);
}

TEST_F(CallFsmRecordingTest, CallsAreAnsweredAndRecorded) {
  const auto defaults = [](RecordingCallAudio&) {};
  const Scenario scenarios[] = {
      {"answered after the online delay and recorded until the caller hangs up", defaults,
       {Ring(7), Advance(15009), kAnswerDelay, Status(7, kInprogress), Status(7, kFinished)},
       Cat<std::u16string>({Answered(7), ToCard(7)}),
       {kStart, "MsgStop"},
       kMessageKept,
       {{7, ST_CALL_DONE}},
       [&] {
         EXPECT_EQ(audio.lastGreeting, machineHost.contactsGreeting);
         EXPECT_EQ(qav::U16(OnlyMessageFile()),
                   BuildVoiceMessageFileName(u"caller1", g_CallCollection.Get(7)->GetStartTime(), 7, false, u"mp3"));
         EXPECT_EQ(MessageOf(7)->GetDuration(), 7);
         EXPECT_TRUE(g_bTrayNewMessageFlag);
       }},
      {"answered after the away delay, the caller not monitored", [](RecordingCallAudio&) {
         g_CurrentUser.SetUserStatus(SkypeOnlineStatus::AWAY);
       },
       {Ring(7), Advance(2010), Status(7, kInprogress), Status(7, kFinished)},
       Cat<std::u16string>({Answered(7), ToCard(7)}),
       {"MsgStart lastvoicemsg.mp3", "MsgStop"},
       kMessageKept,
       {{7, ST_CALL_DONE}}},
      {"not answered while answering is off", [](RecordingCallAudio&) { g_AnswerAllowed = 0; },
       {Ring(7), Advance(60000)}, {}, {}, {}, {{7, ST_WAIT_ANSWERING_TIMER_EXPIRE}}},
      {"not answered for a caller who is no contact when those are refused", [](RecordingCallAudio&) {
         g_UseNonAuthorizedCallerSettings = 1;
         g_DisableAnswerOfNonAuthCaller = 1;
       },
       {Ring(7, u"stranger"), Advance(60000)}, {}, {}, {}, {{7, ST_WAIT_ANSWERING_TIMER_EXPIRE}}},
      {"the caller hangs up in the greeting: no file, and the next call is answered",
       [](RecordingCallAudio& audio) { audio.messageSeconds = 0; },
       {Ring(7), kAnswerDelay, Status(7, kInprogress), Status(7, kFinished), Ring(9), kAnswerDelay,
        Status(9, kInprogress)},
       Cat<std::u16string>({Answered(7), ToCard(7), Answered(9)}),
       {kStart, "MsgStop", kStart},
       // Listed; its row shows it without a file; the page shown; the next call's message listed.
       {kMessagesRefresh, kMessagesRefresh, kMessagesShown, kMessagesRefresh},
       {{7, ST_CALL_DONE}, {9, ST_MESSAGE_RECORDING}},
       [] {
         EXPECT_EQ(MessageOf(7)->GetDuration(), 0);
         EXPECT_EQ(OnlyMessageFile(), "lastvoicemsg.mp3");  // call 9's, being recorded
       }},
      {"the maximum length hangs up, and the file has the recorded length",
       [](RecordingCallAudio& audio) {
         g_MaxRecordingDurationSec = 30;
         audio.messageSeconds = 30;
       },
       {Ring(7), kAnswerDelay, Status(7, kInprogress), Advance(29999), Advance(1), Status(7, kFinished)},
       Cat<std::u16string>({Answered(7), ToCard(7), Hangup(7)}),
       {kStart, "MsgStop"},
       kMessageKept,
       {{7, ST_CALL_DONE}},
       [] { EXPECT_NE(OnlyMessageFile().find(".30.n.mp3"), std::string::npos) << OnlyMessageFile(); }},
      {"a caller who is no contact gets the other greeting, text and length",
       [](RecordingCallAudio&) {
         g_UseNonAuthorizedCallerSettings = 1;
         g_DisableAnswerOfNonAuthCaller = 0;
         g_GreetingTextMsgAllowedForNonAuth = 1;
         g_MaxRecordingDurationForNonAuthSec = 5;
       },
       {Ring(7, u"stranger"), kAnswerDelay, Status(7, kInprogress), Advance(5000)},
       Cat<std::u16string>({Answer(7), NoVideo(7), ToPorts(7), Chat(u"stranger", u"Hello, stranger"), ToCard(7),
                            Hangup(7)}),
       {kStart, "MsgStop"},
       kMessageKept,
       {{7, ST_CALL_DONE}},
       [&] { EXPECT_EQ(audio.lastGreeting, machineHost.otherCallersGreeting); }},
      {"a telephone number gets the spoken greeting but no text, and no time limit",
       [](RecordingCallAudio&) { g_MaxRecordingDurationSec = 0; },
       {Ring(7, u"+4930123"), kAnswerDelay, Status(7, kInprogress), Advance(3600000), Status(7, kFinished)},
       Cat<std::u16string>({Answer(7), NoVideo(7), ToPorts(7), ToCard(7)}),
       {kStart, "MsgStop"},
       kMessageKept,
       {{7, ST_CALL_DONE}}},
      {"with the webcam application, the video greeting plays while the message is recorded",
       [](RecordingCallAudio& audio) {
         audio.videoDriver = true;
         g_GreetingVideoAllowed = 1;
         g_GreetingVideoMsgPath = u"/videos/greeting.avi";
       },
       {Ring(7), kAnswerDelay, Status(7, kInprogress), Status(7, kFinished)},
       Cat<std::u16string>({Answer(7), WebcamIn(), Video(7), ToPorts(7), Chat(u"caller1", u"Hello from QAV"),
                            ToCard(7), OwnVideoIn()}),
       {kStart, "VideoStart greeting.avi", "VideoStop", "MsgStop"},
       kMessageKept,
       {{7, ST_CALL_DONE}}},
      {"mailed and then deleted: the page is not shown", [](RecordingCallAudio&) {
         g_EMailNotificationAllowed = 1;
         g_EMailAttachmentAllowed = 1;
         g_AutoDelMsgAfterEMailAllowed = 1;
       },
       {Ring(7), kAnswerDelay, Status(7, kInprogress), Status(7, kFinished)},
       Cat<std::u16string>({Answered(7), ToCard(7)}),
       {kStart, "MsgStop"},
       {kMessagesRefresh, kMessagesRefresh, kMailed},
       {{7, ST_CALL_DONE}}},
      {"the user takes over and keeps the message", defaults,
       {Ring(7), kAnswerDelay, Status(7, kInprogress), TakeOver(7), Status(7, kFinished)},
       Cat<std::u16string>({Answered(7), ToCard(7)}),
       {kStart, "Beep", "Wait 1300", "MsgStop"},
       kMessageKept,
       {{7, ST_CALL_DONE}},
       [] { EXPECT_EQ(MessageOf(7)->GetDuration(), 7); }},
      {"the user takes over and drops the message, then it is recorded as a conversation",
       [](RecordingCallAudio&) {
         g_TakeControlUserOption = 0;
         g_ConversationAutoRecordMode = 1;
         g_RecConvAudioNotificationAllowed = 0;
         g_RecConvTextNotificationStartAllowed = 0;
       },
       {Ring(7), kAnswerDelay, Status(7, kInprogress), TakeOver(7)},
       Cat<std::u16string>({Answered(7), ToCard(7), ToCardAndPorts(7)}),
       {kStart, "Beep", "Wait 1300", "MsgStop", "ConvStart conversation.mp3"},
       {kMessagesRefresh, kMessagesRefresh, kMessagesRefresh, kMessagesRefresh, kConversationsRefresh,
        kConversationsRefresh},
       {{7, ST_CONV_RECORDING}},
       [] {
         EXPECT_EQ(MessageOf(7), nullptr);
         EXPECT_EQ(OnlyMessageFile(), "");
         EXPECT_EQ(g_MessageCollection.GetCount(), 0u);
       }},
      {"forced answering answers at once", [](RecordingCallAudio&) { g_AnswerAllowed = 0; },
       {Ring(7), Force(7), Status(7, kInprogress)},
       Answered(7),
       {kStart},
       {kMessagesRefresh},
       {{7, ST_MESSAGE_RECORDING}}},
      {"the audio thread refuses: the message is dropped, the sound given back and the call hung up",
       [](RecordingCallAudio& audio) { audio.msgStartResult = 0; },
       {Ring(7), kAnswerDelay, Status(7, kInprogress), Status(7, kFinished)},
       Cat<std::u16string>({Answer(7), NoVideo(7), ToCard(7), Hangup(7)}),
       {kStart},
       {kMessagesRefresh, kMessagesRefresh, kMessagesRefresh},
       {{7, ST_CALL_DONE}},
       [] {
         EXPECT_EQ(MessageOf(7), nullptr);
         EXPECT_EQ(g_MessageCollection.GetCount(), 0u);
         EXPECT_FALSE(g_CallCollection.Get(7)->HoldsRecording());
       }},
  };
  RunTable(scenarios);
}


// Conversation recording without the partner told (the beep and the texts have scenarios of their
// own below).
void Quietly() {
  g_RecConvAudioNotificationAllowed = 0;
  g_RecConvTextNotificationStartAllowed = 0;
  g_RecConvTextNotificationStopAllowed = 0;
}

// A conversation begun: listed, and the recording taken. Ended: the side file written, the page
// shown.
const std::vector<Posted> kConversationBegun = {kConversationsRefresh, kConversationsRefresh};
const std::vector<Posted> kConversationEnded = {kConversationsRefresh, kConversationsShown};

TEST_F(CallFsmRecordingTest, ConversationsAreRecordedAndWaitingCallsRejected) {
  const Scenario scenarios[] = {
      {"recorded automatically once the user picks up, with a beep and a text",
       [](RecordingCallAudio&) { g_ConversationAutoRecordMode = 1; },
       {Ring(7), Advance(5000), Status(7, kInprogress), Advance(1500), Status(7, kFinished)},
       Cat<std::u16string>({ToCardAndPorts(7), Chat(u"caller1", u"Recording starts"), ToCard(7)}),
       {"ConvStart conversation.mp3", "Beep", "ConvStop"},
       Cat<Posted>({kConversationBegun, kConversationEnded}),
       {{7, ST_CALL_DONE}},
       [] {
         const CConversation* conversation = ConversationOf(7);
         ASSERT_NE(conversation, nullptr);
         EXPECT_EQ(conversation->GetState(), CConversation::kEnded);
         EXPECT_EQ(conversation->GetDuration(), 30);
         EXPECT_EQ(qav::test::ReadFileBytes(qav::U8(g_ConversationCollection.GetConversationsFolder() +
                                                    conversation->GetDataFileName())),
                   BuildConversationData(30, {u"caller1"}));
       }},
      {"not recorded while automatic recording is off", [](RecordingCallAudio&) {},
       {Ring(7), Advance(5000), Status(7, kInprogress), Status(7, kFinished)}, {}, {}, {}, {{7, ST_CALL_DONE}}},
      {"recorded on request, stopped by the user with a beep and a text, started again in the same file",
       [](RecordingCallAudio&) {},
       {Ring(7), Status(7, kInprogress), Record(7, true), Advance(2000), Record(7, false), Record(7, true),
        Advance(2000), Status(7, kFinished)},
       Cat<std::u16string>({ToCardAndPorts(7), Chat(u"caller1", u"Recording starts"),
                            Chat(u"caller1", u"Recording stops"), ToCard(7), ToCardAndPorts(7),
                            Chat(u"caller1", u"Recording starts"), ToCard(7)}),
       {"ConvStart conversation.mp3", "Beep", "Beep", "Wait 1300", "ConvStop", "ConvStart conversation.mp3", "Beep",
        "ConvStop"},
       Cat<Posted>({kConversationBegun, {kConversationsShown, kConversationsRefresh}, kConversationEnded}),
       {{7, ST_CALL_DONE}},
       [&] { EXPECT_EQ(conversationFiles_.size(), 1u); }},
      {"hold and resume go on in the same file", [](RecordingCallAudio&) { Quietly(); },
       {Ring(7), Status(7, kInprogress), Record(7, true), Status(7, SkypeCallStatus::LOCALHOLD),
        Status(7, kInprogress), Status(7, kFinished)},
       Cat<std::u16string>({ToCardAndPorts(7), ToCard(7), ToCardAndPorts(7), ToCard(7)}),
       {"ConvStart conversation.mp3", "ConvStop", "ConvStart conversation.mp3", "ConvStop"},
       Cat<Posted>({kConversationBegun, {kConversationsShown, kConversationsRefresh}, kConversationEnded}),
       {{7, ST_CALL_DONE}},
       [&] {
         EXPECT_EQ(conversationFiles_.size(), 1u);
         EXPECT_EQ(g_ConversationCollection.GetCount(), 1u);
       }},
      {"the partner hangs up while held: the conversation ends with its files, the call is done",
       [](RecordingCallAudio&) { Quietly(); },
       {Ring(7), Status(7, kInprogress), Record(7, true), Status(7, SkypeCallStatus::REMOTEHOLD),
        Status(7, kFinished)},
       // The sound went back to the sound card at the hold; the end has nothing more to give back.
       Cat<std::u16string>({ToCardAndPorts(7), ToCard(7)}),
       {"ConvStart conversation.mp3", "ConvStop"},
       Cat<Posted>({kConversationBegun, {kConversationsShown}, kConversationEnded}),
       {{7, ST_CALL_DONE}},
       [&] {
         const CConversation* conversation = ConversationOf(7);
         ASSERT_NE(conversation, nullptr);
         EXPECT_FALSE(audio.busy());
         EXPECT_EQ(conversation->GetState(), CConversation::kEnded);
         EXPECT_EQ(conversation->GetDurationText(), u"30 sec");
         const std::u16string folder = g_ConversationCollection.GetConversationsFolder();
         EXPECT_TRUE(std::filesystem::exists(qav::U8(folder + conversation->GetAudioFileName())));
         EXPECT_EQ(qav::test::ReadFileBytes(qav::U8(folder + conversation->GetDataFileName())),
                   BuildConversationData(30, {u"caller1"}));
       }},
      {"recorded on the user's request before the called partner picks up",
       [](RecordingCallAudio&) { Quietly(); },
       {Dial(7), Record(7, true), Status(7, SkypeCallStatus::RINGING), Status(7, kInprogress), Status(7, kFinished)},
       // The answer is sent as for an incoming call; the client has nothing to answer on a call out.
       Cat<std::u16string>({Answer(7), ToCardAndPorts(7), ToCard(7)}),
       {"ConvStart conversation.mp3", "ConvStop"},
       Cat<Posted>({kConversationBegun, kConversationEnded}),
       {{7, ST_CALL_DONE}},
       [] {
         ASSERT_NE(ConversationOf(7), nullptr);
         EXPECT_EQ(ConversationOf(7)->GetState(), CConversation::kEnded);
       }},
      {"a call that joins records into the same conversation, which ends with the last call",
       [](RecordingCallAudio&) { Quietly(); },
       {Ring(3), Status(3, kInprogress), Record(3, true), Ring(5, u"caller2"), Status(5, kInprogress),
        Status(3, kFinished), Status(3, kFinished), Status(5, kFinished)},
       Cat<std::u16string>({ToCardAndPorts(3), ToCard(5), ToCard(3), ToCard(5)}),
       {"ConvStart conversation.mp3", "ConvStop"},
       Cat<Posted>({kConversationBegun, {kConversationsRefresh}, kConversationEnded, kConversationEnded}),
       {{3, ST_CALL_DONE}, {5, ST_CALL_DONE}},
       [] {
         CConversation* conversation = ConversationOf(3);
         ASSERT_EQ(ConversationOf(5), conversation);
         EXPECT_EQ(conversation->GetState(), CConversation::kEnded);
         EXPECT_EQ(qav::test::ReadFileBytes(qav::U8(g_ConversationCollection.GetConversationsFolder() +
                                                    conversation->GetDataFileName())),
                   BuildConversationData(30, {u"caller1", u"caller2"}));
       }},
      {"the audio thread refuses: the conversation is dropped, the sound given back and the call hung up",
       [](RecordingCallAudio& audio) { audio.convStartResult = 0; },
       {Ring(7), Status(7, kInprogress), Record(7, true)},
       Cat<std::u16string>({ToCard(7), Hangup(7)}),
       {"ConvStart conversation.mp3"},
       {kConversationsRefresh, kConversationsRefresh, kConversationsRefresh},
       {{7, ST_CALL_INPROGRESS}},
       [] {
         EXPECT_EQ(ConversationOf(7), nullptr);
         EXPECT_EQ(g_ConversationCollection.GetCount(), 0u);
       }},
      {"a waiting call is rejected with a text while the user talks",
       [](RecordingCallAudio&) { g_RejectCallWaitingUserEnabled = 1; },
       {Ring(3), Status(3, kInprogress), Ring(7, u"caller2"), Status(7, SkypeCallStatus::REFUSED), Advance(200)},
       Cat<std::u16string>({Hangup(7), Chat(u"caller2", u"Busy, call later")}),
       {}, {},
       {{3, ST_CALL_INPROGRESS}, {7, ST_CALL_DONE}},
       [] { EXPECT_FALSE(g_CallCollection.Get(7)->HoldsRecording()); }},
      {"a waiting call is rejected with the other text while the program answers",
       [](RecordingCallAudio&) { g_RejectCallWaitingQAVEnabled = 1; },
       {Ring(3), kAnswerDelay, Status(3, kInprogress), Ring(7, u"caller2"), Advance(200)},
       Cat<std::u16string>({Answered(3), Hangup(7), Chat(u"caller2", u"Answering another call")}),
       {kStart}, {kMessagesRefresh},
       {{3, ST_MESSAGE_RECORDING}, {7, ST_CALL_DONE}}},
      {"a waiting telephone number is rejected without a text",
       [](RecordingCallAudio&) { g_RejectCallWaitingUserEnabled = 1; },
       {Ring(3), Status(3, kInprogress), Ring(7, u"+4930123"), Advance(200)},
       Hangup(7), {}, {},
       {{7, ST_CALL_DONE}}},
      {"a rejected caller who is never named is given up after 5 s, without a text",
       [](RecordingCallAudio&) { g_RejectCallWaitingUserEnabled = 1; },
       {Ring(3), Status(3, kInprogress), Ring(7, u""), Advance(4999)},
       Hangup(7), {}, {},
       {{7, ST_REJECT_CALL_WAITING}},
       [&] {
         EXPECT_TRUE(g_CallCollection.Get(7)->HoldsRecording());
         Run(Advance(1));
         EXPECT_TRUE(log.Has(LOG_WARNING,
                             u"[CallId: 7] Caller of the rejected waiting call still unknown after 5000 ms, no text sent"));
         EXPECT_EQ(g_CallCollection.Get(7)->GetState(), ST_CALL_DONE);
         EXPECT_FALSE(g_CallCollection.Get(7)->HoldsRecording());
         EXPECT_TRUE(Commands().empty());
         EXPECT_EQ(engine().GetPendingCount(), 0u);
       }},
  };
  RunTable(scenarios);
}

TEST_F(CallFsmRecordingTest, EveryCallEndsOnceAndNothingUsesWhatIsGone) {
  const Scenario scenarios[] = {
      {"a failure status while a message is recorded finishes it, and the next call is answered",
       [](RecordingCallAudio&) {},
       {Ring(7), kAnswerDelay, Status(7, kInprogress), Status(7, SkypeCallStatus::FAILED), Ring(9), kAnswerDelay,
        Status(9, kInprogress)},
       Cat<std::u16string>({Answered(7), ToCard(7), Answered(9)}),
       {kStart, "MsgStop", kStart},
       Cat<Posted>({kMessageKept, {kMessagesRefresh}}),
       {{7, ST_CALL_DONE}, {9, ST_MESSAGE_RECORDING}},
       [] { EXPECT_EQ(MessageOf(7)->GetDuration(), 7); }},
      {"a failure status ends a recorded conversation, also one on hold", [](RecordingCallAudio&) { Quietly(); },
       {Ring(3), Status(3, kInprogress), Record(3, true), Status(3, SkypeCallStatus::FAILED), Ring(5),
        Status(5, kInprogress), Record(5, true), Status(5, SkypeCallStatus::REMOTEHOLD),
        Status(5, SkypeCallStatus::CANCELLED)},
       Cat<std::u16string>({ToCardAndPorts(3), ToCard(3), ToCardAndPorts(5), ToCard(5)}),
       {"ConvStart conversation.mp3", "ConvStop", "ConvStart conversation.mp3", "ConvStop"},
       Cat<Posted>({kConversationBegun, kConversationEnded, kConversationBegun, {kConversationsShown},
                    kConversationEnded}),
       {{3, ST_CALL_DONE}, {5, ST_CALL_DONE}},
       [] {
         EXPECT_EQ(ConversationOf(3)->GetState(), CConversation::kEnded);
         EXPECT_EQ(ConversationOf(5)->GetState(), CConversation::kEnded);
       }},
      {"an end that comes before the failure event finds no message and leaves the call alone",
       [](RecordingCallAudio& audio) { audio.msgStartResult = 0; },
       {Ring(7), kAnswerDelay, Together({Status(7, kInprogress), Status(7, kFinished)})},
       Cat<std::u16string>({Answer(7), NoVideo(7), ToCard(7)}),
       {kStart},
       {kMessagesRefresh, kMessagesRefresh, kMessagesRefresh},
       {{7, ST_CALL_DONE}},
       [] { EXPECT_FALSE(g_CallCollection.Get(7)->HoldsRecording()); }},
      {"a take-over that comes before the failure event keeps the call for the user",
       [](RecordingCallAudio& audio) { audio.msgStartResult = 0; },
       {Ring(7), kAnswerDelay, Together({Status(7, kInprogress), TakeOver(7)})},
       Cat<std::u16string>({Answer(7), NoVideo(7), ToCard(7)}),
       {kStart},
       {kMessagesRefresh, kMessagesRefresh, kMessagesRefresh},
       {{7, ST_CALL_INPROGRESS}}},
      {"a take-over that keeps a message of 0 s removes it from the list",
       [](RecordingCallAudio& audio) { audio.messageSeconds = 0; },
       {Ring(7), kAnswerDelay, Status(7, kInprogress), TakeOver(7)},
       Cat<std::u16string>({Answered(7), ToCard(7)}),
       {kStart, "Beep", "Wait 1300", "MsgStop"},
       {kMessagesRefresh, kMessagesRefresh, kMessagesRefresh, kMessagesRefresh},
       {{7, ST_CALL_INPROGRESS}},
       [] {
         EXPECT_EQ(MessageOf(7), nullptr);
         EXPECT_EQ(OnlyMessageFile(), "");
       }},
      {"a message whose final name is refused is deleted at the take-over under the name it kept",
       [](RecordingCallAudio&) {
         g_TakeControlUserOption = 0;
         // A folder in the way of the final name: the file keeps its temporary name.
         std::filesystem::create_directory(qav::U8(g_MessageCollection.GetMessagesFolder() +
                                                   BuildVoiceMessageFileName(u"caller1", qav::CurrentClock().Now().seconds,
                                                                             7, false, u"mp3")));
       },
       {Ring(7), kAnswerDelay, Status(7, kInprogress), TakeOver(7)},
       Cat<std::u16string>({Answered(7), ToCard(7)}),
       {kStart, "Beep", "Wait 1300", "MsgStop"},
       {kMessagesRefresh, kMessagesRefresh, kMessagesRefresh, kMessagesRefresh},
       {{7, ST_CALL_INPROGRESS}},
       [&] {
         EXPECT_TRUE(machineHost.errors.empty());
         EXPECT_EQ(MessageOf(7), nullptr);
         EXPECT_EQ(OnlyMessageFile(), "");
       }},
  };
  RunTable(scenarios);
}

// At a message's end the voice messages page is brought up ("RestoreWin") unless the message is
// to be mailed with its recording and then deleted: the caller's three mail options (a contact's,
// or the other callers' set for a caller who is no contact) decide, each of them.
TEST_F(CallFsmRecordingTest, ThePageComesUpAtAMessagesEndUnlessTheMessageIsMailedAndDeleted) {
  for (int options = 0; options < 8; ++options) {
    const bool notify = (options & 1) != 0;
    const bool attach = (options & 2) != 0;
    const bool autoDelete = (options & 4) != 0;
    for (const bool contact : {true, false}) {
      SCOPED_TRACE(testing::Message() << (contact ? "contact" : "other caller") << ", mail " << notify << ", attach "
                                      << attach << ", delete " << autoDelete);
      Prepare([&](RecordingCallAudio&) {
        g_UseNonAuthorizedCallerSettings = 1;
        g_DisableAnswerOfNonAuthCaller = 0;
        g_GreetingTextMsgAllowed = 0;
        g_GreetingTextMsgAllowedForNonAuth = 0;
        // The set that does not apply to this caller is the opposite one, so reading it shows.
        g_EMailNotificationAllowed = notify == contact;
        g_EMailAttachmentAllowed = attach == contact;
        g_AutoDelMsgAfterEMailAllowed = autoDelete == contact;
        g_EMailNotificationAllowedForNonAuth = notify != contact;
        g_EMailAttachmentAllowedForNonAuth = attach != contact;
        g_AutoDelMsgAfterEMailAllowedForNonAuth = autoDelete != contact;
      });
      for (const Step& step : {Ring(7, contact ? u"caller1" : u"stranger"), kAnswerDelay, Status(7, kInprogress)}) {
        Run(step);
      }
      mainWindow.Clear();
      Run(Status(7, kFinished));
      const VoiceMessageId id = MessageOf(7)->GetId();
      std::vector<Posted> expected = {kMessagesRefresh};
      if (notify) expected.push_back({UM_EMAILVOICEMSG, static_cast<uint64_t>(id), 0});
      if (!(notify && attach && autoDelete)) expected.push_back(kMessagesShown);
      EXPECT_EQ(mainWindow.Posts(), expected);
      EXPECT_TRUE(g_bTrayNewMessageFlag);
      EXPECT_NE(OnlyMessageFile().find(".7.n.mp3"), std::string::npos) << OnlyMessageFile();
    }
  }
}

// "MuteVolumeOnAnswer": whether the user hears the caller on the speakers while the message is
// recorded (what the audio thread is asked for): 0 always, 2 never, any other value only while the
// user is online or "Skype me".
TEST_F(CallFsmRecordingTest, TheCallerIsHeardOnTheSpeakersAsTheMuteOptionAndTheUsersStatusSay) {
  struct Case {
    int32_t mute;
    int32_t own;
    bool heard;
  };
  const Case cases[] = {
      {0, SkypeOnlineStatus::ONLINE, true},   {0, SkypeOnlineStatus::AWAY, true},
      {0, SkypeOnlineStatus::DND, true},      {2, SkypeOnlineStatus::ONLINE, false},
      {2, SkypeOnlineStatus::SKYPEME, false}, {2, SkypeOnlineStatus::AWAY, false},
      {1, SkypeOnlineStatus::ONLINE, true},   {1, SkypeOnlineStatus::SKYPEME, true},
      {1, SkypeOnlineStatus::AWAY, false},    {1, SkypeOnlineStatus::NA, false},
      {1, SkypeOnlineStatus::DND, false},     {3, SkypeOnlineStatus::ONLINE, true},
      {3, SkypeOnlineStatus::INVISIBLE, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "MuteVolumeOnAnswer " << c.mute << ", own status " << c.own);
    Prepare([&](RecordingCallAudio&) {
      g_MuteVolumeOnAnswer = c.mute;
      g_CurrentUser.SetUserStatus(c.own);
    });
    // Answered at the user's request, whatever the status's answering delay.
    for (const Step& step : {Ring(7), Force(7), Status(7, kInprogress)}) Run(step);
    EXPECT_EQ(AudioRequests(), (Requests{c.heard ? kStart : "MsgStart lastvoicemsg.mp3"}));
  }
}

// The partner hears the beep 1500 ms after the recording of the conversation (re)starts, not
// before, whichever way it started.
TEST_F(CallFsmRecordingTest, TheBeepComes1500MsAfterEachStartOfTheRecording) {
  struct Case {
    const char* name;
    bool automatic;
    std::vector<Step> steps;  // up to the (re)start
  };
  const Case cases[] = {
      {"recorded automatically at the pick-up", true, {Ring(7), Status(7, kInprogress)}},
      {"recorded on the user's request", false, {Ring(7), Status(7, kInprogress), Record(7, true)}},
      {"recorded again after a hold", false,
       {Ring(7), Status(7, kInprogress), Record(7, true), Advance(1500), Status(7, SkypeCallStatus::LOCALHOLD),
        Status(7, kInprogress)}},
      {"recorded again after the user's stop", false,
       {Ring(7), Status(7, kInprogress), Record(7, true), Advance(1500), Record(7, false), Record(7, true)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Prepare([&](RecordingCallAudio&) {
      Quietly();
      g_RecConvAudioNotificationAllowed = 1;
      g_ConversationAutoRecordMode = c.automatic ? 1 : 0;
    });
    for (const Step& step : c.steps) Run(step);
    ASSERT_EQ(g_CallCollection.Get(7)->GetState(), ST_CONV_RECORDING);
    AudioRequests();
    Run(Advance(1499));
    EXPECT_EQ(AudioRequests(), Requests{});
    Run(Advance(1));
    EXPECT_EQ(AudioRequests(), Requests{"Beep"});
    Run(Advance(60000));
    EXPECT_EQ(AudioRequests(), Requests{});
  }
}

// A conference recorded on request: a call whose recording the user asked for before it was picked
// up joins the conversation that another call has begun meanwhile, whichever of the two has the
// lower id, so the audio thread is asked for one recording and neither call is hung up.
TEST_F(CallFsmRecordingTest, ACallWaitingForItsPickUpJoinsTheConversationBegunMeanwhileInEitherOrder) {
  for (const auto& [waiting, recording] : {std::pair{3, 5}, std::pair{5, 3}}) {
    SCOPED_TRACE(waiting);
    Prepare([](RecordingCallAudio&) { Quietly(); });
    for (const Step& step : {Ring(waiting), Record(waiting, true), Ring(recording, u"caller2"),
                             Status(recording, kInprogress), Record(recording, true), Status(waiting, kInprogress)}) {
      Run(step);
    }
    EXPECT_EQ(g_CallCollection.Get(waiting)->GetState(), ST_CONV_RECORDING);
    EXPECT_EQ(g_CallCollection.Get(recording)->GetState(), ST_CONV_RECORDING);
    ASSERT_NE(ConversationOf(recording), nullptr);
    EXPECT_EQ(ConversationOf(waiting), ConversationOf(recording));
    EXPECT_EQ(g_ConversationCollection.GetCount(), 1u);
    EXPECT_EQ(AudioRequests(), (Requests{"ConvStart conversation.mp3"}));
    const Texts commands = Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), Hangup(waiting)[0]), 0);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), Answer(waiting)[0]), 1);
    for (int32_t call : {waiting, recording}) Run(Status(call, kFinished));
    EXPECT_EQ(AudioRequests(), (Requests{"ConvStop"}));
    EXPECT_EQ(engine().GetPendingCount(), 0u);
  }
}

// A call of a recorded conference that is held and resumed records into its conversation again as
// a call of that conversation: it is back in the recording state, so a second hold gives its sound
// back to the sound card as the first did, and the conversation goes on in one recording.
TEST_F(CallFsmRecordingTest, AConferenceCallHeldAndResumedRecordsIntoItsConversationAgain) {
  Prepare([](RecordingCallAudio&) { Quietly(); });
  for (const Step& step : {Ring(3), Status(3, kInprogress), Record(3, true), Ring(5, u"caller2"),
                           Status(5, kInprogress)}) {
    Run(step);
  }
  CConversation* conversation = ConversationOf(3);
  ASSERT_NE(conversation, nullptr);
  ASSERT_EQ(ConversationOf(5), conversation);
  Commands();
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    Run(Status(5, SkypeCallStatus::LOCALHOLD));
    EXPECT_EQ(g_CallCollection.Get(5)->GetState(), ST_CONV_RECORDING_ONHOLD);
    EXPECT_EQ(Commands(), ToCard(5));
    Run(Status(5, kInprogress));
    EXPECT_EQ(g_CallCollection.Get(5)->GetState(), ST_CONV_RECORDING);
    EXPECT_EQ(Commands(), ToCard(5));  // as when it joined: the conference's sound reaches the ports through call 3
    EXPECT_EQ(ConversationOf(5), conversation);
    EXPECT_TRUE(conversation->IsActive(g_CallCollection.Get(5)));
  }
  EXPECT_EQ(AudioRequests(), (Requests{"ConvStart conversation.mp3"}));  // never stopped
  for (int32_t call : {3, 5}) Run(Status(call, kFinished));
  EXPECT_EQ(AudioRequests(), (Requests{"ConvStop"}));
  EXPECT_EQ(conversation->GetState(), CConversation::kEnded);
}

}  // namespace
