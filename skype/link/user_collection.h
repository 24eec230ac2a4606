// Every contact the program knows, by handle, for the program's lifetime; and the current user,
// the owner of the Skype account the program is attached to.
//
// The collection owns its contacts, except the current user, a global object of its own that is
// entered under its handle while it is known. Handles compare exactly, as the client writes them.
//
// A contact that another one displaces from its handle is handed back to the caller instead of
// being dropped or deleted: something (a call's partner) may still point at it, so the caller
// points those holders at the new contact first and lets the old one go afterwards.
//
// Threading: GUI thread only (docs/model-threading.md).
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "skype/link/user.h"

class CUserCollection {
 public:
  // `currentUser` is the object the collection never owns or deletes.
  explicit CUserCollection(CUser* currentUser);
  // Removes the current user's entry and deletes every other contact. Writes no log: the global
  // collection is destroyed at program exit, when the logger may be gone already.
  ~CUserCollection();
  CUserCollection(const CUserCollection&) = delete;
  CUserCollection& operator=(const CUserCollection&) = delete;

  // Enters `user` under its handle; the collection owns it unless it is the current user. The
  // contact that held the handle before, if any and not the same object, leaves the collection
  // and is returned (null for none, and for the current user, which stays with its owner).
  [[nodiscard]] std::unique_ptr<CUser> Add(CUser* user);
  // The contact of the handle, or null.
  CUser* Lookup(std::u16string_view handle) const;
  // The contact of the handle; one that is not known yet is created, initialised (which asks the
  // client about it, now or when the link is idle) and added.
  CUser* FindOrCreate(std::u16string_view handle, CUser::Asking asking = CUser::Asking::kNow);
  // Takes the handle's entry out. An owned contact is returned to the caller; the current user
  // stays with its owner (null).
  std::unique_ptr<CUser> Remove(std::u16string_view handle);
  // Deletes every contact but the current user and empties the collection.
  void RemoveAll();

  bool IsEmpty() const { return m_users.empty(); }
  size_t GetCount() const { return m_users.size(); }

  CUser* GetCurrentUser() const { return m_pCurrentUser; }

 private:
  std::unique_ptr<CUser> Release(CUser* user) const;

  CUser* const m_pCurrentUser;
  std::map<std::u16string, CUser*, std::less<>> m_users;
};

// The current user and the program's contacts.
extern CUser g_CurrentUser;
extern CUserCollection g_UserCollection;

// The current user's handle for threads other than the GUI thread (the settings store's hook, the
// e-mail thread), which must not read g_CurrentUser itself: a copy that PublishCurrentUserHandle
// takes on the GUI thread whenever the current user changes. "" while no user is known.
std::u16string GetCurrentUserHandleCopy();
void PublishCurrentUserHandle();
