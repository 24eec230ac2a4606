#include "calls/conversation.h"

#include <algorithm>
#include <atomic>
#include <set>

#include "calls/call.h"
#include "calls/call_audio_requests.h"
#include "calls/conversation_collection.h"
#include "calls/conversation_data_file.h"
#include "calls/rebuilt_calls.h"
#include "calls/recording_file_names.h"
#include "calls/recording_files.h"
#include "data/string_ids.h"
#include "foundation/date_time.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/clock.h"
#include "skype/link/main_window_port.h"
#include "skype/link/user.h"
#include "skype/link/user_collection.h"

namespace {

// The program-wide counter of conference ids: 1, 2, 3, ... for the program's lifetime.
std::atomic<int32_t> g_nextConferenceId{1};

constexpr int32_t kFolderNoticeBalloonDuration = 10;

}  // namespace

void CConversation::KeepConferenceIdsAbove(int32_t id) {
  int32_t next = g_nextConferenceId.load();
  while (id >= next && id < INT32_MAX && !g_nextConferenceId.compare_exchange_weak(next, id + 1)) {
  }
}

CConversation::CConversation() : m_nStartTime(qav::CurrentClock().Now().seconds) {}

CConversation::~CConversation() {
  if (m_bRecording) StopRecording();
}

void CConversation::Init(const int64_t* startTime, std::u16string_view extension) {
  m_nStartTime = startTime ? *startTime : qav::CurrentClock().Now().seconds;
  m_nConferenceId = g_nextConferenceId.fetch_add(1);
  m_strExtension = extension.empty() ? GetRecordingFileExtension() : std::u16string(extension);
}

CConversation::Member* CConversation::Find(const CCall* call) {
  auto it = std::find_if(m_members.begin(), m_members.end(), [&](const Member& m) { return m.call == call; });
  return it == m_members.end() ? nullptr : &*it;
}

const CConversation::Member* CConversation::Find(const CCall* call) const {
  return const_cast<CConversation*>(this)->Find(call);
}

void CConversation::AttachCall(CCall* call) {
  QAV_LOG(LOG_INFO, u"CConversation(%p)::AttachCall( pCall = %p)", this, call);
  if (call == nullptr || Find(call) != nullptr) return;
  m_calls.push_back(call);
  m_members.push_back({call});
}

void CConversation::DetachCall(CCall* call) {
  const Member* member = Find(call);
  if (member == nullptr || member->begun || member->taking) return;
  m_members.erase(m_members.begin() + (member - m_members.data()));
  m_calls.erase(std::find(m_calls.begin(), m_calls.end(), call));
}

void CConversation::ForgetCall(const CCall* call) {
  const Member* member = Find(call);
  if (member == nullptr) return;
  if (member->begun && --m_nBeginCount <= 0) m_nBeginCount = 0;
  if (member->taking && --m_nTakeCount <= 0) m_nTakeCount = 0;
  m_members.erase(m_members.begin() + (member - m_members.data()));
  m_calls.erase(std::find(m_calls.begin(), m_calls.end(), call));
}

void CConversation::DetachAllCalls() {
  m_calls.clear();
  m_members.clear();
}

bool CConversation::IsActive(const CCall* call) const {
  const Member* member = Find(call);
  return member != nullptr && member->begun;
}

bool CConversation::IsTaking(const CCall* call) const {
  const Member* member = Find(call);
  return member != nullptr && member->taking;
}

std::u16string CConversation::FolderPath(std::u16string_view fileName) const {
  const std::u16string folder = g_ConversationCollection.GetConversationsFolder();
  return folder.empty() ? std::u16string() : folder + std::u16string(fileName);
}

void CConversation::NotifyWhenFolderOverLimit() const {
  if (g_IsRecConvsFolderNotified == 0) return;
  const uint64_t size = static_cast<uint64_t>(g_ConversationCollection.GetConversationsFolderSizeBytes());
  const uint64_t limit = static_cast<uint64_t>(static_cast<uint32_t>(g_RecConvsFolderSize.Get())) << 20;
  if (size < limit) return;
  QAV_LOG(LOG_INFO, u"Conversation Folder Size limit Exceeded [%llu/%llu]", size, limit);
  PostToMainWindow(UM_BALLOONTIP, IDS_NOTIFY_USER_CONV_REC_FOLDER_SIZE_NOTIFY_EXCEEDED, kFolderNoticeBalloonDuration);
}

int CConversation::Begin(CCall* call, int* outputPort, int* inputPort) {
  QAV_LOG(LOG_INFO, u"CConversation(%p)::Begin", this);
  NotifyWhenFolderOverLimit();
  Member* member = Find(call);
  if (member == nullptr || member->begun) return 0;
  if (AudioCtrlTake(call, outputPort, inputPort) == 0) return 0;
  member = Find(call);
  member->begun = true;
  ++m_nBeginCount;
  return 1;
}

int CConversation::End(CCall* call) {
  QAV_LOG(LOG_INFO, u"CConversation(%p)::End", this);
  Member* member = Find(call);
  if (member == nullptr || !member->begun) {
    QAV_LOG(LOG_INFO, u"CConversation(%p)::End - pCall = %p has no part to end", this, call);
    return 0;
  }
  const int stopped = AudioCtrlBreak(call);
  member = Find(call);
  member->begun = false;
  WriteToDataFile();
  if (--m_nBeginCount <= 0) {
    m_nBeginCount = 0;
    m_nState = kEnded;
  }
  NotifyWhenFolderOverLimit();
  return stopped;
}

int CConversation::AudioCtrlTake(CCall* call, int* outputPort, int* inputPort) {
  QAV_LOG(LOG_INFO, u"CConversation(%p)::AudioCtrlTake", this);
  if (outputPort) *outputPort = 0;
  if (inputPort) *inputPort = 0;
  Member* member = Find(call);
  if (member == nullptr) return 0;
  if (member->taking) return 1;
  if (m_nTakeCount == 0) {
    if (StartRecording(outputPort, inputPort) == 0) return 0;
    m_nState = kRecording;
  }
  member->taking = true;
  ++m_nTakeCount;
  QAV_LOG(LOG_INFO, u"[ConfIdQav: %d] Recording Conversation in progress, no timeout is set", m_nConferenceId);
  PostToMainWindow(UM_UPDATEDLG, kPageConversations);
  return 1;
}

int CConversation::StartRecording(int* outputPort, int* inputPort) {
  QAV_LOG(LOG_INFO, u"CConversation(%p)::AudioCtrlTakePrv", this);
  if (m_bRecording) return 0;
  m_bRecording = true;
  // Recorded again after a hold, the conversation goes on in the same file.
  if (m_strFileBase.empty()) m_strFileBase = GetFileBaseName();
  const std::u16string path = FolderPath(m_strFileBase + u"." + m_strExtension);
  int inPort = 0;
  int outPort = 0;
  if (!path.empty() && !m_strFileBase.empty() && CallAudio().RecordSkypeConvStart(&inPort, &outPort, path) > 0) {
    if (outputPort) *outputPort = inPort;
    if (inputPort) *inputPort = outPort;
    m_nDuration = 0;
    return 1;
  }
  m_bRecording = false;
  QAV_LOG(LOG_WARNING, u"CConversation::AudioCtrlTake[ ERROR from g_pAudioDriver->RecordSkypeConvStart (%s)", path);
  return 0;
}

int CConversation::AudioCtrlBreak(CCall* call) {
  QAV_LOG(LOG_INFO, u"CConversation(%p)::AudioCtrlBreak", this);
  Member* member = Find(call);
  if (member == nullptr || !member->taking) return 1;
  member->taking = false;
  if (--m_nTakeCount > 0) return 1;
  m_nTakeCount = 0;
  const int stopped = StopRecording();
  m_nState = kStopped;
  m_nSize = std::max<int64_t>(qav::RecordingFileSize(FolderPath(GetAudioFileName())), 0);
  return stopped;
}

int CConversation::StopRecording() {
  QAV_LOG(LOG_INFO, u"CConversation(%p)::AudioCtrlBreakPrv", this);
  if (!m_bRecording) return 1;
  int seconds = 0;
  const int stopped = CallAudio().RecordSkypeConvStop(&seconds);
  // Refused or not, the audio thread records this conversation no longer.
  m_bRecording = false;
  if (stopped <= 0) {
    QAV_LOG(LOG_WARNING, u"CConversation::AudioCtrlBreak[ ERROR from g_pAudioDriver->RecordSkypeConvStop");
    return 0;
  }
  m_nDuration = seconds;
  return 1;
}

int CConversation::WriteToDataFile() {
  QAV_LOG(LOG_INFO, u"CConversation(%p)::WriteToDataFile", this);
  const std::u16string path = FolderPath(GetDataFileName());
  if (path.empty()) return 0;
  std::vector<std::u16string> partners;
  for (const CCall* call : m_calls) {
    if (call->GetPartner() != nullptr) partners.push_back(call->GetPartner()->GetHandle());
  }
  if (!qav::WriteRecordingFile(path, BuildConversationData(m_nDuration, partners))) {
    QAV_LOG(LOG_WARNING, u"CConversation::WriteToDataFile[ ERROR writing %s", path);
    return 0;
  }
  PostToMainWindow(UM_UPDATEDLG, kPageConversations);
  return 1;
}

int CConversation::InitFromFile(std::u16string_view folder, std::u16string_view name, int32_t* nextCallId) {
  QAV_LOG(LOG_INFO, u"CConversation::InitFromFile: %s", name);
  const std::optional<ConversationFileName> parsed = ParseConversationFileName(name);
  if (!parsed) return 0;
  const std::u16string path = std::u16string(folder) + std::u16string(name);
  m_nStartTime = parsed->startTime;
  m_nConferenceId = parsed->conferenceId;
  m_strExtension = parsed->extension;
  m_strFileBase = std::u16string(name.substr(0, name.size() - parsed->extension.size() - 1));
  m_nSize = std::max<int64_t>(qav::RecordingFileSize(path), 0);
  const std::u16string dataPath = path.substr(0, path.size() - 3) + u"dat";
  if (const std::optional<std::string> bytes = qav::ReadRecordingFile(dataPath, kMaxConversationDataBytes)) {
    const ConversationData data = ParseConversationData(*bytes);
    m_nDuration = data.duration;
    for (const std::u16string& handle : data.partners) {
      CUser* partner = g_UserCollection.FindOrCreate(handle, CUser::Asking::kWhenIdle);
      CCall* call = AddRebuiltConversationCall(nextCallId, m_nStartTime, partner);
      call->SetConversation(this);
      AttachCall(call);
    }
  }
  m_nState = kEnded;
  return 1;
}

int CConversation::DeleteAudioFile() {
  if (m_nState != kEnded) return 0;
  const std::u16string path = FolderPath(GetAudioFileName());
  return !path.empty() && qav::DeleteRecordingFile(path) ? 1 : 0;
}

int CConversation::DeleteDataFile() {
  if (m_nState != kEnded) return 0;
  const std::u16string path = FolderPath(GetDataFileName());
  return !path.empty() && qav::DeleteRecordingFile(path) ? 1 : 0;
}

std::u16string CConversation::GetFileBaseName() const {
  return m_strFileBase.empty() ? BuildConversationBaseName(m_nStartTime, m_nConferenceId) : m_strFileBase;
}

std::u16string CConversation::GetAudioFileName() const { return GetFileBaseName() + u"." + m_strExtension; }

std::u16string CConversation::GetDataFileName() const { return GetFileBaseName() + u".dat"; }

std::u16string CConversation::GetDurationText() const {
  if (m_nDuration >= 61) {
    return qav::Format(u"%d:%2.2d %s", m_nDuration / 60, m_nDuration % 60,
                       GetLangString(IDS_MESSAGES_TAB_DURATION_MINUTES));
  }
  if (m_nDuration >= 1) return qav::Format(u"%d %s", m_nDuration, GetLangString(IDS_MESSAGES_TAB_DURATION_SECONDS));
  if (m_nDuration == -1) return GetLangString(IDS_MESSAGES_TAB_DURATION_RECORDING_NOW);
  return u"  ------ ";
}

std::u16string CConversation::GetStartTimeText() const { return FormatDateTime(m_nStartTime); }

int CConversation::GetPartnerCounts(int* total, int* skypePartners, int* telephonePartners) const {
  int all = 0, skype = 0, telephone = 0;
  for (const CCall* call : m_calls) {
    if (call == nullptr || call->GetPartner() == nullptr) return 0;
    ++all;
    if (call->GetPartner()->IsPstnNumber()) ++telephone;
    else ++skype;
  }
  if (total) *total = all;
  if (skypePartners) *skypePartners = skype;
  if (telephonePartners) *telephonePartners = telephone;
  return 1;
}

int CConversation::GetPartnerNames(std::u16string& handles, std::u16string& displayNames) const {
  std::set<std::u16string> seen;
  for (const CCall* call : m_calls) {
    const CUser* partner = call ? call->GetPartner() : nullptr;
    if (partner == nullptr) return 0;
    if (!seen.insert(partner->GetHandle()).second) continue;
    if (!handles.empty()) handles += u", ";
    if (!displayNames.empty()) displayNames += u", ";
    handles += partner->GetHandle();
    displayNames += partner->GetDisplayNameWithHandle();
  }
  return 1;
}
