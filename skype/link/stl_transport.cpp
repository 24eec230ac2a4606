#include "skype/link/stl_transport.h"

#include <chrono>

#include "foundation/logger.h"
#include "platform/registered_message.h"
#include "platform/window.h"
#include "skype/link/skype_obj.h"
#include "skype/link/skype_protocol_error.h"
#include "skype/link/skype_to_device_cmd.h"

namespace {

// Record addresses appear in the log as the design's "%#x" shows them: their low 32 bits.
uint32_t Low32(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

using CmdPayload = std::unique_ptr<DeviceToSkypeCmd>;

}  // namespace

CSTL::CSTL(qav::MessageLoop& guiLoop) : m_loop(guiLoop), m_sender(guiLoop.clock()) { m_pingCmd.Ping(); }

CSTL::~CSTL() {
  if (m_bInitDone.load() && !m_bEnded.load()) End();
}

// ---- Calls from any thread ------------------------------------------------------------------

int CSTL::Init(int32_t maxAwaitingReplies, CSTLCallbackConnectionStateChange* stateCallback,
               CSTLCallbackReceivedSkypeCmd* receivedCallback) {
  if (m_bInitDone.load()) return 1;
  QAV_LOG(LOG_FINE, u"CSTL::Init");
  m_nMaxAwaitingReplies = maxAwaitingReplies < 1 ? 1 : maxAwaitingReplies;
  m_pStateCallback = stateCallback;
  m_pReceivedCallback = receivedCallback;
  m_guiThread = std::this_thread::get_id();

  m_msgDiscover = qav::RegisterWindowMessage(kDiscoverMessageName);
  m_msgAttach = qav::RegisterWindowMessage(kAttachMessageName);
  if (m_msgDiscover == 0 || m_msgAttach == 0) {
    QAV_LOG(LOG_SEVERE, u"CSTL::Init - the call client's API messages cannot be registered");
    return 0;
  }
  m_hWnd = qav::CreateWindow(m_loop, kWindowClass, u"", qav::WindowKind::kTopLevel,
                             [this](qav::Msg& message) { return WindowProc(message); });
  if (m_hWnd == 0) {
    QAV_LOG(LOG_SEVERE, u"CSTL::Init - the window \"%s\" cannot be created", kWindowClass);
    return 0;
  }
  if (!m_sender.Start()) {
    QAV_LOG(LOG_SEVERE, u"CSTL::Init - the sender thread does not start");
    qav::DestroyWindow(m_hWnd);
    m_hWnd = 0;
    return 0;
  }
  m_sender.SetMyhWnd(m_hWnd);
  ArmTimer(REPLY_TIMEOUT_CHECK, kReplyCheckPeriodMs);
  m_nState.store(1);
  m_bInitDone.store(true);
  return 1;
}

void CSTL::Connect() {
  if (!m_bInitDone.load()) {
    QAV_LOG(LOG_WARNING, u"CSTL::Connect - Init not done");
    return;
  }
  m_bAutoReconnect.store(true);
  qav::PostMessage(m_hWnd, WM_STL_CONNECT);
}

void CSTL::Disconnect() {
  if (!m_bInitDone.load()) {
    QAV_LOG(LOG_WARNING, u"CSTL::Disconnect - Init not done");
    return;
  }
  m_bAutoReconnect.store(false);
  qav::PostMessage(m_hWnd, WM_STL_DISCONNECT);
}

int32_t CSTL::GetConnectionState() { return m_bInitDone.load() ? m_nState.load() : -1; }

int CSTL::SendCmdAcknowledged(const DeviceToSkypeCmd& cmd) {
  if (!m_bInitDone.load()) {
    QAV_LOG(LOG_WARNING, u"CSTL::SendCmdAcknowledged - Init not done");
    return 0;
  }
  std::unique_lock lock(m_guardMutex);
  if (m_bEnded.load()) {
    QAV_LOG(LOG_WARNING, u"CSTL::SendCmdAcknowledged - the link has ended, command dropped: %s", cmd.GetText());
    return 0;
  }
  ++m_nCallersInside;
  // Only the GUI thread empties the queue, so it must never wait for room itself; other threads
  // wait until the GUI thread has sent some of it (or the link ends). What they leave free is the
  // GUI thread's reserve: a call's answer or routing is not refused because another thread filled
  // the queue.
  const bool onGuiThread = std::this_thread::get_id() == m_guiThread;
  const int limit = kMaxQueuedCmds + (onGuiThread ? kGuiReserveCmds : 0);
  auto hasRoom = [&] { return m_nQueued <= limit; };
  bool room = hasRoom();
  if (!room && !onGuiThread) {
    m_guardChanged.wait_for(lock, std::chrono::milliseconds(kQueueWaitMs), [&] { return m_bEnded.load() || hasRoom(); });
    room = !m_bEnded.load() && hasRoom();
  }
  if (!room) {
    --m_nCallersInside;
    m_guardChanged.notify_all();
    QAV_LOG(LOG_WARNING, u"CSTL::SendCmdAcknowledged - ERROR - Msg Q is too big for too long");
    return 0;
  }
  ++m_nQueued;
  lock.unlock();

  auto copy = std::make_unique<DeviceToSkypeCmd>(cmd);
  QAV_LOG(LOG_FINE, u"CSTL::QueueCtrlAckCmd [%s] [%#x]", copy->GetText(), Low32(copy.get()));
  const bool posted = qav::PostMessage(m_hWnd, WM_STL_QUEUE_CMD, 0, 0, qav::MakePayload<CmdPayload>(std::move(copy)));

  lock.lock();
  if (!posted) --m_nQueued;
  --m_nCallersInside;
  m_guardChanged.notify_all();
  return posted ? 1 : 0;
}

int CSTL::SendCmdWhenIdle(SkypeCmdBuilder build) {
  if (!m_bInitDone.load()) {
    QAV_LOG(LOG_WARNING, u"CSTL::SendCmdWhenIdle - Init not done");
    return 0;
  }
  {
    std::lock_guard lock(m_guardMutex);
    if (m_bEnded.load()) {
      QAV_LOG(LOG_WARNING, u"CSTL::SendCmdWhenIdle - the link has ended, command dropped");
      return 0;
    }
    ++m_nCallersInside;
  }
  const bool posted =
      qav::PostMessage(m_hWnd, WM_STL_QUEUE_IDLE_CMD, 0, 0, qav::MakePayload<SkypeCmdBuilder>(std::move(build)));
  std::lock_guard lock(m_guardMutex);
  --m_nCallersInside;
  m_guardChanged.notify_all();
  return posted ? 1 : 0;
}

int CSTL::End() {
  if (!m_bInitDone.load()) {
    QAV_LOG(LOG_WARNING, u"CSTL::End - Init not done");
    return 0;
  }
  if (m_bEnded.exchange(true)) return 1;
  {
    // Wake callers waiting for room and let every caller still inside leave before anything goes.
    std::unique_lock lock(m_guardMutex);
    m_guardChanged.notify_all();
    m_guardChanged.wait(lock, [&] { return m_nCallersInside == 0; });
  }
  // From here on nothing calls back: the owner may be ending too.
  m_pStateCallback = nullptr;
  m_pReceivedCallback = nullptr;
  m_bAutoReconnect.store(false);
  SendQueuedOnceBeforeEnd();
  if (m_nState.load() != 1) OnDisconnect();
  ClearAllCmdQueues();
  m_idleQueue.clear();
  // Commands posted but not yet handled are freed with their messages.
  m_loop.RemoveMessages(WM_STL_QUEUE_CMD, WM_STL_QUEUE_IDLE_CMD, m_hWnd);
  m_sender.EndThread();
  QAV_LOG(LOG_FINE, u"CCSTL::End()");
  qav::DestroyWindow(m_hWnd);
  m_armedTimers.clear();
  return 1;
}

// ---- The window (GUI thread) ----------------------------------------------------------------

qav::LResult CSTL::WindowProc(qav::Msg& message) {
  // The private messages and timers are this process's own; the desktop bus would let another
  // process post the same numbers.
  const bool fromHere = message.senderProcess == qav::WindowProcessId(m_hWnd);
  switch (message.message) {
    case WM_STL_CONNECT:
      if (fromHere) OnConnect();
      return 0;
    case WM_STL_DISCONNECT:
      if (fromHere) OnDisconnect();
      return 0;
    case WM_STL_QUEUE_CMD:
      if (auto* cmd = message.Get<CmdPayload>(); cmd && *cmd) OnQueueCmd(std::move(*cmd));
      return 0;
    case WM_STL_QUEUE_IDLE_CMD:
      if (auto* build = message.Get<SkypeCmdBuilder>(); build && *build) OnQueueIdleCmd(std::move(*build));
      return 0;
    case qav::WM_COPYDATA:
      return OnCopyData(message);
    case qav::WM_TIMER:
      if (fromHere && IsTimerArmed(message.wParam)) OnTimer(message.wParam);
      return 0;
    default:
      break;
  }
  if (message.message == m_msgAttach && m_msgAttach != 0) {
    OnSkypeAttach(message);
    return 0;
  }
  if (message.message == m_msgDiscover && m_msgDiscover != 0) return 0;  // our own broadcast
  return qav::DefWindowProc(message);
}

void CSTL::OnConnect() {
  QAV_LOG(LOG_FINE, u"CSTL::OnConnect (%d) ", m_nState.load());
  m_nDiscoverAttempts = 0;
  SetConnectionState(SkypeLinkState::CONNECTING);
  SendDiscover();
}

void CSTL::OnDisconnect() {
  QAV_LOG(LOG_FINE, u"CSTL::OnDisconnect (%d) ", m_nState.load());
  m_bAutoReconnect.store(false);
  for (uint64_t id : {SKYPEAPI_DISCOVER_FAILED, TRY_RECONNECT, SKYPEAPI_KEEPALIVE_SEND_PING, SKYPEAPI_KEEPALIVE_FAILED}) {
    StopTimer(id);
  }
  DropSkypeWindow();
  m_hWndAttachedClient = 0;  // the disconnect ends the client's calls itself
  m_bHoldUntilAttach = false;
  ClearAllCmdQueues();
  SetConnectionState(SkypeLinkState::DISCONNECTED);
}

void CSTL::OnQueueCmd(std::unique_ptr<DeviceToSkypeCmd> cmd) {
  if (m_bEnded.load()) {
    CountQueued(-1);
    return;
  }
  m_inQueue.push_back(std::move(cmd));
  SendNextAckCmdIfPossible();
}

void CSTL::OnQueueIdleCmd(SkypeCmdBuilder build) {
  if (m_bEnded.load()) return;
  m_idleQueue.push_back(std::move(build));
  SendNextAckCmdIfPossible();
}

void CSTL::OnSkypeAttach(const qav::Msg& message) {
  const int64_t status = message.lParam;
  QAV_LOG(LOG_FINE, u"CSTL::SkypeAPI Control Handle...(got %x at state %d)", status, m_nState.load());
  m_nDiscoverAttempts = 0;
  StopTimer(SKYPEAPI_DISCOVER_FAILED);
  switch (status) {
    case kAttachSuccess: {
      const int32_t state = m_nState.load();
      if (state != SkypeLinkState::PENDING_AUTHORIZATION && state != SkypeLinkState::CONNECTING &&
          state != SkypeLinkState::CONNECTED) {
        return;
      }
      const qav::Hwnd skype = message.wParam;
      // The window that will receive the program's commands must belong to the process that
      // answered; no other process on the desktop can redirect them.
      if (skype == 0 || qav::WindowProcessId(skype) != message.senderProcess) {
        QAV_LOG(LOG_WARNING, u"CSTL::OnSkypeAttach - ignored: window %#llx does not belong to process %u", skype,
                message.senderProcess);
        return;
      }
      // A client answering from another window is another client: the former one's calls ended
      // with it, and the callback hears so before the new client's lines.
      CheckClientGone(skype);
      m_hWndAttachedClient = skype;
      if (m_hWndSkypeAPI != 0 && m_hWndSkypeAPI != skype) {
        // What awaits a reply went to the former window, which will not answer for this one:
        // send it again here instead of waiting out its time-out.
        ReQueAllWaitAckCmds();
      }
      QAV_LOG(LOG_FINE, u"!!! Connected");
      SetConnectionState(SkypeLinkState::CONNECTED);
      m_hWndSkypeAPI = skype;
      m_bHoldUntilAttach = false;
      m_sender.SetSkypehWnd(skype);
      ArmTimer(SKYPEAPI_KEEPALIVE_SEND_PING, kPingPeriodMs);
      SendNextAckCmdIfPossible();
      return;
    }
    case kAttachPendingAuthorization:
      SetConnectionState(SkypeLinkState::PENDING_AUTHORIZATION);
      QAV_LOG(LOG_FINE, u"!!! Pending authorization");
      return;
    case kAttachRefused:
      SetConnectionState(SkypeLinkState::REFUSED);
      QAV_LOG(LOG_FINE, u"!!! Connection refused");
      return;
    case kAttachNotAvailable:
      SetConnectionState(SkypeLinkState::API_NOT_AVAILABLE);
      QAV_LOG(LOG_FINE, u"!!! Skype API not available");
      return;
    case kAttachApiAvailable:
      QAV_LOG(LOG_FINE, u"!!! Try connect now (API available)");
      if (m_nState.load() == SkypeLinkState::DISCONNECTED) SetConnectionState(SkypeLinkState::API_AVAILABLE);
      ScheduleReconnect(kRetryDelayMs);
      return;
    default:
      QAV_LOG(LOG_FINER, u"!!! Check it out (%d)", status);
      return;
  }
}

qav::LResult CSTL::OnCopyData(const qav::Msg& message) {
  const auto* data = message.Get<qav::CopyDataPayload>();
  if (m_hWndSkypeAPI == 0 || message.wParam != m_hWndSkypeAPI || data == nullptr || data->bytes().empty()) return 0;
  ++m_counters.receivedLines;
  std::u16string line = SkypeToDeviceCmd::LineFromWire(data->bytes());
  QAV_LOG(LOG_INFO, u"<- S2D[#%d]: %s ", m_counters.receivedLines, line);
  Skype2DeviceMsgHandle(std::move(line));
  return 1;
}

void CSTL::OnTimer(uint64_t id) {
  switch (id) {
    case SKYPEAPI_DISCOVER_FAILED:
      StopTimer(SKYPEAPI_DISCOVER_FAILED);
      ++m_counters.discoverFailures;
      if (m_nDiscoverAttempts >= kMaxDiscoverAttempts) {
        SetConnectionState(SkypeLinkState::API_NOT_AVAILABLE);
      } else {
        ScheduleReconnect(kRetryDelayMs);
      }
      return;
    case TRY_RECONNECT:
      StopTimer(TRY_RECONNECT);
      ++m_counters.reconnectAttempts;
      SendDiscover();
      return;
    case SKYPEAPI_KEEPALIVE_SEND_PING:
      if (!IsTimerArmed(SKYPEAPI_KEEPALIVE_FAILED)) ArmTimer(SKYPEAPI_KEEPALIVE_FAILED, kPongWaitMs);
      m_sender.PostSendCmd(m_pingCmd);
      return;
    case SKYPEAPI_KEEPALIVE_FAILED:
      ++m_counters.keepAliveFailures;
      StopTimer(SKYPEAPI_KEEPALIVE_SEND_PING);
      StopTimer(SKYPEAPI_KEEPALIVE_FAILED);
      CheckClientGone();
      ScheduleReconnect(0);
      return;
    case REPLY_TIMEOUT_CHECK:
      if (CheckIfTimeoutOnWaitingAckCmd()) {
        ++m_counters.replyTimeouts;
        CheckClientGone();
        // The client did not answer: mute the sender and hold every command until the client's
        // attach answer comes back, so none is spent on a sender that would drop it.
        m_sender.SetSkypehWnd(0);
        m_bHoldUntilAttach = true;
        ReQueAllWaitAckCmds();
        ScheduleReconnect(0);
      }
      return;
    default:
      return;
  }
}

// ---- Link steps ---------------------------------------------------------------------------

void CSTL::SendDiscover() {
  QAV_LOG(LOG_FINE, u"Send SkypeAPI Discover - sending HWND_BROADCAST( SkypeControlAPIDiscover )");
  ++m_nDiscoverAttempts;
  if (!IsTimerArmed(SKYPEAPI_DISCOVER_FAILED)) ArmTimer(SKYPEAPI_DISCOVER_FAILED, kDiscoverWaitMs);
  qav::PostMessage(qav::kHwndBroadcast, m_msgDiscover, m_hWnd, 0);
}

void CSTL::ScheduleReconnect(uint32_t delayMs) {
  if (m_bAutoReconnect.load() && !IsTimerArmed(TRY_RECONNECT)) ArmTimer(TRY_RECONNECT, delayMs);
}

void CSTL::Skype2DeviceMsgHandle(std::u16string line) {
  ArmTimer(SKYPEAPI_KEEPALIVE_SEND_PING, kPingPeriodMs);
  StopTimer(SKYPEAPI_KEEPALIVE_FAILED);

  SkypeToDeviceCmd received;
  bool parsed = true;
  try {
    received.Parse(std::move(line));
  } catch (const qav::SkypeProtocolError& error) {
    QAV_LOG(LOG_WARNING, u"CSTL::Skype2DeviceMsgHandle( Failed on SkypeToDeviceCmd - Last Skype message bad parsing] %s",
            error.what());
    parsed = false;
  }
  const auto* error = parsed ? received.PayloadAs<CSkypeObjError>() : nullptr;
  if (received.GetNotifyIndex() == SkypeNotify::ERROR && error != nullptr &&
      error->m_nError == CSkypeObjError::kAttachmentDropped) {
    // The client has dropped the program's attachment: attach again and resend what waits.
    ++m_counters.error68Receipts;
    DropSkypeWindow();
    ReQueAllWaitAckCmds();
    ScheduleReconnect(0);
  } else if (!m_waitQueue.empty() && m_waitQueue.front()->IsReplyTo(received.GetId())) {
    // The id alone acknowledges the command, also when the rest of the reply does not parse
    // ("#15 OK"); otherwise the command would be resent and the link re-attached for nothing.
    QAV_LOG(LOG_FINE, u"CSTL::Removing and Delete Ack Skype CMD from Q [%#x]", Low32(m_waitQueue.front().get()));
    m_waitQueue.pop_front();
    SendNextAckCmdIfPossible();
  }
  if (parsed && m_pReceivedCallback != nullptr) m_pReceivedCallback->OnSkypeCmdReceived(received);
}

std::unique_ptr<DeviceToSkypeCmd> CSTL::TakeNextCmd() {
  if (!m_inQueue.empty()) {
    std::unique_ptr<DeviceToSkypeCmd> cmd = std::move(m_inQueue.front());
    m_inQueue.pop_front();
    CountQueued(-1);
    return cmd;
  }
  while (!m_idleQueue.empty()) {
    const SkypeCmdBuilder build = std::move(m_idleQueue.front());
    m_idleQueue.pop_front();
    auto cmd = std::make_unique<DeviceToSkypeCmd>();
    if (!BuildSkypeCmd(build, *cmd, u"CSTL::TakeNextCmd - command that gives way not sent")) continue;
    QAV_LOG(LOG_FINE, u"CSTL::QueueCtrlAckCmd [%s] [%#x]", cmd->GetText(), Low32(cmd.get()));
    return cmd;
  }
  return nullptr;
}

void CSTL::SendNextAckCmdIfPossible() {
  if (m_hWndSkypeAPI == 0 || m_bHoldUntilAttach) return;
  int sent = 0;
  while (static_cast<int32_t>(m_waitQueue.size()) < m_nMaxAwaitingReplies) {
    std::unique_ptr<DeviceToSkypeCmd> cmd = TakeNextCmd();
    if (!cmd) break;
    if (cmd->GetSendCount() < kMaxSends) {
      cmd->SetSendCount(cmd->GetSendCount() + 1);
      cmd->SetLastSendTimeMs(m_loop.clock().MonotonicMs());
      m_sender.PostSendCmd(*cmd);
      m_waitQueue.push_back(std::move(cmd));
      ++sent;
    } else {
      QAV_LOG(LOG_WARNING, u"CSTL::SendNextAckCmdIfPossible - Discarding CMD [%#x] after %d resending", Low32(cmd.get()),
              cmd->GetSendCount());
    }
  }
  if (sent > 0) QAV_LOG(LOG_FINE, u"CSTL::SendNextAckCmdIfPossible - Sent %d Ack CMD to Sender Thread", sent);
}

bool CSTL::CheckIfTimeoutOnWaitingAckCmd() {
  if (m_waitQueue.empty()) return false;
  const DeviceToSkypeCmd& head = *m_waitQueue.front();
  if (m_loop.clock().MonotonicMs() - head.GetLastSendTimeMs() <= kReplyTimeoutMs) return false;
  QAV_LOG(LOG_INFO, u"CSTL::CheckIfTimeoutOnWaitingAckCmd - Reply Timeout on Ack CMD [%#x]", Low32(&head));
  return true;
}

void CSTL::ReQueAllWaitAckCmds() {
  const int count = static_cast<int>(m_waitQueue.size());
  while (!m_waitQueue.empty()) {
    std::unique_ptr<DeviceToSkypeCmd> cmd = std::move(m_waitQueue.back());
    m_waitQueue.pop_back();
    cmd->SetLastSendTimeMs(0);
    m_inQueue.push_front(std::move(cmd));
    CountQueued(+1);
  }
  QAV_LOG(LOG_FINE, u"CSTL::ReQueAllWaitAckCmds - Re Qued %d Ack CMD", count);
}

void CSTL::SendQueuedOnceBeforeEnd() {
  // The last commands (the calls given back to the sound card as the program ends) still reach the
  // client: each one queued is sent once, without waiting for replies that nobody would read.
  for (qav::Msg& message : m_loop.TakeMessages(WM_STL_QUEUE_CMD, WM_STL_QUEUE_CMD, m_hWnd)) {
    if (auto* cmd = message.Get<CmdPayload>(); cmd && *cmd) m_inQueue.push_back(std::move(*cmd));
  }
  if (m_hWndSkypeAPI == 0 || m_bHoldUntilAttach || m_inQueue.empty()) return;
  for (const auto& cmd : m_inQueue) m_sender.PostSendCmd(*cmd);
  // The sender sends them in order and then ends, before the disconnect takes the client's window
  // from it (it would drop what it had not sent yet).
  m_sender.EndThread();
}

void CSTL::ClearAllCmdQueues() {
  for (const auto& cmd : m_inQueue) {
    QAV_LOG(LOG_FINE, u"CSTL::Removing and Delete Ack Skype CMD from IN Q [%#x]", Low32(cmd.get()));
  }
  CountQueued(-static_cast<int>(m_inQueue.size()));
  m_inQueue.clear();
  for (const auto& cmd : m_waitQueue) {
    QAV_LOG(LOG_FINE, u"CSTL::Removing and Delete Ack Skype CMD from WAIT Ack Q [%#x]", Low32(cmd.get()));
  }
  m_waitQueue.clear();
}

void CSTL::CheckClientGone(qav::Hwnd replacedBy) {
  if (m_hWndAttachedClient == 0 || m_hWndAttachedClient == replacedBy) return;
  if (replacedBy == 0 && qav::IsWindow(m_hWndAttachedClient)) return;
  QAV_LOG(LOG_WARNING, u"CSTL - the call client's window %#llx is gone%s", m_hWndAttachedClient,
          replacedBy != 0 ? u" (another client answered)" : u"");
  m_hWndAttachedClient = 0;
  if (m_pStateCallback != nullptr) m_pStateCallback->ClientGone();
}

void CSTL::DropSkypeWindow() {
  m_hWndSkypeAPI = 0;
  m_sender.SetSkypehWnd(0);
}

void CSTL::SetConnectionState(int32_t state) {
  // Refused, not available and available all leave the link disconnected; only the callback
  // hears which of them it was.
  const bool disconnected = state >= SkypeLinkState::DISCONNECTED && state <= SkypeLinkState::API_AVAILABLE;
  m_nState.store(disconnected ? SkypeLinkState::DISCONNECTED : state);
  if (m_pStateCallback != nullptr) m_pStateCallback->ConnectionStateNotify(state);
}

void CSTL::ArmTimer(uint64_t id, uint32_t periodMs) {
  if (qav::SetTimer(m_hWnd, id, periodMs) != 0) m_armedTimers.insert(id);
}

void CSTL::StopTimer(uint64_t id) {
  if (m_armedTimers.erase(id) != 0) qav::KillTimer(m_hWnd, id);
}

void CSTL::CountQueued(int delta) {
  if (delta == 0) return;
  std::lock_guard lock(m_guardMutex);
  m_nQueued += delta;
  if (delta < 0) m_guardChanged.notify_all();
}
