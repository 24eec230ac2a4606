#include "net/server_params.h"

#include <stdexcept>

#include "foundation/logger.h"
#include "foundation/version.h"
#include "platform/event.h"
#include "platform/text.h"
#include "platform/thread_priority.h"
#include "platform/window.h"

namespace {

// The relay window's one message: a web-access thread has finished.
constexpr uint32_t kJobDone = qav::WM_USER + 1;
// How long the destructor waits for a stopped thread.
constexpr int kStopBoundMs = 5000;

}  // namespace

// What one run of the exchange works on; shared with its thread, which touches nothing else.
struct CServerParams::Job {
  CServerAccess access;
  std::atomic<bool> abort{false};
  qav::Event ended{true};
  int result = 0;
  std::u16string reply;
};

CServerParams::CServerParams(std::u16string productBase) : m_access(std::move(productBase)) {
  m_access.AddParam(u"app", u"QAV", false);
  m_access.AddParam(u"ver", CVersion::GetAppVersion(), false);
  ResetInfo();
}

CServerParams::~CServerParams() {
  Stop(kStopBoundMs);
  if (m_relay != 0) qav::DestroyWindow(m_relay);
}

void CServerParams::ResetInfo() {
  m_info.Clear();
  m_info.AddElement(nullptr, kRootName, u"");
}

void CServerParams::SetInfo(std::u16string_view name, std::u16string_view value) {
  m_info.AddElement(m_info.GetRoot(), name, value);
}

void CServerParams::RunJob(Job& job) {
  job.result = 0;
  if (job.access.UpdateServerInformation(&job.abort) == 1) {
    job.reply = job.access.GetReply();
    const std::u16string refused = CServerReply::RefusalReason(job.reply);
    if (!refused.empty()) QAV_LOG(LOG_WARNING, u"Web Access Failure Reason: %s", refused);
    job.result = refused.empty() ? 1 : 0;
  }
}

int CServerParams::UpdateServerInformation(qav::Hwnd window, uint32_t message, qav::WParam wParam) {
  if (IsBusy()) {
    QAV_LOG(LOG_WARNING, u"UpdateServerInformation: Pervois Web Access Thread is still working");
    return 0;
  }
  m_access.AddParam(u"info", m_info.GetXml(), true);
  auto job = std::make_shared<Job>();
  job->access = m_access;

  if (window == 0) {
    RunJob(*job);
    if (job->result == 1) {
      m_access = job->access;
      m_reply.Take(job->reply);
    }
    return job->result;
  }

  if (m_relay == 0) {
    m_relay = qav::CreateWindow("QavWebAccessRelay", u"", qav::WindowKind::kLocal, [this](qav::Msg& msg) -> qav::LResult {
      if (msg.message != kJobDone) return qav::DefWindowProc(msg);
      if (auto* done = msg.Get<std::shared_ptr<Job>>()) Deliver(*done);
      return 0;
    });
  }
  if (m_thread.joinable()) m_thread.join();
  m_noticeWindow = window;
  m_noticeMessage = message;
  m_noticeWParam = wParam;
  const qav::Hwnd relay = m_relay;
  try {
    if (relay == 0) throw std::runtime_error("no message loop on this thread");
    m_thread = std::thread([job, relay] {
      qav::SetCurrentThreadPriority(qav::ThreadPriority::kBelowNormal);
      RunJob(*job);
      // A destroyed relay (the object is gone) simply drops the result.
      qav::PostMessage(relay, kJobDone, 0, 0, qav::MakePayload<std::shared_ptr<Job>>(job));
      job->ended.Set();
    });
  } catch (const std::exception&) {
    QAV_LOG(LOG_WARNING, u"UpdateServerInformation: FAILED in creating Web Access Thread !!!");
    m_noticeWindow = 0;
    m_noticeMessage = 0;
    m_noticeWParam = 0;
    return 0;
  }
  m_job = std::move(job);
  return 1;
}

void CServerParams::Deliver(const std::shared_ptr<Job>& job) {
  if (job != m_job) return;  // a run that was stopped
  if (m_thread.joinable()) m_thread.join();
  m_job.reset();
  if (job->result == 1) {
    m_access = job->access;
    m_reply.Take(job->reply);
  }
  const qav::Hwnd window = std::exchange(m_noticeWindow, 0);
  const uint32_t message = std::exchange(m_noticeMessage, 0);
  const qav::WParam wParam = std::exchange(m_noticeWParam, 0);
  qav::SendMessage(window, message, wParam, job->result);
}

bool CServerParams::Stop(int timeoutMs) {
  if (!m_job) {
    if (m_thread.joinable()) m_thread.join();
    return true;
  }
  m_job->abort = true;
  const bool ended = m_job->ended.Wait(timeoutMs);
  if (m_thread.joinable()) {
    // A thread that has not ended by now holds only its own job; it ends by itself soon.
    if (ended) {
      m_thread.join();
    } else {
      m_thread.detach();
    }
  }
  m_job.reset();
  m_noticeWindow = 0;
  return ended;
}

int CServerParams::GetInt(std::u16string_view path, int32_t& value, int radix) const {
  return m_reply.GetInt(path, value, radix);
}

int CServerParams::GetString(std::u16string_view path, std::u16string& text) const {
  return m_reply.GetString(path, text);
}

int CServerParams::GetAttribute(std::u16string_view path, std::u16string_view attribute, std::u16string& text) const {
  return m_reply.GetAttribute(path, attribute, text);
}
