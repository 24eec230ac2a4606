#include "calls/message.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "calls/call.h"
#include "calls/call_audio_requests.h"
#include "calls/call_machine_host.h"
#include "calls/message_collection.h"
#include "calls/recording_caller_note.h"
#include "calls/recording_file_names.h"
#include "calls/recording_files.h"
#include "data/string_ids.h"
#include "foundation/date_time.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "skype/link/main_window_port.h"
#include "skype/link/skype_vocabulary.h"
#include "skype/link/user.h"
#include "skype/link/user_collection.h"

namespace {

// "MuteVolumeOnAnswer": whether the user hears the caller on the speakers while the message is
// recorded. 0 always, 2 never, any other value only while the user is online.
int MonitorCaller() {
  const int32_t mode = g_MuteVolumeOnAnswer;
  if (mode == 0) return 1;
  if (mode == 2) return 0;
  const int32_t own = g_CurrentUser.GetUserStatus();
  return own == SkypeOnlineStatus::ONLINE || own == SkypeOnlineStatus::SKYPEME ? 1 : 0;
}

}  // namespace

CMessage::CMessage() = default;

CMessage::~CMessage() {
  if (m_bRecording) AudioCtrlBreak();
}

void CMessage::Init(CCall* call, int32_t seen, std::u16string_view extension) {
  m_pCall = call;
  m_nSeen = seen != 0 ? 1 : 0;
  SetSize(0);
  m_strExtension = extension.empty() ? GetRecordingFileExtension() : std::u16string(extension);
}

std::u16string CMessage::TemporaryPath(const std::u16string& folder) const { return folder + m_strTemporaryName; }

namespace {

// The first temporary name no file has: "lastvoicemsg.<ext>", then "lastvoicemsg.1.<ext>", ...
// A file under such a name belongs to a message that could not take its final name.
std::u16string FreeTemporaryName(const std::u16string& folder, const std::u16string& extension) {
  constexpr int kMaxKeptUnderTemporaryNames = 1000;
  std::u16string name;
  for (int n = 0; n < kMaxKeptUnderTemporaryNames; ++n) {
    name = VoiceMessageTemporaryName(n, extension);
    if (qav::RecordingFileSize(folder + name) < 0) return name;
  }
  return name;
}

}  // namespace

int CMessage::AudioCtrlTake(int* outputPort, int* inputPort) {
  QAV_LOG(LOG_INFO, u"CMessage::AudioCtrlTake");
  if (m_bRecording) return 0;
  // The audio thread records one message at a time, into the one temporary file: a second start
  // would be refused there, and must not delete the file (or replace the caller's note) of the
  // message being recorded first.
  for (const CMessage* other : g_MessageCollection.GetMessages()) {
    if (other == this || !other->IsRecording()) continue;
    QAV_LOG(LOG_WARNING, u"CMessage::AudioCtrlTake[ ERROR another voice message is being recorded");
    return 0;
  }
  m_bRecording = true;
  const std::u16string folder = g_MessageCollection.GetMessagesFolder();
  if (folder.empty()) {
    m_bRecording = false;
    QAV_LOG(LOG_WARNING, u"CMessage::AudioCtrlTake[ ERROR no voice messages folder for the current user");
    return 0;
  }
  m_strTemporaryName = FreeTemporaryName(folder, m_strExtension);
  const std::u16string path = TemporaryPath(folder);
  // Before the file exists: whenever a killed process leaves the file, the note is there too.
  WriteCallerNote(path);
  const bool otherCaller = m_pCall != nullptr && m_pCall->UsesNonAuthorizedCallerSettings();
  CCallMachineHost* host = GetCallMachineHost();
  std::shared_ptr<const CWaveMemFile> greeting = host ? host->GetGreeting(!otherCaller) : nullptr;
  int inPort = 0;
  int outPort = 0;
  if (CallAudio().RecordSkypeMsgStart(&inPort, &outPort, std::move(greeting), path, MonitorCaller()) > 0) {
    if (outputPort) *outputPort = inPort;
    if (inputPort) *inputPort = outPort;
    m_nRecordingStartMs = qav::CurrentClock().MonotonicMs();
    return 1;
  }
  m_bRecording = false;
  RemoveRecordingCallerNote(g_MessageCollection.GetCallerNotePath());
  QAV_LOG(LOG_WARNING, u"CMessage::AudioCtrlTake[ ERROR from g_pAudioDriver->RecordSkypeMsgStart (%s)", path);
  return 0;
}

int CMessage::AudioCtrlBreak() {
  QAV_LOG(LOG_INFO, u"CMessage::AudioCtrlBreak");
  if (!m_bRecording) return 0;
  int seconds = 0;
  const int stopped = CallAudio().RecordSkypeMsgStop(&seconds);
  m_bRecording = false;
  const std::u16string folder = g_MessageCollection.GetMessagesFolder();
  // Whatever happens to the file below, it is no longer a recording a crash could leave.
  struct NoteRemover {
    ~NoteRemover() { RemoveRecordingCallerNote(g_MessageCollection.GetCallerNotePath()); }
  } noteRemover;
  if (stopped <= 0) {
    // The audio thread no longer records (it refused, or could not finish the file): the
    // temporary file is all there is, and the next message would delete it.
    QAV_LOG(LOG_WARNING, u"CMessage::AudioCtrlBreak[ ERROR from g_pAudioDriver->RecordSkypeMsgStop");
    KeepUnfinishedRecording(folder);
    // The row shows what is kept (a file, or "  ------ " for none) instead of "Recording...".
    PostToMainWindow(UM_UPDATEDLG, kPageVoiceMessages);
    return 0;
  }
  if (seconds > 0) {
    m_nDuration = seconds;
    QAV_LOG(LOG_INFO, u"New recorded voice message (%d sec long)", seconds);
    TakeFinalName(folder);
    SetSize(std::max<int64_t>(qav::RecordingFileSize(GetFilePath()), 0));
    PostToMainWindow(UM_UPDATEDLG, kPageVoiceMessages);
    return 1;
  }
  if (!folder.empty()) qav::DeleteRecordingFile(TemporaryPath(folder));
  m_nDuration = 0;
  // The row stays, now without a file: it no longer shows the message as being recorded.
  PostToMainWindow(UM_UPDATEDLG, kPageVoiceMessages);
  return 1;
}

void CMessage::WriteCallerNote(const std::u16string& recordingPath) const {
  const CUser* partner = m_pCall ? m_pCall->GetPartner() : nullptr;
  const std::u16string notePath = g_MessageCollection.GetCallerNotePath();
  if (partner == nullptr) {
    RemoveRecordingCallerNote(notePath);  // an older note would name someone else
    return;
  }
  RecordingCallerNote note;
  note.recordingPath = recordingPath;
  note.handle = partner->GetHandle();
  note.name = partner->HasNames() ? partner->GetDisplayName() : std::u16string();
  if (!WriteRecordingCallerNote(notePath, note)) {
    QAV_LOG(LOG_WARNING, u"CMessage::AudioCtrlTake[ the caller's note could not be written (%s)", notePath);
    RemoveRecordingCallerNote(notePath);
  }
}

void CMessage::KeepUnfinishedRecording(const std::u16string& folder) {
  m_nDuration = 0;
  if (folder.empty() || qav::RecordingFileSize(TemporaryPath(folder)) <= 0) return;
  const int64_t elapsedMs = qav::CurrentClock().MonotonicMs() - m_nRecordingStartMs;
  m_nDuration = static_cast<int32_t>(std::clamp<int64_t>((elapsedMs + 999) / 1000, 1, INT32_MAX));
  TakeFinalName(folder);
  SetSize(std::max<int64_t>(qav::RecordingFileSize(GetFilePath()), 0));
  QAV_LOG(LOG_WARNING, u"CMessage::AudioCtrlBreak kept the unfinished recording as %s", GetFileName());
}

bool CMessage::TakeFinalName(const std::u16string& folder) {
  if (RenameFileName() != 0) return true;
  const int reason = errno;
  QAV_LOG(LOG_WARNING, u"CMessage::AudioCtrlBreak[ ERROR renaming %s to %s (%s): the message keeps the name %s",
          TemporaryPath(folder), BuildFileName(), qav::U16(std::strerror(reason)), m_strTemporaryName);
  m_strFileName = m_strTemporaryName;
  return false;
}

int CMessage::RenameFileName() {
  const std::u16string folder = g_MessageCollection.GetMessagesFolder();
  const std::u16string name = BuildFileName();
  if (folder.empty() || name.empty() || !qav::MoveRecordingFile(TemporaryPath(folder), folder + name)) return 0;
  m_strFileName = name;
  return 1;
}

std::u16string CMessage::GetFileName() const { return m_strFileName.empty() ? BuildFileName() : m_strFileName; }

std::u16string CMessage::BuildFileName() const {
  if (m_pCall == nullptr) return {};
  const CUser* partner = m_pCall->GetPartner();
  const std::u16string_view handle = partner ? std::u16string_view(partner->GetHandle()) : CUser::kEmptyHandle;
  return BuildVoiceMessageFileName(handle, m_pCall->GetStartTime(), m_nDuration, m_nSeen != 0, m_strExtension);
}

std::u16string CMessage::GetFilePath() const {
  const std::u16string name = GetFileName();
  const std::u16string folder = g_MessageCollection.GetMessagesFolder();
  return name.empty() || folder.empty() ? std::u16string() : folder + name;
}

int CMessage::DeleteFile() {
  if (m_nDuration <= 0) return 1;
  const std::u16string path = GetFilePath();
  return !path.empty() && qav::DeleteRecordingFile(path) ? 1 : 0;
}

void CMessage::SetSeen(bool seen) {
  const int32_t value = seen ? 1 : 0;
  if (value == m_nSeen) return;
  const std::u16string before = GetFilePath();
  m_nSeen = value;
  if (m_nDuration <= 0 || before.empty()) return;
  const std::u16string name = BuildFileName();
  const std::u16string after = g_MessageCollection.GetMessagesFolder() + name;
  if (qav::MoveRecordingFile(before, after)) {
    m_strFileName = name;
  } else {
    QAV_LOG(LOG_WARNING, u"CMessage::SetSeen[ ERROR renaming %s to %s", before, after);
  }
}

std::u16string CMessage::GetDurationText() const {
  if (m_nDuration >= 61) {
    return qav::Format(u"%d:%2.2d %s", m_nDuration / 60, m_nDuration % 60, GetLangString(IDS_MESSAGES_TAB_DURATION_MINUTES));
  }
  if (m_nDuration >= 1) return qav::Format(u"%d %s", m_nDuration, GetLangString(IDS_MESSAGES_TAB_DURATION_SECONDS));
  if (m_nDuration == -1) return GetLangString(IDS_PLAY_SAVED_MESSAGE_DIALOG_DURATION_RECORDING);
  return u"  ------ ";
}

CUser* CMessage::GetUser() const {
  if (m_pCall == nullptr || m_pCall->GetPartner() == nullptr) throw MessageWithoutCall();
  return m_pCall->GetPartner();
}

int64_t CMessage::GetTimeOfCall() const { return *GetTimeOfCallPtr(); }

const int64_t* CMessage::GetTimeOfCallPtr() const {
  if (m_pCall == nullptr) throw MessageWithoutCall();
  return m_pCall->GetStartTimePtr();
}

std::u16string CMessage::GetTimeOfCallText() const { return FormatDateTime(GetTimeOfCall()); }

std::u16string CMessage::GetUserDisplayName() const { return GetUser()->GetDisplayName(); }

std::u16string CMessage::GetUserDisplayNameWithHandle() const { return GetUser()->GetDisplayNameWithHandle(); }

int32_t CMessage::GetUserStatus() const {
  const CUser* partner = m_pCall ? m_pCall->GetPartner() : nullptr;
  if (partner == nullptr) return SkypeOnlineStatus::UNKNOWN;
  if (partner->IsPstnNumber()) return SkypeOnlineStatus::SKYPEOUT;
  return partner->GetUserStatus();
}

int CMessage::GetIconIndex(int baseIndex) const { return m_nSeen != 0 ? baseIndex : baseIndex + 1; }
