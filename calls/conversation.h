// One recorded conversation: one audio file of a call, or of several calls recorded together (a
// conference, or a call that joined while another one was recorded), and its side file with the
// duration and the partners (calls/conversation_data_file.h).
//
// Several calls may record into one conversation, while the audio thread records it once for all
// of them. The conversation keeps, for each call attached, whether the call has begun and not
// ended (Begin .. End) and whether it holds the recording (AudioCtrlTake .. AudioCtrlBreak; hold
// lets go, resume takes again). The recording starts with the first holder and stops when the last
// one lets go; the conversation ends when the last call that began has ended. Each call ends once
// and lets go once, so an end reported twice, or a call that ends while on hold, never stops the
// recording the other calls still hold.
//
// States: 0 new, 1 recording, 2 stopped (on hold, or finishing), 3 ended (complete; its files may
// be deleted). Files: the base name "YYYY.MM.DD.hh.mm.ss.<conference id>" (local start time) with
// ".wav" or ".mp3", and ".dat" for the side file, in the conversations folder.
//
// The conversation points at its calls without owning them, and they point back; the collection
// (calls/conversation_collection.h) owns it and detaches the calls when it deletes it.
//
// Threading: GUI thread only (docs/model-threading.md).
#pragma once

#include <atomic>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CCall;

// A conversation's identity for the whole run: the pages keep it instead of a pointer, since the
// collection may delete the conversation while a row still shows it.
enum class ConversationId : uint64_t { kNone = 0 };

class CConversation {
 public:
  enum State : int32_t { kNew = 0, kRecording = 1, kStopped = 2, kEnded = 3 };

  // Start time now; counters, state, duration and size 0.
  CConversation();
  // Stops a recording still running (the file is kept); the calls are not deleted.
  virtual ~CConversation();
  CConversation(const CConversation&) = delete;
  CConversation& operator=(const CConversation&) = delete;

  // Start time (now when null), the next conference id of the program and the extension (empty:
  // the recording format's).
  void Init(const int64_t* startTime, std::u16string_view extension);
  // Appends the call (once).
  void AttachCall(CCall* call);
  // Takes a call that has not begun out of the list again (a join that could not start).
  void DetachCall(CCall* call);

  // The call begins: takes the recording (the folder-size notice first). 1, or 0 when the
  // recording cannot start. Only the first holder gets ports; later ones get 0 and keep their
  // sound card.
  int Begin(CCall* call, int* outputPort, int* inputPort);
  // The call ends: lets the recording go, writes the side file, and ends the conversation when it
  // was the last call. 0 for a call that has not begun or has ended already, and when the
  // recording could not be stopped cleanly (the call's part ends all the same).
  int End(CCall* call);
  // The call holds the recording: the first holder starts it (1 with the ports, or 0); later
  // holders, and a call that holds it already, get 1 and ports 0.
  int AudioCtrlTake(CCall* call, int* outputPort, int* inputPort);
  // The call lets the recording go; the last holder stops it. 1, or 0 when the audio thread
  // refused the stop (the recording counts as stopped all the same: the audio thread no longer
  // records). A call that does not hold it changes nothing.
  int AudioCtrlBreak(CCall* call);
  // Whether the call has begun and not ended.
  bool IsActive(const CCall* call) const;
  // Whether the call holds the recording now.
  bool IsTaking(const CCall* call) const;

  // Writes the side file (always replaced); 1 or 0.
  int WriteToDataFile();
  // Takes a conversation found in the folder: its audio file name, its size and its side file,
  // with a call rebuilt (ids from `*nextCallId` down) for each partner. 1 when the name is a
  // conversation's.
  int InitFromFile(std::u16string_view folder, std::u16string_view name, int32_t* nextCallId);
  // Only in state 3: delete the audio file or the side file; 1 when deleted.
  int DeleteAudioFile();
  int DeleteDataFile();

  std::u16string GetFileBaseName() const;
  std::u16string GetAudioFileName() const;
  std::u16string GetDataFileName() const;
  // As CMessage::GetDurationText, with the "recording now" text for -1.
  std::u16string GetDurationText() const;
  int64_t GetStartTime() const { return m_nStartTime; }
  const int64_t* GetStartTimePtr() const { return &m_nStartTime; }
  std::u16string GetStartTimeText() const;
  // The partners: all, contacts on the network and telephone numbers. 0 as soon as a call or its
  // partner is missing, else 1.
  int GetPartnerCounts(int* total, int* skypePartners, int* telephonePartners) const;
  // Appends each distinct partner's handle and display name (with handle), ", "-separated. 0 at
  // a call without a partner.
  int GetPartnerNames(std::u16string& handles, std::u16string& displayNames) const;

  const std::vector<CCall*>& GetCalls() const { return m_calls; }
  // Forgets every call (its collection detaches the calls of a conversation it deletes).
  void DetachAllCalls();
  // Forgets one call, whatever its part (a call that is deleted).
  void ForgetCall(const CCall* call);
  int32_t GetDuration() const { return m_nDuration; }
  void SetDuration(int32_t seconds) { m_nDuration = seconds; }
  int32_t GetConferenceId() const { return m_nConferenceId; }
  int32_t GetState() const { return m_nState; }
  ConversationId GetId() const { return m_id; }
  int64_t GetSize() const { return m_nSize; }
  void SetSize(int64_t size) { m_nSize = size; }
  const std::u16string& GetExtension() const { return m_strExtension; }
  bool IsRecording() const { return m_bRecording; }
  int32_t GetBeginCount() const { return m_nBeginCount; }
  int32_t GetTakeCount() const { return m_nTakeCount; }

  // The conference ids of new conversations continue above `id` (one found in a folder), so a new
  // base name never meets a loaded one, even when local time repeats an hour.
  static void KeepConferenceIdsAbove(int32_t id);

 private:
  static ConversationId NextId() {
    static std::atomic<uint64_t> next{1};
    return ConversationId{next.fetch_add(1, std::memory_order_relaxed)};
  }
  const ConversationId m_id = NextId();

  struct Member {
    CCall* call;
    bool begun = false;
    bool taking = false;
  };

  Member* Find(const CCall* call);
  const Member* Find(const CCall* call) const;
  int StartRecording(int* outputPort, int* inputPort);
  int StopRecording();
  void NotifyWhenFolderOverLimit() const;
  std::u16string FolderPath(std::u16string_view fileName) const;

  std::vector<CCall*> m_calls;
  std::vector<Member> m_members;  // one for each call, in the same order
  int64_t m_nStartTime = 0;
  int32_t m_nDuration = 0;
  int32_t m_nConferenceId = 0;
  int32_t m_nBeginCount = 0;
  int32_t m_nTakeCount = 0;
  int32_t m_nState = kNew;
  std::u16string m_strExtension;
  int64_t m_nSize = 0;
  bool m_bRecording = false;
  std::u16string m_strFileBase;
};
