#include "calls/fsm.h"

#include <algorithm>
#include <limits>

#include "foundation/logger.h"

CFSM* g_pFSM = nullptr;

namespace {

using EventPayload = qav::PayloadOf<std::unique_ptr<CFSMEv>>;

std::unique_ptr<qav::Payload> Wrap(std::unique_ptr<CFSMEv> event) {
  return qav::MakePayload<std::unique_ptr<CFSMEv>>(std::move(event));
}

std::unique_ptr<CFSMEv> Unwrap(qav::Msg& message) {
  auto* held = message.Get<std::unique_ptr<CFSMEv>>();
  return held ? std::move(*held) : nullptr;
}

}  // namespace

CFSM::CFSM(qav::MessageLoop& guiLoop) : m_clock(guiLoop.clock()), m_guiThread(std::this_thread::get_id()) {
  if (!m_window.Create(guiLoop, "QAVFSMEngine", u"", qav::WindowKind::kLocal,
                       [this](qav::Msg& message) { return OnMessage(message); })) {
    QAV_LOG(LOG_SEVERE, u"CFSM::CFSM - Unable to create window.");
  }
}

CFSM::~CFSM() {
  // Instances that outlive the engine must not purge their events through a dead pointer.
  if (g_pFSM == this) g_pFSM = nullptr;
  m_pending.clear();
  m_window.Destroy();
}

int CFSM::SendEvent(std::unique_ptr<CFSMEv> event) {
  if (!event) return 0;
  if (!IsReady()) {
    QAV_LOG(LOG_WARNING, u"CFSM::SendEvent - no engine window, event %d dropped", event->GetEvent());
    return 0;
  }
  return qav::SendMessage(m_window.handle(), WM_FSM_EVENT, 0, 0, Wrap(std::move(event))) == 1 ? 1 : 0;
}

int CFSM::PostEvent(std::unique_ptr<CFSMEv> event) {
  if (!event) return 0;
  if (!IsReady()) {
    QAV_LOG(LOG_WARNING, u"CFSM::PostEvent - no engine window, event %d dropped", event->GetEvent());
    return 0;
  }
  // Timeouts are always held, even without a delay, so that a change of state can still cancel
  // them; only ordinary events without a delay travel as plain window messages.
  if (event->GetDelay() <= 0 && event->GetEvent() != CFSMEv::kTimeout) {
    return qav::PostMessage(m_window.handle(), WM_FSM_EVENT, 0, 0, Wrap(std::move(event))) ? 1 : 0;
  }
  if (!OnGuiThread()) {
    // The held set belongs to the GUI thread; an event from elsewhere is handed over first.
    return qav::PostMessage(m_window.handle(), WM_FSM_HOLD_EVENT, 0, 0, Wrap(std::move(event))) ? 1 : 0;
  }
  Hold(std::move(event));
  return 1;
}

void CFSM::Hold(std::unique_ptr<CFSMEv> event) {
  int32_t delay = event->GetDelay();
  if (delay < 0) {
    QAV_LOG(LOG_WARNING, u"CFSM::PostEvent - negative delay %d taken as 0", delay);
    delay = 0;
  }
  m_pending.push_back({m_clock.MonotonicMs() + delay, std::move(event)});
  ArmTimer();
}

void CFSM::StopObjStateTimer(const CFSMObject* instance) {
  std::erase_if(m_pending, [&](const Pending& pending) {
    if (pending.event->GetTarget() != instance || pending.event->GetEvent() != CFSMEv::kTimeout) return false;
    QAV_LOG(LOG_FINE, u"CFSM::StopObjStateTimer()");
    return true;
  });
  ArmTimer();
}

void CFSM::PurgeObjEvents(const CFSMObject* instance) {
  const size_t removed =
      std::erase_if(m_pending, [&](const Pending& pending) { return pending.event->GetTarget() == instance; });
  if (removed > 0) {
    QAV_LOG(LOG_FINE, u"CFSM::PurgeObjEvents - %u events of Obj[%s] dropped", static_cast<uint32_t>(removed),
            instance->GetName());
  }
  ArmTimer();
}

size_t CFSM::GetNextPendingEvent() const {
  size_t next = std::numeric_limits<size_t>::max();
  for (size_t index = 0; index < m_pending.size(); ++index) {
    if (next == std::numeric_limits<size_t>::max() || m_pending[index].dueMs < m_pending[next].dueMs) next = index;
  }
  return next;
}

void CFSM::ArmTimer() {
  if (!IsReady()) return;
  const size_t next = GetNextPendingEvent();
  if (next == std::numeric_limits<size_t>::max()) {
    if (m_bTimerArmed) qav::KillTimer(m_window.handle(), kTimerId);
    m_bTimerArmed = false;
    return;
  }
  const int64_t remaining = std::max<int64_t>(0, m_pending[next].dueMs - m_clock.MonotonicMs());
  const uint32_t period = static_cast<uint32_t>(std::min<int64_t>(remaining, std::numeric_limits<uint32_t>::max()));
  m_bTimerArmed = qav::SetTimer(m_window.handle(), kTimerId, period) != 0;
}

void CFSM::OnTimer() {
  qav::KillTimer(m_window.handle(), kTimerId);
  m_bTimerArmed = false;
  // Events that the dispatched functions hold meanwhile join the set and are served here when due.
  for (;;) {
    const size_t next = GetNextPendingEvent();
    if (next == std::numeric_limits<size_t>::max()) break;
    if (m_pending[next].dueMs > m_clock.MonotonicMs()) break;
    std::unique_ptr<CFSMEv> event = std::move(m_pending[next].event);
    m_pending.erase(m_pending.begin() + static_cast<ptrdiff_t>(next));
    Dispatch(std::move(event));
  }
  ArmTimer();
}

qav::LResult CFSM::OnFSMEvent(qav::Msg& message) {
  std::unique_ptr<CFSMEv> event = Unwrap(message);
  return event && Dispatch(std::move(event)) ? 1 : 0;
}

qav::LResult CFSM::OnMessage(qav::Msg& message) {
  switch (message.message) {
    case WM_FSM_EVENT:
      return OnFSMEvent(message);
    case WM_FSM_HOLD_EVENT: {
      std::unique_ptr<CFSMEv> event = Unwrap(message);
      if (event) Hold(std::move(event));
      return 0;
    }
    case qav::WM_TIMER:
      if (message.wParam == kTimerId) OnTimer();
      return qav::DefWindowProc(message);
    default:
      return qav::DefWindowProc(message);
  }
}

bool CFSM::Dispatch(std::unique_ptr<CFSMEv> event) {
  CFSMObject* instance = event->GetTarget();
  if (instance == nullptr || !event->TargetAlive()) {
    QAV_LOG(LOG_FINE, u"FSM: Ev[%2d] dropped, its instance is gone", event->GetEvent());
    return false;
  }
  const FSMTable* table = instance->GetTable();
  const int32_t current = instance->GetState();
  if (event->GetEvent() == CFSMEv::kTimeout && table != nullptr) event->SetEvent(table->TimeoutColumn());
  const int32_t column = event->GetEvent();
  // Senders use the machine's own numbers; anything else (or a machine whose table was never
  // built) is refused here rather than read out of the matrix.
  if (table == nullptr || !table->IsBuilt() || current < 0 || current >= table->stateCount || column < 0 ||
      column > table->TimeoutColumn()) {
    QAV_LOG(LOG_WARNING, u"FSM: Obj[%14s] Ev[%2d] in St[%2d] is outside its table, dropped", instance->GetName(),
            column, current);
    return false;
  }
  QAV_LOG(LOG_INFO, u"FSM: Obj[%14s] Got Ev[%2d - %s] in St[%2d - %s]", instance->GetName(), column,
          table->EventName(column), current, table->StateName(current));

  const FSMCell& cell = table->Cell(current, column);
  const int32_t next = cell.nextState;
  const bool changes = next != current;
  if (changes) {
    StopObjStateTimer(instance);
    if (FSMDoFunc onExit = table->Cell(current, table->ExitColumn()).function) onExit(*event);
  }
  if (cell.function != nullptr) cell.function(*event);
  if (changes && event->TargetAlive()) {
    QAV_LOG(LOG_INFO, u"FSM: Obj[%14s] Moving from St[%2d - %s] to new St[%2d - %s]", instance->GetName(), current,
            table->StateName(current), next, table->StateName(next));
    instance->SetState(next);
    if (FSMDoFunc onEntry = table->Cell(next, table->EntryColumn()).function) onEntry(*event);
  }
  return true;
}
