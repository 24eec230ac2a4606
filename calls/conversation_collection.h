// The current Skype user's recorded conversations, newest first (the global
// g_ConversationCollection).
//
// Filled from the user's conversations folder when the user becomes known, changed by the call
// machine (new conversations) and the pages (deleted), emptied when the user changes or the link
// ends. The collection owns its conversations; deleting one detaches its calls, and deletes those
// that were only rebuilt for it.
//
// The folder: GetConversationsRootFolder() + "My Recorded Conversations/" + the user's handle +
// "/", both levels created when missing; "" without a user, or for a handle that cannot name a
// folder.
//
// Threading: GUI thread only (docs/model-threading.md).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "calls/conversation.h"
#include "calls/owned_list.h"

class CConversationCollection {
 public:
  CConversationCollection() = default;
  // Frees the conversations without a word to anyone: the global collection goes at program exit.
  ~CConversationCollection();
  CConversationCollection(const CConversationCollection&) = delete;
  CConversationCollection& operator=(const CConversationCollection&) = delete;

  // Stores the user and loads the conversations saved in the user's folder. 0 for an empty handle.
  int init(std::u16string_view userHandle);
  std::u16string GetConversationsFolder() const;
  const std::u16string& GetUserHandle() const { return m_strUser; }

  // Takes the conversation and puts it at the head; the conversation, or null (and it deleted)
  // without a user.
  CConversation* add(std::unique_ptr<CConversation> conversation);
  // Removes and deletes the conversation (the files stay), detaching its calls.
  void del(CConversation* conversation);
  bool Contains(const CConversation* conversation) const;
  // The conversation with that identity while the collection holds it, else null.
  CConversation* Find(ConversationId id) const;
  // Deletes every conversation and forgets the user (the page is told when there was something).
  void DeleteAll();

  // The sum of the conversations' sizes.
  int64_t GetConversationsFolderSizeBytes() const;

  std::vector<CConversation*> GetConversations() const { return m_conversations.Items(); }
  size_t GetCount() const { return m_conversations.size(); }

 private:
  void ReadSavedConversations();
  // Detaches the calls of a conversation taken out of the list (deleting the rebuilt ones).
  static void DetachCalls(CConversation& conversation);

  std::u16string m_strUser;
  COwnedList<CConversation> m_conversations;
};

extern CConversationCollection g_ConversationCollection;
