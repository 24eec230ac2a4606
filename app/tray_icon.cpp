#include "app/tray_icon.h"

#include "app/app_messages.h"
#include "app/app_names.h"
#include "app/link_opening.h"
#include "app/web_links.h"
#include "app/zv_app.h"
#include "app/zv_app_wnd.h"
#include "calls/conversation_collection.h"
#include "calls/message_collection.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/text.h"
#include "platform/window.h"

namespace {
constexpr char16_t kTrayTitle[] = u"QAV";
// The options page's call-waiting child, which a "page:" balloon opens.
constexpr uint32_t kCallWaitingOptionChild = 348;
}

CTrayIcon::CTrayIcon(CZVAppWnd& mainWindow, std::unique_ptr<CTrayHost> host)
    : m_wnd(mainWindow), m_host(std::move(host)) {}

void CTrayIcon::Add(qav::Hwnd mainWindow, uint32_t callbackMessage) {
  m_window = mainWindow;
  m_callbackMessage = callbackMessage;
  m_image = 0;
  m_added = m_host->Add(TrayEventSink(), 0, kTrayTitle);
  if (m_added) {
    QAV_LOG(LOG_INFO, u"CTrayIcon::Add [the tray icon is shown]");
  } else {
    QAV_LOG(LOG_WARNING, u"CTrayIcon::Add [the tray icon cannot be shown]");
  }
}

void CTrayIcon::Remove() {
  if (m_clickTimer) qav::KillTimer(m_window, kTimerTrayClick);
  m_clickTimer = false;
  m_host->Remove();
  m_added = false;
}

bool CTrayIcon::CallHandled(bool* conversation) {
  for (const CAppCallHandling& call : m_wnd.Link().Calls()) {
    if (call.voiceMessage || call.conversation) {
      if (conversation) *conversation = call.conversation;
      return true;
    }
  }
  return false;
}

int CTrayIcon::ChooseImage() {
  if (g_bReportInProgress) return 0;
  if (!m_wnd.Link().TransportExists() || m_wnd.Link().TransportState() != kTransportConnected) return 0;
  int first = 1, second = 1;
  const bool handled = CallHandled(nullptr);
  if (!g_AnswerAllowed) {
    first = 3;
    second = handled ? 4 : 3;
  } else if (handled) {
    second = 4;
  } else if (g_bTrayNewMessageFlag) {
    second = 2;
  }
  if (first == second) return first;
  // Each tick flips the phase: the first picture when it was set before the flip.
  const bool wasSet = m_blinkPhase;
  m_blinkPhase = !m_blinkPhase;
  return wasSet ? first : second;
}

CTrayHost::EventSink CTrayIcon::TrayEventSink() {
  // Queued as the tray's callback message, so the click timing runs on the window's loop and clock.
  return [window = m_window, message = m_callbackMessage](CTrayEvent event) {
    qav::PostMessage(window, message, 1, static_cast<qav::LParam>(event));
  };
}

void CTrayIcon::UpdateTrayIcon() {
  m_image = ChooseImage();
  if (!m_host->SetImage(m_image)) {
    // The tray went away and came back (its host restarted): show the icon anew.
    m_host->Remove();
    m_added = m_host->Add(TrayEventSink(), 0, kTrayTitle);
  }
  // Trays that report no hover get a fresh tooltip with every tick instead.
  if (m_added && !g_bReportInProgress) {
    const std::u16string tip = TooltipText();
    if (!tip.empty()) m_host->SetTooltip(tip);
  }
}

std::u16string CTrayIcon::TooltipText() {
  CAppLink& link = m_wnd.Link();
  const int32_t state = link.TransportExists() ? link.TransportState() : 0;
  if (state == kTransportConnected) {
    const CAppCurrentUser user = link.CurrentUser();
    const std::u16string name =
        user.handle.size() < 6 ? GetLangString(IDS_SYSTRAY_TIP_CHECKING_FOR_LOGGED_USER_ON_SKYPE) : user.displayName;
    return qav::Format(u"%s (%s) - ", kTrayTitle, name) +
           GetLangString(g_AnswerAllowed ? IDS_SYSTRAY_TIP_ANSWERING_MODE_ENABLED : IDS_SYSTRAY_TIP_ANSWERING_MODE_DISABLED);
  }
  if (state == kTransportPendingAuthorization) {
    return qav::Format(u"%s - %s", kTrayTitle, GetLangString(IDS_SYSTRAY_TIP_PENDING_USER_AUTHORIZATION));
  }
  return qav::Format(u"%s - %s", kTrayTitle, GetLangString(IDS_SYSTRAY_TIP_WAITING_FOR_SKYPE_AVAILABILITY));
}

void CTrayIcon::OnNotify(CTrayEvent event) {
  if (g_bReportInProgress) return;
  switch (event) {
    case CTrayEvent::kMouseMove: {
      const std::u16string tip = TooltipText();
      if (m_added && !tip.empty()) m_host->SetTooltip(tip);
      return;
    }
    case CTrayEvent::kLeftButtonUp:
      if (m_clickTimer) {
        QAV_LOG(LOG_INFO, u"WM_LBUTTONDBLCLK - Simulated");
        qav::KillTimer(m_window, kTimerTrayClick);
        m_clickTimer = false;
        bool conversation = false;
        if (CallHandled(&conversation)) {
          m_wnd.ShowSheetPage(conversation ? kPageConversations : kPageVoiceMessages);
        } else {
          m_wnd.ShowSheetPage(kPageCurrent);
        }
      } else {
        QAV_LOG(LOG_INFO, u"WM_LBUTTONUP");
        m_clickTimer = qav::SetTimer(m_window, kTimerTrayClick, kClickTimerMs) != 0;
        m_clickPoint = m_host->CursorPos();
      }
      return;
    case CTrayEvent::kClickTimer:
      QAV_LOG(LOG_INFO, u"WM_APP_SYS_TRAY_LBUTTONUP_TIMER");
      qav::KillTimer(m_window, kTimerTrayClick);
      m_clickTimer = false;
      ShowSysTrayMenu(m_clickPoint);
      return;
    case CTrayEvent::kRightButtonUp:
      QAV_LOG(LOG_INFO, u"WM_RBUTTONUP");
      if (m_clickTimer) qav::KillTimer(m_window, kTimerTrayClick);
      m_clickTimer = false;
      ShowSysTrayMenu(m_host->CursorPos());
      return;
    case CTrayEvent::kBalloonClicked:
      QAV_LOG(LOG_INFO, u"NIN_BALLOONUSERCLICK");
      if (IsWebAddress(m_balloonLink)) {
        if (g_pApp) OpenWebLinkForUser(g_pApp->Shell(), m_balloonLink, false);
      } else if (m_balloonLink.rfind(u"page:", 0) == 0) {
        QAV_LOG(LOG_INFO, u"!!!!! page");
        if (m_wnd.Sheet().Exists()) {
          QAV_LOG(LOG_INFO, u"!!!!! prp sheet ");
          m_wnd.ShowSheetPage(kPageOptions);
          // The options page opens its call-waiting child.
          m_wnd.Sheet().SelectOptionChild(kCallWaitingOptionChild);
        }
      }
      m_balloonLink.clear();
      return;
    case CTrayEvent::kBalloonHidden:
    case CTrayEvent::kBalloonTimedOut:
      m_balloonLink.clear();
      return;
    case CTrayEvent::kBalloonShown:
      return;
    default:
      QAV_LOG(LOG_INFO, u"OnTaskbarNotify not handled - lParam(%#x)", static_cast<uint32_t>(event));
      return;
  }
}

bool CTrayIcon::ShowBalloon(std::u16string_view text, int32_t durationMs, std::u16string_view link) {
  m_balloonLink = std::u16string(link);
  const bool shown = m_added && !text.empty() && m_host->ShowBalloon(kProductTitle, text, durationMs);
  if (!shown) m_balloonLink.clear();
  return shown;
}

std::vector<CTrayMenuItem> CTrayIcon::BuildMenu() {
  CAppLink& link = m_wnd.Link();
  std::vector<CTrayMenuItem> top;
  const auto label = [](int id) { return GetLangString(id); };
  if (!link.TransportExists() || link.TransportState() != kTransportConnected) {
    top.push_back({ID_SYSTRAY_MENU_TRY_RECONNECT_TO_SKYPEAPI, label(IDS_SYSTRAY_POPUP_MENU_TRY_RECONNECT_TO_SKYPEAPI), true});
  } else {
    const std::vector<CAppCallHandling> calls = link.Calls();
    const CAppCallHandling* inProgress = nullptr;
    bool ringing = false;
    for (const CAppCallHandling& c : calls) {
      if (c.inProgress && !inProgress) inProgress = &c;
      ringing |= c.ringing;
    }
    if (inProgress && (inProgress->voiceMessage || inProgress->conversation)) {
      if (inProgress->voiceMessage) {
        top.push_back({ID_SYSTRAY_MENU_TAKE_CONTROL, label(IDS_SYSTRAY_POPUP_MENU_TAKE_CONTROL)});
      } else {
        top.push_back({ID_SYSTRAY_MENU_RECORD_CONVERSATION_STOP, label(IDS_SYSTRAY_POPUP_MENU_RECORD_CONV_STOP)});
      }
    } else if (inProgress) {
      top.push_back({ID_SYSTRAY_MENU_RECORD_CONVERSATION_START, label(IDS_SYSTRAY_POPUP_MENU_RECORD_CONV_START)});
    } else if (ringing) {
      top.push_back({ID_SYSTRAY_MENU_FORCE_ANSWER, label(IDS_SYSTRAY_POPUP_MENU_FORCE_ANSWER)});
      top.push_back({ID_SYSTRAY_MENU_RECORD_CONVERSATION_START, label(IDS_SYSTRAY_POPUP_MENU_RECORD_CONV_START)});
    } else if (g_MessageCollection.GetNumNewSavedVoiceMessages() > 0) {
      top.push_back({ID_SYSTRAY_MENU_PLAY_NEW_MESSAGES, label(IDS_SYSTRAY_POPUP_MENU_PLAY_NEW_MESSAGES), true});
    }
  }
  std::vector<CTrayMenuItem> menu = top;
  if (!top.empty()) menu.push_back({});

  std::u16string messages = label(IDS_SYSTRAY_POPUP_MENU_GOTO_MESSAGES);
  std::u16string conversations = label(IDS_SYSTRAY_POPUP_MENU_GOTO_CONVERSATIONS);
  if (g_ShowNumRecordingsInSysTray) {
    const int total = static_cast<int>(g_MessageCollection.GetCount());
    const int fresh = g_MessageCollection.GetNumNewSavedVoiceMessages();
    if (fresh > 0) {
      messages = qav::Format(u"%s (%d/%d)", messages, fresh, total);
    } else if (total > 0) {
      messages = qav::Format(u"%s (%d)", messages, total);
    }
    const int recorded = static_cast<int>(g_ConversationCollection.GetCount());
    if (recorded > 0) conversations = qav::Format(u"%s (%d)", conversations, recorded);
  }
  menu.push_back({ID_SYSTRAY_MENU_GOTO_MESSAGES, messages});
  menu.push_back({ID_SYSTRAY_MENU_GOTO_CONVERSATIONS, conversations});
  if (!link.CurrentUser().handle.empty()) {
    menu.push_back({});
    menu.push_back({ID_SYSTRAY_MENU_ANSWERING_MODE, label(g_AnswerAllowed ? IDS_SYSTRAY_POPUP_MENU_ANSWERING_MODE_DISABLE
                                                                           : IDS_SYSTRAY_POPUP_MENU_ANSWERING_MODE_ENABLE)});
    menu.push_back({ID_SYSTRAY_MENU_CONV_REC_MODE,
                    label(g_ConversationAutoRecordMode ? IDS_SYSTRAY_POPUP_MENU_CONVERSATION_RECORDING_MODE_MANUAL
                                                       : IDS_SYSTRAY_POPUP_MENU_CONVERSATION_RECORDING_MODE_AUTO)});
  }
  menu.push_back({});
  menu.push_back({ID_SYSTRAY_MENU_GOTO_OPTIONS, label(IDS_SYSTRAY_POPUP_MENU_OPTIONS)});
  menu.push_back({ID_SYSTRAY_MENU_GOTO_HELP, label(IDS_SYSTRAY_POPUP_MENU_HELP)});
  menu.push_back({ID_SYSTRAY_MENU_GOTO_ABOUT, label(IDS_SYSTRAY_POPUP_MENU_ABOUT)});
  menu.push_back({ID_SYSTRAY_MENU_REPORT_PROB, label(IDS_SYSTRAY_POPUP_MENU_REPORT_PROBLEM)});
  menu.push_back({});
  menu.push_back({ID_SYSTRAY_MENU_QUIT, label(IDS_SYSTRAY_POPUP_MENU_QUIT)});
  return menu;
}

void CTrayIcon::ShowSysTrayMenu(CTrayPoint at) {
  // The menu reads in the language's direction, as the sheet does.
  const bool rightToLeft = g_pApp && g_pApp->Profile().RightToLeft;
  const uint32_t chosen = m_host->TrackMenu(BuildMenu(), at, rightToLeft);
  if (chosen != 0) OnMenuCommand(chosen);
}

void CTrayIcon::OnMenuCommand(uint32_t id) {
  CAppLink& link = m_wnd.Link();
  const auto toggle = [this](COptionInt& option, const char16_t* on, const char16_t* off) {
    QAV_LOG(LOG_INFO, u"%s", option ? off : on);
    option = option ? 0 : 1;
    SaveOption(option);  // to the user's own file, where the next load finds it
    qav::PostMessage(m_window, UM_UPDATEDLG, kPageOptions);
    UpdateTrayIcon();
  };
  std::vector<CAppCallHandling> calls;
  switch (id) {
    case ID_SYSTRAY_MENU_TRY_RECONNECT_TO_SKYPEAPI:
      QAV_LOG(LOG_INFO, u"ID_SYSTRAY_MENU_TRY_RECONNECT_TO_SKYPEAPI");
      if (g_pApp) g_pApp->StartSkypeMinimized(g_pApp->UserSkypePath());
      link.Reconnect();
      return;
    case ID_SYSTRAY_MENU_FORCE_ANSWER:
      QAV_LOG(LOG_INFO, u"ID_SYSTRAY_MENU_FORCE_ANSWER");
      // The ringing call: the one the menu offered to answer, never a second that rang since.
      for (const CAppCallHandling& c : link.Calls()) {
        if (c.ringing) {
          link.ForceAnswer(c.callId);
          break;
        }
      }
      return;
    case ID_SYSTRAY_MENU_TAKE_CONTROL:
      QAV_LOG(LOG_INFO, u"ID_SYSTRAY_MENU_TAKE_CONTROL");
      for (const CAppCallHandling& c : link.Calls()) {
        if (c.inProgress && c.voiceMessage) {
          link.TakeControl(c.callId);
          break;
        }
      }
      return;
    case ID_SYSTRAY_MENU_RECORD_CONVERSATION_START:
    case ID_SYSTRAY_MENU_RECORD_CONVERSATION_STOP: {
      const bool start = id == ID_SYSTRAY_MENU_RECORD_CONVERSATION_START;
      QAV_LOG(LOG_INFO, start ? u"ID_SYSTRAY_MENU_RECORD_CONVERSATION_START" : u"ID_SYSTRAY_MENU_RECORD_CONVERSATION_STOP");
      calls = link.Calls();
      bool anyInProgress = false;
      for (const CAppCallHandling& c : calls) {
        if (c.inProgress) {
          anyInProgress = true;
          link.RecordConversation(c.callId, start);
        }
      }
      if (!anyInProgress && start) {
        for (const CAppCallHandling& c : calls) {
          if (c.ringing) {
            link.RecordConversation(c.callId, true);
            break;
          }
        }
      }
      return;
    }
    case ID_SYSTRAY_MENU_PLAY_NEW_MESSAGES:
      QAV_LOG(LOG_INFO, u"ID_SYSTRAY_MENU_PLAY_NEW_MESSAGES");
      qav::PostMessage(m_window, UM_PLAYNEWMSGS);
      m_wnd.ShowSheetPage(kPageVoiceMessages);
      return;
    case ID_SYSTRAY_MENU_GOTO_MESSAGES:
      QAV_LOG(LOG_INFO, u"ID_SYSTRAY_MENU_GOTO_MESSAGES");
      m_wnd.ShowSheetPage(kPageVoiceMessages);
      return;
    case ID_SYSTRAY_MENU_GOTO_CONVERSATIONS:
      QAV_LOG(LOG_INFO, u"ID_SYSTRAY_MENU_GOTO_CONVERSATIONS");
      m_wnd.ShowSheetPage(kPageConversations);
      return;
    case ID_SYSTRAY_MENU_ANSWERING_MODE:
      toggle(g_AnswerAllowed, u"ID_SYSTRAY_MENU_ANSWERING_MODE_ENABLE",
             u"ID_SYSTRAY_MENU_ANSWERING_MODE_DISABLE");
      return;
    case ID_SYSTRAY_MENU_CONV_REC_MODE:
      toggle(g_ConversationAutoRecordMode, u"ID_SYSTRAY_MENU_CONV_REC_MODE_AUTO", u"ID_SYSTRAY_MENU_CONV_REC_MODE_MANUAL");
      return;
    case ID_SYSTRAY_MENU_GOTO_OPTIONS:
      QAV_LOG(LOG_INFO, u"ID_SYSTRAY_MENU_GOTO_OPTIONS");
      m_wnd.ShowSheetPage(kPageOptions);
      return;
    case ID_SYSTRAY_MENU_GOTO_HELP:
      QAV_LOG(LOG_INFO, u"ID_SYSTRAY_MENU_GOTO_HELP");
      if (g_pApp) {
        OpenWebLinkForUser(g_pApp->Shell(), ProductPageLink(u"applinks/help/", {{u"lang", g_pApp->Profile().Language}}),
                           true);
      }
      return;
    case ID_SYSTRAY_MENU_GOTO_ABOUT:
      QAV_LOG(LOG_INFO, u"ID_SYSTRAY_MENU_GOTO_ABOUT");
      m_wnd.ShowSheetPage(kPageAbout);
      return;
    case ID_SYSTRAY_MENU_REPORT_PROB:
      QAV_LOG(LOG_INFO, u"ID_SYSTRAY_MENU_REPORT_PROB");
      qav::PostMessage(m_window, UM_REPORTPROBLEM);
      return;
    case ID_SYSTRAY_MENU_QUIT:
      QAV_LOG(LOG_INFO, u"ID_SYSTRAY_MENU_QUIT");
      m_wnd.ExitApplication();
      return;
    default:
      return;
  }
}
