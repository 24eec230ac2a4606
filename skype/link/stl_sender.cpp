#include "skype/link/stl_sender.h"

#include "foundation/logger.h"
#include "platform/thread_priority.h"
#include "platform/window.h"
#include "skype/link/device_to_skype_cmd.h"

namespace {

uint32_t Low32(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

}  // namespace

CSTLSndr::CSTLSndr(qav::Clock& clock) : m_clock(clock) {}

CSTLSndr::~CSTLSndr() {
  // MessageThread's destructor quits the loop and waits; a send in progress ends at its time-out.
  m_thread.Quit(0);
}

bool CSTLSndr::Start() {
  return m_thread.Start(
      "STLSndr",
      [this](qav::MessageLoop& loop) {
        if (!qav::SetCurrentThreadPriority(qav::ThreadPriority::kAboveNormal)) {
          QAV_LOG(LOG_FINE, u"CSTLSndr - runs at normal priority (raising it was refused)");
        }
        loop.SetThreadMessageHandler([this](qav::Msg& message) { OnThreadMessage(message); });
      },
      m_clock);
}

void CSTLSndr::SetMyhWnd(qav::Hwnd hWndSTL) {
  QAV_LOG(LOG_FINE, u"CSTLSndr::SetMyhWnd( hWndSTL=%#llx )", hWndSTL);
  m_hWndSTL.store(hWndSTL, std::memory_order_release);
}

void CSTLSndr::SetSkypehWnd(qav::Hwnd hWndSkypeAPI) {
  QAV_LOG(LOG_FINE, u"CSTLSndr::SetSkypehWnd( hWndSkypeAPI=%#llx )", hWndSkypeAPI);
  // The window first, then the generation: a job posted after this call carries the new
  // generation and so finds the new window. The client answering an attach again for the window
  // the sender already has changes nothing: the jobs still queued are the transport's current
  // commands, which wait for their replies, and dropping them would leave each to its time-out.
  const qav::Hwnd previous = m_hWndSkypeAPI.exchange(hWndSkypeAPI, std::memory_order_acq_rel);
  if (previous != hWndSkypeAPI) m_generation.fetch_add(1, std::memory_order_acq_rel);
}

bool CSTLSndr::PostSendCmd(const DeviceToSkypeCmd& cmd) {
  Job job;
  job.id = cmd.GetId();
  job.text = std::u16string(cmd.GetText());
  job.wire = cmd.GetWireBytes();
  job.generation = m_generation.load(std::memory_order_acquire);
  return m_thread.PostThreadMessage(WM_STLSNDR_SEND_CMD, 0, 0, qav::MakePayload<Job>(std::move(job)));
}

bool CSTLSndr::EndThread() {
  m_thread.PostThreadMessage(WM_STLSNDR_QUIT);
  if (m_thread.Join(kEndWaitMs)) return true;
  QAV_LOG(LOG_WARNING, u"CSTLSndr::EndThread - the sender is still in a send after %d ms; it ends at the send's time-out",
          kEndWaitMs);
  return false;
}

void CSTLSndr::OnThreadMessage(qav::Msg& message) {
  switch (message.message) {
    case WM_STLSNDR_SEND_CMD:
      if (const Job* job = message.Get<Job>()) OnSendCmd(*job);
      break;
    case WM_STLSNDR_QUIT:
      qav::PostQuitMessage(0);
      break;
    default:
      break;
  }
}

void CSTLSndr::OnSendCmd(const Job& job) {
  const qav::Hwnd skype = m_hWndSkypeAPI.load(std::memory_order_acquire);
  if (skype == 0) {
    QAV_LOG(LOG_INFO, u"CSTLSndr::OnSendCmd Discarding because m_hWndSkypeAPI == 0 [Cmd =%#x]", Low32(&job));
    return;
  }
  if (job.generation != m_generation.load(std::memory_order_acquire)) {
    // Queued before the client's window last changed: the transport has put the command back and
    // sends it again itself.
    QAV_LOG(LOG_INFO, u"CSTLSndr::OnSendCmd Discarding a command queued before the last attach [#%d]", job.id);
    return;
  }
  const int64_t retVal = SendCmdToSkype(job, skype);
  if (retVal == -1 || retVal > kSlowSendMs) NotifySendFailed(retVal);
}

int64_t CSTLSndr::SendCmdToSkype(const Job& job, qav::Hwnd hWndSkypeAPI) {
  QAV_LOG(LOG_INFO, u"-> D2S[#%d]: %s ", m_nSentLines, job.text);
  ++m_nSentLines;
  const int64_t start = m_clock.MonotonicMs();
  const qav::SendOutcome outcome = qav::SendCopyData(hWndSkypeAPI, m_hWndSTL.load(std::memory_order_acquire), 0,
                                                     job.wire, kSendTimeoutMs);
  if (!outcome.ok() || outcome.result == 0) return -1;
  return m_clock.MonotonicMs() - start;
}

void CSTLSndr::NotifySendFailed(int64_t retVal) { QAV_LOG(LOG_WARNING, u"CSTLSndr::NotifySendFailed retVal=%d", retVal); }
