#include "skype/link/user.h"

#include <ctime>
#include <utility>

#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "skype/link/device_to_skype_cmd.h"
#include "skype/link/main_window_port.h"
#include "skype/link/skype_transport.h"
#include "skype/link/skype_vocabulary.h"

namespace {

void PostContactsRefresh() { PostToMainWindow(UM_UPDATEDLG, kPageContacts); }

// "%b %d, %Y, %H:%M" of the local time; false when the system cannot convert the value.
bool FormatLocalTime(int64_t secondsSince1970, std::string* text) {
  const time_t value = static_cast<time_t>(secondsSince1970);
  struct tm local {};
  if (localtime_r(&value, &local) == nullptr) return false;
  char buffer[64];
  const size_t length = strftime(buffer, sizeof buffer, "%b %d, %Y, %H:%M", &local);
  if (length == 0) return false;
  text->assign(buffer, length);
  return true;
}

}  // namespace

CUser::CUser() = default;

void CUser::Reset() {
  m_strHandle.clear();
  m_strFullName.clear();
  m_strDisplayName.clear();
  m_strLanguage.clear();
  m_nOnlineStatus = SkypeOnlineStatus::UNKNOWN;
  m_nBuddyStatus = -1;
  m_bIsBuddy = false;
  m_nLastOnline = 0;
  m_bVideoCapable = false;
  m_bDetailsDeferred = false;
}

void CUser::init(std::u16string_view handle, Asking asking) {
  QAV_LOG(LOG_INFO, u"CUser::init: '%s'", handle);
  m_strHandle = handle;
  if (m_strHandle.empty()) {
    QAV_LOG(LOG_INFO, u"CUser handle is an empty Skype Name, save as '+'");
    m_strHandle = kEmptyHandle;
  }
  m_strFullName.clear();
  m_strDisplayName.clear();
  m_nOnlineStatus = SkypeOnlineStatus::UNKNOWN;
  m_nBuddyStatus = -1;
  m_bIsBuddy = false;
  m_bDetailsDeferred = false;
  if (IsPstnNumber()) m_nOnlineStatus = SkypeOnlineStatus::SKYPEOUT;
  AskDetails(asking);
}

void CUser::AskDetails(Asking asking) {
  // The "+" of an empty handle names nobody the client could describe.
  if (m_strHandle.size() == 1 && IsPstnNumber()) return;
  const bool whenIdle = asking == Asking::kWhenIdle;
  m_bDetailsDeferred = whenIdle && m_nBuddyStatus < 0;
  for (int32_t property : {SkypeUserProp::FULLNAME, SkypeUserProp::DISPLAYNAME, SkypeUserProp::ONLINESTATUS,
                           SkypeUserProp::BUDDYSTATUS}) {
    // Its own copy of the handle: a question that gives way is made later.
    SkypeCmdBuilder ask = [handle = m_strHandle, property](DeviceToSkypeCmd& cmd) { cmd.GetUser(handle, property); };
    if (whenIdle) {
      QueueSkypeCmdWhenIdle(std::move(ask));
    } else {
      QueueSkypeCmd(ask);
    }
  }
}

bool CUser::AskDeferredDetailsNow() {
  if (!m_bDetailsDeferred) return false;
  QAV_LOG(LOG_INFO, u"CUser::AskDeferredDetailsNow: '%s' calls before the client told who it is", m_strHandle);
  AskDetails(Asking::kNow);
  return true;
}

bool CUser::IsPstnNumber(std::u16string_view handle) {
  return handle.starts_with(u"+") || handle.starts_with(u"00");
}

void CUser::SetFullName(std::u16string_view name) {
  if (name == m_strFullName) return;
  m_strFullName = name;
  QAV_LOG(LOG_INFO, u"CUser::SetFullName: '%s' (%s)", m_strFullName, m_strHandle);
  PostContactsRefresh();
}

void CUser::SetDisplayName(std::u16string_view name) {
  if (name == m_strDisplayName) return;
  m_strDisplayName = name;
  QAV_LOG(LOG_INFO, u"CUser::SetDisplayName: '%s' (%s)", m_strDisplayName, m_strHandle);
  PostContactsRefresh();
}

void CUser::SetUserStatus(int32_t onlineStatus) {
  if (onlineStatus == m_nOnlineStatus) return;
  m_nOnlineStatus = onlineStatus;
  QAV_LOG(LOG_INFO, u"CUser::SetUserStatus: %d (%s)", m_nOnlineStatus, m_strHandle);
  PostContactsRefresh();
}

void CUser::SetBuddyStatus(int32_t buddyStatus) {
  if (buddyStatus < 0 || buddyStatus > 3) {
    QAV_LOG(LOG_INFO, u"CUser::SetBuddyStatus: %d (%s) - Bad Value", buddyStatus, m_strHandle);
    return;
  }
  m_nBuddyStatus = buddyStatus;
  m_bIsBuddy = buddyStatus == 2 || buddyStatus == 3;
  m_bDetailsDeferred = false;
  QAV_LOG(LOG_INFO, u"CUser::SetBuddyStatus: %d (%s)", m_nBuddyStatus, m_strHandle);
}

void CUser::SetVideoCapable(bool capable) {
  m_bVideoCapable = capable;
  QAV_LOG(LOG_INFO, u"CUser::SetVideoCapable: %s (%s)", capable ? u"TRUE" : u"FALSE", m_strHandle);
}

int CUser::SetLastOnlineTimestamp(int64_t secondsSince1970) {
  std::string localTime;
  if (secondsSince1970 < 0 || secondsSince1970 > kMaxTimestamp || !FormatLocalTime(secondsSince1970, &localTime)) {
    QAV_LOG(LOG_WARNING, u"CUser::SetLastOnlineTimestamp: %I64d (%s) - Bad Value", secondsSince1970, m_strHandle);
    return 0;
  }
  m_nLastOnline = secondsSince1970;
  QAV_LOG(LOG_INFO, u"CUser::SetLastOnlineTimestamp: %I64d '%s' (%s)", m_nLastOnline, localTime, m_strHandle);
  return 1;
}

std::u16string CUser::DisplayName(bool* isFallback) const {
  *isFallback = false;
  if (!m_strDisplayName.empty()) return m_strDisplayName;
  if (!m_strFullName.empty()) return m_strFullName;
  if (m_strHandle.size() > 1) return m_strHandle;
  *isFallback = true;
  return GetLangString(IDS_MISC_SKYPENAME_BLOCKED_PSTN_NUMBER);
}

std::u16string CUser::GetDisplayName() const {
  bool isFallback = false;
  return DisplayName(&isFallback);
}

std::u16string CUser::GetDisplayNameWithHandle() const {
  bool isFallback = false;
  std::u16string name = DisplayName(&isFallback);
  if (!isFallback && name != m_strHandle) name += u" (" + m_strHandle + u")";
  return name;
}

int CUser::StartCall() const {
  QAV_LOG(LOG_INFO, u"Starting a Skype Call with '%s'", GetDisplayNameWithHandle());
  if (m_strHandle.empty()) return 0;
  return QueueSkypeCmd([&](DeviceToSkypeCmd& cmd) { cmd.Call(m_strHandle); });
}

int CUser::OpenIMDialog(std::u16string_view text) const {
  QAV_LOG(LOG_INFO, u"Open IM Dialog with '%s'", GetDisplayNameWithHandle());
  if (m_strHandle.empty()) return 0;
  return QueueSkypeCmd([&](DeviceToSkypeCmd& cmd) { cmd.OpenIM(m_strHandle, text); });
}

int CUser::OpenUserInfoDialog() const {
  QAV_LOG(LOG_INFO, u"Open User Info Dialog with '%s'", GetDisplayNameWithHandle());
  if (m_strHandle.empty()) return 0;
  return QueueSkypeCmd([&](DeviceToSkypeCmd& cmd) { cmd.OpenUserInfo(m_strHandle); });
}
