// One received voice message: the recording the answering machine made of a caller, tied to the
// call it was recorded from (which gives the caller and the time).
//
// The file name carries caller, time, duration and whether the user has seen the message
// (calls/recording_file_names.h), so the list is rebuilt from the folder at the next start. While
// the message is recorded its file is "lastvoicemsg.<extension>" in the same folder; it gets its
// final name when the recording stops. A message whose file cannot take its final name keeps the
// temporary one, which is then its own: the next recording takes "lastvoicemsg.<n>.<extension>",
// the first such name no file has, and never records over or deletes another message's file.
//
// The message points at its call without owning it; the call points back. The collection
// (calls/message_collection.h) owns the message and detaches the call when it deletes it.
//
// Threading: GUI thread only (docs/model-threading.md).
#pragma once

#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

class CCall;
class CUser;

// Asked for the caller or the time of a message that has no call (or whose call has no partner).
class MessageWithoutCall : public std::logic_error {
 public:
  MessageWithoutCall() : std::logic_error("the message has no call") {}
};

// A voice message's identity: given once per process and never reused, so that a message deleted
// since a notice about it was queued is not mistaken for a later one that took its address. What
// crosses a thread or a queue names a message by it and looks the message up again on arrival.
enum class VoiceMessageId : uint64_t { kNone = 0 };

class CMessage {
 public:
  // Extension empty, duration -1 (not known yet), not recording.
  CMessage();
  // Stops a recording still running (the file is kept); neither the file nor the call is deleted.
  virtual ~CMessage();
  CMessage(const CMessage&) = delete;
  CMessage& operator=(const CMessage&) = delete;

  // The call, the seen flag and the extension ("wav" or "mp3"; empty: the recording format's);
  // size 0.
  void Init(CCall* call, int32_t seen, std::u16string_view extension);

  // Plays the greeting into the call and records the caller into the temporary file; the ports
  // to route the call to: `outputPort` for the call's output (SET_OUTPUT), `inputPort` for its
  // input (SET_INPUT). 1 on success; 0 on failure or when already recording.
  int AudioCtrlTake(int* outputPort, int* inputPort);
  // Stops the recording. With something recorded the file gets its final name and the message its
  // duration and size; with nothing, the temporary file goes and the duration is 0. 0 when not
  // recording or when the audio thread refuses (what the temporary file holds is still kept under
  // the final name, its length estimated from the time it ran), else 1.
  int AudioCtrlBreak();
  // Moves the temporary file to the final name; 1 or 0.
  int RenameFileName();
  // The final file name (no folder): the name the file has on disk once it has one, else the name
  // it would get from the call, duration and seen flag; "" without a call.
  std::u16string GetFileName() const;
  // The name a loaded file has on disk (which may differ from the name built for it, e.g. in its
  // marker); the file operations use it.
  void SetStoredFileName(std::u16string_view name) { m_strFileName = std::u16string(name); }
  // The messages folder + the final file name; "" without either.
  std::u16string GetFilePath() const;
  // Deletes the file when the message has one (duration above 0); 1 when deleted or when there
  // is nothing to delete.
  int DeleteFile();
  // Marks the message seen (or new); a change renames the file, whose name carries the marker.
  void SetSeen(bool seen);

  // "m:ss min" from 61 s, "s sec" for 1..60 s, the "recording" text for -1, else "  ------ ".
  std::u16string GetDurationText() const;

  // The caller and the time of the call; each throws MessageWithoutCall when the message has no
  // call (or the call no partner).
  CUser* GetUser() const;
  int64_t GetTimeOfCall() const;
  const int64_t* GetTimeOfCallPtr() const;
  std::u16string GetTimeOfCallText() const;
  std::u16string GetUserDisplayName() const;
  std::u16string GetUserDisplayNameWithHandle() const;
  // The caller's online status for the list's icon: 8 (SKYPEOUT) for a telephone number, 0
  // without a caller.
  int32_t GetUserStatus() const;
  // The list image for the message: `baseIndex` when seen, the next one when new.
  int GetIconIndex(int baseIndex) const;

  VoiceMessageId GetId() const { return m_id; }
  CCall* GetCall() const { return m_pCall; }
  // Forgets the call (its collection detaches messages it deletes).
  void DetachCall() { m_pCall = nullptr; }
  const std::u16string& GetExtension() const { return m_strExtension; }
  int64_t GetSize() const { return m_nSize; }
  // Every change of the size also moves the running total the message counts in, if any.
  void SetSize(int64_t size) {
    if (m_pSizeTotal != nullptr) *m_pSizeTotal += size - m_nSize;
    m_nSize = size;
  }
  // The running total (its collection's) that this message's size is part of; null for none. The
  // caller adds the current size when it attaches the total and takes it away when it detaches it.
  void SetSizeTotal(int64_t* total) { m_pSizeTotal = total; }
  bool IsSeen() const { return m_nSeen != 0; }
  int32_t GetDuration() const { return m_nDuration; }
  void SetDuration(int32_t seconds) { m_nDuration = seconds; }
  bool IsRecording() const { return m_bRecording; }

 private:
  std::u16string TemporaryPath(const std::u16string& folder) const;
  // Gives the file its final name; when the folder refuses it, the file keeps its temporary name as
  // its own (logged with the reason). False when it keeps the temporary name.
  bool TakeFinalName(const std::u16string& folder);
  // The name built from the call, the duration and the seen flag.
  std::u16string BuildFileName() const;
  // After a refused stop: the temporary file under its final name, with an estimated duration.
  void KeepUnfinishedRecording(const std::u16string& folder);
  // Keeps the caller where a recovery of the recording file finds it (calls/recording_caller_note.h).
  void WriteCallerNote(const std::u16string& recordingPath) const;

  static VoiceMessageId NextId() {
    static std::atomic<uint64_t> next{1};
    return VoiceMessageId{next.fetch_add(1, std::memory_order_relaxed)};
  }

  const VoiceMessageId m_id = NextId();
  CCall* m_pCall = nullptr;
  int32_t m_nSeen = 0;
  std::u16string m_strExtension;
  int64_t m_nSize = 0;
  int64_t* m_pSizeTotal = nullptr;
  int32_t m_nDuration = -1;
  bool m_bRecording = false;
  int64_t m_nRecordingStartMs = 0;
  std::u16string m_strFileName;  // on disk under this name; empty while it has no final name
  std::u16string m_strTemporaryName;  // the name recorded into, chosen when the recording starts
};
