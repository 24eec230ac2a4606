// The version check's exchange with the maker's web server: the outgoing info document, the run of
// the exchange (on the caller's thread, or on a web-access thread of its own), and questions about
// the last reply by path ("QAV/LatestVer").
//
// Threading: every member is called on one thread, the GUI thread, whose message loop must run.
// A threaded run serialises the info document on the caller's thread before the web-access thread
// starts, and the thread touches nothing but its own copy; its result comes back as a post to a
// small window of this object, whose handler (on the caller's thread) takes the reply in and then
// sends the result message to the window that asked. So the reply document is only ever touched on
// the caller's thread, and no thread ever waits for the GUI thread: joining the web-access thread
// cannot deadlock. At most one web-access thread runs at a time; Stop and the destructor set its
// abort flag, which ends the exchange within about 100 ms, and join it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "foundation/xml_document.h"
#include "net/server_access.h"
#include "net/server_reply.h"
#include "platform/message.h"

class CServerParams {
 public:
  // The root of the info document sent, and of the reply.
  static constexpr std::u16string_view kRootName = CServerReply::kRootName;

  // `productBase`: the product's area on the maker's web server, ending in "qav/".
  explicit CServerParams(std::u16string productBase);
  virtual ~CServerParams();
  CServerParams(const CServerParams&) = delete;
  CServerParams& operator=(const CServerParams&) = delete;

  void ResetInfo();
  void SetInfo(std::u16string_view name, std::u16string_view value);

  // With window 0, runs the exchange here and returns its result (1 or 0), sending nothing.
  // Otherwise starts the web-access thread and returns 1, or 0 when one still runs or it cannot
  // start; the result (1 or 0) follows as a send of `message` with `wParam` to the window.
  int UpdateServerInformation(qav::Hwnd window, uint32_t message, qav::WParam wParam);
  // True while a web-access thread runs or its result has not been delivered yet.
  bool IsBusy() const { return m_job != nullptr; }
  // Stops a running exchange and waits up to timeoutMs for its thread; true when none runs.
  bool Stop(int timeoutMs);

  // The last accepted reply's values by a path of element names ("/" or "\" between them), the
  // first a child of the root. 1 when every element of the path is there; 0 leaves the output alone.
  int GetInt(std::u16string_view path, int32_t& value, int radix) const;
  int GetString(std::u16string_view path, std::u16string& text) const;
  // An element without the attribute gives 1 and "".
  int GetAttribute(std::u16string_view path, std::u16string_view attribute, std::u16string& text) const;

  // For tests and the program's own settings.
  CServerAccess& Access() { return m_access; }

 private:
  struct Job;
  static void RunJob(Job& job);
  void Deliver(const std::shared_ptr<Job>& job);

  qav::Hwnd m_noticeWindow = 0;
  uint32_t m_noticeMessage = 0;
  qav::WParam m_noticeWParam = 0;
  std::thread m_thread;
  std::shared_ptr<Job> m_job;
  qav::Hwnd m_relay = 0;
  CServerAccess m_access;
  CServerReply m_reply;
  CXmlDocument m_info;
};
