// The dispatcher: the worker thread that turns everything the Skype transport reports into changes
// of the program's model (the current user, contacts, calls), and carries the tray's call commands.
//
// The transport, on the GUI thread, only posts here: its two callbacks copy what they are given
// into thread messages. The dispatcher thread takes them in order, and for each one hands the
// model work to the GUI thread with one synchronous send (docs/model-threading.md), so the model
// has a single owner, the call state machine runs where the engine lives, and the dispatcher sees
// a call's new state as soon as its setter returns. Host operations (message boxes, the wait
// cursor, the greetings) and the settings reload run on the dispatcher thread itself.
//
// The handlers are public so that tests can drive them step by step on the GUI thread, where the
// hand-over is a direct call.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/message.h"
#include "platform/message_loop.h"
#include "platform/message_thread.h"
#include "platform/window.h"
#include "skype/link/skype_transport.h"

class CCall;
class CSkypeMsgHndlHost;
class SkypeToDeviceCmd;

class CSkypeMsgHndl : public CSTLCallbackConnectionStateChange, public CSTLCallbackReceivedSkypeCmd {
 public:
  // Thread messages of the dispatcher thread.
  static constexpr uint32_t WM_SKYPEMSG_CONNECTION_STATE = 0x720;     // wParam: state 1..7
  static constexpr uint32_t WM_SKYPEMSG_RECEIVED_CMD = 0x721;         // payload: the received line
  static constexpr uint32_t WM_SKYPEMSG_QUIT = 0x723;                 // ends the thread
  static constexpr uint32_t WM_SKYPEMSG_FORCE_ANSWER = 0x724;         // wParam: call id
  static constexpr uint32_t WM_SKYPEMSG_TAKE_CONTROL = 0x725;         // wParam: call id
  static constexpr uint32_t WM_SKYPEMSG_RECORD_CONVERSATION = 0x726;  // wParam: call id, lParam: start
  // The hand-over to the GUI thread, posted to the dispatcher's window there.
  static constexpr uint32_t WM_SKYPEMSG_RUN_ON_GUI = 0x727;
  static constexpr uint32_t WM_SKYPEMSG_CLIENT_GONE = 0x728;  // the attached client is gone

  // On the GUI thread, whose loop holds the model. The host stays the caller's.
  CSkypeMsgHndl(qav::MessageLoop& guiLoop, CSkypeMsgHndlHost& host);
  // Ends the thread; a transport still held is ended too.
  ~CSkypeMsgHndl() override;
  CSkypeMsgHndl(const CSkypeMsgHndl&) = delete;
  CSkypeMsgHndl& operator=(const CSkypeMsgHndl&) = delete;

  // Starts the dispatcher thread; false when it cannot be started (or already runs).
  bool CreateThread();
  // GUI thread: makes `transport` the program's transport, starts it with one command awaiting a
  // reply at a time and this object's callbacks, and connects. 0 when the transport cannot start.
  int StartSTL(std::unique_ptr<CSkypeTransport> transport);
  // GUI thread, at exit: ends the dispatcher thread, clears the current user's objects and ends
  // the transport.
  void Shutdown();

  // The transport's callbacks (its thread): post to the dispatcher thread.
  void ConnectionStateNotify(int32_t state) override;
  void ClientGone() override;
  void OnSkypeCmdReceived(const SkypeToDeviceCmd& received) override;

  // The tray's call commands (GUI thread), by call id: a call ended meanwhile is not found and the
  // command is dropped. False when the dispatcher thread does not run.
  bool PostForceAnswer(int32_t callId);
  bool PostTakeControl(int32_t callId);
  bool PostRecordConversation(int32_t callId, bool start);

  // ---- Handlers (the dispatcher thread) ----
  void OnConnectionStageChangeNotify(int32_t state);
  // The client that had the calls is gone: every call that has not ended ends as if the client had
  // finished it (a voice message or conversation being recorded is finished and kept), and the
  // next connection asks again who the user is.
  void OnClientGone();
  void OnReceivedSkypeCmd(const SkypeToDeviceCmd& received);
  void OnUserForceAnswerOfCall(int32_t callId);
  void OnUserTakesControlOverCall(int32_t callId);
  void OnUserRecordConversation(int32_t callId, bool start);
  // Deletes the current user's voice messages, conversations and calls, takes the current user out
  // of the contacts and resets it, then refreshes the main window. Other contacts stay.
  void KillAllOfCurrentUser();

 private:
  struct HandOver;

  // Runs `work` on the GUI thread and returns when it is done (directly when called there). Once
  // the thread is being stopped the work is dropped instead.
  void OnGui(const std::function<void()>& work);
  qav::LResult OnGuiWindowMessage(qav::Msg& message);
  void OnThreadMessage(qav::Msg& message);
  void StopThread();

  void OnConnected();
  void OnUserStatus(const SkypeToDeviceCmd& received);
  void OnConnStatus(const SkypeToDeviceCmd& received);
  void OnCurrentUserHandle(const SkypeToDeviceCmd& received);
  void OnDevice(const SkypeToDeviceCmd& received);
  void OnUsersList(const SkypeToDeviceCmd& received);
  void OnCallsList(const SkypeToDeviceCmd& received);
  void Skype2DeviceMsgHandleUser(const SkypeToDeviceCmd& received);
  void Skype2DeviceMsgHandleCall(const SkypeToDeviceCmd& received);
  // Looks the call up on the GUI thread and runs `command` on it there.
  void OnTrayCommand(int32_t callId, const std::function<void(CCall&)>& command);

  CSkypeMsgHndlHost& m_host;
  const std::thread::id m_guiThread;
  qav::Window m_guiWindow;
  qav::MessageThread m_thread;
  std::unique_ptr<CSkypeTransport> m_pTransport;
  // The hand-over in flight, which StopThread releases: the GUI thread that stops the dispatcher
  // cannot also serve it.
  std::mutex m_handOverMutex;
  bool m_bStopping = false;
  std::shared_ptr<HandOver> m_pHandOver;
  // Dispatcher thread only.
  bool m_bFirstConnection = true;
  bool m_bConnectionNotice = false;
  // Set when Skype was asked to leave the program's video device, until it shows another one or
  // the link ends (also written by hand-overs, which run while this thread waits for them).
  bool m_bVideoInSwitchAsked = false;
};
