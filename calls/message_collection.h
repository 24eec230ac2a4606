// The current Skype user's voice messages, newest first (the global g_MessageCollection).
//
// Filled from the user's voice-message folder when the user becomes known, changed by the call
// machine (a new message) and the pages (seen, deleted), emptied when the user changes or the link
// ends. The collection owns its messages; deleting one detaches its call, and deletes the call when
// it was only rebuilt for the message (a negative id, no machine).
//
// The folder: GetMessagesRootFolder() + "My Received Voice Messages/" + the user's handle + "/",
// both levels created when missing; "" without a user, or for a handle that cannot name a folder.
//
// Threading: GUI thread only (docs/model-threading.md).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "calls/message.h"
#include "calls/owned_list.h"

class CMessageCollection {
 public:
  CMessageCollection() = default;
  // Frees the messages without a word to anyone: the global collection goes at program exit.
  ~CMessageCollection();
  CMessageCollection(const CMessageCollection&) = delete;
  CMessageCollection& operator=(const CMessageCollection&) = delete;

  // Stores the user and loads the messages saved in the user's folder, each with a call rebuilt
  // for it. 0 for an empty handle.
  int init(std::u16string_view userHandle);
  std::u16string GetMessagesFolder() const;
  // Where the caller of the message being recorded is kept (calls/recording_caller_note.h): the
  // user's own data folder + "lastvoicemsg.caller"; "" without a user or a data folder.
  std::u16string GetCallerNotePath() const;
  const std::u16string& GetUserHandle() const { return m_strUser; }

  // Takes the message and puts it at the head; the message, or null (and the message deleted)
  // without a user.
  CMessage* Add(std::unique_ptr<CMessage> message);
  // Removes and deletes the message (the file stays), detaching its call.
  void del(CMessage* message);
  bool Contains(const CMessage* message) const;
  // The message with that identity while the collection holds it, else null.
  CMessage* Find(VoiceMessageId id) const;
  // Deletes every message and forgets the user (the page is told when there was something).
  void RemoveAll();

  // The sum of the messages' sizes (not a scan of the folder), kept as a running total that moves
  // when a message comes, goes or changes size, since the answering rule asks it on every call.
  int64_t GetMessagesFolderSizeBytes() const;
  // The messages not seen yet.
  int GetNumNewSavedVoiceMessages() const;

  std::vector<CMessage*> GetMessages() const { return m_messages.Items(); }
  size_t GetCount() const { return m_messages.size(); }

 private:
  void LoadSavedMessages();
  CMessage* Attach(std::unique_ptr<CMessage> message);
  std::unique_ptr<CMessage> Detach(std::unique_ptr<CMessage> message);
  // Detaches the call of a message taken out of the list (deleting a call rebuilt for it).
  static void DetachCall(CMessage& message);

  std::u16string m_strUser;
  COwnedList<CMessage> m_messages;
  int64_t m_sizeTotal = 0;
};

extern CMessageCollection g_MessageCollection;

// The tray's new-message flag: set by the call machine when a voice message has been stored,
// cleared by the voice-messages page. Any thread.
extern std::atomic<bool> g_bTrayNewMessageFlag;
