// The one map of calls by call id: the live Skype calls and the calls rebuilt for saved voice
// messages and conversations (negative ids). The collection owns its calls.
//
// "First" below means the lowest id: the map is ordered, so with several matching calls the
// answer is the same every time.
//
// A call displaced by another one of the same id stays owned here (a message or conversation may
// still point at it) until DeleteAll, instead of leaking or being freed under its holders.
//
// Threading: GUI thread only (docs/model-threading.md).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "calls/call.h"

class CCallCollection {
 public:
  CCallCollection() = default;
  // Deletes every call. Writes no log: the global collection goes at program exit.
  ~CCallCollection();
  CCallCollection(const CCallCollection&) = delete;
  CCallCollection& operator=(const CCallCollection&) = delete;

  // Takes ownership and enters the call under its id.
  void Add(std::unique_ptr<CCall> call);
  // The call of the id, or null.
  CCall* Get(int32_t callId) const;
  // Whether a call of the id is in the collection (without a log line).
  bool Contains(int32_t callId) const { return m_calls.count(callId) != 0; }
  // Removes and deletes the call of the id; its machine's pending events go with it.
  void Del(int32_t callId);
  // Deletes every call.
  void DeleteAll();

  // The first incoming call that is RINGING or EARLYMEDIA, else null.
  CCall* GetCallRinging() const;
  // The first call that is INPROGRESS, else null.
  CCall* GetCallInprogress() const;
  // Appends every INPROGRESS call to an empty list: 1; 0 (and nothing appended) when the list was
  // not empty.
  int GetCallsInprogress(std::vector<CCall*>& calls) const;
  // The first call whose machine is answering for a message or recording a conversation, else null;
  // `except` (a call asking about the others) is passed over.
  CCall* GetCallRecording(const CCall* except = nullptr) const;

  // The call that has the line, other than `except`: the first that is recording (as
  // GetCallRecording) or whose answer the machine has posted and not sent yet. The answering
  // machine answers one call at a time: while this gives a call, no other is answered.
  CCall* GetCallUsingLine(const CCall* except = nullptr) const;

  // The ids of every call, lowest first.
  std::vector<int32_t> GetCallIds() const;

  // Points every call whose partner is `from` at `to` (a contact replaced in the contacts).
  void ReplacePartner(const CUser* from, CUser* to);

  size_t GetCount() const { return m_calls.size(); }
  bool IsEmpty() const { return m_calls.empty(); }

 private:
  using Calls = std::map<int32_t, std::unique_ptr<CCall>>;
  // A range over part of the calls, for range-for (std::ranges::subrange of a map's iterators does
  // not compile with clang 14 over libstdc++ 12).
  struct CallRange {
    Calls::const_iterator first, last;
    Calls::const_iterator begin() const { return first; }
    Calls::const_iterator end() const { return last; }
  };
  // The calls the call client knows of (the rebuilt ones left out).
  CallRange ClientCalls() const;

  Calls m_calls;
  std::vector<std::unique_ptr<CCall>> m_displaced;
};

extern CCallCollection g_CallCollection;
