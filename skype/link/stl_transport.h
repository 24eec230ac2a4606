// CSTL, the transmission layer: the program's end of the call client's desktop API.
//
// A hidden top-level window on the GUI thread ("QAVSkypeAPITransmissionLayer") that finds the
// client with the broadcast "SkypeControlAPIDiscover", takes the client's API window from its
// "SkypeControlAPIAttach" answer, receives every line from the client as WM_COPYDATA, keeps the
// link alive with PING, and sends the program's commands one at a time (a reply expected for each)
// through the sender thread (CSTLSndr), resending on silence and re-attaching when the link fails.
// It reports connection states and each parsed line to the two callbacks of
// skype/link/skype_transport.h, which the dispatcher implements. docs/skype-transport.md tells the
// whole story; the numbers below are the link's contract with the client and the dispatcher.
//
// Threads: construct, Init, End and destroy on the GUI thread (the loop given at construction).
// SendCmdAcknowledged, Connect, Disconnect and GetConnectionState may be called from any thread;
// they only post to the window. Both queues and every timer live on the GUI thread.
//
// Time: every timer and the reply time-out read the loop's monotonic clock, so a loop on a virtual
// clock drives the whole link exactly (platform/virtual_loop.h).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "platform/message.h"
#include "platform/message_loop.h"
#include "skype/link/device_to_skype_cmd.h"
#include "skype/link/skype_transport.h"
#include "skype/link/stl_sender.h"

class CSTL final : public CSkypeTransport {
 public:
  static constexpr char kWindowClass[] = "QAVSkypeAPITransmissionLayer";
  static constexpr char kDiscoverMessageName[] = "SkypeControlAPIDiscover";
  static constexpr char kAttachMessageName[] = "SkypeControlAPIAttach";

  // Private messages of the window.
  static constexpr uint32_t WM_STL_CONNECT = 0x784;
  static constexpr uint32_t WM_STL_DISCONNECT = 0x785;
  static constexpr uint32_t WM_STL_QUEUE_CMD = 0x786;       // payload: the owned command copy
  static constexpr uint32_t WM_STL_QUEUE_IDLE_CMD = 0x787;  // payload: the builder of a command that gives way

  // Timers of the window.
  static constexpr uint64_t SKYPEAPI_DISCOVER_FAILED = 101;
  static constexpr uint64_t TRY_RECONNECT = 102;
  static constexpr uint64_t SKYPEAPI_KEEPALIVE_SEND_PING = 103;
  static constexpr uint64_t SKYPEAPI_KEEPALIVE_FAILED = 104;
  static constexpr uint64_t REPLY_TIMEOUT_CHECK = 105;

  static constexpr uint32_t kDiscoverWaitMs = 3000;   // an answer to a discover is due within this
  static constexpr int kMaxDiscoverAttempts = 5;      // unanswered discovers before state 3
  static constexpr uint32_t kRetryDelayMs = 5000;     // between discovers, and after "API available"
  static constexpr uint32_t kPingPeriodMs = 4800;     // silence before a PING
  static constexpr uint32_t kPongWaitMs = 2000;       // after a PING, a line is due within this
  static constexpr uint32_t kReplyCheckPeriodMs = 200;
  static constexpr int64_t kReplyTimeoutMs = 4999;    // a reply later than this puts the command back
  static constexpr int32_t kMaxSends = 3;             // a command is sent at most this often

  // The queue guard: callers off the GUI thread wait (up to kQueueWaitMs) while more than
  // kMaxQueuedCmds commands wait to be sent. The GUI thread never waits: its commands (the call
  // machine's) have kGuiReserveCmds more room, which the waiting callers leave free, and only past
  // that are they refused. Commands that give way (SendCmdWhenIdle) do not count.
  static constexpr int kMaxQueuedCmds = 200;
  static constexpr int kGuiReserveCmds = 100;
  static constexpr int kQueueWaitMs = 200 * 500;

  // Statuses of the attach answer (its lParam).
  static constexpr int64_t kAttachSuccess = 0;
  static constexpr int64_t kAttachPendingAuthorization = 1;
  static constexpr int64_t kAttachRefused = 2;
  static constexpr int64_t kAttachNotAvailable = 3;
  static constexpr int64_t kAttachApiAvailable = 0x8001;

  // Diagnostics kept for the log and for tests.
  struct Counters {
    int discoverFailures = 0;
    int reconnectAttempts = 0;
    int keepAliveFailures = 0;
    int error68Receipts = 0;
    int replyTimeouts = 0;
    int receivedLines = 0;
  };

  // On the GUI thread, whose loop the window and its timers will use.
  explicit CSTL(qav::MessageLoop& guiLoop);
  // Ends the link if End was not called.
  ~CSTL() override;
  CSTL(const CSTL&) = delete;
  CSTL& operator=(const CSTL&) = delete;

  // ---- CSkypeTransport ----
  // Once only (a second call returns 1 and changes nothing): creates the window and starts the
  // sender. 0 when the window cannot be created (no usable desktop directory) or the sender does
  // not start. A maximum below 1 is taken as 1.
  int Init(int32_t maxAwaitingReplies, CSTLCallbackConnectionStateChange* stateCallback,
           CSTLCallbackReceivedSkypeCmd* receivedCallback) override;
  void Connect() override;
  void Disconnect() override;
  // Ends the link for good, on the GUI thread: refuses further commands, lets callers still inside
  // SendCmdAcknowledged leave, detaches without calling back, frees both queues and every command
  // still posted, ends the sender thread and destroys the window. The callbacks are not called
  // during or after End, so the owner may delete them, and this object, as soon as it returns.
  int End() override;
  int32_t GetConnectionState() override;
  // Any thread. 1 when the command was queued; 0 without Init, after End, or when the queue stayed
  // full (at once on the GUI thread, after the wait elsewhere).
  int SendCmdAcknowledged(const DeviceToSkypeCmd& cmd) override;
  // Any thread, never waits. The builder waits in a lane of its own, unbounded by the guard, and
  // makes its command when the IN queue is empty and a command may be sent. The lane outlasts a
  // disconnect (what it asks is still worth asking of the next attach) and ends with End.
  // 1 when queued; 0 without Init or after End.
  int SendCmdWhenIdle(SkypeCmdBuilder build) override;

  // GUI thread: the window, the diagnostics and the two queues' lengths.
  qav::Hwnd GetWindow() const { return m_hWnd; }
  Counters GetCounters() const { return m_counters; }
  size_t GetInQueueSize() const { return m_inQueue.size(); }
  size_t GetWaitQueueSize() const { return m_waitQueue.size(); }
  size_t GetIdleQueueSize() const { return m_idleQueue.size(); }

 private:
  using CmdQueue = std::deque<std::unique_ptr<DeviceToSkypeCmd>>;

  qav::LResult WindowProc(qav::Msg& message);
  void OnConnect();
  void OnDisconnect();
  void OnQueueCmd(std::unique_ptr<DeviceToSkypeCmd> cmd);
  void OnQueueIdleCmd(SkypeCmdBuilder build);
  void OnSkypeAttach(const qav::Msg& message);
  qav::LResult OnCopyData(const qav::Msg& message);
  void OnTimer(uint64_t id);

  void SendDiscover();
  void ScheduleReconnect(uint32_t delayMs);
  void Skype2DeviceMsgHandle(std::u16string line);
  void SendNextAckCmdIfPossible();
  // The next command to send: the IN queue's head, else one made by the lane that gives way; null
  // when both are empty.
  std::unique_ptr<DeviceToSkypeCmd> TakeNextCmd();
  bool CheckIfTimeoutOnWaitingAckCmd();
  void ReQueAllWaitAckCmds();
  // At the end: hands every command still queued to the sender, once, before the queues are cleared.
  void SendQueuedOnceBeforeEnd();
  void ClearAllCmdQueues();
  // Forgets the client's window here and in the sender; commands wait for the next attach.
  void DropSkypeWindow();
  // Tells the state callback, once, that the attached client is gone when its window no longer
  // exists (or, with `replacedBy`, when another client's window answered the attach).
  void CheckClientGone(qav::Hwnd replacedBy = 0);
  void SetConnectionState(int32_t state);

  void ArmTimer(uint64_t id, uint32_t periodMs);
  void StopTimer(uint64_t id);
  bool IsTimerArmed(uint64_t id) const { return m_armedTimers.count(id) != 0; }

  // The guard's count: commands posted to the window and not yet handled, plus the IN queue.
  void CountQueued(int delta);

  qav::MessageLoop& m_loop;
  std::thread::id m_guiThread;
  CSTLSndr m_sender;
  qav::Hwnd m_hWnd = 0;
  uint32_t m_msgDiscover = 0;
  uint32_t m_msgAttach = 0;

  std::atomic<bool> m_bInitDone{false};
  std::atomic<bool> m_bEnded{false};
  std::atomic<bool> m_bAutoReconnect{false};
  std::atomic<int32_t> m_nState{1};
  CSTLCallbackConnectionStateChange* m_pStateCallback = nullptr;
  CSTLCallbackReceivedSkypeCmd* m_pReceivedCallback = nullptr;
  int32_t m_nMaxAwaitingReplies = 1;

  // GUI thread only.
  qav::Hwnd m_hWndSkypeAPI = 0;
  // The window of the client last attached, kept while the link re-attaches (its calls are that
  // client's); 0 before the first attach and once the client was reported gone.
  qav::Hwnd m_hWndAttachedClient = 0;
  // Set when a reply time-out muted the sender: commands wait for the next attach success instead
  // of being handed to a sender that would drop them.
  bool m_bHoldUntilAttach = false;
  int m_nDiscoverAttempts = 0;
  std::set<uint64_t> m_armedTimers;
  DeviceToSkypeCmd m_pingCmd;
  CmdQueue m_inQueue;
  CmdQueue m_waitQueue;
  std::deque<SkypeCmdBuilder> m_idleQueue;
  Counters m_counters;

  // The queue guard, shared with other threads.
  mutable std::mutex m_guardMutex;
  std::condition_variable m_guardChanged;
  int m_nQueued = 0;
  int m_nCallersInside = 0;
};
