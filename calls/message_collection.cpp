#include "calls/message_collection.h"

#include <algorithm>

#include "calls/call.h"
#include "calls/rebuilt_calls.h"
#include "calls/recording_file_names.h"
#include "calls/recording_files.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
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
  for (auto& message : m_messages) message->DetachCall();
  m_messages.clear();
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
  if (m_strUser.empty() || !IsSafeUserFolderName(m_strUser)) return {};
  const std::u16string root = GetMessagesRootFolder();
  if (root.empty()) return {};
  const std::u16string folder = qav::WithTrailingSlash(root) + kMessagesFolderName + u"/" + m_strUser + u"/";
  qav::CreateFolderTree(folder);
  return folder;
}

CMessage* CMessageCollection::Add(std::unique_ptr<CMessage> message) {
  if (!message || m_strUser.empty()) return nullptr;
  CMessage* added = message.get();
  m_messages.push_front(std::move(message));
  PostToMainWindow(UM_UPDATEDLG, kPageVoiceMessages);
  return added;
}

std::unique_ptr<CMessage> CMessageCollection::Take(std::list<std::unique_ptr<CMessage>>::iterator entry) {
  std::unique_ptr<CMessage> message = std::move(*entry);
  m_messages.erase(entry);
  CCall* call = message->GetCall();
  message->DetachCall();
  if (call != nullptr && call->GetMessage() == message.get()) {
    call->SetMessage(nullptr);
    DeleteRebuiltCallIfUnused(call);
  }
  return message;
}

void CMessageCollection::del(CMessage* message) {
  auto entry = std::find_if(m_messages.begin(), m_messages.end(), [&](const auto& m) { return m.get() == message; });
  if (entry == m_messages.end()) return;
  Take(entry);
  PostToMainWindow(UM_UPDATEDLG, kPageVoiceMessages);
}

bool CMessageCollection::Contains(const CMessage* message) const {
  return std::any_of(m_messages.begin(), m_messages.end(), [&](const auto& m) { return m.get() == message; });
}

void CMessageCollection::RemoveAll() {
  const bool changed = !m_messages.empty() || !m_strUser.empty();
  while (!m_messages.empty()) Take(m_messages.begin());
  m_strUser.clear();
  if (changed) PostToMainWindow(UM_UPDATEDLG, kPageVoiceMessages);
}

int64_t CMessageCollection::GetMessagesFolderSizeBytes() const {
  int64_t total = 0;
  for (const auto& message : m_messages) total += message->GetSize();
  QAV_LOG(LOG_INFO, u"GetMessagesFolderSizeBytes: Total of %lld bytes in %d files", total, m_messages.size());
  return total;
}

int CMessageCollection::GetNumNewSavedVoiceMessages() const {
  const int count =
      static_cast<int>(std::count_if(m_messages.begin(), m_messages.end(), [](const auto& m) { return !m->IsSeen(); }));
  QAV_LOG(LOG_INFO, u"GetNumNewSavedVoiceMessages: Total %d new Messages out of %d", count, m_messages.size());
  return count;
}

std::vector<CMessage*> CMessageCollection::GetMessages() const {
  std::vector<CMessage*> messages;
  for (const auto& message : m_messages) messages.push_back(message.get());
  return messages;
}

void CMessageCollection::LoadSavedMessages() {
  QAV_LOG(LOG_INFO, u"CMessageCollection: Reading saved messages from username: %s", m_strUser);
  const std::u16string folder = GetMessagesFolder();
  if (folder.empty()) return;
  int32_t nextCallId = kRebuiltMessageCallIdBase;
  size_t loaded = 0;
  for (const std::u16string& name : qav::ListRecordingFiles(folder)) {
    const std::optional<VoiceMessageFileName> parsed = ParseVoiceMessageFileName(name);
    if (!parsed) continue;
    const int64_t size = qav::RecordingFileSize(folder + name);
    if (size < 0) continue;
    CUser* caller = g_UserCollection.FindOrCreate(parsed->caller);
    CCall* call = AddRebuiltMessageCall(&nextCallId, caller, parsed->startTime);
    auto message = std::make_unique<CMessage>();
    message->Init(call, parsed->seen ? 1 : 0, parsed->extension);
    message->SetDuration(parsed->duration);
    message->SetSize(size);
    message->SetStoredFileName(name);
    call->SetMessage(message.get());
    m_messages.push_front(std::move(message));
    ++loaded;
  }
  // One refresh for the whole folder: the page rebuilds once instead of once a file.
  if (loaded > 0) PostToMainWindow(UM_UPDATEDLG, kPageVoiceMessages);
}
