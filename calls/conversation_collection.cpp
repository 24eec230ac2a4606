#include "calls/conversation_collection.h"

#include <algorithm>

#include "calls/call.h"
#include "calls/rebuilt_calls.h"
#include "calls/recording_files.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/folders.h"
#include "skype/link/main_window_port.h"

CConversationCollection g_ConversationCollection;

namespace {

constexpr char16_t kConversationsFolderName[] = u"My Recorded Conversations";

bool HasRecordingEnding(std::u16string_view name) { return name.ends_with(u"wav") || name.ends_with(u"mp3"); }

}  // namespace

CConversationCollection::~CConversationCollection() {
  for (auto& conversation : m_conversations) conversation->DetachAllCalls();
  m_conversations.clear();
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
  if (m_strUser.empty() || !IsSafeUserFolderName(m_strUser)) return {};
  const std::u16string root = GetConversationsRootFolder();
  if (root.empty()) return {};
  const std::u16string folder = qav::WithTrailingSlash(root) + kConversationsFolderName + u"/" + m_strUser + u"/";
  qav::CreateFolderTree(folder);
  return folder;
}

CConversation* CConversationCollection::add(std::unique_ptr<CConversation> conversation) {
  if (!conversation || m_strUser.empty()) return nullptr;
  CConversation* added = conversation.get();
  m_conversations.push_front(std::move(conversation));
  PostToMainWindow(UM_UPDATEDLG, kPageConversations);
  return added;
}

std::unique_ptr<CConversation> CConversationCollection::Take(
    std::list<std::unique_ptr<CConversation>>::iterator entry) {
  std::unique_ptr<CConversation> conversation = std::move(*entry);
  m_conversations.erase(entry);
  const std::vector<CCall*> calls = conversation->GetCalls();
  conversation->DetachAllCalls();
  for (CCall* call : calls) {
    if (call == nullptr || call->GetConversation() != conversation.get()) continue;
    call->SetConversation(nullptr);
    DeleteRebuiltCallIfUnused(call);
  }
  return conversation;
}

void CConversationCollection::del(CConversation* conversation) {
  auto entry = std::find_if(m_conversations.begin(), m_conversations.end(),
                            [&](const auto& c) { return c.get() == conversation; });
  if (entry == m_conversations.end()) return;
  Take(entry);
  PostToMainWindow(UM_UPDATEDLG, kPageConversations);
}

bool CConversationCollection::Contains(const CConversation* conversation) const {
  return std::any_of(m_conversations.begin(), m_conversations.end(),
                     [&](const auto& c) { return c.get() == conversation; });
}

void CConversationCollection::DeleteAll() {
  const bool changed = !m_conversations.empty() || !m_strUser.empty();
  while (!m_conversations.empty()) Take(m_conversations.begin());
  m_strUser.clear();
  if (changed) PostToMainWindow(UM_UPDATEDLG, kPageConversations);
}

int64_t CConversationCollection::GetConversationsFolderSizeBytes() const {
  int64_t total = 0;
  for (const auto& conversation : m_conversations) total += conversation->GetSize();
  QAV_LOG(LOG_INFO, u"GetConversationsFolderSizeBytes: Total of %lld bytes in %d files", total,
          m_conversations.size());
  return total;
}

std::vector<CConversation*> CConversationCollection::GetConversations() const {
  std::vector<CConversation*> conversations;
  for (const auto& conversation : m_conversations) conversations.push_back(conversation.get());
  return conversations;
}

void CConversationCollection::ReadSavedConversations() {
  QAV_LOG(LOG_INFO, u"CConversationCollection: Reading saved messages from username: %s", m_strUser);
  const std::u16string folder = GetConversationsFolder();
  if (folder.empty()) return;
  // One count for the whole folder, so the calls rebuilt for different files never share an id.
  int32_t nextCallId = kRebuiltConversationCallIdBase;
  size_t loaded = 0;
  for (const std::u16string& name : qav::ListRecordingFiles(folder)) {
    if (!HasRecordingEnding(name)) continue;
    auto conversation = std::make_unique<CConversation>();
    if (conversation->InitFromFile(folder, name, &nextCallId) != 1) continue;
    CConversation::KeepConferenceIdsAbove(conversation->GetConferenceId());
    m_conversations.push_front(std::move(conversation));
    ++loaded;
  }
  if (loaded > 0) PostToMainWindow(UM_UPDATEDLG, kPageConversations);
}
