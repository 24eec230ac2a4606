// The call's sound input, seen by the audio thread as a playback device: the audio thread writes
// full buffers to it, and each comes back as a WM_VAOUT_DONE thread message once it has been sent
// (wParam: the CVAOut's id, payload: the buffer). The sound is raw PCM for the call client, on a
// TCP connection the client makes to the port this object listens on.
//
// States: 1 closed (new), 2 open and sending, 3 paused, 4 closed after use. Writes queue until the
// client connects and then go in order.
//
// The pace of real time: a sound card takes its blocks at the rate it plays them, and the call
// audio counts on that (the greeting ends, and the recording of the caller begins, when the last
// greeting block has been played). A socket takes seconds of audio at once, so the link keeps the
// pace itself: it sends no faster than the stream's bytes per second, measured on the loop's
// clock, with kLeadMs of audio ahead, and a buffer comes back when its last byte has been sent.
// It sends in pieces of kPieceMs (a client that reads its input every 20 ms finds a piece each
// time), each once the pace allows the whole piece, so the thread wakes 50 times a second to send
// rather than 200. (Pieces of 40 ms were tried: the second part of a piece that spans two buffers
// then often arrived 20 ms late, beyond the greeting's pace target of 20 ms.) The last byte of each piece still goes kLeadMs before it is due; when the pace
// starts, the first piece is only the lead, so no byte goes more than kLeadMs early.
// A live source (the caller's own stream sent back, a microphone) keeps real time by itself: its
// writes arrive at the pace they are due. For it the lead is kLiveLeadMs, so each write goes out
// whole as it comes, with no wake-up of its own and no more delay than the source's.
// When the thread was held up (a busy machine) the time is made up, up to kCatchUpMs; after a
// longer pause in the stream the pace starts again from the next write, without a burst.
//
// The queue holds at most kMaxQueuedMs of audio: when the client does not read, the oldest queued
// buffer goes back to the owner unsent, so a live stream stays live and memory stays bounded.
//
// Everything runs on the thread that opened it (the audio thread), whose loop must be current.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>

#include "audio/soc_callbacks.h"
#include "audio/va_buffer.h"
#include "platform/message.h"
#include "platform/window.h"

class CVAOutSocket;

// Posted to the owner with each buffer that comes back.
constexpr uint32_t WM_VAOUT_DONE = 1867;

class CVAOut : public CVAOutSocketCallbacks {
 public:
  enum State { kClosed = 1, kOpen = 2, kPaused = 3, kClosedAfterUse = 4 };
  static constexpr int kLeadMs = 10;
  static constexpr int kPieceMs = 20;
  static constexpr int kLiveLeadMs = 100;
  // A thread held up for up to this long makes the time up afterwards; a longer pause is not made up.
  static constexpr int kCatchUpMs = 200;
  static constexpr int kMaxQueuedMs = 2000;
  // The link's format: 16000 Hz, 16-bit, mono.
  static constexpr uint32_t kDefaultBytesPerSecond = 32000;

  CVAOut();
  ~CVAOut() override;
  CVAOut(const CVAOut&) = delete;
  CVAOut& operator=(const CVAOut&) = delete;

  // Listens on 127.0.0.1:*port (0: any); writes back the bound port. 1, or 0 (logged).
  int Open(qav::ThreadId owner, int* port, uint32_t bytesPerSecond = kDefaultBytesPerSecond);
  // Takes a buffer (bytesDone 0, nonzero length) when it succeeds; on failure the caller keeps it.
  int Write(VaHeaderPtr& header);
  // Writes from now on come from a live source (see above), or no longer do.
  void SetLiveSource(bool live) { m_live = live; }
  int Pause();
  int Restart();
  // Every queued buffer back to the owner.
  int Reset();
  // Closes both sockets and gives every buffer back to the owner; -> 4.
  int Close();

  int GetState() const { return m_state; }
  uint64_t GetId() const { return m_id; }
  size_t GetQueuedCount() const { return m_queue.size() + (m_lent ? 1 : 0); }
  bool IsConnected() const;

  // For the sender.
  bool GetBuffer(uint8_t** data, uint32_t* length, void** user) override;
  void ReleaseBuffer(uint8_t* data, uint32_t count, void* user, bool ended) override;

 private:
  // Bytes the pace allows to be sent now.
  uint32_t Allowance();
  // Wakes the sender once `piece` bytes are allowed.
  void ArmPaceTimer(uint32_t allowance, uint32_t piece);
  void OnPaceTimer();
  void ReturnBufferToApplication(VaHeaderPtr header);
  void ReturnAll();
  uint64_t QueuedBytes() const;

  int m_state = kClosed;
  const uint64_t m_id;
  qav::ThreadId m_owner = 0;
  uint32_t m_bytesPerSecond = kDefaultBytesPerSecond;
  uint32_t m_leadBytes = 0;
  uint32_t m_liveLeadBytes = 0;
  bool m_live = false;
  uint32_t m_pieceBytes = 0;
  bool m_inPiece = false;        // a piece is being sent: the rest of the allowance goes without waiting
  bool m_paceStarting = false;  // the pace has just (re)started: the lead goes at once
  uint32_t m_catchUpBytes = 0;
  std::deque<VaHeaderPtr> m_queue;
  VaHeaderPtr m_lent;  // the buffer the sender is sending
  std::unique_ptr<CVAOutSocket> m_socket;

  // The pace: since m_paceStartMs, m_paceSent bytes have been sent.
  bool m_paceRunning = false;
  int64_t m_paceStartMs = 0;
  uint64_t m_paceSent = 0;
  qav::Window m_paceWindow;
  bool m_paceTimerArmed = false;
};
