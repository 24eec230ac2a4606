// The sender thread of the call client link: hands each command to the client with a blocking
// WM_COPYDATA send, so that the GUI thread never waits on the client.
//
// The transport (CSTL, skype/link/stl_transport.h) posts each command here as a job that carries
// its own copy of the text, so a reply, a disconnect or the end of the transport on the GUI thread
// never frees text that this thread is still sending.
//
// The client's window is the sender's own copy, written by the GUI thread: 0 mutes the sender
// (after a reply time-out or "ERROR 68") until the next attach gives it the window again. Every
// change of that copy starts a new generation, and a job posted under an earlier generation is
// dropped instead of sent, so a command that was already put back in the transport's queue is not
// sent a second time by a job that was still waiting here. The transport puts its commands back
// only after muting the sender, so setting the window the sender already has (an attach answered
// again while connected) is no change and keeps the queued jobs.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/message.h"
#include "platform/message_thread.h"

class DeviceToSkypeCmd;

class CSTLSndr {
 public:
  static constexpr uint32_t WM_STLSNDR_SEND_CMD = 0x7B7;  // payload: the job (its own copy of the command)
  static constexpr uint32_t WM_STLSNDR_QUIT = 0x7B8;      // ends the thread's loop

  // A send that takes longer is given up (and reported as failed); the reply time-out of the
  // transport then resends the command. It also bounds how long the end of the link can wait for
  // this thread.
  static constexpr int kSendTimeoutMs = 3000;
  // A send that took longer than this counts as failed in the log.
  static constexpr int64_t kSlowSendMs = 2999;
  // How long EndThread waits for the thread before it reports that it is still busy.
  static constexpr int kEndWaitMs = 1500;

  // `clock` times the sends for the log.
  explicit CSTLSndr(qav::Clock& clock = qav::SystemClock());
  // Ends the thread if it still runs and waits for it, so nothing of it outlives this object.
  ~CSTLSndr();
  CSTLSndr(const CSTLSndr&) = delete;
  CSTLSndr& operator=(const CSTLSndr&) = delete;

  // Starts the thread, raised above normal priority where the system allows. False when it cannot
  // be started or already runs.
  bool Start();
  // The transport's window, named as the sender of every WM_COPYDATA.
  void SetMyhWnd(qav::Hwnd hWndSTL);
  // The client's API window; 0 mutes the sender. Any thread.
  void SetSkypehWnd(qav::Hwnd hWndSkypeAPI);
  qav::Hwnd GetSkypehWnd() const { return m_hWndSkypeAPI.load(std::memory_order_acquire); }

  // Posts the command to the thread with its own copy of the text. Any thread. False when the
  // thread does not run.
  bool PostSendCmd(const DeviceToSkypeCmd& cmd);

  // Asks the thread to end and waits up to kEndWaitMs. True when it has ended; false when a send
  // still holds it, in which case the destructor waits for that send's time-out.
  bool EndThread();

 private:
  struct Job {
    int32_t id = 0;
    std::u16string text;  // for the log
    std::string wire;     // UTF-8 with its NUL, as the client reads it
    uint64_t generation = 0;
  };

  void OnThreadMessage(qav::Msg& message);
  void OnSendCmd(const Job& job);
  // Milliseconds the send took, or -1 when it failed.
  int64_t SendCmdToSkype(const Job& job, qav::Hwnd hWndSkypeAPI);
  void NotifySendFailed(int64_t retVal);

  qav::Clock& m_clock;
  std::atomic<qav::Hwnd> m_hWndSTL{0};
  std::atomic<qav::Hwnd> m_hWndSkypeAPI{0};
  std::atomic<uint64_t> m_generation{0};
  int32_t m_nSentLines = 0;  // the sender thread's own
  // Last, so the thread ends before the members it uses go.
  qav::MessageThread m_thread;
};
