// The parts the application object and its main window drive, each behind a small interface.
//
// Several of them belong to other subsystems (the user interface's property sheet and image lists,
// the tray, the worker threads, the Skype link and the calls, the audio and video drivers, the
// state-machine engine, the version check, problem reports). app/ drives them only through these
// interfaces, so the program runs headless with the null parts of app/null_parts.h wherever a
// real one is not there, and tests put recording doubles in their place. CAppComponents
// (app/app_components.h) says which implementation each part gets.
//
// Threading: every call here is made on the GUI thread. Each Stop or Shutdown that ends a thread
// takes a bound in milliseconds and reports whether everything it ran has ended within it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/message.h"

class CConversation;
class CMessage;
class DeviceToSkypeCmd;

// The main property sheet of the user interface (its pages, Apply, the re-localisation).
class CAppPropertySheet {
 public:
  virtual ~CAppPropertySheet() = default;
  // Builds the sheet and its window with the caption; false when there is none.
  virtual bool Create(std::u16string_view caption) = 0;
  virtual void Destroy() = 0;
  virtual bool Exists() const = 0;
  virtual void Localize() = 0;
  // Shows the sheet (SW_SHOW) at the page of the flag; 0 keeps its current page.
  virtual void ShowSheet(int show, uint32_t pageFlag) = 0;
  // Rebuilds every page.
  virtual void RefreshPages() = 0;
  // Posts to the sheet's window, and to the voice-message page's window; false without one.
  virtual bool PostToSheet(uint32_t message, qav::WParam wParam, qav::LParam lParam) = 0;
  virtual bool PostToVoiceMessagesPage(uint32_t message, qav::WParam wParam, qav::LParam lParam) = 0;
};

// The notification-area icon with its menu, tooltip and balloons.
class CAppTray {
 public:
  virtual ~CAppTray() = default;
  // Adds the icon (the tray image list's first image, tooltip "QAV") with the callback message.
  virtual void Add(qav::Hwnd mainWindow, uint32_t callbackMessage) = 0;
  virtual void Remove() = 0;
  // Timer 1: the icon's picture for the moment.
  virtual void UpdateTrayIcon() = 0;
  // The callback message: lParam is the mouse or notification message (or the click timer's value).
  virtual void OnTaskbarNotify(qav::WParam wParam, qav::LParam lParam) = 0;
  // A balloon titled with the product title; `link` ("" for none) is opened when it is clicked.
  virtual bool ShowBalloon(std::u16string_view text, int32_t durationMs, std::u16string_view link) = 0;
};

// The e-mail and sibling-application worker threads.
class CAppWorkers {
 public:
  virtual ~CAppWorkers() = default;
  virtual bool StartMailThread() = 0;
  virtual bool StartNotifyThread() = 0;
  // Hands the voice message of UM_EMAILVOICEMSG (its wParam, and its payload when it has one) to
  // the e-mail thread.
  virtual bool PostSendRequest(qav::Msg& message) = 0;
  // WM_COPYDATA from the sibling application: true when it was taken.
  virtual bool OnCopyData(uint64_t dwData, uint32_t cbData) = 0;
  // A call that recorded something has ended: the sibling application's notice of the voice
  // message and the conversation (either may be null), built before this returns.
  virtual void SendCallDoneNotice(const CMessage* message, const CConversation* conversation) = 0;
  virtual bool Stop(int timeoutMs) = 0;
};

// What the main window needs of the current call-client user.
struct CAppCurrentUser {
  std::u16string handle;
  std::u16string fullName;
  std::u16string displayName;
  std::u16string clientLanguage;  // the call client's interface language, "" when not known
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

// The Skype link (dispatcher thread and transport) and the calls, as the main window drives them.
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
  // Every call of the collection, in its order.
  virtual std::vector<CAppCallHandling> Calls() { return {}; }
  // The tray's call commands, carried to the dispatcher thread; false when they cannot be.
  virtual bool ForceAnswer(int32_t /*callId*/) { return false; }
  virtual bool TakeControl(int32_t /*callId*/) { return false; }
  virtual bool RecordConversation(int32_t /*callId*/, bool /*start*/) { return false; }
};

// The version check's exchange with the server (one request at a time, on its own thread).
class CAppServerExchange {
 public:
  virtual ~CAppServerExchange() = default;
  virtual void ResetInfo() = 0;
  virtual void SetInfo(std::u16string_view name, std::u16string_view value) = 0;
  // Starts the exchange; the result arrives as a send of `message` with `wParam` and the result
  // (1 or 0) to the window. 0 when it cannot start (one still runs): then no message follows.
  virtual int UpdateServerInformation(qav::Hwnd window, uint32_t message, qav::WParam wParam) = 0;
  // True while an exchange runs or its result has not been delivered.
  virtual bool IsRunning() const { return false; }
  // The reply's values by path; 1 when found.
  virtual int GetInt(std::u16string_view path, int32_t& value, int radix) = 0;
  virtual int GetString(std::u16string_view path, std::u16string& text) = 0;
  virtual int GetAttribute(std::u16string_view path, std::u16string_view attribute, std::u16string& text) = 0;
  virtual bool Stop(int timeoutMs) = 0;
};

// Problem reports built and sent by the report handler.
class CAppProblemReport {
 public:
  virtual ~CAppProblemReport() = default;
  // Builds and sends a problem report; 1 when it was sent.
  virtual int SendProblemReport() = 0;
};

// The program-wide image lists of the user interface.
class CImageListsPart {
 public:
  virtual ~CImageListsPart() = default;
  // Builds the lists; returns the colour flag they were built with.
  virtual int32_t Create() = 0;
  virtual void Release() = 0;
};

// The audio thread (the audio driver).
class CAppAudioDriver {
 public:
  virtual ~CAppAudioDriver() = default;
  // Creates the driver, starts its thread at the highest priority and makes it the program's.
  virtual bool Start() = 0;
  // Brings the thread to rest, joins it and deletes the driver; requests made afterwards fail.
  virtual bool Stop(int timeoutMs) = 0;
};

// The video driver, which drives the webcam application.
class CAppVideoDriver {
 public:
  virtual ~CAppVideoDriver() = default;
  // Builds the driver and makes it the program's; false when it cannot be built.
  virtual bool Create() = 0;
  virtual void Delete() = 0;
};

// The state-machine engine's hidden window.
class CAppEngine {
 public:
  virtual ~CAppEngine() = default;
  virtual bool Create(qav::Hwnd mainWindow) = 0;
  virtual void Delete() = 0;
};

// Opening web pages and starting other programs, as the shell would.
class CAppShell {
 public:
  virtual ~CAppShell() = default;
  // Opens the address in the user's browser (`maximized` as the design asked; a hint only).
  virtual bool OpenUrl(std::u16string_view url, bool maximized) = 0;
  // Starts the program detached with the arguments; false when it cannot be started.
  virtual bool StartProgram(std::u16string_view program, const std::vector<std::u16string>& arguments) = 0;
};

// What the report handler's callback fills in a crash or problem report.
class CProblemReportFiles {
 public:
  virtual ~CProblemReportFiles() = default;
  virtual void AddFile(std::u16string_view path, std::u16string_view name) = 0;
  virtual void SetSubject(std::u16string_view subject) = 0;
  virtual void SetDescription(std::u16string_view description) = 0;
};
