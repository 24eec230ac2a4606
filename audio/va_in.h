// The call's sound output, seen by the audio thread as a recording device: the audio thread lends
// it empty buffers, and each comes back full as a WM_VAIN_DATA thread message (wParam: the CVAIn's
// id, payload: the buffer). The sound is raw PCM from the call client, on a TCP connection the
// client makes to the port this object listens on.
//
// States: 1 closed (new), 2 open, 3 started, 4 stopped, 5 closed after use. Data that arrives
// before Start waits in the socket and is read when Start is called, unless the owner asks for it
// to be dropped (SetDiscard): then it is read and thrown away as it comes, and what is still
// waiting when the discarding ends is thrown away too. A buffer is handed back when it is full, and
// a partly filled one when the connection ends (with the bytes it holds). A buffer added after the
// receiver ran out of buffers starts it reading again.
//
// Everything runs on the thread that opened it (the audio thread).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>

#include "audio/soc_callbacks.h"
#include "audio/va_buffer.h"
#include "platform/message.h"

class CVAInSocket;

// Posted to the owner with each buffer that comes back.
constexpr uint32_t WM_VAIN_DATA = 1857;

class CVAIn : public CVAInSocketCallbacks {
 public:
  enum State { kClosed = 1, kOpen = 2, kStarted = 3, kStopped = 4, kClosedAfterUse = 5 };

  CVAIn();
  ~CVAIn() override;
  CVAIn(const CVAIn&) = delete;
  CVAIn& operator=(const CVAIn&) = delete;

  // Listens on 127.0.0.1:*port (0: any); writes back the bound port. 1, or 0 (logged).
  int Open(qav::ThreadId owner, int* port);
  // Takes an empty buffer (bytesDone 0, nonzero length) when it succeeds; on failure the caller
  // keeps it. 1 or 0.
  int AddBuffer(VaHeaderPtr& header);
  int Start();
  int Stop();
  // Stop, then every queued buffer back to the owner.
  int Reset();
  // Closes both sockets and gives every buffer back to the owner; -> 5.
  int Close();
  void SetDiscard(bool discard);

  int GetState() const { return m_state; }
  uint64_t GetId() const { return m_id; }
  // Buffers lent and not yet given back (queued, or being filled).
  size_t GetBufferCount() const { return m_queue.size() + (m_lent ? 1 : 0); }
  bool IsConnected() const;

  // For the receiver.
  bool GetBuffer(uint8_t** data, uint32_t* length, void** user) override;
  void ReleaseBuffer(uint8_t* data, uint32_t count, void* user, bool ended) override;
  bool DiscardingInput() const override { return m_discard; }

 private:
  void ReturnBufferToApplication(VaHeaderPtr header);
  void ReturnAll();

  int m_state = kClosed;
  const uint64_t m_id;
  qav::ThreadId m_owner = 0;
  bool m_discard = false;
  std::deque<VaHeaderPtr> m_queue;
  VaHeaderPtr m_lent;  // the buffer the receiver is filling
  std::unique_ptr<CVAInSocket> m_socket;
};
