#include "net/server_params.h"

#include <algorithm>
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

// The reply document's check: its root must be exactly the program's.
bool HasProgramRoot(std::u16string_view text) {
  CXmlDocument document;
  return document.Parse(text) && document.GetRoot()->GetName() == CServerParams::kRootName;
}

// The leading number of the text in the radix, as wcstol reads it (blanks, sign, digits; a value
// beyond 32 bits is held at the nearest limit).
int32_t ReadLeadingNumber(std::u16string_view text, int radix) {
  size_t i = 0;
  while (i < text.size() && qav::IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  if (radix == 16 && i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) i += 2;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    int digit = -1;
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    if (c >= u'a' && c <= u'z') digit = c - u'a' + 10;
    if (c >= u'A' && c <= u'Z') digit = c - u'A' + 10;
    if (digit < 0 || digit >= radix) break;
    value = std::min<int64_t>(value * radix + digit, int64_t{INT32_MAX} + 1);
  }
  if (negative) value = -value;
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

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
  m_reply.Clear();
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
    job.result = HasProgramRoot(job.reply) ? 1 : 0;
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
      m_reply.Parse(job->reply);
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
    m_reply.Parse(job->reply);
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

const CXmlElement* CServerParams::Find(std::u16string_view path) const {
  CXmlElement* element = const_cast<CXmlDocument&>(m_reply).GetRoot();
  for (const std::u16string& name : qav::Split(qav::ReplaceAll(path, u"\\", u"/"), u'/')) {
    element = element->FindChild(name);
    if (!element) return nullptr;
  }
  return element;
}

int CServerParams::GetInt(std::u16string_view path, int32_t& value, int radix) const {
  const CXmlElement* element = Find(path);
  if (!element) return 0;
  value = ReadLeadingNumber(element->GetValue(), radix);
  return 1;
}

int CServerParams::GetString(std::u16string_view path, std::u16string& text) const {
  const CXmlElement* element = Find(path);
  if (!element) return 0;
  text = element->GetValue();
  return 1;
}

int CServerParams::GetAttribute(std::u16string_view path, std::u16string_view attribute, std::u16string& text) const {
  const CXmlElement* element = Find(path);
  if (!element) return 0;
  text = element->GetAttribute(attribute);
  return 1;
}
