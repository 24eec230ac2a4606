#include "calls/message_collection.h"

#include <algorithm>

#include "calls/call.h"
#include "calls/leftover_voice_message.h"
#include "calls/rebuilt_calls.h"
#include "calls/recording_file_names.h"
#include "calls/recording_files.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "foundation/settings_folders.h"
#include "platform/folders.h"
#include "skype/link/main_window_port.h"
#include "skype/link/user_collection.h"

CMessageCollection g_MessageCollection;
std::atomic<bool> g_bTrayNewMessageFlag{false};

namespace {

constexpr char16_t kMessagesFolderName[] = u"My Received Voice Messages";

}  // namespace

CMessageCollection::~CMessageCollection() {
  // Nothing is stopped, renamed or posted this late; the process is ending.
  m_messages.Clear([](CMessage& message) {
    message.SetSizeTotal(nullptr);
    message.DetachCall();
  });
}

int CMessageCollection::init(std::u16string_view userHandle) {
  QAV_LOG(LOG_INFO, u"CMessageCollection::init username: %s", userHandle);
  if (!m_messages.empty()) RemoveAll();
  m_strUser = std::u16string(userHandle);
  if (m_strUser.empty()) {
    QAV_LOG(LOG_INFO, u"CMessageCollection::init username.IsEmpty");
    return 0;
  }
  LoadSavedMessages();
  return 1;
}

std::u16string CMessageCollection::GetMessagesFolder() const {
  return qav::RecordingUserFolder(GetMessagesRootFolder(), kMessagesFolderName, m_strUser);
}

std::u16string CMessageCollection::GetCallerNotePath() const {
  if (!IsSafeUserFolderName(m_strUser)) return u"";
  const std::u16string data = GetAppDataFolder();
  if (data.empty()) return u"";
  const std::u16string folder = data + m_strUser + u"/";
  qav::CreateFolderTree(folder);
  return folder + std::u16string(kVoiceMessageTemporaryBase) + u".caller";
}

CMessage* CMessageCollection::Add(std::unique_ptr<CMessage> message) {
  if (!message || m_strUser.empty()) return nullptr;
  CMessage* added = Attach(std::move(message));
  PostToMainWindow(UM_UPDATEDLG, kPageVoiceMessages);
  return added;
}

CMessage* CMessageCollection::Attach(std::unique_ptr<CMessage> message) {
  m_sizeTotal += message->GetSize();
  message->SetSizeTotal(&m_sizeTotal);
  return m_messages.AddAtHead(std::move(message));
}

std::unique_ptr<CMessage> CMessageCollection::Detach(std::unique_ptr<CMessage> message) {
  if (message) {
    message->SetSizeTotal(nullptr);
    m_sizeTotal -= message->GetSize();
  }
  return message;
}

void CMessageCollection::DetachCall(CMessage& message) {
  // A message still being recorded gets its final name first, which needs its call.
  if (message.IsRecording()) message.AudioCtrlBreak();
  CCall* call = message.GetCall();
  message.DetachCall();
  if (call != nullptr && call->GetMessage() == &message) {
    call->SetMessage(nullptr);
    DeleteRebuiltCallIfUnused(call);
  }
}

void CMessageCollection::del(CMessage* message) {
  std::unique_ptr<CMessage> removed = Detach(m_messages.Remove(message));
  if (!removed) return;
  DetachCall(*removed);
  PostToMainWindow(UM_UPDATEDLG, kPageVoiceMessages);
}

bool CMessageCollection::Contains(const CMessage* message) const { return m_messages.Contains(message); }

CMessage* CMessageCollection::Find(VoiceMessageId id) const {
  if (id == VoiceMessageId::kNone) return nullptr;
  for (CMessage* message : m_messages.Items()) {
    if (message->GetId() == id) return message;
  }
  return nullptr;
}

void CMessageCollection::RemoveAll() {
  const bool changed = !m_messages.empty() || !m_strUser.empty();
  while (std::unique_ptr<CMessage> message = Detach(m_messages.RemoveFirst())) DetachCall(*message);
  m_strUser.clear();
  if (changed) PostToMainWindow(UM_UPDATEDLG, kPageVoiceMessages);
}

int64_t CMessageCollection::GetMessagesFolderSizeBytes() const {
  QAV_LOG(LOG_INFO, u"GetMessagesFolderSizeBytes: Total of %lld bytes in %d files", m_sizeTotal, m_messages.size());
  return m_sizeTotal;
}

int CMessageCollection::GetNumNewSavedVoiceMessages() const {
  const std::vector<CMessage*> messages = m_messages.Items();
  const int count = static_cast<int>(std::count_if(messages.begin(), messages.end(), [](const CMessage* m) { return !m->IsSeen(); }));
  QAV_LOG(LOG_INFO, u"GetNumNewSavedVoiceMessages: Total %d new Messages out of %d", count, m_messages.size());
  return count;
}

void CMessageCollection::LoadSavedMessages() {
  QAV_LOG(LOG_INFO, u"CMessageCollection: Reading saved messages from username: %s", m_strUser);
  const std::u16string folder = GetMessagesFolder();
  if (folder.empty()) return;
  // Before anything lists the folder or a call records into it.
  const std::vector<RecoveredVoiceMessageCaller> recovered = RecoverLeftoverVoiceMessages(folder, GetCallerNotePath());
  int32_t nextCallId = kRebuiltMessageCallIdBase;
  size_t loaded = 0;
  // The listing's own look at each file gives its size: a second look at every file cost as much
  // again (some 0.35 s for 100,000 messages).
  for (qav::RecordingFileEntry& entry : qav::ListRecordingFilesWithSizes(folder)) {
    const std::u16string& name = entry.name;
    const std::optional<VoiceMessageFileName> parsed = ParseVoiceMessageFileName(name);
    if (!parsed) continue;
    const int64_t size = entry.size;
    // Hundreds of callers may be new here at once: their questions give way to the calls' commands.
    CUser* caller = g_UserCollection.FindOrCreate(parsed->caller, CUser::Asking::kWhenIdle);
    CCall* call = AddRebuiltMessageCall(&nextCallId, caller, parsed->startTime);
    auto message = std::make_unique<CMessage>();
    message->Init(call, parsed->seen ? 1 : 0, parsed->extension);
    message->SetDuration(parsed->duration);
    message->SetSize(size);
    message->SetStoredFileName(name);
    call->SetMessage(message.get());
    Attach(std::move(message));
    ++loaded;
    QAV_LOG(LOG_FINE, u"CMessageCollection: loaded saved message %s", name);
  }
  // A recovered message's caller whom the client has not named yet shows the name the note kept.
  for (const RecoveredVoiceMessageCaller& caller : recovered) {
    CUser* user = g_UserCollection.Lookup(caller.handle);
    if (user != nullptr && !user->HasNames() && !caller.name.empty()) user->SetDisplayName(caller.name);
  }
  // One refresh for the whole folder: the page rebuilds once instead of once a file.
  if (loaded > 0) PostToMainWindow(UM_UPDATEDLG, kPageVoiceMessages);
}
