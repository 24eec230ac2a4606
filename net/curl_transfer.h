// One HTTP exchange driven step by step over libcurl, for a client that pushes its body.
//
// The caller starts the request (connects and sends the head), then hands the body over in pieces
// of its own choosing, then waits for the reply's head, then reads the reply's body in pieces. One
// easy handle runs inside a multi handle; the body reaches libcurl through a read callback that
// pauses the transfer whenever the bytes handed over are used up, so a step returns as soon as
// libcurl has taken its bytes, and a failure is reported by the step during which it happened.
// Small pieces are gathered into 64 KB batches first: a caller that proceeds 1 KB at a time still
// writes to the connection in large blocks.
// The reply's body is buffered up to a bound, beyond which the transfer pauses until the caller
// reads.
//
// A step fails when nothing moves for the stall bound: no byte taken by the server of what was
// sent (as the system counts it, not as handed to the connection's buffers), no byte of its reply.
// A transfer that moves is never cut by it.
//
// Threading: one thread at a time; the abort flag may be set from any thread and ends the step
// under way within about 100 ms.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "net/connection_progress.h"
#include "net/http_transfer_settings.h"

namespace qav::net {

class CurlTransfer {
 public:
  CurlTransfer();
  ~CurlTransfer();
  CurlTransfer(const CurlTransfer&) = delete;
  CurlTransfer& operator=(const CurlTransfer&) = delete;

  // Each step returns 0 (CURLE_OK) or the libcurl error that ended the exchange; after an error
  // every further step returns it again.
  // Opens the connection (TLS included) and starts sending the request's head.
  int Start(const HttpTransferSettings& settings);
  // Takes `size` body bytes. They are gathered into batches of kSendBatch bytes, each handed to
  // libcurl as a whole (so the connection sees large writes even when the caller's pieces are
  // small); returns once libcurl has taken every full batch.
  int Write(const char* data, size_t size);
  // Hands what is gathered to libcurl and returns once it has taken it.
  int Flush();
  // Waits for the head of the final reply (redirects followed). Flush first.
  int Finish();

  static constexpr size_t kSendBatch = 64 * 1024;
  // Reads up to `size` bytes of the reply's body into `buffer`; `got` 0 at its end.
  int Read(char* buffer, size_t size, size_t& got);

  // The final reply's status code (0 before one arrived), its reason phrase and header lines.
  int Status() const { return m_status; }
  const std::string& StatusText() const { return m_statusText; }
  const std::vector<std::pair<std::string, std::string>>& Headers() const { return m_headers; }
  // libcurl's description of the error that ended the exchange.
  std::string ErrorText() const;
  // What ended the exchange, for the log: for a redirect that was not followed or one too many,
  // the reply's status and where it pointed; otherwise libcurl's description.
  std::string FailureText() const;

 private:
  // fuzz/ hands recorded replies to the callbacks below as libcurl would, without a connection.
  friend class CurlReplyFeed;

  template <typename Ready>
  int Drive(Ready ready);
  int Fail(int code);

  static size_t OnRead(char* buffer, size_t size, size_t count, void* self);
  static size_t OnWrite(char* data, size_t size, size_t count, void* self);
  static size_t OnHeader(char* data, size_t size, size_t count, void* self);
  static int OnProgress(void* self, int64_t, int64_t, int64_t, int64_t);
  static int OnPrereq(void* self, char*, char*, int, int);

  void* m_multi = nullptr;
  void* m_easy = nullptr;
  void* m_headerList = nullptr;
  bool m_added = false;
  const std::atomic<bool>* m_abortFlag = nullptr;
  std::chrono::milliseconds m_stallBound{0};
  ConnectionProgress m_progress;

  bool m_connected = false;
  bool m_done = false;
  int m_result = 0;
  char m_errorBuffer[256] = {};

  std::string m_outbox;
  const char* m_pending = nullptr;
  size_t m_pendingSize = 0;
  bool m_sendPaused = false;

  bool m_headComplete = false;
  int m_status = 0;
  std::string m_statusText;
  std::vector<std::pair<std::string, std::string>> m_headers;
  bool m_hasLocation = false;

  std::string m_body;
  size_t m_bodyRead = 0;
  bool m_receivePaused = false;
};

}  // namespace qav::net
