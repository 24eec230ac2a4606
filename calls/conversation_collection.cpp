#include "calls/conversation_collection.h"

#include <algorithm>

#include "calls/call.h"
#include "calls/leftover_conversation.h"
#include "calls/rebuilt_calls.h"
#include "calls/recording_files.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "skype/link/main_window_port.h"

CConversationCollection g_ConversationCollection;

namespace {

constexpr char16_t kConversationsFolderName[] = u"My Recorded Conversations";

bool HasRecordingEnding(std::u16string_view name) { return name.ends_with(u"wav") || name.ends_with(u"mp3"); }

}  // namespace

CConversationCollection::~CConversationCollection() {
  m_conversations.Clear([](CConversation& conversation) { conversation.DetachAllCalls(); });
}

int CConversationCollection::init(std::u16string_view userHandle) {
  QAV_LOG(LOG_INFO, u"CConversationCollection::init username: %s", userHandle);
  if (!m_conversations.empty()) DeleteAll();
  m_strUser = std::u16string(userHandle);
  if (m_strUser.empty()) {
    QAV_LOG(LOG_INFO, u"CConversationCollection::init username.IsEmpty");
    return 0;
  }
  ReadSavedConversations();
  return 1;
}

std::u16string CConversationCollection::GetConversationsFolder() const {
  return qav::RecordingUserFolder(GetConversationsRootFolder(), kConversationsFolderName, m_strUser);
}

CConversation* CConversationCollection::add(std::unique_ptr<CConversation> conversation) {
  if (!conversation || m_strUser.empty()) return nullptr;
  CConversation* added = m_conversations.AddAtHead(std::move(conversation));
  PostToMainWindow(UM_UPDATEDLG, kPageConversations);
  return added;
}

void CConversationCollection::DetachCalls(CConversation& conversation) {
  const std::vector<CCall*> calls = conversation.GetCalls();
  // A conversation still going on ends for each of its calls, so its file is finished and its
  // side file names every partner.
  for (CCall* call : calls) {
    if (conversation.IsActive(call)) conversation.End(call);
  }
  conversation.DetachAllCalls();
  for (CCall* call : calls) {
    if (call == nullptr || call->GetConversation() != &conversation) continue;
    call->SetConversation(nullptr);
    DeleteRebuiltCallIfUnused(call);
  }
}

void CConversationCollection::del(CConversation* conversation) {
  std::unique_ptr<CConversation> removed = m_conversations.Remove(conversation);
  if (!removed) return;
  DetachCalls(*removed);
  PostToMainWindow(UM_UPDATEDLG, kPageConversations);
}

bool CConversationCollection::Contains(const CConversation* conversation) const {
  return m_conversations.Contains(conversation);
}

CConversation* CConversationCollection::Find(ConversationId id) const {
  if (id == ConversationId::kNone) return nullptr;
  for (CConversation* conversation : m_conversations.Items()) {
    if (conversation->GetId() == id) return conversation;
  }
  return nullptr;
}

void CConversationCollection::DeleteAll() {
  const bool changed = !m_conversations.empty() || !m_strUser.empty();
  while (std::unique_ptr<CConversation> conversation = m_conversations.RemoveFirst()) DetachCalls(*conversation);
  m_strUser.clear();
  if (changed) PostToMainWindow(UM_UPDATEDLG, kPageConversations);
}

int64_t CConversationCollection::GetConversationsFolderSizeBytes() const {
  int64_t total = 0;
  for (const CConversation* conversation : m_conversations.Items()) total += conversation->GetSize();
  QAV_LOG(LOG_INFO, u"GetConversationsFolderSizeBytes: Total of %lld bytes in %d files", total,
          m_conversations.size());
  return total;
}

void CConversationCollection::ReadSavedConversations() {
  QAV_LOG(LOG_INFO, u"CConversationCollection: Reading saved messages from username: %s", m_strUser);
  const std::u16string folder = GetConversationsFolder();
  if (folder.empty()) return;
  // Before anything lists the folder or a conversation records into it.
  RecoverLeftoverConversations(folder);
  // One count for the whole folder, so the calls rebuilt for different files never share an id.
  int32_t nextCallId = kRebuiltConversationCallIdBase;
  size_t loaded = 0;
  for (const std::u16string& name : qav::ListRecordingFiles(folder)) {
    if (!HasRecordingEnding(name)) continue;
    auto conversation = std::make_unique<CConversation>();
    if (conversation->InitFromFile(folder, name, &nextCallId) != 1) continue;
    CConversation::KeepConferenceIdsAbove(conversation->GetConferenceId());
    m_conversations.AddAtHead(std::move(conversation));
    ++loaded;
  }
  if (loaded > 0) PostToMainWindow(UM_UPDATEDLG, kPageConversations);
}
