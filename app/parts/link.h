// The link part: the Skype link (the dispatcher thread and the transport) and the calls, as the
// main window drives them; without a link CNullLink stands in (no transport, no calls). GUI thread
// only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/message.h"

class DeviceToSkypeCmd;

// What the main window needs of the current call-client user.
struct CAppCurrentUser {
  std::u16string handle;
  std::u16string fullName;
  std::u16string displayName;
  std::u16string clientLanguage;  // the call client's language for its user ("de German"), "" when not known
  int32_t onlineStatus = 10;      // SkypeOnlineStatus; 10 for none
};

// A call as the tray sees it: whether it is in progress or ringing, and whether the program is
// handling it (answering it for a voice message, or recording it as a conversation).
struct CAppCallHandling {
  int32_t callId = 0;
  bool inProgress = false;
  bool ringing = false;
  bool voiceMessage = false;
  bool conversation = false;
};

class CAppLink {
 public:
  virtual ~CAppLink() = default;
  // Gives the dispatcher the main window, starts its thread and the transport, and connects.
  // Below 1 on failure.
  virtual int Start(qav::Hwnd mainWindow) = 0;
  // Releases the current user's objects and ends the transport and the dispatcher thread.
  virtual bool Shutdown(int timeoutMs) = 0;
  virtual bool TransportExists() = 0;
  // The ids of the calls in progress, and of the first ringing call, in the call collection's order.
  virtual std::vector<int32_t> CallIdsInProgress() = 0;
  virtual std::optional<int32_t> RingingCallId() = 0;
  // Queues a command with acknowledgement; 1 when queued.
  virtual int QueueCommand(const DeviceToSkypeCmd& command) = 0;
  virtual CAppCurrentUser CurrentUser() = 0;

  // For the tray. The transport's connection state (7 connected, 5 waiting for the user's
  // authorisation); 0 without a transport.
  virtual int32_t TransportState() { return 0; }
  // Tells the transport to connect again.
  virtual void Reconnect() {}
  // The calls in progress, the ringing one and one being handled otherwise, in the collection's order.
  virtual std::vector<CAppCallHandling> Calls() { return {}; }
  // The tray's call commands, carried to the dispatcher thread; false when they cannot be.
  virtual bool ForceAnswer(int32_t /*callId*/) { return false; }
  virtual bool TakeControl(int32_t /*callId*/) { return false; }
  virtual bool RecordConversation(int32_t /*callId*/, bool /*start*/) { return false; }
};

class CNullLink : public CAppLink {
 public:
  int Start(qav::Hwnd) override { return 1; }
  bool Shutdown(int) override { return true; }
  bool TransportExists() override { return false; }
  std::vector<int32_t> CallIdsInProgress() override { return {}; }
  std::optional<int32_t> RingingCallId() override { return std::nullopt; }
  int QueueCommand(const DeviceToSkypeCmd&) override { return 0; }
  CAppCurrentUser CurrentUser() override { return {}; }
};
