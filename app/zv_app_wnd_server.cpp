// The main window's part in the version check and in problem reports: it starts the exchange,
// acts on the server's reply, and sends or opens a problem report.
#include <unistd.h>

#include <algorithm>

#include "app/app_messages.h"
#include "app/app_names.h"
#include "app/link_opening.h"
#include "app/registry_profile.h"
#include "app/web_links.h"
#include "app/zv_app.h"
#include "app/zv_app_wnd.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "foundation/version.h"
#include "platform/folders.h"
#include "platform/message_box.h"

namespace {

// A notice about the same version is shown again after this long.
constexpr int64_t kRenoticeSeconds = 259200;

int ShowBox(std::u16string_view text, uint32_t type) { return g_pApp->DoMessageBox(text, type); }

// Whether a version found by the timer check is announced now. A version other than the one last
// announced is announced at once (a newer release, or the server going back to an older one); the
// same version again only once the renotice time has passed.
bool NoticeDue(std::u16string_view serverVersion, int64_t now) {
  const int32_t server = CVersion::ParseVersion(serverVersion);
  const int32_t last = CVersion::ParseVersion(g_LastNotifiedVersionOnServer.Get());
  const auto order = CVersion::ComparePackedVersions(last, server);
  if (!order || *order != 0) return true;
  return now - g_LastNotifiedVersionOnServerDate.Get() > kRenoticeSeconds;
}

}  // namespace

void CZVAppWnd::OnCheckForUpdate(bool manual) {
  QAV_LOG(LOG_INFO, u"CZVAppWnd::OnCheckForUpdate( %s )", manual ? u"Manual" : u"Timer");
  // Refused before anything is touched: the running check must keep what it was asked with.
  if (m_serverExchange->IsRunning()) {
    QAV_LOG(LOG_WARNING, u"UpdateServerInformation: Pervois Web Access Thread is still working");
    return;
  }
  const CAppCurrentUser user = m_link->CurrentUser();
  m_serverExchange->ResetInfo();
  m_serverExchange->SetInfo(u"username", user.handle);
  m_serverExchange->SetInfo(u"fullname", user.fullName);
  m_serverExchange->SetInfo(u"skypever", m_app.SkypeVersionText());
  m_serverExchange->SetInfo(u"lang", m_app.Profile().Language);
  m_serverExchange->UpdateServerInformation(m_window.handle(), manual);
}

void CZVAppWnd::UpdateServerFlag(const char16_t* path, const char16_t* profileValue, int32_t& flag,
                                 const char16_t* logFormat) {
  int32_t value = 0;
  if (!m_serverExchange->GetInt(path, value, 10)) return;
  const int32_t newFlag = value != 0 ? 1 : 0;
  if (newFlag != flag) QAV_LOG(LOG_INFO, logFormat, newFlag);
  if (flag == 1 && newFlag == 0) {
    qav::AppProfile profile = ProgramProfile();
    profile.DeleteProfileValue(kProfileSection, profileValue);
  }
  flag = newFlag;
}

void CZVAppWnd::OnServerUpdateDone(bool manual, bool result) {
  QAV_LOG(LOG_INFO, u"CZVAppWnd::OnServerUpdateDone( %s )", manual ? u"Manual" : u"Timer");
  if (!result) {
    QAV_LOG(LOG_WARNING, u"WebAccessResult = FALSE");
    if (manual) ShowBox(GetLangString(IDS_NOTIFY_USER_FAILED_ON_RETRIEVE_UPDATE_INFORMATION), qav::MB_ICONEXCLAMATION);
    return;
  }
  CRegistryProfile& profile = m_app.Profile();

  int32_t period = 0;
  if (m_serverExchange->GetInt(u"QAV/UpdateCheckPeriodSec", period, 10)) {
    // The server's number is held to a sane range before it drives a timer.
    const int32_t held = std::clamp(period, kMinUpdateCheckPeriodSec, kMaxUpdateCheckPeriodSec);
    if (held != profile.UpdateCheckPeriodSec) {
      profile.UpdateCheckPeriodSec = held;
      QAV_LOG(LOG_INFO, u"OnServerUpdateReply: New Value for QAV/UpdateCheckPeriodSec '%d'", held);
      if (m_timer4 != 0) {
        qav::KillTimer(m_window.handle(), kTimerUpdateCheck);
        m_timer4 = qav::SetTimer(m_window.handle(), kTimerUpdateCheck, UpdateCheckTimerPeriodMs(held));
      }
    }
  }

  UpdateServerFlag(u"QAV/ShowCheckForUpdateBtn", u"CheckForUpdateBtn", profile.CheckForUpdateBtn,
                   u"OnServerUpdateReply: New Value for QAV/ShowCheckForUpdateBtn '%d'");
  int32_t webPage = 0;
  if (m_serverExchange->GetInt(u"QAV/ReportProblemUsingWebPage", webPage, 10)) {
    const bool flag = webPage != 0;
    if (flag != profile.ReportProblemUsingWebPage) {
      QAV_LOG(LOG_INFO, u"OnServerUpdateReply: New Value for QAV/ReportProblemUsingWebPage '%d'", flag ? 1 : 0);
    }
    profile.ReportProblemUsingWebPage = flag;
  }
  UpdateServerFlag(u"QAV/IsSkypeCertified", u"IsSkypeCertified", profile.IsSkypeCertified,
                   u"OnServerUpdateReply: New Value for QAV/IsSkypeCertified '%d'");

  OnServerUpdateLatestVersion(manual);
}

void CZVAppWnd::OnServerUpdateLatestVersion(bool manual) {
  const std::u16string ownVersion = CVersion::GetAppVersion();
  std::u16string serverVersion;
  bool newer = false;
  std::u16string link;
  const bool known = m_serverExchange->GetString(u"QAV/LatestVer", serverVersion) != 0;
  if (known) {
    int isNewer = 0;
    if (CVersion::CompareSWVersions(serverVersion, ownVersion, isNewer)) newer = isNewer != 0;
    QAV_LOG(LOG_INFO, u"Web Site version is %s then this one [Web Site: %s, This QAV: %s]",
            newer ? u"NEWER" : u"OLDER", serverVersion, ownVersion);
    if (!m_serverExchange->GetAttribute(u"QAV/LatestVer", u"sLink", link) || link.empty()) {
      link = ProductPageLink(u"applinks/download/", {{u"lang", m_app.Profile().Language}, {u"ver", ownVersion}});
    }
    QAV_LOG(LOG_INFO, u"Using version download link '%s'", link);
  }

  if (manual) {
    if (!newer) {
      ShowBox(qav::Format(GetLangString(IDS_NOTIFY_USER_APP_VERSION_ON_INTERNET_IS_OLDER), kMessageBoxCaption),
              qav::MB_ICONINFORMATION);
      return;
    }
    AskToDownload(IDS_NOTIFY_USER_APP_VERSION_ON_INTERNET_IS_NEWER, link,
                  u"Open manual version check download link by user request",
                  u"User doesn't want to open manual version check download link");
    return;
  }
  if (!newer) return;

  std::u16string critical;
  if (m_serverExchange->GetAttribute(u"QAV/LatestVer", u"CritialUpdate", critical) && critical == u"1") {
    ShowSheetPage(0);
    AskToDownload(IDS_NOTIFY_USER_APP_CRITICAL_VERSION_UPDATE, link,
                  u"Open timer critical version check download link by user request",
                  u"User doesn't want to open critical version download link");
    return;
  }

  const int64_t now = qav::CurrentClock().Now().seconds;
  if (!NoticeDue(serverVersion, now)) return;
  const std::u16string text =
      qav::Format(GetLangString(IDS_NOTIFY_USER_NEW_APP_VERSION_AVAILABLE_FOR_DOWNLOAD), kMessageBoxCaption);
  m_tray->ShowBalloon(text, -1, link);
  g_LastNotifiedVersionOnServer = serverVersion;
  g_LastNotifiedVersionOnServerDate = now;
  WriteIniString(u"LastNotifiedVersionOnServer", serverVersion);
  WriteIniInt64(u"LastNotifiedVersionOnServerDate", now);
}

void CZVAppWnd::AskToDownload(int noticeId, const std::u16string& link, const char16_t* openedLog,
                              const char16_t* declinedLog) {
  const int answer = ShowBox(qav::Format(GetLangString(noticeId), kMessageBoxCaption) + u"\r\n" +
                                 GetLangString(IDS_NOTIFY_USER_CLICK_OK_TO_START_DOWNLOAD),
                             qav::MB_OKCANCEL | qav::MB_ICONINFORMATION);
  if (answer == qav::IDOK) {
    QAV_LOG(LOG_INFO, openedLog);
    OpenWebLinkForUser(m_app.Shell(), link, true);
  } else {
    QAV_LOG(LOG_INFO, declinedLog);
  }
}

void CZVAppWnd::OnReportProblem() {
  QAV_LOG(LOG_INFO, u"CZVAppWnd::OnReportProblem()");
  if (m_app.Profile().ReportProblemUsingWebPage) {
    const CAppCurrentUser user = m_link->CurrentUser();
    QueryValues query = {{u"lang", m_app.Profile().Language}, {u"ver", CVersion::GetAppVersion()}};
    // The info file is the saved copy of a report that could not be sent, when there is one, so
    // the page can ask for it.
    const std::u16string savedReport = qav::TempFolder() + kMessageBoxCaption + u" Report Log.zip";
    const std::pair<const char16_t*, std::u16string> optional[] = {
        {u"skypever", m_app.SkypeVersionText()},
        {u"skypename", user.handle},
        {u"displayname", user.displayName},
        {u"infofile", access(qav::U8(savedReport).c_str(), F_OK) == 0 ? savedReport : std::u16string()}};
    for (const auto& [name, value] : optional) {
      if (!value.empty()) query.emplace_back(name, value);
    }
    OpenWebLinkForUser(m_app.Shell(), ProductPageLink(u"applinks/report/", query), false);
    return;
  }
  if (m_problemReport->SendProblemReport() == 1) {
    // The notice keeps its promise to close by itself: "<T>" counts the seconds down.
    qav::ShowTimedMessageBox(GetLangString(IDS_DLG_REPORT_SEND_SUCCESS_MESSAGE) + u"\r\n\r\n" +
                                 qav::Format(GetLangString(IDS_NOTIFY_USER_MESSAGE_WILL_CLOSE_IN_X_SECONDS), u"<T>"),
                             kMessageBoxCaption, qav::MB_ICONINFORMATION, qav::kTimedMessageBoxSeconds);
  }
}
