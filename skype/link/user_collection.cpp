#include "skype/link/user_collection.h"

#include <mutex>

#include "foundation/logger.h"

// Both objects are defined here, so the collection's pointer to the current user is set before
// anything can use either of them.
CUser g_CurrentUser;
CUserCollection g_UserCollection(&g_CurrentUser);

namespace {

std::mutex g_publishedHandleMutex;
std::u16string g_publishedHandle;

}  // namespace

std::u16string GetCurrentUserHandleCopy() {
  std::lock_guard lock(g_publishedHandleMutex);
  return g_publishedHandle;
}

void PublishCurrentUserHandle() {
  std::u16string handle = g_CurrentUser.GetHandle();
  std::lock_guard lock(g_publishedHandleMutex);
  g_publishedHandle.swap(handle);
}

CUserCollection::CUserCollection(CUser* currentUser) : m_pCurrentUser(currentUser) {}

CUserCollection::~CUserCollection() { RemoveAll(); }

std::unique_ptr<CUser> CUserCollection::Release(CUser* user) const {
  return std::unique_ptr<CUser>(user == m_pCurrentUser ? nullptr : user);
}

std::unique_ptr<CUser> CUserCollection::Add(CUser* user) {
  if (user == nullptr) return nullptr;
  QAV_LOG(LOG_INFO, u"CUserCollection::Add: '%s'", user->GetHandle());
  auto [entry, inserted] = m_users.try_emplace(user->GetHandle(), user);
  if (inserted || entry->second == user) return nullptr;
  CUser* displaced = entry->second;
  entry->second = user;
  QAV_LOG(LOG_INFO, u"CUserCollection::Add: '%s' replaces the contact %p", user->GetHandle(), displaced);
  return Release(displaced);
}

CUser* CUserCollection::Lookup(std::u16string_view handle) const {
  auto entry = m_users.find(handle);
  return entry == m_users.end() ? nullptr : entry->second;
}

CUser* CUserCollection::FindOrCreate(std::u16string_view handle, CUser::Asking asking) {
  if (CUser* known = Lookup(handle)) return known;
  auto user = std::make_unique<CUser>();
  user->init(handle, asking);
  // init stores "+" for an empty handle, which may be known already.
  if (CUser* known = Lookup(user->GetHandle())) return known;
  CUser* added = user.release();
  (void)Add(added);  // a fresh handle displaces nobody
  return added;
}

std::unique_ptr<CUser> CUserCollection::Remove(std::u16string_view handle) {
  QAV_LOG(LOG_INFO, u"CUserCollection::Remove: %s", handle);
  auto entry = m_users.find(handle);
  if (entry == m_users.end()) return nullptr;
  CUser* removed = entry->second;
  m_users.erase(entry);
  return Release(removed);
}

void CUserCollection::RemoveAll() {
  for (auto& [handle, user] : m_users) {
    if (user != m_pCurrentUser) delete user;
  }
  m_users.clear();
}
