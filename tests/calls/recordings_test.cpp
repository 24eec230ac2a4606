// Voice messages and conversations with their collections: the recording counters of a
// conversation shared by calls, loading a user's folders (with the calls rebuilt for them),
// renaming, deleting and the texts the pages show.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "audio/wave_utils.h"
#include "calls/call.h"
#include "calls/call_collection.h"
#include "calls/conversation.h"
#include "calls/conversation_collection.h"
#include "calls/conversation_data_file.h"
#include "calls/message.h"
#include "calls/message_collection.h"
#include "calls/recording_file_names.h"
#include "calls/recording_files.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "skype/link/user_collection.h"
#include "tests/calls/disk_flush_count.h"
#include "tests/support/call_model_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

using qav::test::CallModelFixture;

class RecordingsTest : public CallModelFixture {
 protected:
  void SetUp() override {
    CallModelFixture::SetUp();
    tzset();
    SignIn(u"me");
    qav::SetCurrentClock(&virtualLoop.clock());
  }
  void TearDown() override {
    qav::SetCurrentClock(nullptr);
    CallModelFixture::TearDown();
    tzset();
  }

  std::string MessagesFolder() { return qav::U8(g_MessageCollection.GetMessagesFolder()); }
  std::string ConversationsFolder() { return qav::U8(g_ConversationCollection.GetConversationsFolder()); }
  static void Write(const std::string& path, const std::string& bytes) {
    ASSERT_TRUE(qav::test::WriteFileBytes(path, bytes)) << path;
  }
  CCall* CallWith(int32_t id, std::u16string_view partner) {
    CCall* call = AddCall(id);
    call->set(g_UserCollection.FindOrCreate(partner));
    return call;
  }
  // Loads the signed-in user's folders again, as at the next start.
  void Reload() {
    CRecordings().DeleteAll();
    g_CallCollection.DeleteAll();
    CRecordings().LoadForUser(u"me");
  }

  qav::test::ScopedEnv tz_{"TZ", "CET-1CEST,M3.5.0,M10.5.0/3"};
};

TEST_F(RecordingsTest, JoinedCallsRecordOnceAndTheConversationEndsWithTheLastOne) {
  CCall* first = CallWith(3, u"caller77");
  CCall* second = CallWith(5, u"caller2");
  auto created = std::make_unique<CConversation>();
  created->Init(nullptr, u"wav");
  CConversation* conversation = g_ConversationCollection.add(std::move(created));
  ASSERT_NE(conversation, nullptr);
  const std::u16string base = conversation->GetFileBaseName();

  int out = -1, in = -1;
  conversation->AttachCall(first);
  ASSERT_EQ(conversation->Begin(first, &out, &in), 1);
  EXPECT_EQ(std::make_pair(out, in), std::make_pair(40001, 40002));
  conversation->AttachCall(second);
  conversation->AttachCall(second);  // once only
  ASSERT_EQ(conversation->Begin(second, &out, &in), 1);
  EXPECT_EQ(std::make_pair(out, in), std::make_pair(0, 0));  // the second call keeps its sound card
  EXPECT_EQ(audio.TakeRequests(), (std::vector<std::string>{"ConvStart " + qav::U8(base) + ".wav"}));
  EXPECT_EQ(conversation->GetCalls().size(), 2u);
  EXPECT_EQ(conversation->GetTakeCount(), 2);
  EXPECT_EQ(conversation->GetBeginCount(), 2);
  EXPECT_EQ(conversation->GetState(), CConversation::kRecording);

  // The first call goes on hold and ends there, twice over: the second call's recording runs on.
  EXPECT_EQ(conversation->AudioCtrlBreak(first), 1);
  EXPECT_EQ(conversation->GetTakeCount(), 1);
  EXPECT_EQ(conversation->End(first), 1);
  EXPECT_EQ(conversation->End(first), 0);
  EXPECT_EQ(conversation->AudioCtrlBreak(first), 1);
  EXPECT_EQ(conversation->GetTakeCount(), 1);
  EXPECT_EQ(conversation->GetBeginCount(), 1);
  EXPECT_EQ(conversation->GetState(), CConversation::kRecording);
  EXPECT_TRUE(audio.busy());
  EXPECT_TRUE(audio.TakeRequests().empty());

  EXPECT_EQ(conversation->End(second), 1);
  EXPECT_EQ(audio.TakeRequests(), (std::vector<std::string>{"ConvStop"}));
  EXPECT_EQ(conversation->GetState(), CConversation::kEnded);
  EXPECT_EQ(conversation->GetDuration(), audio.conversationSeconds);
  EXPECT_EQ(conversation->GetSize(), static_cast<int64_t>(audio.recordedBytes.size()));
  EXPECT_EQ(qav::test::ReadFileBytes(ConversationsFolder() + qav::U8(base) + ".dat"),
            BuildConversationData(30, {u"caller77", u"caller2"}));
  std::u16string handles, names;
  EXPECT_EQ(conversation->GetPartnerNames(handles, names), 1);
  EXPECT_EQ(handles, u"caller77, caller2");
  int total = 0, skype = 0, telephone = 0;
  EXPECT_EQ(conversation->GetPartnerCounts(&total, &skype, &telephone), 1);
  EXPECT_EQ(std::vector<int>({total, skype, telephone}), std::vector<int>({2, 2, 0}));
}

TEST_F(RecordingsTest, HoldAndResumeContinueTheSameFile) {
  CCall* call = CallWith(3, u"caller77");
  auto created = std::make_unique<CConversation>();
  created->Init(nullptr, u"mp3");
  CConversation* conversation = g_ConversationCollection.add(std::move(created));
  int out = 0, in = 0;
  conversation->AttachCall(call);
  ASSERT_EQ(conversation->Begin(call, &out, &in), 1);
  struct Step {
    int32_t take;
    int32_t state;
  };
  std::vector<Step> seen = {{conversation->GetTakeCount(), conversation->GetState()}};
  conversation->AudioCtrlBreak(call);
  seen.push_back({conversation->GetTakeCount(), conversation->GetState()});
  // A second take while holding it changes nothing; the resume takes the first free port pair.
  ASSERT_EQ(conversation->AudioCtrlTake(call, &out, &in), 1);
  EXPECT_EQ(out, 40001);
  ASSERT_EQ(conversation->AudioCtrlTake(call, &out, &in), 1);
  EXPECT_EQ(out, 0);
  seen.push_back({conversation->GetTakeCount(), conversation->GetState()});
  const std::vector<std::pair<int32_t, int32_t>> counters = {{seen[0].take, seen[0].state}, {seen[1].take, seen[1].state},
                                                             {seen[2].take, seen[2].state}};
  EXPECT_EQ(counters, (std::vector<std::pair<int32_t, int32_t>>{{1, 1}, {0, 2}, {1, 1}}));
  const std::string file = qav::U8(conversation->GetAudioFileName());
  EXPECT_EQ(audio.TakeRequests(), (std::vector<std::string>{"ConvStart " + file, "ConvStop", "ConvStart " + file}));
  EXPECT_EQ(qav::test::ReadFileBytes(ConversationsFolder() + file).size(), 2 * audio.recordedBytes.size());
}

TEST_F(RecordingsTest, AUsersFoldersLoadWithACallOfItsOwnForEveryRecording) {
  const std::string messages = MessagesFolder();
  const std::string conversations = ConversationsFolder();
  ASSERT_FALSE(messages.empty());
  Write(messages + "caller77.2024.03.05.14.07.09.42.s.mp3", "m1");
  Write(messages + "john.doe.2024.03.05.14.08.00.75.n.wav", "m2 longer");
  Write(messages + "song.mp3", "not a message");
  Write(messages + "lastvoicemsg.mp3", "being recorded");
  std::filesystem::create_directory(messages + "x.2024.03.05.14.07.09.42.s.mp3");  // a folder
  // Sizes beyond 32 bits: a sparse file of 5 GiB.
  const std::string big = messages + "caller9.2024.03.06.10.00.00.3600.n.wav";
  Write(big, "");
  ASSERT_EQ(::truncate(big.c_str(), int64_t{5} << 30), 0);

  Write(conversations + "2024.03.05.14.07.09.3.mp3", "c1");
  Write(conversations + "2024.03.05.14.07.09.3.dat", BuildConversationData(12, {u"caller2"}));
  Write(conversations + "2024.03.07.09.00.00.4.wav", "c2");
  Write(conversations + "2024.03.07.09.00.00.4.dat", BuildConversationData(95, {u"caller77", u"caller2"}));
  Write(conversations + "2024.03.08.09.00.00.9.wav", "without side file");
  Write(conversations + "2024.03.05.14.07.09.3.mp3.bak", "");
  Write(conversations + "notes.mp3", "");
  Reload();

  ASSERT_EQ(g_MessageCollection.GetCount(), 3u);
  std::set<int32_t> ids;
  for (const CMessage* message : g_MessageCollection.GetMessages()) {
    ASSERT_NE(message->GetCall(), nullptr);
    EXPECT_EQ(message->GetCall()->GetMessage(), message);
    EXPECT_EQ(g_CallCollection.Get(message->GetCall()->GetCallId()), message->GetCall());
    ids.insert(message->GetCall()->GetCallId());
  }
  EXPECT_EQ(ids, (std::set<int32_t>{-3001, -3002, -3003}));
  const CMessage* john = nullptr;
  for (const CMessage* message : g_MessageCollection.GetMessages()) {
    if (message->GetUser()->GetHandle() == u"john.doe") john = message;
  }
  ASSERT_NE(john, nullptr);
  EXPECT_EQ(john->GetDuration(), 75);
  EXPECT_FALSE(john->IsSeen());
  EXPECT_EQ(john->GetExtension(), u"wav");
  EXPECT_EQ(john->GetSize(), 9);
  EXPECT_EQ(john->GetFileName(), u"john.doe.2024.03.05.14.08.00.75.n.wav");
  EXPECT_EQ(g_MessageCollection.GetNumNewSavedVoiceMessages(), 2);
  EXPECT_EQ(g_MessageCollection.GetMessagesFolderSizeBytes(), (int64_t{5} << 30) + 2 + 9);

  ASSERT_EQ(g_ConversationCollection.GetCount(), 3u);
  ids.clear();
  size_t rebuilt = 0;
  for (const CConversation* conversation : g_ConversationCollection.GetConversations()) {
    EXPECT_EQ(conversation->GetState(), CConversation::kEnded);
    for (const CCall* call : conversation->GetCalls()) {
      EXPECT_EQ(call->GetConversation(), conversation);
      EXPECT_EQ(call->GetStartTime(), conversation->GetStartTime());
      ids.insert(call->GetCallId());
      ++rebuilt;
    }
    if (conversation->GetConferenceId() == 4) {
      EXPECT_EQ(conversation->GetDuration(), 95);
      EXPECT_EQ(conversation->GetCalls().size(), 2u);
    } else if (conversation->GetConferenceId() == 3) {
      EXPECT_EQ(conversation->GetDuration(), 12);
      ASSERT_EQ(conversation->GetCalls().size(), 1u);
      EXPECT_EQ(conversation->GetCalls()[0]->GetPartner()->GetHandle(), u"caller2");
    } else {
      EXPECT_EQ(conversation->GetDuration(), 0);
      EXPECT_TRUE(conversation->GetCalls().empty());
    }
  }
  EXPECT_EQ(rebuilt, 3u);
  EXPECT_EQ(ids, (std::set<int32_t>{-2001, -2002, -2003}));
  // Every rebuilt call is in the collection under its own id: 3 messages and 3 partners.
  EXPECT_EQ(g_CallCollection.GetCount(), 6u);
  // New conversations are numbered above the ones found.
  CConversation fresh;
  fresh.Init(nullptr, u"");
  EXPECT_GT(fresh.GetConferenceId(), 9);
}

TEST_F(RecordingsTest, AVoiceMessageLeftUnfinishedIsRepairedAndListedBeforeACallCanRecordOverIt) {
  const std::string messages = MessagesFolder();
  ASSERT_FALSE(messages.empty());
  // A recording killed after 1.5 s and half a sample frame: its header still says 0 bytes.
  const std::string leftover = messages + "lastvoicemsg.wav";
  {
    const int fd = ::open(leftover.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    const WAVEFORMATEX format = WaveUtilsMakePCMFormat(1, 16, 16000);
    uint32_t offset = 0;
    ASSERT_EQ(WriteAudioFileHeaderFormat(fd, &format, 0, &offset), 1);
    const std::string audio(48001, '\x11');
    ASSERT_EQ(::write(fd, audio.data(), audio.size()), ssize_t(audio.size()));
    ::close(fd);
  }
  const timeval changed[2] = {{1709647800, 0}, {1709647800, 0}};
  ASSERT_EQ(::utimes(leftover.c_str(), changed), 0);
  // One with nothing recorded goes.
  Write(messages + "lastvoicemsg.mp3", "");
  Reload();

  EXPECT_FALSE(std::filesystem::exists(leftover)) << "nothing is left under the name the next call records to";
  EXPECT_FALSE(std::filesystem::exists(messages + "lastvoicemsg.mp3"));
  ASSERT_EQ(g_MessageCollection.GetCount(), 1u);
  const CMessage* kept = g_MessageCollection.GetMessages()[0];
  EXPECT_EQ(kept->GetUser()->GetHandle(), u"unknown");
  EXPECT_EQ(kept->GetDuration(), 2) << "1.5 s, rounded up";
  EXPECT_FALSE(kept->IsSeen());
  EXPECT_EQ(kept->GetTimeOfCall(), 1709647800 - 2);
  const std::string path = messages + qav::U8(kept->GetFileName());
  EXPECT_EQ(std::filesystem::file_size(path), 46u + 48000u) << "the half frame is cut off";
  const int fd = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  WAVEFORMATEX format{};
  uint32_t offset = 0, size = 0;
  EXPECT_EQ(WaveUtilsReadAudioFileHeaderFormat(fd, &format, kWaveFormatExSize, &offset, &size), 1);
  ::close(fd);
  EXPECT_EQ(size, 48000u) << "the header says what the file holds";
}

// A .wav of `bytes` bytes of audio whose header still says 0 bytes, as a killed recording leaves it.
std::string UnfinishedWave(size_t bytes) {
  qav::test::TempDir dir;
  const std::string path = dir.File("w.wav");
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return {};
  const WAVEFORMATEX format = WaveUtilsMakePCMFormat(1, 16, 16000);
  uint32_t offset = 0;
  const bool header = WriteAudioFileHeaderFormat(fd, &format, 0, &offset) == 1;
  ::close(fd);
  return header ? qav::test::ReadFileBytes(path) + std::string(bytes, '\x11') : std::string();
}

// A new voice message of the call, in the list, as the answered call makes it before it records.
CMessage* AddVoiceMessage(CCall* call) {
  auto created = std::make_unique<CMessage>();
  created->Init(call, 0, u"wav");
  return g_MessageCollection.Add(std::move(created));
}

TEST_F(RecordingsTest, AVoiceMessageLeftByACrashIsListedUnderItsCallerFromTheNoteKeptWhileItRecorded) {
  const std::string messages = MessagesFolder();
  ASSERT_FALSE(messages.empty());
  CCall* call = CallWith(7, u"zoe.m");
  call->GetPartner()->SetFullName(u"Zo\u00eb Miller");
  audio.recordedBytes = UnfinishedWave(64000);
  ASSERT_FALSE(audio.recordedBytes.empty());
  CMessage* message = AddVoiceMessage(call);
  int out = 0, in = 0;
  ASSERT_EQ(message->AudioCtrlTake(&out, &in), 1);

  // The moment of the crash: the recording's file and its note, as they are on disk.
  const std::string notePath = qav::U8(g_MessageCollection.GetCallerNotePath());
  ASSERT_FALSE(notePath.empty());
  EXPECT_EQ(notePath.rfind(messages, 0), std::string::npos) << "the note is not in the messages folder";
  EXPECT_EQ(qav::ListRecordingFiles(qav::U16(messages)), (std::vector<std::u16string>{u"lastvoicemsg.wav"}));
  const std::string partFile = qav::test::ReadFileBytes(messages + "lastvoicemsg.wav");
  const std::string note = qav::test::ReadFileBytes(notePath);
  ASSERT_FALSE(note.empty()) << "no note while the message records";

  // A recording that ends takes its note with it.
  ASSERT_EQ(message->AudioCtrlBreak(), 1);
  EXPECT_FALSE(std::filesystem::exists(notePath));
  ASSERT_EQ(message->DeleteFile(), 1);

  // The next start, in a process that knows no contact yet, finds what the crash left.
  CRecordings().DeleteAll();
  g_CallCollection.DeleteAll();
  (void)g_UserCollection.Remove(u"zoe.m");
  Write(messages + "lastvoicemsg.wav", partFile);
  Write(notePath, note);
  CRecordings().LoadForUser(u"me");

  ASSERT_EQ(g_MessageCollection.GetCount(), 1u);
  const CMessage* recovered = g_MessageCollection.GetMessages()[0];
  EXPECT_EQ(recovered->GetUser()->GetHandle(), u"zoe.m");
  EXPECT_EQ(recovered->GetUserDisplayNameWithHandle(), u"Zo\u00eb Miller (zoe.m)");
  EXPECT_EQ(recovered->GetDuration(), 2);
  EXPECT_EQ(qav::U8(recovered->GetFileName()).rfind("zoe.m.", 0), 0u) << qav::U8(recovered->GetFileName());
  EXPECT_FALSE(std::filesystem::exists(notePath)) << "a recovered recording's note is removed";
  EXPECT_FALSE(std::filesystem::exists(messages + "lastvoicemsg.wav"));

  // A note that cannot be trusted keeps today's unknown caller, and goes.
  static constexpr char kNotANote[] = "\x00\xff\xfe garbage\nend\n";  // a NUL first: sized, not read to the NUL
  const std::string file = messages + "lastvoicemsg.wav";
  const std::string whole = "QAV recording caller 1\nfile " + file + "\nhandle zoe.m\nname Zoe\nend\n";
  const struct {
    const char* name;
    std::string note;  // "" for none
  } damaged[] = {
      {"no note", ""},
      {"torn", whole.substr(0, whole.size() - 4)},
      {"not a note", std::string(kNotANote, sizeof kNotANote - 1)},
      {"no handle", "QAV recording caller 1\nfile " + file + "\nhandle \nname Zoe\nend\n"},
      {"for another recording", "QAV recording caller 1\nfile " + messages + "lastvoicemsg.mp3\nhandle zoe.m\nend\n"},
  };
  for (const auto& c : damaged) {
    SCOPED_TRACE(c.name);
    for (const CMessage* listed : g_MessageCollection.GetMessages()) {
      ::unlink((messages + qav::U8(listed->GetFileName())).c_str());
    }
    CRecordings().DeleteAll();
    g_CallCollection.DeleteAll();
    Write(file, partFile);
    if (!c.note.empty()) Write(notePath, c.note);
    CRecordings().LoadForUser(u"me");
    ASSERT_EQ(g_MessageCollection.GetCount(), 1u);
    EXPECT_EQ(g_MessageCollection.GetMessages()[0]->GetUser()->GetHandle(), u"unknown");
    EXPECT_FALSE(std::filesystem::exists(notePath));
  }
}

// The note is written on the GUI thread as the answered call's recording starts: a slow disk must
// not hold the call link and the answer timers there, so nothing in that start waits for a flush.
TEST_F(RecordingsTest, AVoiceMessageStartsRecordingWithItsCallerNoteAndNoWaitOnTheDisk) {
  ASSERT_FALSE(MessagesFolder().empty());
  CCall* call = CallWith(8, u"ann.k");
  audio.recordedBytes = UnfinishedWave(3200);
  ASSERT_FALSE(audio.recordedBytes.empty());
  CMessage* message = AddVoiceMessage(call);
  int out = 0, in = 0;
  const uint64_t flushesBefore = qav::test::DiskFlushCount();
  ASSERT_EQ(message->AudioCtrlTake(&out, &in), 1);
  EXPECT_EQ(qav::test::DiskFlushCount(), flushesBefore) << "the recording's start waited for a disk flush";
  const std::string note = qav::test::ReadFileBytes(qav::U8(g_MessageCollection.GetCallerNotePath()));
  EXPECT_NE(note.find("\nhandle ann.k\n"), std::string::npos) << note;
  ASSERT_EQ(message->AudioCtrlBreak(), 1);
}

TEST_F(RecordingsTest, AConversationLeftUnfinishedGetsItsHeaderAndSideFileBeforeItIsListed) {
  const std::string conversations = ConversationsFolder();
  ASSERT_FALSE(conversations.empty());
  // Recordings killed before they ended: no side file, the header still says 0 bytes. One after
  // 2.5 s and half a sample frame, one before any audio.
  const auto recording = [](const std::string& path, size_t audioBytes) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    const WAVEFORMATEX format = WaveUtilsMakePCMFormat(1, 16, 16000);
    uint32_t offset = 0;
    ASSERT_EQ(WriteAudioFileHeaderFormat(fd, &format, 0, &offset), 1);
    const std::string audio(audioBytes, '\x11');
    ASSERT_EQ(::write(fd, audio.data(), audio.size()), ssize_t(audio.size()));
    ::close(fd);
  };
  const std::string killed = conversations + "2024.03.07.09.00.00.7";
  recording(killed + ".wav", 80001);
  recording(conversations + "2024.03.08.09.00.00.8.wav", 0);
  // A finished conversation, and a file the program did not record, stay as they are.
  Write(conversations + "2024.03.05.14.07.09.3.wav", "c1");
  Write(conversations + "2024.03.05.14.07.09.3.dat", BuildConversationData(12, {u"caller2"}));
  Write(conversations + "2024.03.09.09.00.00.9.wav", "not recorded here");
  Reload();

  EXPECT_EQ(qav::test::ReadFileBytes(killed + ".dat"), BuildConversationData(3, {})) << "2.5 s, rounded up";
  EXPECT_EQ(std::filesystem::file_size(killed + ".wav"), 46u + 80000u) << "the half frame is cut off";
  const int fd = ::open((killed + ".wav").c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  WAVEFORMATEX format{};
  uint32_t offset = 0, size = 0;
  EXPECT_EQ(WaveUtilsReadAudioFileHeaderFormat(fd, &format, kWaveFormatExSize, &offset, &size), 1);
  ::close(fd);
  EXPECT_EQ(size, 80000u) << "the header says what the file holds";
  EXPECT_FALSE(std::filesystem::exists(conversations + "2024.03.08.09.00.00.8.wav"));
  EXPECT_FALSE(std::filesystem::exists(conversations + "2024.03.08.09.00.00.8.dat"));
  EXPECT_EQ(qav::test::ReadFileBytes(conversations + "2024.03.05.14.07.09.3.dat"), BuildConversationData(12, {u"caller2"}));
  EXPECT_EQ(qav::test::ReadFileBytes(conversations + "2024.03.09.09.00.00.9.wav"), "not recorded here");
  EXPECT_FALSE(std::filesystem::exists(conversations + "2024.03.09.09.00.00.9.dat"));

  ASSERT_EQ(g_ConversationCollection.GetCount(), 3u);
  for (const CConversation* conversation : g_ConversationCollection.GetConversations()) {
    const int32_t duration = conversation->GetConferenceId() == 7 ? 3 : conversation->GetConferenceId() == 3 ? 12 : 0;
    EXPECT_EQ(conversation->GetDuration(), duration) << conversation->GetConferenceId();
  }
}

TEST_F(RecordingsTest, DeletingARecordingDetachesItsCallsAndDropsTheRebuiltOnes) {
  Write(MessagesFolder() + "caller77.2024.03.05.14.07.09.42.s.mp3", "m1");
  Write(ConversationsFolder() + "2024.03.07.09.00.00.4.wav", "c2");
  Write(ConversationsFolder() + "2024.03.07.09.00.00.4.dat", BuildConversationData(95, {u"caller77", u"caller2"}));
  Reload();
  ASSERT_EQ(g_CallCollection.GetCount(), 3u);
  // A live call that recorded a message, as after a take-over that kept it.
  CCall* live = CallWith(7, u"caller5");
  auto created = std::make_unique<CMessage>();
  created->Init(live, 0, u"wav");
  created->SetSize(40);
  CMessage* kept = g_MessageCollection.Add(std::move(created));
  live->SetMessage(kept);
  // The folder size follows every message that comes, grows and goes.
  EXPECT_EQ(g_MessageCollection.GetMessagesFolderSizeBytes(), 2 + 40);
  kept->SetSize(1000);
  EXPECT_EQ(g_MessageCollection.GetMessagesFolderSizeBytes(), 2 + 1000);

  g_MessageCollection.del(kept);
  EXPECT_EQ(g_MessageCollection.GetMessagesFolderSizeBytes(), 2);
  EXPECT_EQ(live->GetMessage(), nullptr);
  EXPECT_EQ(g_CallCollection.Get(7), live);  // a live call stays for the dispatcher to end
  g_MessageCollection.del(g_MessageCollection.GetMessages().front());
  EXPECT_EQ(g_MessageCollection.GetMessagesFolderSizeBytes(), 0);
  g_ConversationCollection.del(g_ConversationCollection.GetConversations().front());
  EXPECT_EQ(g_MessageCollection.GetCount(), 0u);
  EXPECT_EQ(g_ConversationCollection.GetCount(), 0u);
  EXPECT_EQ(g_CallCollection.GetCount(), 1u);
  // The files stay.
  EXPECT_EQ(qav::test::ReadFileBytes(MessagesFolder() + "caller77.2024.03.05.14.07.09.42.s.mp3"), "m1");
  EXPECT_EQ(qav::test::ReadFileBytes(ConversationsFolder() + "2024.03.07.09.00.00.4.wav"), "c2");

  Reload();
  EXPECT_EQ(g_MessageCollection.GetMessagesFolderSizeBytes(), 2);
  g_MessageCollection.RemoveAll();
  EXPECT_EQ(g_MessageCollection.GetMessagesFolderSizeBytes(), 0);
}

TEST_F(RecordingsTest, AMessageIsRecordedUnderItsTemporaryNameAndRenamedWhenItStops) {
  CCall* call = CallWith(7, u"john.doe");
  auto created = std::make_unique<CMessage>();
  created->Init(call, 0, u"");
  CMessage* message = g_MessageCollection.Add(std::move(created));
  EXPECT_EQ(message->GetExtension(), u"wav");
  EXPECT_EQ(message->GetDurationText(), u"Recording...");
  // A file under the temporary name is another message's (one whose folder refused its final
  // name): it is left alone, and the recording takes the next free name.
  Write(MessagesFolder() + "lastvoicemsg.wav", "old");
  int out = 0, in = 0;
  ASSERT_EQ(message->AudioCtrlTake(&out, &in), 1);
  EXPECT_EQ(message->AudioCtrlTake(&out, &in), 0);
  EXPECT_EQ(audio.TakeRequests(), (std::vector<std::string>{"MsgStart lastvoicemsg.1.wav monitored"}));
  EXPECT_EQ(qav::test::ReadFileBytes(MessagesFolder() + "lastvoicemsg.wav"), "old");
  audio.messageSeconds = 75;
  ASSERT_EQ(message->AudioCtrlBreak(), 1);
  EXPECT_EQ(message->AudioCtrlBreak(), 0);
  const std::string name = qav::U8(BuildVoiceMessageFileName(u"john.doe", call->GetStartTime(), 75, false, u"wav"));
  EXPECT_EQ(qav::U8(message->GetFileName()), name);
  EXPECT_EQ(qav::test::ReadFileBytes(MessagesFolder() + name), audio.recordedBytes);
  EXPECT_FALSE(std::filesystem::exists(MessagesFolder() + "lastvoicemsg.1.wav"));
  EXPECT_EQ(message->GetSize(), static_cast<int64_t>(audio.recordedBytes.size()));
  EXPECT_EQ(message->GetDurationText(), u"1:15 min");

  // Seen twice: one rename.
  message->SetSeen(true);
  message->SetSeen(true);
  const std::string seen = qav::U8(message->GetFileName());
  EXPECT_EQ(seen, name.substr(0, name.size() - 5) + "s.wav");
  EXPECT_TRUE(std::filesystem::exists(MessagesFolder() + seen));
  EXPECT_FALSE(std::filesystem::exists(MessagesFolder() + name));
  EXPECT_EQ(message->DeleteFile(), 1);
  EXPECT_FALSE(std::filesystem::exists(MessagesFolder() + seen));
  EXPECT_EQ(message->DeleteFile(), 0);
}

TEST_F(RecordingsTest, AMessageStopsWithNothingOrWithTheAudioThreadRefusing) {
  CCall* call = CallWith(7, u"caller77");
  auto created = std::make_unique<CMessage>();
  created->Init(call, 0, u"wav");
  CMessage* message = g_MessageCollection.Add(std::move(created));
  int out = 0, in = 0;

  // Nothing recorded: no file, duration 0.
  audio.messageSeconds = 0;
  ASSERT_EQ(message->AudioCtrlTake(&out, &in), 1);
  ASSERT_EQ(message->AudioCtrlBreak(), 1);
  EXPECT_EQ(message->GetDuration(), 0);
  EXPECT_EQ(message->GetDurationText(), u"  ------ ");
  EXPECT_TRUE(qav::ListRecordingFiles(g_MessageCollection.GetMessagesFolder()).empty());
  EXPECT_EQ(message->DeleteFile(), 1);

  // The audio thread refuses the stop: what the file holds is kept, its length from the time it
  // ran, so the next message does not delete it.
  audio.stopResult = 0;
  ASSERT_EQ(message->AudioCtrlTake(&out, &in), 1);
  virtualLoop.clock().AdvanceMs(4200);
  EXPECT_EQ(message->AudioCtrlBreak(), 0);
  EXPECT_FALSE(message->IsRecording());
  EXPECT_EQ(message->GetDuration(), 5);
  EXPECT_EQ(qav::test::ReadFileBytes(qav::U8(message->GetFilePath())), audio.recordedBytes);
}

TEST_F(RecordingsTest, ClearingTheListsWhileRecordingFinishesTheFiles) {
  CCall* answered = CallWith(7, u"caller77");
  auto message = std::make_unique<CMessage>();
  message->Init(answered, 0, u"wav");
  CMessage* recording = g_MessageCollection.Add(std::move(message));
  answered->SetMessage(recording);
  int out = 0, in = 0;
  ASSERT_EQ(recording->AudioCtrlTake(&out, &in), 1);
  const std::string name = qav::U8(BuildVoiceMessageFileName(u"caller77", answered->GetStartTime(), 7, false, u"wav"));
  const std::string messages = MessagesFolder();
  CRecordings().DeleteAll();
  EXPECT_EQ(answered->GetMessage(), nullptr);
  EXPECT_EQ(qav::test::ReadFileBytes(messages + name), audio.recordedBytes);

  SignIn(u"me");
  CCall* talking = CallWith(9, u"caller2");
  auto conversation = std::make_unique<CConversation>();
  conversation->Init(nullptr, u"wav");
  CConversation* recorded = g_ConversationCollection.add(std::move(conversation));
  recorded->AttachCall(talking);
  talking->SetConversation(recorded);
  ASSERT_EQ(recorded->Begin(talking, &out, &in), 1);
  const std::string side = ConversationsFolder() + qav::U8(recorded->GetDataFileName());
  const std::string audioFile = qav::U8(recorded->GetAudioFileName());
  CRecordings().DeleteAll();
  EXPECT_EQ(talking->GetConversation(), nullptr);
  EXPECT_EQ(audio.TakeRequests(), (std::vector<std::string>{"MsgStart lastvoicemsg.wav monitored", "MsgStop",
                                                            "ConvStart " + audioFile,
                                                            "ConvStop"}));
  EXPECT_EQ(qav::test::ReadFileBytes(side), BuildConversationData(30, {u"caller2"}));
}

TEST_F(RecordingsTest, AConversationsFolderOverItsNoticeSizeWarnsAtBeginAndEndButStillRecords) {
  g_IsRecConvsFolderNotified = 1;
  g_RecConvsFolderSize = 0;  // 0 MB: every folder is at its limit
  CCall* call = CallWith(3, u"caller77");
  auto created = std::make_unique<CConversation>();
  created->Init(nullptr, u"wav");
  CConversation* conversation = g_ConversationCollection.add(std::move(created));
  conversation->AttachCall(call);
  mainWindow.Clear();
  int out = 0, in = 0;
  ASSERT_EQ(conversation->Begin(call, &out, &in), 1);
  ASSERT_EQ(conversation->End(call), 1);
  const qav::test::RecordingMainWindow::Posted notice{UM_BALLOONTIP, 2158, 10};
  EXPECT_EQ(mainWindow.Count(UM_BALLOONTIP), 2u);
  EXPECT_EQ(mainWindow.Posts().front(), notice);
  EXPECT_EQ(conversation->GetState(), CConversation::kEnded);
}

TEST_F(RecordingsTest, DurationTexts) {
  const std::pair<int32_t, std::u16string> cases[] = {
      {75, u"1:15 min"}, {61, u"1:01 min"}, {60, u"60 sec"}, {1, u"1 sec"}, {0, u"  ------ "},
      {-1, u"Recording..."}, {-7, u"  ------ "}, {3600, u"60:00 min"},
  };
  CMessage message;
  CConversation conversation;
  for (const auto& [seconds, text] : cases) {
    message.SetDuration(seconds);
    conversation.SetDuration(seconds);
    EXPECT_EQ(message.GetDurationText(), text) << seconds;
    EXPECT_EQ(conversation.GetDurationText(), seconds == -1 ? u"Recording now" : text) << seconds;
  }
}

TEST_F(RecordingsTest, AskingAMessageWithoutACallForItsCallerThrowsATypedError) {
  CMessage message;
  EXPECT_THROW(message.GetUser(), MessageWithoutCall);
  EXPECT_THROW(message.GetTimeOfCall(), MessageWithoutCall);
  CCall* call = AddCall(7);  // a call whose partner is not known yet
  message.Init(call, 0, u"wav");
  EXPECT_THROW(message.GetUserDisplayName(), MessageWithoutCall);
  EXPECT_NO_THROW(message.GetTimeOfCall());
  message.DetachCall();
}

TEST_F(RecordingsTest, WithoutAUsableUserThereIsNoFolderAndNothingIsRecorded) {
  for (const char16_t* handle : {u"", u"..", u"a/b", u"x\\y"}) {
    SCOPED_TRACE(qav::U8(handle));
    CRecordings().DeleteAll();
    CRecordings().LoadForUser(handle);
    EXPECT_EQ(g_MessageCollection.GetMessagesFolder(), u"");
    EXPECT_EQ(g_ConversationCollection.GetConversationsFolder(), u"");
    CMessage message;
    message.Init(nullptr, 0, u"wav");
    int out = 0, in = 0;
    EXPECT_EQ(message.AudioCtrlTake(&out, &in), 0);
  }
  EXPECT_TRUE(audio.TakeRequests().empty());
  EXPECT_FALSE(std::filesystem::exists(temp_.path() + "/QAV/My Received Voice Messages/a"));
}

}  // namespace
