// The two loopback connections of a call as the audio thread's call jobs use them: the call's
// sound output arrives through the CVAIn in buffers lent to it, and the program's sound goes into
// the call through the CVAOut. Blocks written are copied into headers that are reused once they
// come back, so a running call allocates nothing per block.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/va_buffer.h"
#include "audio/va_in.h"
#include "audio/va_out.h"
#include "platform/message.h"

class CCallLink {
 public:
  // Buffers lent to the CVAIn at the start, and the fewest kept lent (jitter room).
  static constexpr int kInitialInBuffers = 10;
  static constexpr int kMinLentIn = 6;

  CCallLink() = default;
  ~CCallLink() { Close(); }
  CCallLink(const CCallLink&) = delete;
  CCallLink& operator=(const CCallLink&) = delete;

  // Opens both directions on 127.0.0.1, the ports in-out (0: the system chooses). false (logged).
  [[nodiscard]] bool Open(qav::ThreadId thread, int* inPort, int* outPort, uint32_t blockSize);
  CVAIn& In() { return *m_in; }

  // Lends an empty buffer of the block size to the CVAIn (`reuse` when it has that size).
  bool LendInBuffer(VaHeaderPtr reuse = nullptr);
  // A buffer came back full (WM_VAIN_DATA): the buffer, or null when it is not this link's.
  VaHeaderPtr TakeIn(qav::Msg& msg);
  // Lends the buffer again when fewer than kMinLentIn are lent; else it is freed.
  void RecycleIn(VaHeaderPtr buffer);

  // Sends a copy of the block into the call; false (logged) when the CVAOut refuses it.
  bool WriteOut(const uint8_t* data, size_t bytes, uint64_t user);
  // What is written from now on is a live stream (the caller's sound sent back, a microphone).
  void SetOutLive(bool live) {
    if (m_out) m_out->SetLiveSource(live);
  }
  // A block came back sent (WM_VAOUT_DONE): false when it is not this link's.
  bool TakeBackOut(qav::Msg& msg);
  int OutOutstanding() const { return m_outOutstanding; }

  // Closes both directions; the buffers they return are left in the queue for the release step.
  void Close();

 private:
  std::unique_ptr<CVAIn> m_in;
  std::unique_ptr<CVAOut> m_out;
  uint32_t m_blockSize = 0;
  int m_inQueued = 0;
  int m_outOutstanding = 0;
  std::vector<VaHeaderPtr> m_spare;
};
