// The answering machine from end to end: the simulated call client in a process of its own, with
// its audio peers on real loopback sockets; the dispatcher, the real link, the call machine and
// the recordings in this process; and the real audio thread. The GUI thread's loop runs on the
// virtual clock; the audio thread and the client's voices run eight times faster than real time.
// The recordings are read back by sox.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/audio_driver.h"
#include "audio/playback_notice.h"
#include "audio/wave_mem_file.h"
#include "calls/call.h"
#include "calls/call_audio_requests.h"
#include "calls/call_collection.h"
#include "calls/call_fsm_states.h"
#include "calls/conversation.h"
#include "calls/conversation_collection.h"
#include "calls/conversation_data_file.h"
#include "calls/message.h"
#include "calls/message_collection.h"
#include "calls/recording_file_names.h"
#include "foundation/settings.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "platform/wave_format.h"
#include "platform/window.h"
#include "skype/dispatcher/skype_msg_hndl.h"
#include "skype/link/skype_client_info.h"
#include "skype/link/stl_transport.h"
#include "skype/link/user.h"
#include "skype/link/user_collection.h"
#include "tests/skype/recording_host.h"
#include "tests/support/call_model_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/pump.h"
#include "tests/support/temp_dir.h"

namespace {

using qav::test::CallModelFixture;
using qav::test::ChildProcess;

constexpr double kSpeed = 8.0;
constexpr double kCallerVoiceSeconds = 3.0;
constexpr double kGreetingSeconds = 0.5;

// Runs a shell command and returns what it printed (standard output and error).
std::string Output(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen((command + " 2>&1").c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    ::pclose(pipe);
  }
  return out;
}

std::string Quote(const std::string& path) { return "'" + path + "'"; }

// A number that sox prints after `label`.
double SoxValue(const std::string& text, const std::string& label) {
  const size_t at = text.find(label);
  return at == std::string::npos ? -1 : std::atof(text.c_str() + text.find(':', at) + 1);
}

// The commands the client received, in order, without their "#n " and their NUL.
std::vector<std::string> ReceivedCommands(const std::vector<std::string>& transcript) {
  std::vector<std::string> commands;
  for (const std::string& line : transcript) {
    if (!line.starts_with("<- \"") || !line.ends_with("\\0\"")) continue;
    std::string text = line.substr(4, line.size() - 4 - 3);
    std::string unquoted;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\\' && i + 1 < text.size()) ++i;
      unquoted += text[i];
    }
    if (unquoted.starts_with("#")) unquoted = unquoted.substr(unquoted.find(' ') + 1);
    commands.push_back(unquoted);
  }
  return commands;
}

// The greetings as the application builds them when the user becomes known: here half a second of
// a 1000 Hz tone at 44100 Hz, for contacts and other callers alike.
class GreetingHost : public qav::test::RecordingHost {
 public:
  explicit GreetingHost(qav::test::RecordingCallMachineHost& machineHost) : machineHost_(machineHost) {}
  int LoadGreetingMemFileBuddy() override {
    machineHost_.contactsGreeting = Tone();
    return 1;
  }
  int LoadGreetingMemFileNonBuddy() override {
    machineHost_.otherCallersGreeting = Tone();
    return 1;
  }

 private:
  static std::shared_ptr<CWaveMemFile> Tone() {
    auto greeting = std::make_shared<CWaveMemFile>();
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = 44100;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = 88200;
    greeting->SetFormat(&format);
    std::vector<int16_t> samples(static_cast<size_t>(44100 * kGreetingSeconds));
    for (size_t i = 0; i < samples.size(); ++i) {
      samples[i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 1000.0 * static_cast<double>(i) / 44100));
    }
    greeting->GetFile()->Write(samples.data(), samples.size() * 2);
    greeting->GetFile()->SeekToBegin();
    return greeting;
  }

  qav::test::RecordingCallMachineHost& machineHost_;
};

class AnsweringEndToEndTest : public CallModelFixture {
 protected:
  void SetUp() override {
    CallModelFixture::SetUp();
    SetCallAudioRequests(nullptr);  // the real audio thread, not the fixture's double
    SetInstalledSkypeVersion(0x03080000);
    std::filesystem::create_directories(temp_.path() + "/QAV/owner.one");
    ASSERT_TRUE(qav::test::WriteFileBytes(temp_.path() + "/QAV/owner.one/QAV.ini",
                                          "[Settings]\nSecB4AnsweringOnline=0\nAudioFileRecordingFormat=0\nAudioFileRecordingQuality=1\n"
                                          "GreetingTextMsg=Hello from QAV\nRecConvAudioNotificationAllowed=0\n"
                                          "RecConvTextNotificationStartAllowed=0\n"));
    CSettingsHooks hooks;
    hooks.currentUserHandle = [] { return GetCurrentUserHandleCopy(); };
    SetSettingsHooks(hooks);
    callerWav_ = temp_.File("caller.wav");
    ASSERT_EQ(std::system(("sox -q -n -r 16000 -c 1 -b 16 " + Quote(callerWav_) + " synth " +
                           std::to_string(kCallerVoiceSeconds) + " sine 440 vol 0.5")
                              .c_str()),
              0);
    ASSERT_EQ(audioDriver_.Start(audioClock_), 1);
    g_pAudioDriver = &audioDriver_;
  }
  void TearDown() override {
    if (dispatcher_) dispatcher_->Shutdown();
    dispatcher_.reset();
    g_pAudioDriver = nullptr;
    SetSettingsHooks({});
    CallModelFixture::TearDown();
  }

  // The program starts its link and waits until the client's user is its current user.
  void StartProgram() {
    dispatcher_ = std::make_unique<CSkypeMsgHndl>(virtualLoop.loop(), host_);
    ASSERT_TRUE(dispatcher_->CreateThread());
    ASSERT_EQ(dispatcher_->StartSTL(std::make_unique<CSTL>(virtualLoop.loop())), 1);
    ASSERT_TRUE(ServeUntil([] {
      return g_CurrentUser.GetHandle() == u"owner.one" && g_CurrentUser.GetUserStatus() == SkypeOnlineStatus::ONLINE &&
             GetSkypeAudioOutDevice() == u"Simulated Speakers";
    }));
  }
  // The client in a process of its own, ready, and the program attached to it.
  void StartClientAndProgram(ChildProcess& client) {
    ASSERT_TRUE(client.started());
    ASSERT_TRUE(client.WaitForLine("ready "));
    StartProgram();
  }
  // Ends it as the program's exit does.
  void StopProgram() {
    dispatcher_->Shutdown();
    dispatcher_.reset();
  }

  // Serves the GUI loop until `done` holds, at most 20 s.
  bool ServeUntil(const std::function<bool()>& done) { return qav::test::PumpUntil(virtualLoop, done, 20000); }
  bool ClientSays(ChildProcess& client, const std::string& prefix) {
    return client.WaitForLine(prefix, [&] { virtualLoop.RunUntilIdle(); }, virtualLoop.loop().PollFd(), 20000)
        .has_value();
  }
  // Waits until the client has received a command that holds `text`.
  bool ClientReceives(ChildProcess& client, const std::string& text) {
    for (;;) {
      const std::optional<std::string> line =
          client.WaitForLine("<- ", [&] { virtualLoop.RunUntilIdle(); }, virtualLoop.loop().PollFd(), 20000);
      if (!line) return false;
      if (line->find(text) != std::string::npos) return true;
    }
  }
  int32_t StateOf(int32_t callId) {
    const CCall* call = g_CallCollection.Get(callId);
    return call ? call->GetState() : -1;
  }
  std::string MessagesFolder() { return qav::U8(g_MessageCollection.GetMessagesFolder()); }

  // A ringing call (of the client's call `type`, when one is named) that the machine has all it
  // needs to decide on, its answer timer running.
  void RingUntilTimed(ChildProcess& client, int32_t callId, const std::string& caller, const std::string& type = "") {
    const std::string typeWord = type.empty() ? "" : " " + type;
    client.WriteLine("ring " + std::to_string(callId) + " " + caller + typeWord + " audio=" + callerWav_);
    ASSERT_TRUE(ServeUntil([&] {
      const CCall* call = g_CallCollection.Get(callId);
      return call && call->GetState() == ST_WAIT_ANSWERING_TIMER_EXPIRE && call->IsCallInfoComplete();
    }));
  }
  // A call rings, the timer of 0 s answers it, and the greeting and the recording start.
  void RingAndAnswer(ChildProcess& client, int32_t callId, const std::string& caller, const std::string& type = "") {
    ASSERT_NO_FATAL_FAILURE(RingUntilTimed(client, callId, caller, type));
    virtualLoop.AdvanceMs(10);
    ASSERT_TRUE(ServeUntil([&] { return StateOf(callId) == ST_MESSAGE_RECORDING; }));
    ASSERT_TRUE(ClientSays(client, "audio " + std::to_string(callId) + " input PORT="));
  }
  // The file the voice message being recorded is written into: the one under a temporary name that
  // no listed message has kept as its own (a message whose final name the folder refused keeps its
  // temporary name, and the next one records under another). Empty while there is none.
  std::string RecordingFile() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(MessagesFolder(), error)) {
      const std::u16string name = qav::U16(entry.path().filename().string());
      if (!entry.is_regular_file(error) || !name.starts_with(kVoiceMessageTemporaryBase)) continue;
      bool kept = false;
      for (const CMessage* message : g_MessageCollection.GetMessages()) kept |= message->GetFileName() == name;
      if (!kept) return entry.path().string();
    }
    return {};
  }
  // Waits until the voice message being recorded (into `file`, when one is named) holds `seconds`
  // of the caller (16 kHz, 16-bit mono WAV: 32000 bytes a second after the 44 bytes of header).
  void WaitForVoice(double seconds, const std::string& file = "") {
    std::string recording;
    ASSERT_TRUE(ServeUntil([&] {
      recording = file.empty() ? RecordingFile() : MessagesFolder() + file;
      std::error_code error;
      const uintmax_t size = recording.empty() ? 0 : std::filesystem::file_size(recording, error);
      return !error && size >= 44 + seconds * 32000;
    })) << "the caller's voice never reached " << (recording.empty() ? "a recording" : recording);
  }
  // The caller hangs up, and the program has finished the message.
  void HangUp(ChildProcess& client, int32_t callId) {
    client.WriteLine("hangup " + std::to_string(callId));
    ASSERT_TRUE(ServeUntil([&] { return StateOf(callId) == ST_CALL_DONE; }));
    ASSERT_TRUE(ClientReceives(client, "ALTER CALL " + std::to_string(callId) + " SET_INPUT SOUNDCARD"));
  }

  // The commands the client has received since its transcript held `from` lines, read so far.
  static std::vector<std::string> CommandsSince(const ChildProcess& client, size_t from) {
    return ReceivedCommands({client.AllLines().begin() + static_cast<long>(from), client.AllLines().end()});
  }
  static size_t CountStartingWith(const std::vector<std::string>& commands, const std::string& prefix) {
    return static_cast<size_t>(std::count_if(commands.begin(), commands.end(),
                                             [&](const std::string& c) { return c.starts_with(prefix); }));
  }
  // The voice message's file read back: its length in seconds by soxi, and the caller's 440 Hz in it.
  static void ExpectCallersVoice(const CMessage& message, double atLeastSeconds) {
    const std::string path = qav::U8(message.GetFilePath());
    ASSERT_TRUE(std::filesystem::exists(path)) << path;
    const double seconds = std::atof(Output("soxi -D " + Quote(path)).c_str());
    EXPECT_GE(seconds, atLeastSeconds) << path;
    EXPECT_EQ(message.GetDuration(), static_cast<int32_t>(std::ceil(seconds))) << path;
    const std::string voice = Output("sox " + Quote(path) + " -n trim 0 1 stat");
    EXPECT_NEAR(SoxValue(voice, "Rough   frequency"), 440, 20) << voice;
  }

  struct Listed {
    std::u16string caller;
    int64_t time;
    int32_t duration;
    bool seen;
    int64_t size;
    bool operator==(const Listed&) const = default;
  };
  static std::vector<Listed> ListedMessages() {
    std::vector<Listed> listed;
    for (const CMessage* m : g_MessageCollection.GetMessages()) {
      listed.push_back({m->GetUser()->GetHandle(), m->GetTimeOfCall(), m->GetDuration(), m->IsSeen(), m->GetSize()});
    }
    std::sort(listed.begin(), listed.end(), [](const Listed& a, const Listed& b) { return a.caller < b.caller; });
    return listed;
  }
  static std::vector<std::u16string> ListedConversations() {
    std::vector<std::u16string> listed;
    for (const CConversation* c : g_ConversationCollection.GetConversations()) {
      std::u16string handles, names;
      c->GetPartnerNames(handles, names);
      listed.push_back(c->GetAudioFileName() + u" " + qav::Format(u"%d", c->GetDuration()) + u" " + handles);
    }
    return listed;
  }

  qav::test::ScopedEnv desktop_{"QAV_DESKTOP_DIR", temp_.File("desktop")};
  qav::test::ScopedEnv registry_{"QAV_REGISTRY_DIR", temp_.File("registry")};
  qav::test::ScopedEnv sound_{"QAV_SOUND_DEVICE", "virtual"};
  qav::test::ScopedEnv speed_{"QAV_SIM_AUDIO_SPEED", std::to_string(kSpeed)};
  qav::test::ScopedEnv heard_{"QAV_SIM_AUDIO_RECORD_DIR", temp_.path()};
  // What the user's speakers play (set before the audio thread starts, which reads it).
  qav::test::ScopedEnv speaker_{"QAV_VIRTUAL_SPEAKER_FILE", temp_.File("speaker.raw")};
  qav::ScaledClock audioClock_{kSpeed};
  CAudioDriver audioDriver_;
  GreetingHost host_{machineHost};
  std::unique_ptr<CSkypeMsgHndl> dispatcher_;
  std::string callerWav_;
};

TEST_F(AnsweringEndToEndTest, ACallIsAnsweredGreetedAndRecordedAndTheListLoadsAgain) {
  ChildProcess client(QAV_SIM_CALLCLIENT, {"--stdin"});
  ASSERT_NO_FATAL_FAILURE(StartClientAndProgram(client));
  const size_t before = client.AllLines().size();

  RingAndAnswer(client, 1234, "caller1");
  // The caller speaks for 3 s from the moment the call is connected; the half second of greeting
  // is not recorded, so 2.5 s of the voice reach the file. Wait until they have (the audio thread
  // writes as it goes), then the caller hangs up.
  WaitForVoice(kCallerVoiceSeconds - kGreetingSeconds);
  HangUp(client, 1234);

  // On the wire: the answer; once the call is in progress its output to p1 and its input from
  // p2, the text greeting; and the sound card back at the end.
  const std::vector<std::string> transcript(client.AllLines().begin() + static_cast<long>(before),
                                            client.AllLines().end());
  std::vector<std::string> calls;
  for (const std::string& command : ReceivedCommands(transcript)) {
    if (command.starts_with("ALTER CALL 1234") || command.starts_with("MESSAGE ")) calls.push_back(command);
  }
  ASSERT_EQ(calls.size(), 7u) << ::testing::PrintToString(calls);
  EXPECT_EQ(calls[0], "ALTER CALL 1234 ANSWER");
  EXPECT_EQ(calls[1], "ALTER CALL 1234 STOP_VIDEO_SEND");
  EXPECT_TRUE(calls[2].starts_with("ALTER CALL 1234 SET_OUTPUT PORT=\"")) << calls[2];
  EXPECT_TRUE(calls[3].starts_with("ALTER CALL 1234 SET_INPUT PORT=\"")) << calls[3];
  EXPECT_NE(calls[2].substr(31), calls[3].substr(30));
  EXPECT_EQ(calls[4], "MESSAGE caller1 Hello from QAV");
  EXPECT_EQ(calls[5], "ALTER CALL 1234 SET_OUTPUT SOUNDCARD=\"default\"");
  EXPECT_EQ(calls[6], "ALTER CALL 1234 SET_INPUT SOUNDCARD=\"default\"");
  size_t inprogress = 0, output = 0;
  for (size_t i = 0; i < transcript.size(); ++i) {
    if (transcript[i].find("CALL 1234 STATUS INPROGRESS") != std::string::npos && inprogress == 0) inprogress = i;
    if (transcript[i].find("SET_OUTPUT PORT=") != std::string::npos && output == 0) output = i;
  }
  EXPECT_LT(inprogress, output);

  // The file has the caller's voice, and its name the file's length.
  ASSERT_EQ(g_MessageCollection.GetCount(), 1u);
  const CMessage* message = g_MessageCollection.GetMessages()[0];
  const std::string path = qav::U8(message->GetFilePath());
  ASSERT_TRUE(std::filesystem::exists(path)) << path;
  EXPECT_FALSE(std::filesystem::exists(MessagesFolder() + "lastvoicemsg.wav"));
  const double seconds = std::atof(Output("soxi -D " + Quote(path)).c_str());
  EXPECT_GE(seconds, 2.5);
  EXPECT_EQ(message->GetDuration(), static_cast<int32_t>(std::ceil(seconds)));
  const std::optional<VoiceMessageFileName> name = ParseVoiceMessageFileName(message->GetFileName());
  ASSERT_TRUE(name.has_value());
  EXPECT_EQ(name->caller, u"caller1");
  EXPECT_EQ(name->duration, message->GetDuration());
  EXPECT_FALSE(name->seen);
  const std::string voice = Output("sox " + Quote(path) + " -n trim 0 2 stat");
  EXPECT_NEAR(SoxValue(voice, "Rough   frequency"), 440, 20) << voice;
  EXPECT_GT(SoxValue(voice, "Maximum amplitude"), 0.4) << voice;
  // The caller heard the greeting first.
  const std::string heard = Output("sox " + Quote(temp_.File("call-1234-input.wav")) + " -n trim 0 0.4 stat");
  EXPECT_NEAR(SoxValue(heard, "Rough   frequency"), 1000, 50) << heard;

  // Telephone numbers get the spoken greeting but never a chat text.
  for (const auto& [id, number] : {std::pair{1236, "+4930123"}, std::pair{1238, "0049301234"}}) {
    const size_t from = client.AllLines().size();
    RingAndAnswer(client, id, number, "INCOMING_PSTN");
    WaitForVoice(1);
    HangUp(client, id);
    for (const std::string& command : ReceivedCommands({client.AllLines().begin() + static_cast<long>(from),
                                                        client.AllLines().end()})) {
      EXPECT_FALSE(command.starts_with("MESSAGE ")) << command;
    }
  }

  // A call the user picks up, and records.
  client.WriteLine("ring 1240 caller2 audio=" + callerWav_);
  ASSERT_TRUE(ServeUntil([&] { return StateOf(1240) == ST_WAIT_ANSWERING_TIMER_EXPIRE; }));
  client.WriteLine("status 1240 INPROGRESS");
  ASSERT_TRUE(ServeUntil([&] { return StateOf(1240) == ST_CALL_INPROGRESS; }));
  ASSERT_TRUE(dispatcher_->PostRecordConversation(1240, true));
  ASSERT_TRUE(ServeUntil([&] { return StateOf(1240) == ST_CONV_RECORDING; }));
  ASSERT_TRUE(ClientSays(client, "audio 1240 input"));
  ASSERT_TRUE(ServeUntil([] {
    const CConversation* c = g_CallCollection.Get(1240)->GetConversation();
    const std::string file = qav::U8(g_ConversationCollection.GetConversationsFolder() + c->GetAudioFileName());
    return std::filesystem::exists(file) && std::filesystem::file_size(file) > 44 + 32000;
  }));
  client.WriteLine("hangup 1240");
  ASSERT_TRUE(ServeUntil([&] { return StateOf(1240) == ST_CALL_DONE; }));
  EXPECT_EQ(g_CallCollection.Get(1240)->GetConversation()->GetState(), CConversation::kEnded);

  // The next start finds the same messages and conversations.
  const std::vector<Listed> messages = ListedMessages();
  const std::vector<std::u16string> conversations = ListedConversations();
  ASSERT_EQ(messages.size(), 3u);
  ASSERT_EQ(conversations.size(), 1u);
  EXPECT_TRUE(conversations[0].ends_with(u" caller2")) << qav::U8(conversations[0]);
  StopProgram();
  EXPECT_EQ(g_MessageCollection.GetCount(), 0u);
  EXPECT_EQ(g_CallCollection.GetCount(), 0u);
  StartProgram();
  EXPECT_EQ(ListedMessages(), messages);
  EXPECT_EQ(ListedConversations(), conversations);
  EXPECT_EQ(engine().GetPendingCount(), 0u);
}

// The sound card is busy when a call rings: the player plays a recording, a greeting page plays
// its greeting, or a greeting page records one from the microphone. Playback gives way to the call
// the machine answers, and its window is told it has ended; the call gets its greeting and its
// message. A greeting take holds the call ringing for the user, who is at the desk, and is kept
// whole; once the take ends the machine answers the call that still rings.
TEST_F(AnsweringEndToEndTest, ACallWhileTheSoundCardIsBusyIsGreetedAndRecorded) {
  qav::test::ScopedEnv microphone{"QAV_VIRTUAL_MIC_TONE", "700"};
  ChildProcess client(QAV_SIM_CALLCLIENT, {"--stdin"});
  ASSERT_NO_FATAL_FAILURE(StartClientAndProgram(client));

  const std::string played = temp_.File("played.wav");
  ASSERT_EQ(std::system(("sox -q -n -r 16000 -c 1 -b 16 " + Quote(played) + " synth 240 sine 300 vol 0.5").c_str()), 0);
  const std::string take = temp_.File("TempNewGreeting.wav");
  int endNotices = 0;
  int64_t endPosition = 0;
  qav::Window window;
  ASSERT_TRUE(window.Create(virtualLoop.loop(), "QAVTestPlayback", u"", qav::WindowKind::kLocal, [&](qav::Msg& m) {
    if (m.message == UM_AUDIONOTIFY && m.wParam == AUDIO_EVENT_PLAY_DONE) {
      ++endNotices;
      endPosition = m.lParam;
    }
    return qav::LResult{0};
  }));

  enum class Busy { kPlaying, kRecordingGreeting };
  struct Case {
    const char* name;
    Busy busy;
    uint32_t mask;  // the notices the page asks for
    int32_t callId;
  };
  const Case cases[] = {
      {"the player plays a recording", Busy::kPlaying, AUDIO_EVENT_PLAY_DONE | AUDIO_EVENT_BUFFER_PLAYED, 1300},
      {"a greeting page plays its greeting", Busy::kPlaying, AUDIO_EVENT_PLAY_DONE, 1302},
      {"a greeting page records a greeting", Busy::kRecordingGreeting, 0, 1304},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    endNotices = 0;
    if (c.busy == Busy::kPlaying) {
      ASSERT_EQ(audioDriver_.PlayAudioFileStart(qav::U16(played), window.handle(), UM_AUDIONOTIFY, c.mask), 1);
      RingAndAnswer(client, c.callId, "caller1");
      ASSERT_TRUE(ServeUntil([&] { return endNotices > 0; })) << "the page is told that playback has ended";
      EXPECT_EQ(endNotices, 1);
      EXPECT_GT(endPosition, 0) << "cut short by the call, not played to its end";
    } else {
      ASSERT_EQ(audioDriver_.RecAudioFileStart(qav::U16(take)), 1);
      ASSERT_TRUE(ServeUntil([&] {  // half a second of the user's voice
        return std::filesystem::exists(take) && std::filesystem::file_size(take) >= 46 + 16000;
      }));
      ASSERT_NO_FATAL_FAILURE(RingUntilTimed(client, c.callId, "caller1"));
      for (int second = 0; second < 5; ++second) {
        virtualLoop.AdvanceMs(1000);
        virtualLoop.RunUntilIdle();
      }
      EXPECT_EQ(StateOf(c.callId), ST_WAIT_ANSWERING_TIMER_EXPIRE) << "the call rings on while the take runs";
      ASSERT_EQ(audioDriver_.GetState(), AudioDriverState::kRecordingMicrophone) << "the take was not cut off";
      const size_t beforeStop = client.AllLines().size();
      ASSERT_EQ(audioDriver_.RecAudioFileStop(), 1);
      const std::string heard = Output("sox " + Quote(take) + " -n stat");
      EXPECT_NEAR(SoxValue(heard, "Rough   frequency"), 700, 30) << heard;
      EXPECT_GE(SoxValue(heard, "Length (seconds)"), 0.5) << heard;
      // Once the take has ended, the call that still rings is answered.
      virtualLoop.AdvanceMs(1000);
      ASSERT_TRUE(ServeUntil([&] { return StateOf(c.callId) == ST_MESSAGE_RECORDING; }));
      ASSERT_TRUE(ClientSays(client, "audio " + std::to_string(c.callId) + " input PORT="));
      const std::vector<std::string> before =
          ReceivedCommands({client.AllLines().begin(), client.AllLines().begin() + static_cast<long>(beforeStop)});
      EXPECT_EQ(std::count(before.begin(), before.end(), "ALTER CALL " + std::to_string(c.callId) + " ANSWER"), 0)
          << "nothing was answered while the take ran";
    }
    WaitForVoice(kCallerVoiceSeconds - kGreetingSeconds);
    HangUp(client, c.callId);

    // The caller heard the greeting, and the message holds the caller.
    const std::string greeted =
        Output("sox " + Quote(temp_.File("call-" + std::to_string(c.callId) + "-input.wav")) + " -n trim 0 0.4 stat");
    EXPECT_NEAR(SoxValue(greeted, "Rough   frequency"), 1000, 50) << greeted;
    const CMessage* message = g_CallCollection.Get(c.callId)->GetMessage();
    ASSERT_NE(message, nullptr);
    const std::string voice = Output("sox " + Quote(qav::U8(message->GetFilePath())) + " -n trim 0 2 stat");
    EXPECT_NEAR(SoxValue(voice, "Rough   frequency"), 440, 20) << voice;
    EXPECT_GE(message->GetDuration(), 3);
    EXPECT_EQ(audioDriver_.GetState(), AudioDriverState::kIdle);
  }
}

// The user calls out and asks for the recording before the partner picks up: the program sends
// the answer (which the client refuses for a call out) and records from the pick-up. The partner
// puts the call on hold and hangs up while held: the conversation ends with its audio and side
// files, and the audio thread is free for the next caller, whose call is answered.
TEST_F(AnsweringEndToEndTest, ACallOutRecordedBeforeThePickUpEndsWithItsFilesWhenHungUpOnHold) {
  ChildProcess client(QAV_SIM_CALLCLIENT, {"--stdin"});
  ASSERT_NO_FATAL_FAILURE(StartClientAndProgram(client));

  ASSERT_EQ(g_UserCollection.FindOrCreate(u"caller2")->StartCall(), 1);
  int32_t id = 0;
  ASSERT_TRUE(ServeUntil([&] {
    for (int32_t call : g_CallCollection.GetCallIds()) {
      if (StateOf(call) == ST_NEW_OUT_CALL) id = call;
    }
    return id != 0;
  }));
  const std::string call = std::to_string(id);
  ASSERT_TRUE(dispatcher_->PostRecordConversation(id, true));
  ASSERT_TRUE(ClientReceives(client, "ALTER CALL " + call + " ANSWER"));
  ASSERT_TRUE(ServeUntil([&] { return StateOf(id) == ST_CONV_WAIT_INPROGRESS_REPLY; }));

  client.WriteLine("status " + call + " INPROGRESS");
  ASSERT_TRUE(ServeUntil([&] { return StateOf(id) == ST_CONV_RECORDING; }));
  ASSERT_TRUE(ClientSays(client, "audio " + call + " input"));
  CConversation* conversation = g_CallCollection.Get(id)->GetConversation();
  ASSERT_NE(conversation, nullptr);
  const std::string folder = qav::U8(g_ConversationCollection.GetConversationsFolder());
  const std::string audio = folder + qav::U8(conversation->GetAudioFileName());
  ASSERT_TRUE(ServeUntil([&] { return std::filesystem::exists(audio) && std::filesystem::file_size(audio) > 44 + 32000; }));

  client.WriteLine("status " + call + " REMOTEHOLD");
  ASSERT_TRUE(ServeUntil([&] { return StateOf(id) == ST_CONV_RECORDING_ONHOLD; }));
  ASSERT_TRUE(ClientReceives(client, "ALTER CALL " + call + " SET_INPUT SOUNDCARD"));
  client.WriteLine("hangup " + call);
  ASSERT_TRUE(ServeUntil([&] { return StateOf(id) == ST_CALL_DONE; }));

  EXPECT_EQ(conversation->GetState(), CConversation::kEnded);
  const double seconds = std::atof(Output("soxi -D " + Quote(audio)).c_str());
  EXPECT_GE(seconds, 1.0);
  EXPECT_EQ(conversation->GetDuration(), static_cast<int32_t>(std::ceil(seconds)));
  std::u16string handles, names;
  conversation->GetPartnerNames(handles, names);
  EXPECT_EQ(handles, u"caller2");
  EXPECT_TRUE(std::filesystem::exists(folder + qav::U8(conversation->GetDataFileName())));

  // Nothing is held for the call any more: the next caller is answered and recorded.
  RingAndAnswer(client, 1300, "caller1");
  WaitForVoice(1);
  HangUp(client, 1300);
  EXPECT_EQ(engine().GetPendingCount(), 0u);
}

// What the user's speakers play while a message is recorded: by "MuteVolumeOnAnswer", 0 the
// caller always, 2 never, another value only while the user is online.
TEST_F(AnsweringEndToEndTest, TheSpeakersPlayTheCallerAsTheMuteOptionAndTheUsersStatusSay) {
  const std::string speaker = temp_.File("speaker.raw");
  ChildProcess client(QAV_SIM_CALLCLIENT, {"--stdin"});
  ASSERT_NO_FATAL_FAILURE(StartClientAndProgram(client));
  g_SecB4AnsweringAway = 0;  // the user's settings are loaded at the sign-in
  const auto played = [&] { return std::filesystem::exists(speaker) ? std::filesystem::file_size(speaker) : 0u; };
  struct Case {
    int32_t mute;
    const char* status;
    int32_t ownStatus;
    bool heard;
  };
  const Case cases[] = {
      {2, "ONLINE", SkypeOnlineStatus::ONLINE, false},
      {0, "ONLINE", SkypeOnlineStatus::ONLINE, true},
      {1, "ONLINE", SkypeOnlineStatus::ONLINE, true},
      {1, "AWAY", SkypeOnlineStatus::AWAY, false},
      {0, "AWAY", SkypeOnlineStatus::AWAY, true},
  };
  int32_t id = 1400;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "MuteVolumeOnAnswer " << c.mute << " while " << c.status);
    g_MuteVolumeOnAnswer = c.mute;
    client.WriteLine(std::string("user-status ") + c.status);
    ASSERT_TRUE(ServeUntil([&] { return g_CurrentUser.GetUserStatus() == c.ownStatus; }));
    const uintmax_t before = played();
    RingAndAnswer(client, id, "caller1");
    WaitForVoice(1);
    HangUp(client, id);
    ++id;
    // The file holds a second of the caller; the speakers have played half of that at the least
    // (16 kHz, 16-bit mono; a block is written out once it has played).
    if (c.heard) {
      EXPECT_GE(played() - before, 16000u);
    } else {
      EXPECT_EQ(played(), before);
    }
  }
}

// Two callers ring at the same moment: both answer timers fall due in one tick of the clock. The
// machine answers one of them; the other is not picked up while the first one's message records,
// and the first message keeps its file and its caller's voice.
TEST_F(AnsweringEndToEndTest, TwoCallsWhoseTimersFallDueInOneTickAreAnsweredOneAtATime) {
  ChildProcess client(QAV_SIM_CALLCLIENT, {"--stdin"});
  ASSERT_NO_FATAL_FAILURE(StartClientAndProgram(client));
  const size_t before = client.AllLines().size();

  ASSERT_NO_FATAL_FAILURE(RingUntilTimed(client, 1301, "caller1"));
  ASSERT_NO_FATAL_FAILURE(RingUntilTimed(client, 1302, "caller2"));
  virtualLoop.AdvanceMs(10);  // both timers of 10 ms are due now
  ASSERT_TRUE(ServeUntil([&] { return StateOf(1301) == ST_MESSAGE_RECORDING || StateOf(1302) == ST_MESSAGE_RECORDING; }));
  const int32_t first = StateOf(1301) == ST_MESSAGE_RECORDING ? 1301 : 1302;
  const int32_t second = first == 1301 ? 1302 : 1301;
  ASSERT_TRUE(ClientSays(client, "audio " + std::to_string(first) + " input PORT="));
  WaitForVoice(kCallerVoiceSeconds - kGreetingSeconds);
  HangUp(client, first);

  const std::vector<std::string> commands = CommandsSince(client, before);
  EXPECT_EQ(CountStartingWith(commands, "ALTER CALL " + std::to_string(first) + " ANSWER"), 1u);
  EXPECT_EQ(CountStartingWith(commands, "ALTER CALL " + std::to_string(second)), 0u) << ::testing::PrintToString(commands);
  ASSERT_EQ(g_MessageCollection.GetCount(), 1u);
  ExpectCallersVoice(*g_MessageCollection.GetMessages()[0], kCallerVoiceSeconds - kGreetingSeconds);
  EXPECT_EQ(g_MessageCollection.GetMessages()[0]->GetCall()->GetCallId(), first);
}

// A recording start while another voice message records is refused without touching the file the
// audio thread writes for the first one, or the note of its caller.
TEST_F(AnsweringEndToEndTest, ASecondMessageStartLeavesTheFileOfTheMessageBeingRecordedAlone) {
  ChildProcess client(QAV_SIM_CALLCLIENT, {"--stdin"});
  ASSERT_NO_FATAL_FAILURE(StartClientAndProgram(client));
  RingAndAnswer(client, 1311, "caller1");
  WaitForVoice(0.5);
  const std::string note = qav::U8(g_MessageCollection.GetCallerNotePath());
  ASSERT_TRUE(std::filesystem::exists(note));

  CCall other;
  other.InitMessage(-1, g_UserCollection.FindOrCreate(u"caller2"), 0);
  auto second = std::make_unique<CMessage>();
  second->Init(&other, 0, u"");
  CMessage* added = g_MessageCollection.Add(std::move(second));
  int out = 0, in = 0;
  EXPECT_EQ(added->AudioCtrlTake(&out, &in), 0);
  EXPECT_NE(std::filesystem::exists(note) ? qav::test::ReadFileBytes(note).find("caller1") : std::string::npos,
            std::string::npos);
  g_MessageCollection.del(added);

  WaitForVoice(kCallerVoiceSeconds - kGreetingSeconds);
  HangUp(client, 1311);
  ASSERT_EQ(g_MessageCollection.GetCount(), 1u);
  ExpectCallersVoice(*g_MessageCollection.GetMessages()[0], kCallerVoiceSeconds - kGreetingSeconds);
}

// A call that rings during another call's answer delay finds, at its own timer, the first call's
// message being recorded. It rings on, and once the line is free it is answered after an answer
// delay of its own, like a call that rang while the other one was recorded.
TEST_F(AnsweringEndToEndTest, ACallTurnedAwayWhileTheLineIsInUseIsAnsweredOnceTheLineIsFree) {
  ChildProcess client(QAV_SIM_CALLCLIENT, {"--stdin"});
  ASSERT_NO_FATAL_FAILURE(StartClientAndProgram(client));

  ASSERT_NO_FATAL_FAILURE(RingUntilTimed(client, 1321, "caller1"));
  virtualLoop.AdvanceMs(5);
  ASSERT_NO_FATAL_FAILURE(RingUntilTimed(client, 1322, "caller2"));  // within the first call's 10 ms
  virtualLoop.AdvanceMs(5);
  ASSERT_TRUE(ServeUntil([&] { return StateOf(1321) == ST_MESSAGE_RECORDING; }));
  ASSERT_TRUE(ClientSays(client, "audio 1321 input PORT="));
  virtualLoop.AdvanceMs(5);  // the second call's timer: the line is in use
  WaitForVoice(kCallerVoiceSeconds - kGreetingSeconds);
  virtualLoop.AdvanceMs(5000);
  EXPECT_EQ(StateOf(1322), ST_WAIT_ANSWERING_TIMER_EXPIRE);
  const size_t before = client.AllLines().size();
  HangUp(client, 1321);

  // Within a second the line is seen free, and 10 ms later the call is answered.
  virtualLoop.AdvanceMs(1000);
  ASSERT_TRUE(ServeUntil([&] { return StateOf(1322) == ST_WAIT_ANSWERING_TIMER_EXPIRE; }));
  virtualLoop.AdvanceMs(10);
  ASSERT_TRUE(ServeUntil([&] { return StateOf(1322) == ST_MESSAGE_RECORDING; }));
  ASSERT_TRUE(ClientSays(client, "audio 1322 input PORT="));
  WaitForVoice(kCallerVoiceSeconds - kGreetingSeconds);
  HangUp(client, 1322);
  EXPECT_EQ(CountStartingWith(CommandsSince(client, before), "ALTER CALL 1322 ANSWER"), 1u);

  const std::vector<Listed> listed = ListedMessages();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].caller, u"caller1");
  EXPECT_EQ(listed[1].caller, u"caller2");
  for (const CMessage* message : g_MessageCollection.GetMessages()) {
    ExpectCallersVoice(*message, kCallerVoiceSeconds - kGreetingSeconds);
  }
}

// The folder refuses a message's final name (something is in its way). The message keeps its
// temporary name as its own, and the next calls record under other names: nothing is recorded
// over or deleted, every row has its file, and the next start lists the kept one as a recording
// a killed process left.
TEST_F(AnsweringEndToEndTest, AMessageWhoseFinalNameIsRefusedKeepsItsOwnNameAndIsNeverRecordedOver) {
  ChildProcess client(QAV_SIM_CALLCLIENT, {"--stdin"});
  ASSERT_NO_FATAL_FAILURE(StartClientAndProgram(client));

  RingAndAnswer(client, 1341, "caller1");
  const int64_t start = g_CallCollection.Get(1341)->GetStartTime();
  for (int32_t seconds = 1; seconds <= 8; ++seconds) {
    std::filesystem::create_directory(MessagesFolder() +
                                      qav::U8(BuildVoiceMessageFileName(u"caller1", start, seconds, false, u"wav")));
  }
  WaitForVoice(kCallerVoiceSeconds - kGreetingSeconds);
  HangUp(client, 1341);
  ASSERT_EQ(g_MessageCollection.GetCount(), 1u);
  EXPECT_EQ(qav::U8(g_MessageCollection.GetMessages()[0]->GetFileName()), "lastvoicemsg.wav");
  ExpectCallersVoice(*g_MessageCollection.GetMessages()[0], kCallerVoiceSeconds - kGreetingSeconds);
  bool reasonLogged = false;
  for (const auto& line : log.Lines()) {
    reasonLogged |= line.message.find(u"ERROR renaming") != std::u16string::npos &&
                    line.message.find(u"File exists") != std::u16string::npos;
  }
  EXPECT_TRUE(reasonLogged);

  for (const auto& [id, caller] : {std::pair{1342, "caller2"}, std::pair{1343, "caller3"}}) {
    RingAndAnswer(client, id, caller);
    WaitForVoice(kCallerVoiceSeconds - kGreetingSeconds, "lastvoicemsg.1.wav");
    HangUp(client, id);
  }
  const std::vector<Listed> listed = ListedMessages();
  ASSERT_EQ(listed.size(), 3u);
  for (const CMessage* message : g_MessageCollection.GetMessages()) {
    ExpectCallersVoice(*message, kCallerVoiceSeconds - kGreetingSeconds);
  }

  StopProgram();
  StartProgram();
  ASSERT_EQ(g_MessageCollection.GetCount(), 3u);
  std::vector<std::u16string> callers;
  for (const CMessage* message : g_MessageCollection.GetMessages()) {
    callers.push_back(message->GetUser()->GetHandle());
    ExpectCallersVoice(*message, kCallerVoiceSeconds - kGreetingSeconds);
  }
  std::sort(callers.begin(), callers.end());
  EXPECT_EQ(callers, (std::vector<std::u16string>{u"caller2", u"caller3", u"unknown"}));
}

// The program's exit, and the user's signing out, while a caller leaves a message: before the link
// ends or the user's objects go, the call is given back to the sound card and hung up, and the
// message is kept with the caller's voice.
TEST_F(AnsweringEndToEndTest, TheExitOrASignOutDuringAMessageGivesTheCallBackAndKeepsTheMessage) {
  for (const bool exit : {true, false}) {
    SCOPED_TRACE(exit ? "exit" : "signed out");
    std::filesystem::remove_all(temp_.path() + "/QAV/My Received Voice Messages");
    ChildProcess client(QAV_SIM_CALLCLIENT, {"--stdin"});
    ASSERT_NO_FATAL_FAILURE(StartClientAndProgram(client));
    RingAndAnswer(client, 1351, "caller1");
    const std::string folder = MessagesFolder();
    WaitForVoice(kCallerVoiceSeconds - kGreetingSeconds);
    if (exit) {
      StopProgram();
    } else {
      client.WriteLine("user-status LOGGEDOUT");
      ASSERT_TRUE(ServeUntil([] { return g_CurrentUser.GetHandle().empty(); }));
    }
    ASSERT_TRUE(ClientReceives(client, "ALTER CALL 1351 SET_OUTPUT SOUNDCARD"));
    ASSERT_TRUE(ClientReceives(client, "ALTER CALL 1351 SET_INPUT SOUNDCARD"));
    ASSERT_TRUE(ClientReceives(client, "ALTER CALL 1351 HANGUP"));
    ASSERT_TRUE(ClientSays(client, "audio 1351 ended"));

    std::vector<std::string> kept;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      const std::string name = entry.path().filename().string();
      const std::optional<VoiceMessageFileName> parsed = ParseVoiceMessageFileName(qav::U16(name));
      if (!parsed) continue;
      kept.push_back(name);
      EXPECT_EQ(parsed->caller, u"caller1");
      const double seconds = std::atof(Output("soxi -D " + Quote(entry.path().string())).c_str());
      EXPECT_GE(seconds, kCallerVoiceSeconds - kGreetingSeconds);
      EXPECT_EQ(parsed->duration, static_cast<int32_t>(std::ceil(seconds)));
    }
    EXPECT_EQ(kept.size(), 1u) << ::testing::PrintToString(kept);
    if (!exit) StopProgram();
  }
}

// With automatic recording, the user picks up a call while another one goes on and is recorded:
// the second call joins the conversation, its partner is asked for, told that the recording
// starts, and listed in the side file beside the first call's.
TEST_F(AnsweringEndToEndTest, ASecondCallPickedUpDuringARecordedConversationHasItsPartnerAskedToldAndListed) {
  ChildProcess client(QAV_SIM_CALLCLIENT, {"--stdin"});
  ASSERT_NO_FATAL_FAILURE(StartClientAndProgram(client));
  g_ConversationAutoRecordMode = 1;
  g_RecConvTextNotificationStartAllowed = 1;
  g_RecConvTextNotificationTextMsgStart = u"Recording starts";
  g_SecB4AnsweringOnline = 60;

  ASSERT_NO_FATAL_FAILURE(RingUntilTimed(client, 1361, "caller1"));
  client.WriteLine("status 1361 INPROGRESS");
  ASSERT_TRUE(ServeUntil([&] { return StateOf(1361) == ST_CONV_RECORDING; }));
  ASSERT_TRUE(ClientReceives(client, "MESSAGE caller1 Recording starts"));

  client.WriteLine("ring 1362 caller2 audio=" + callerWav_);
  ASSERT_TRUE(ServeUntil([&] { return StateOf(1362) == ST_NEW_IN_CALL; }));
  client.WriteLine("status 1362 INPROGRESS");
  ASSERT_TRUE(ServeUntil([&] { return StateOf(1362) == ST_CONV_RECORDING; }));
  ASSERT_TRUE(ClientReceives(client, "GET CALL 1362 PARTNER_HANDLE"));
  ASSERT_TRUE(ServeUntil([&] { return g_CallCollection.Get(1362)->GetPartner() != nullptr; }));
  virtualLoop.AdvanceMs(1000);
  ASSERT_TRUE(ClientReceives(client, "MESSAGE caller2 Recording starts"));

  client.WriteLine("hangup 1362");
  client.WriteLine("hangup 1361");
  ASSERT_TRUE(ServeUntil([&] { return StateOf(1361) == ST_CALL_DONE && StateOf(1362) == ST_CALL_DONE; }));
  const CConversation* conversation = g_CallCollection.Get(1361)->GetConversation();
  ASSERT_NE(conversation, nullptr);
  EXPECT_EQ(g_CallCollection.Get(1362)->GetConversation(), conversation);
  const std::string side = qav::U8(g_ConversationCollection.GetConversationsFolder() + conversation->GetDataFileName());
  const ConversationData data = ParseConversationData(qav::test::ReadFileBytes(side));
  EXPECT_EQ(data.partners, (std::vector<std::u16string>{u"caller1", u"caller2"}));
}

}  // namespace
