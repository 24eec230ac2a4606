#include "skype/dispatcher/skype_msg_hndl.h"

#include <optional>
#include <vector>

#include "calls/call.h"
#include "calls/call_collection.h"
#include "calls/call_fsm_commands.h"
#include "calls/call_fsm_states.h"
#include "calls/recordings_port.h"
#include "data/string_ids.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/event.h"
#include "platform/text.h"
#include "skype/dispatcher/skype_msg_hndl_host.h"
#include "skype/link/device_to_skype_cmd.h"
#include "skype/link/main_window_port.h"
#include "skype/link/skype_client_info.h"
#include "skype/link/skype_to_device_cmd.h"
#include "skype/link/skype_vocabulary.h"
#include "skype/link/user.h"
#include "skype/link/user_collection.h"

namespace {

constexpr int32_t kBalloonMs = 30000;
// The connection notice carries this duration value, unlike the other balloons.
constexpr int32_t kConnectedBalloonDuration = 10;

using BuildCmd = void (DeviceToSkypeCmd::*)();

void Queue(BuildCmd build) {
  QueueSkypeCmd([&](DeviceToSkypeCmd& cmd) { (cmd.*build)(); });
}

// A status that ends a call as far as the model goes: without a recording it is deleted.
bool IsEndStatus(int32_t status);

// A call whose client status or machine says it is over.
bool HasEnded(const CCall& call) { return IsEndStatus(call.GetStatus()) || call.GetState() == ST_CALL_DONE; }

bool IsEndStatus(int32_t status) {
  switch (status) {
    case SkypeCallStatus::UNPLACED:
    case SkypeCallStatus::FAILED:
    case SkypeCallStatus::FINISHED:
    case SkypeCallStatus::MISSED:
    case SkypeCallStatus::REFUSED:
    case SkypeCallStatus::BUSY:
    case SkypeCallStatus::CANCELLED: return true;
    default: return false;
  }
}

// The items of a list line ("USERS a, b, c"), trimmed, empty ones left out.
std::vector<std::u16string> ListItems(const SkypeToDeviceCmd& received) {
  std::vector<std::u16string> items;
  const CSkypeObj* list = received.GetPayload();
  if (list == nullptr) return items;
  for (const std::u16string& item : qav::Split(list->m_strValue, u',')) {
    std::u16string trimmed = qav::Trim(item);
    if (!trimmed.empty()) items.push_back(std::move(trimmed));
  }
  return items;
}

}  // namespace

// One piece of model work waiting for the GUI thread. The dispatcher thread waits for `done`; the
// GUI thread sets it after running the work, or StopThread sets it with `cancelled` so that the
// work never runs once its caller has gone.
struct CSkypeMsgHndl::HandOver {
  const std::function<void()>* work = nullptr;
  qav::Event done{true};
  bool cancelled = false;
  bool ran = false;
};

CSkypeMsgHndl::CSkypeMsgHndl(qav::MessageLoop& guiLoop, CSkypeMsgHndlHost& host)
    : m_host(host), m_guiThread(std::this_thread::get_id()) {
  if (!m_guiWindow.Create(guiLoop, "QAVSkypeMsgHndl", u"", qav::WindowKind::kLocal,
                          [this](qav::Msg& message) { return OnGuiWindowMessage(message); })) {
    QAV_LOG(LOG_SEVERE, u"CSkypeMsgHndl - cannot create its window on the GUI thread");
  }
  // Skype's own sound devices are learnt anew at each attach.
  SetSkypeAudioInDevice(u"");
  SetSkypeAudioOutDevice(u"");
}

CSkypeMsgHndl::~CSkypeMsgHndl() {
  StopThread();
  if (m_pTransport) {
    if (GetSkypeTransport() == m_pTransport.get()) SetSkypeTransport(nullptr);
    m_pTransport->End();
    m_pTransport.reset();
  }
}

bool CSkypeMsgHndl::CreateThread() {
  return m_thread.Start("QAVSkypeMsgHndl", [this](qav::MessageLoop& loop) {
    loop.SetThreadMessageHandler([this](qav::Msg& message) { OnThreadMessage(message); });
  });
}

void CSkypeMsgHndl::StopThread() {
  // This is the GUI thread: it cannot serve a hand-over while it waits for the dispatcher, so the
  // one in flight is released and no new one starts. The window goes with what is queued for it.
  {
    std::lock_guard lock(m_handOverMutex);
    m_bStopping = true;
    if (m_pHandOver) {
      m_pHandOver->cancelled = true;
      m_pHandOver->done.Set();
    }
  }
  m_guiWindow.Destroy();
  if (m_thread.threadId() != 0) {
    m_thread.Quit();
    m_thread.Join(qav::kInfinite);
  }
}

int CSkypeMsgHndl::StartSTL(std::unique_ptr<CSkypeTransport> transport) {
  if (!transport) return 0;
  m_pTransport = std::move(transport);
  SetSkypeTransport(m_pTransport.get());
  if (m_pTransport->Init(1, this, this) == 0) {
    SetSkypeTransport(nullptr);
    m_pTransport.reset();
    return 0;
  }
  m_pTransport->Connect();
  return 1;
}

void CSkypeMsgHndl::Shutdown() {
  StopThread();
  KillAllOfCurrentUser();
  if (m_pTransport) {
    SetSkypeTransport(nullptr);
    m_pTransport->End();
    m_pTransport.reset();
  }
}

void CSkypeMsgHndl::ConnectionStateNotify(int32_t state) {
  QAV_LOG(LOG_FINE, u"CSkypeMsgHndl::ConnectionStateNotify (%d)", state);
  if (!m_thread.PostThreadMessage(WM_SKYPEMSG_CONNECTION_STATE, static_cast<qav::WParam>(state))) {
    QAV_LOG(LOG_WARNING, u"CSkypeMsgHndl::ConnectionStateNotify - dispatcher thread not running");
  }
}

void CSkypeMsgHndl::ClientGone() {
  QAV_LOG(LOG_FINE, u"CSkypeMsgHndl::ClientGone");
  if (!m_thread.PostThreadMessage(WM_SKYPEMSG_CLIENT_GONE)) {
    QAV_LOG(LOG_WARNING, u"CSkypeMsgHndl::ClientGone - dispatcher thread not running");
  }
}

void CSkypeMsgHndl::OnSkypeCmdReceived(const SkypeToDeviceCmd& received) {
  if (!m_thread.PostThreadMessage(WM_SKYPEMSG_RECEIVED_CMD, 0, 0, qav::MakePayload<SkypeToDeviceCmd>(received))) {
    QAV_LOG(LOG_WARNING, u"CSkypeMsgHndl::OnSkypeCmdReceived - dispatcher thread not running");
  }
}

bool CSkypeMsgHndl::PostForceAnswer(int32_t callId) {
  return m_thread.PostThreadMessage(WM_SKYPEMSG_FORCE_ANSWER, static_cast<uint32_t>(callId));
}

bool CSkypeMsgHndl::PostTakeControl(int32_t callId) {
  return m_thread.PostThreadMessage(WM_SKYPEMSG_TAKE_CONTROL, static_cast<uint32_t>(callId));
}

bool CSkypeMsgHndl::PostRecordConversation(int32_t callId, bool start) {
  return m_thread.PostThreadMessage(WM_SKYPEMSG_RECORD_CONVERSATION, static_cast<uint32_t>(callId), start ? 1 : 0);
}

void CSkypeMsgHndl::OnThreadMessage(qav::Msg& message) {
  const auto callId = static_cast<int32_t>(static_cast<uint32_t>(message.wParam));
  switch (message.message) {
    case WM_SKYPEMSG_CONNECTION_STATE:
      OnConnectionStageChangeNotify(static_cast<int32_t>(message.wParam));
      break;
    case WM_SKYPEMSG_RECEIVED_CMD:
      if (const SkypeToDeviceCmd* received = message.Get<SkypeToDeviceCmd>()) OnReceivedSkypeCmd(*received);
      break;
    case WM_SKYPEMSG_QUIT:
      qav::PostQuitMessage(0);
      break;
    case WM_SKYPEMSG_FORCE_ANSWER:
      OnUserForceAnswerOfCall(callId);
      break;
    case WM_SKYPEMSG_TAKE_CONTROL:
      OnUserTakesControlOverCall(callId);
      break;
    case WM_SKYPEMSG_RECORD_CONVERSATION:
      OnUserRecordConversation(callId, message.lParam != 0);
      break;
    case WM_SKYPEMSG_CLIENT_GONE:
      OnClientGone();
      break;
    default:
      break;
  }
}

void CSkypeMsgHndl::OnGui(const std::function<void()>& work) {
  if (std::this_thread::get_id() == m_guiThread) {
    work();
    return;
  }
  auto handOver = std::make_shared<HandOver>();
  handOver->work = &work;
  {
    std::lock_guard lock(m_handOverMutex);
    if (m_bStopping || !qav::PostMessage(m_guiWindow.handle(), WM_SKYPEMSG_RUN_ON_GUI, 0, 0,
                                         qav::MakePayload<std::shared_ptr<HandOver>>(handOver))) {
      QAV_LOG(LOG_WARNING, u"CSkypeMsgHndl - GUI thread not reachable, a change from Skype was dropped");
      return;
    }
    m_pHandOver = handOver;
  }
  handOver->done.Wait();
  std::lock_guard lock(m_handOverMutex);
  if (m_pHandOver == handOver) m_pHandOver.reset();
  if (!handOver->ran) QAV_LOG(LOG_WARNING, u"CSkypeMsgHndl - stopping, a change from Skype was dropped");
}

qav::LResult CSkypeMsgHndl::OnGuiWindowMessage(qav::Msg& message) {
  if (message.message != WM_SKYPEMSG_RUN_ON_GUI) return qav::DefWindowProc(message);
  std::shared_ptr<HandOver>* handOver = message.Get<std::shared_ptr<HandOver>>();
  if (handOver == nullptr || !*handOver) return 0;
  HandOver& task = **handOver;
  // Cancelled only by StopThread, which runs on this thread too.
  if (task.cancelled) return 0;
  (*task.work)();
  task.ran = true;
  task.done.Set();
  return 1;
}

// ---- Connection states ---------------------------------------------------------------------

void CSkypeMsgHndl::OnConnectionStageChangeNotify(int32_t state) {
  QAV_LOG(LOG_INFO, u"CSkypeMsgHndl::OnConnectionStageChangeNotify (%d)", state);
  PostToMainWindow(kMainWindowTimerMessage, kMainWindowTimerTrayIcon);
  switch (state) {
    case SkypeLinkState::DISCONNECTED:
      m_bFirstConnection = true;
      m_bVideoInSwitchAsked = false;
      KillAllOfCurrentUser();
      PostToMainWindow(UM_UPDATEDLG, kPageAll);
      break;
    case SkypeLinkState::REFUSED:
      QAV_LOG(LOG_INFO, u"!!! Connection refused");
      if (m_pTransport) m_pTransport->Disconnect();
      PostToMainWindow(UM_BALLOONTIP, IDS_NOTIFY_USER_SKYPE_REFUSED_CONNECTION, kBalloonMs);
      m_bConnectionNotice = true;
      break;
    case SkypeLinkState::API_NOT_AVAILABLE:
      QAV_LOG(LOG_INFO, u"!!! Skype API not available");
      if (m_pTransport) m_pTransport->Disconnect();
      PostToMainWindow(UM_BALLOONTIPIFALLOWED, IDS_NOTIFY_USER_SKYPE_API_NOT_AVAILABLE, kBalloonMs);
      m_bConnectionNotice = true;
      break;
    case SkypeLinkState::API_AVAILABLE:
      QAV_LOG(LOG_INFO, u"!!! Skype API Available - Reconnect");
      if (m_pTransport) m_pTransport->Connect();
      break;
    case SkypeLinkState::CONNECTING:
      break;
    case SkypeLinkState::CONNECTED:
      OnConnected();
      break;
    default:
      QAV_LOG(LOG_INFO, u"!!! check it out (%d)", state);
      break;
  }
}

void CSkypeMsgHndl::OnConnected() {
  if (GetInstalledSkypeVersion() < GetRequiredSkypeVersion()) {
    if (g_OpenSkypeDotComWhenMissingSkype != 0) m_host.OpenUrl(kSkypeDownloadPageUrl);
    QAV_LOG(LOG_WARNING, u"Skype minimum version ERROR");
    m_host.ShowMessageBox(qav::Format(GetLangString(IDS_NOTIFY_USER_SKYPE_MIN_VERSION_NOT_AVAILABLE), u"QAV") +
                              u"\n\nThis is a QAV BETA version that requiers Skype 2.6 (BETA)",
                          CSkypeMsgHndlHost::MessageBoxIcon::kExclamation);
    QAV_LOG(LOG_INFO, u"... bail out");
    m_host.CloseMainWindow();
    return;
  }
  QueueSkypeCmd([](DeviceToSkypeCmd& cmd) { cmd.Name(DeviceToSkypeCmd::kProgramName); });
  QueueSkypeCmd([](DeviceToSkypeCmd& cmd) { cmd.Protocol(DeviceToSkypeCmd::kProtocolVersion); });
  if (m_bFirstConnection) {
    m_bFirstConnection = false;
    Queue(&DeviceToSkypeCmd::GetUserStatus);
    Queue(&DeviceToSkypeCmd::GetCurrentUserHandle);
  }
  if (m_bConnectionNotice) {
    // Once per recovery: a later re-attach of a working link is no news.
    m_bConnectionNotice = false;
    PostToMainWindow(UM_BALLOONTIPIFALLOWED, IDS_NOTIFY_USER_CONNECTED_TO_SKYPE, kConnectedBalloonDuration);
  }
}

// ---- Received lines ------------------------------------------------------------------------

void CSkypeMsgHndl::OnReceivedSkypeCmd(const SkypeToDeviceCmd& received) {
  switch (received.GetNotifyIndex()) {
    case SkypeNotify::USERSTATUS: OnUserStatus(received); break;
    case SkypeNotify::CONNSTATUS: OnConnStatus(received); break;
    case SkypeNotify::CURRENTUSERHANDLE: OnCurrentUserHandle(received); break;
    case SkypeNotify::AUDIO_IN:
    case SkypeNotify::AUDIO_OUT:
    case SkypeNotify::VIDEO_IN: OnDevice(received); break;
    case SkypeNotify::USERS: OnUsersList(received); break;
    case SkypeNotify::CALLS: OnCallsList(received); break;
    case SkypeNotify::USER: Skype2DeviceMsgHandleUser(received); break;
    case SkypeNotify::CALL: Skype2DeviceMsgHandleCall(received); break;
    default: break;
  }
}

void CSkypeMsgHndl::OnUserStatus(const SkypeToDeviceCmd& received) {
  const auto* user = received.PayloadAs<CSkypeObjUser>();
  if (user == nullptr) return;
  OnGui([&] {
    if (g_CurrentUser.GetHandle().empty()) Queue(&DeviceToSkypeCmd::GetCurrentUserHandle);
    g_CurrentUser.SetUserStatus(user->m_nOnlineStatus);
  });
  PostToMainWindow(kMainWindowTimerMessage, kMainWindowTimerUpdateCheck);
  if (user->m_nOnlineStatus == SkypeOnlineStatus::LOGGEDOUT) KillAllOfCurrentUser();
}

void CSkypeMsgHndl::OnConnStatus(const SkypeToDeviceCmd& received) {
  const auto* status = received.PayloadAs<CSkypeObjConnStatus>();
  if (status != nullptr && status->m_nStatus == SkypeConnStatus::LOGGEDOUT) KillAllOfCurrentUser();
}

void CSkypeMsgHndl::OnCurrentUserHandle(const SkypeToDeviceCmd& received) {
  const CSkypeObj* payload = received.GetPayload();
  if (payload == nullptr) return;
  const std::u16string handle = payload->m_strId;
  if (handle.empty()) {
    QAV_LOG(LOG_WARNING, u"CSkypeMsgHndl - CURRENTUSERHANDLE without a handle ignored");
    return;
  }
  bool known = false;
  bool differs = false;
  OnGui([&] {
    known = !g_CurrentUser.GetHandle().empty();
    differs = g_CurrentUser.GetHandle() != handle;
  });
  if (differs) {
    if (known) KillAllOfCurrentUser();
    OnGui([&] {
      g_CurrentUser.init(handle);
      // A contact already known under the handle makes way for the current user; its calls follow.
      if (std::unique_ptr<CUser> displaced = g_UserCollection.Add(&g_CurrentUser)) {
        g_CallCollection.ReplacePartner(displaced.get(), &g_CurrentUser);
      }
      PublishCurrentUserHandle();
    });
    Queue(&DeviceToSkypeCmd::GetUserStatus);
    // The client's language for the user, which a problem report names.
    QueueSkypeCmd([&](DeviceToSkypeCmd& cmd) { cmd.GetUser(handle, SkypeUserProp::LANGUAGE); });
    m_host.BeginWaitCursor();
    LoadSettings();
    if (m_host.LoadGreetingMemFileBuddy() == 0) {
      QAV_LOG(LOG_WARNING, u"Fail to load Greeting Message Audio Files into memory for default caller.");
      m_host.ShowMessageBox(GetLangString(IDS_ERROR_MESSAGE_LOAD_DEFAULT_CALLER_GREETING_MESSAGE),
                            CSkypeMsgHndlHost::MessageBoxIcon::kStop);
    }
    if (m_host.LoadGreetingMemFileNonBuddy() == 0) {
      QAV_LOG(LOG_WARNING, u"Fail to load Greeting Message Audio Files into memory for unknwon callers");
      m_host.ShowMessageBox(GetLangString(IDS_ERROR_MESSAGE_LOAD_UNKNOWN_CALLER_GREETING_MESSAGE),
                            CSkypeMsgHndlHost::MessageBoxIcon::kStop);
    }
    m_host.RefreshUI();
    OnGui([&] {
      if (CRecordingsPort* recordings = GetRecordingsPort()) recordings->LoadForUser(handle);
    });
    m_host.EndWaitCursor();
  }
  QAV_LOG(LOG_INFO, u"Current User Handle: %s", handle);
  Queue(&DeviceToSkypeCmd::GetConnStatus);
  Queue(&DeviceToSkypeCmd::GetAudioIn);
  Queue(&DeviceToSkypeCmd::GetAudioOut);
  if (m_host.HasVideoDriver()) Queue(&DeviceToSkypeCmd::GetVideoIn);
}

void CSkypeMsgHndl::OnDevice(const SkypeToDeviceCmd& received) {
  const auto* device = received.PayloadAs<CSkypeObjDevice>();
  if (device == nullptr) return;
  const std::u16string& name = device->m_strDevice;
  switch (received.GetNotifyIndex()) {
    case SkypeNotify::AUDIO_IN:
      SetSkypeAudioInDevice(name);
      QAV_LOG(LOG_INFO, u"Saving Skype AUDIO IN device as default: %s", name);
      return;
    case SkypeNotify::AUDIO_OUT:
      SetSkypeAudioOutDevice(name);
      QAV_LOG(LOG_INFO, u"Saving Skype AUDIO OUT device as default: %s", name);
      return;
    default:
      break;
  }
  // The program's device always has a name: an empty one ("VIDEO_IN" alone) is the user's choice of
  // no device, never the program's.
  const std::u16string programDevice = m_host.GetOwnVideoDeviceName();
  if (name.empty() || name != programDevice) {
    SetSkypeUserVideoInDevice(name);
    QAV_LOG(LOG_INFO, u"Saving Skype VIDEO IN device as default: %s", name);
    m_bVideoInSwitchAsked = false;
    return;
  }
  // Skype still shows the webcam application's device (a greeting ended before it was switched
  // back): give the user's own device back, unless a recording may be showing the video now. A
  // client that answers the switch with the program's device again is asked once only, until it
  // shows another device; otherwise each answer would ask again, without end.
  OnGui([&] {
    if (g_CallCollection.GetCallRecording() != nullptr) return;
    if (m_bVideoInSwitchAsked) {
      QAV_LOG(LOG_INFO, u"Skype's VIDEO IN device is still %s after it was asked to switch back", name);
      return;
    }
    m_bVideoInSwitchAsked = true;
    const std::u16string own = GetSkypeUserVideoInDevice();
    QAV_LOG(LOG_INFO, u"Switching Skype's VIDEO IN device to users default: %s", own);
    QueueSkypeCmd([&](DeviceToSkypeCmd& cmd) { cmd.SetVideoIn(own); });
  });
}

void CSkypeMsgHndl::OnUsersList(const SkypeToDeviceCmd& received) {
  const std::vector<std::u16string> handles = ListItems(received);
  OnGui([&] {
    for (const std::u16string& handle : handles) {
      if (handle == CUser::kEmptyHandle || g_UserCollection.Lookup(handle) != nullptr) continue;
      g_UserCollection.FindOrCreate(handle, CUser::Asking::kWhenIdle);
    }
  });
}

void CSkypeMsgHndl::OnCallsList(const SkypeToDeviceCmd& received) {
  for (const std::u16string& item : ListItems(received)) {
    const std::optional<int32_t> callId = qav::ParseInt32(item);
    if (!callId || *callId <= 0) {
      QAV_LOG(LOG_WARNING, u"CSkypeMsgHndl::OnCallsList - '%s' is no call id", item);
      continue;
    }
    QueueSkypeCmd([&](DeviceToSkypeCmd& cmd) { cmd.GetCall(*callId, SkypeCallProp::STATUS); });
  }
}

void CSkypeMsgHndl::Skype2DeviceMsgHandleUser(const SkypeToDeviceCmd& received) {
  const auto* obj = received.PayloadAs<CSkypeObjUser>();
  if (obj == nullptr) return;
  if (obj->m_strId.empty()) {
    QAV_LOG(LOG_INFO, u"Skype2DeviceMsgHandleUser: Got Empty username in S2D cmd");
    return;
  }
  OnGui([&] {
    CUser* user = g_UserCollection.FindOrCreate(obj->m_strId);
    const bool isCurrentUser = user == &g_CurrentUser;
    const std::u16string& value = obj->m_strValue;
    switch (obj->m_nProperty) {
      case SkypeUserProp::FULLNAME:
        user->SetFullName(value);
        if (isCurrentUser) QAV_LOG(LOG_INFO, u"Current Username Fullname: %s", value);
        break;
      case SkypeUserProp::BUDDYSTATUS:
        user->SetBuddyStatus(qav::ParseInt32(value).value_or(-1));
        break;
      case SkypeUserProp::DISPLAYNAME:
        user->SetDisplayName(value);
        if (isCurrentUser) QAV_LOG(LOG_INFO, u"Current Username Displayname: %s", value);
        break;
      case SkypeUserProp::ONLINESTATUS:
        user->SetUserStatus(obj->m_nOnlineStatus);
        break;
      case SkypeUserProp::LASTONLINETIMESTAMP:
        if (const std::optional<int64_t> time = qav::ParseInt64(value)) {
          user->SetLastOnlineTimestamp(*time);
        } else {
          QAV_LOG(LOG_WARNING, u"Skype2DeviceMsgHandleUser: LASTONLINETIMESTAMP '%s' is no time", value);
        }
        break;
      case SkypeUserProp::LANGUAGE:
        if (isCurrentUser) {
          user->SetLanguage(value);
          QAV_LOG(LOG_INFO, u"Current Username Language: %s", value);
        }
        break;
      case SkypeUserProp::IS_VIDEO_CAPABLE:
        if (IsSkypeTrue(value)) user->SetVideoCapable(true);
        break;
      default:
        break;
    }
  });
}

void CSkypeMsgHndl::Skype2DeviceMsgHandleCall(const SkypeToDeviceCmd& received) {
  const auto* obj = received.PayloadAs<CSkypeObjCall>();
  if (obj == nullptr) return;
  OnGui([&] {
    if (g_CurrentUser.GetHandle().empty()) {
      QAV_LOG(LOG_INFO, u"No Current User not Registered - CallId[%s] events being discarded", obj->m_strId);
      return;
    }
    // The client's ids are positive; anything else (negative ids are the rebuilt calls') is no call.
    const std::optional<int32_t> callId = qav::ParseInt32(obj->m_strId);
    if (!callId || *callId <= 0) {
      QAV_LOG(LOG_WARNING, u"Unrecognized CallId[%s] being discarded", obj->m_strId);
      return;
    }
    CCall* call = g_CallCollection.Get(*callId);
    const bool starts = obj->m_nProperty == SkypeCallProp::STATUS &&
                        (obj->m_nStatus == SkypeCallStatus::ROUTING || obj->m_nStatus == SkypeCallStatus::RINGING);
    if (call != nullptr && starts && HasEnded(*call)) {
      // The client rings again under the id of a call that has ended and is only kept for its
      // recording: a new call, which takes the id; the ended one stays with its recording.
      QAV_LOG(LOG_INFO, u"[CallId: %d] rings again after its end: a new call", *callId);
      call = nullptr;
    }
    if (call == nullptr) {
      if (!starts) {
        QAV_LOG(LOG_INFO, u"Unrecognized CallId[%d] being discarded", *callId);
        return;
      }
      if (g_CallCollection.GetCallInprogress() == nullptr) {
        Queue(&DeviceToSkypeCmd::GetAudioIn);
        Queue(&DeviceToSkypeCmd::GetAudioOut);
      }
      auto created = std::make_unique<CCall>();
      created->init(*callId);
      call = created.get();
      g_CallCollection.Add(std::move(created));
    }
    switch (obj->m_nProperty) {
      case SkypeCallProp::PARTNER_HANDLE: {
        CUser* partner = g_UserCollection.FindOrCreate(obj->m_strValue);
        // A caller whose details still wait behind the sign-in's questions: the answer needs them.
        partner->AskDeferredDetailsNow();
        call->set(partner);
        break;
      }
      case SkypeCallProp::TYPE: call->set(CCall::Type{obj->m_nType}); break;
      case SkypeCallProp::STATUS: call->set(CCall::Status{obj->m_nStatus}); break;
      default: break;
    }
    if (IsEndStatus(call->GetStatus()) && !call->HoldsRecording()) {
      QAV_LOG(LOG_INFO, u"Deleting pCall: CallID: %d, Status: %d, ", *callId, call->GetStatus());
      g_CallCollection.Del(*callId);
    }
  });
}

void CSkypeMsgHndl::OnClientGone() {
  m_bFirstConnection = true;
  OnGui([] {
    for (const int32_t callId : g_CallCollection.GetCallIds()) {
      CCall* call = g_CallCollection.Get(callId);
      if (callId <= 0 || call == nullptr || HasEnded(*call)) continue;
      QAV_LOG(LOG_WARNING, u"[CallId: %d] The call client has gone: the call ends", callId);
      call->set(CCall::Status{SkypeCallStatus::FINISHED});
      if (!call->HoldsRecording()) {
        QAV_LOG(LOG_INFO, u"Deleting pCall: CallID: %d, Status: %d, ", callId, call->GetStatus());
        g_CallCollection.Del(callId);
      }
    }
  });
}

// ---- Tray commands -------------------------------------------------------------------------

void CSkypeMsgHndl::OnTrayCommand(int32_t callId, const std::function<void(CCall&)>& command) {
  OnGui([&] {
    CCall* call = g_CallCollection.Get(callId);
    if (call == nullptr) {
      QAV_LOG(LOG_INFO, u"CSkypeMsgHndl - call %d has ended, the command is dropped", callId);
      return;
    }
    command(*call);
  });
}

void CSkypeMsgHndl::OnUserForceAnswerOfCall(int32_t callId) {
  QAV_LOG(LOG_INFO, u"OnUserForceAnswerOfCall()");
  OnTrayCommand(callId, [](CCall& call) { call.UserForceAnswering(); });
}

void CSkypeMsgHndl::OnUserTakesControlOverCall(int32_t callId) {
  QAV_LOG(LOG_INFO, u"OnUserTakesControlOverCall()");
  OnTrayCommand(callId, [](CCall& call) { call.UserTakeControl(); });
}

void CSkypeMsgHndl::OnUserRecordConversation(int32_t callId, bool start) {
  QAV_LOG(LOG_INFO, u"OnUserRecordConversation( %s ) ", start ? u"START" : u"STOP");
  OnTrayCommand(callId, [start](CCall& call) { call.UserRecordConversation(start); });
}

void CSkypeMsgHndl::KillAllOfCurrentUser() {
  OnGui([] {
    QAV_LOG(LOG_INFO, u"Kill all associated with the current username");
    CallFSMGiveBackRoutedCalls();
    if (CRecordingsPort* recordings = GetRecordingsPort()) recordings->DeleteAll();
    g_CallCollection.DeleteAll();
    // The calls are gone, so nothing points at a contact the removal would free.
    if (!g_CurrentUser.GetHandle().empty()) (void)g_UserCollection.Remove(g_CurrentUser.GetHandle());
    g_CurrentUser.Reset();
    PublishCurrentUserHandle();
  });
  m_host.RefreshUI();
}
