// What the rest of the program needs of the Skype transport, and the program's one transport.
//
// The transport (CSTL) is a window on the GUI thread that attaches to the call client, queues the
// program's commands and reports what the client says. The program reaches it through these small
// interfaces, so that contacts, calls and the dispatcher are built and tested against a recording
// double and the real transport plugs in behind the same calls:
//   - CSkypeCmdSink: queue one command (any thread), in the ordinary way or in the lane that gives
//     way to every ordinary command;
//   - CSkypeTransport: the sink plus the start, connect, disconnect and end that the dispatcher
//     drives;
//   - the two callback interfaces the transport reports to, implemented by the dispatcher.
//
// The program's transport is installed with SetSkypeTransport when the dispatcher starts the link
// and removed at shut-down. Installing and removing happen on the GUI thread, and so does every
// use of the model that queues commands (docs/model-threading.md), so the pointer is never
// removed under a caller.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

class DeviceToSkypeCmd;
class SkypeToDeviceCmd;

// Connection states the transport reports (passed on unchanged to the state callback).
namespace SkypeLinkState {
enum : int32_t {
  DISCONNECTED = 1,
  REFUSED = 2,
  API_NOT_AVAILABLE = 3,
  API_AVAILABLE = 4,
  PENDING_AUTHORIZATION = 5,
  CONNECTING = 6,
  CONNECTED = 7,
};
}  // namespace SkypeLinkState

class CSTLCallbackConnectionStateChange {
 public:
  virtual ~CSTLCallbackConnectionStateChange() = default;
  // Called on the transport's thread (the GUI thread) with each new connection state.
  virtual void ConnectionStateNotify(int32_t state) = 0;
  // Called on the transport's thread when the client the link was attached to is gone: its window
  // has vanished (the client ended or died), or another client's window answered the attach. Its
  // calls are over with it. Once per attached client.
  virtual void ClientGone() {}
};

class CSTLCallbackReceivedSkypeCmd {
 public:
  virtual ~CSTLCallbackReceivedSkypeCmd() = default;
  // Called on the transport's thread with each parsed line; the record stays the transport's, a
  // receiver that keeps it takes a copy.
  virtual void OnSkypeCmdReceived(const SkypeToDeviceCmd& received) = 0;
};

// Makes one command (one of DeviceToSkypeCmd's builders) when it is run; it keeps its own copies
// of what it needs, since it may run later and on another thread.
using SkypeCmdBuilder = std::function<void(DeviceToSkypeCmd&)>;
// Runs `build` on `cmd`; false, logged at WARNING as "<refusal>: <reason>", when the builder refuses
// its arguments (a handle from the wire that cannot be sent).
bool BuildSkypeCmd(const SkypeCmdBuilder& build, DeviceToSkypeCmd& cmd, std::u16string_view refusal);

class CSkypeCmdSink {
 public:
  virtual ~CSkypeCmdSink() = default;
  // Queues a copy of the command for sending; callable from any thread. 1 when queued, 0 when not.
  virtual int SendCmdAcknowledged(const DeviceToSkypeCmd& cmd) = 0;
  // Queues a command that gives way: it is sent only while no command queued with
  // SendCmdAcknowledged waits to be sent. For what the program asks in bulk of its own accord (the
  // details of every caller that a sign-in's recordings name), which must neither fill the queue
  // nor hold up the calls' commands. `build` makes the command when its turn comes; a builder that
  // refuses its arguments then is logged and skipped. Any thread, never waits; 1 when queued, 0
  // when not. This default builds the command at once and queues it the ordinary way.
  virtual int SendCmdWhenIdle(SkypeCmdBuilder build);
};

class CSkypeTransport : public CSkypeCmdSink {
 public:
  // Once only: stores the callbacks and the number of commands that may await a reply at a time,
  // and starts the transport's window and sender. 1 on success, 0 on failure.
  virtual int Init(int32_t maxAwaitingReplies, CSTLCallbackConnectionStateChange* stateCallback,
                   CSTLCallbackReceivedSkypeCmd* receivedCallback) = 0;
  // Starts attaching (and re-attaching whenever the link fails).
  virtual void Connect() = 0;
  // Detaches and stops re-attaching.
  virtual void Disconnect() = 0;
  // Ends the link for good; the owner deletes the transport afterwards. 1, or 0 without Init.
  virtual int End() = 0;
  // The stored connection state, -1 before Init.
  virtual int32_t GetConnectionState() = 0;
};

// The program's transport, or null while there is none. The caller keeps ownership.
void SetSkypeTransport(CSkypeCmdSink* transport);
CSkypeCmdSink* GetSkypeTransport();

// Builds a command on the stack with `build` and queues it on the program's transport. Returns the
// queueing result; 0 when there is no transport or when the builder refused its arguments (a
// handle from the wire that cannot be sent, logged at WARNING). Nothing is thrown.
int QueueSkypeCmd(const SkypeCmdBuilder& build);
// The same through the transport's lane that gives way (CSkypeCmdSink::SendCmdWhenIdle). 0 when
// there is no transport.
int QueueSkypeCmdWhenIdle(SkypeCmdBuilder build);
