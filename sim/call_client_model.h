// What the simulated call client knows and how it answers the program's commands.
//
// The model is the client's state (the signed-in user and its status, contacts, calls, devices,
// chat messages sent) and the client's answer to each command, with no window or loop: the
// simulator (sim/call_client_sim.h) feeds it the text of each WM_COPYDATA and sends back the lines
// it returns. docs/sim-callclient.md lists every command and its answer.
//
// Answers follow the client's rules: the reply carries the command's "#<id>" tag when the command
// had one ("#7 GET USERSTATUS" -> "#7 USERSTATUS ONLINE"); PING gets PONG; a command the client
// does not know gets "ERROR 2 Unknown command"; commands that change a call answer with the command
// itself and then report the call's new status ("CALL 1234 STATUS INPROGRESS").
//
// Calls stay coherent: a rung call is RINGING; ANSWER takes it to INPROGRESS; the program's
// HANGUP ends it as FINISHED (REFUSED while it still rang); the caller hanging up ends it as
// FINISHED, or MISSED when nobody answered; an ended call takes no further action. The audio
// routing commands reach the CallClientAudio hook (sim/call_client_audio.h).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "sim/call_client_audio.h"
#include "sim/call_client_call.h"

namespace qav::sim {

struct SimChatMessage {
  int32_t id = 0;
  std::string to;
  std::string text;
};

class CallClientModel {
 public:
  // Lines the client sends: replies and notifications, UTF-8 without the NUL.
  using Lines = std::vector<std::string>;

  explicit CallClientModel(Clock& clock);

  // ---- The client's own state (configuration and scenario) ----

  void SetCurrentUser(std::string handle, std::string fullName);
  const std::string& CurrentUser() const { return m_currentUser; }
  // The statuses the user can choose (ONLINE, AWAY, ..., OFFLINE; not UNKNOWN or SKYPEOUT).
  static bool IsSettableUserStatus(std::string_view status);
  // False for any other word.
  bool SetUserStatus(std::string_view status);
  const std::string& UserStatus() const { return m_userStatus; }
  bool SetConnStatus(std::string_view status);
  // AUDIO_IN, AUDIO_OUT or VIDEO_IN; false for another word.
  bool SetDevice(std::string_view which, std::string name);
  void SetVersion(std::string version) { m_version = std::move(version); }
  // Sets one property of a contact (creating the contact); false for an unknown property word.
  bool SetUserProperty(const std::string& handle, std::string_view property, std::string value);
  // The value the client gives for a user's property (defaults for users it has not been told
  // about).
  std::string GetUserProperty(const std::string& handle, std::string_view property) const;

  void SetAudio(CallClientAudio* audio) { m_audio = audio; }

  // ---- The program's commands ----

  Lines Answer(std::string_view command);

  // ---- What happens on the caller's side ----
  // Each returns "" and appends the notifications to `lines`, or returns why it cannot be done.

  // An incoming call starts ringing (type INCOMING_P2P or INCOMING_PSTN).
  std::string Ring(int32_t id, const std::string& partner, const std::string& type, const std::string& audioFile,
                   Lines* lines);
  // Any status word, as the client would report it.
  std::string SetCallStatus(int32_t id, const std::string& status, Lines* lines);
  // The caller ends the call: FINISHED when it was answered, MISSED while it rang.
  std::string CallerHangsUp(int32_t id, Lines* lines);

  const SimCall* FindCall(int32_t id) const;
  const std::vector<SimChatMessage>& Chats() const { return m_chats; }
  // The name the program gave itself with NAME ("" before).
  const std::string& ProgramName() const { return m_programName; }

 private:
  struct Contact {
    std::map<std::string, std::string> properties;
  };

  std::string Execute(std::string_view body, Lines* notes);
  std::string ExecuteGet(std::string_view rest);
  std::string ExecuteSet(std::string_view rest);
  std::string ExecuteAlterCall(std::string_view rest, Lines* notes);
  std::string ExecuteCall(std::string_view rest, Lines* notes);
  std::string ExecuteMessage(std::string_view rest, Lines* notes);
  std::string ExecuteOpen(std::string_view rest);
  // nullopt for a word that is no call property.
  std::optional<std::string> GetCallProperty(const SimCall& call, std::string_view property) const;
  void ChangeStatus(SimCall& call, const std::string& status, Lines* notes);
  SimCall* Call(int32_t id);

  Clock& m_clock;
  CallClientAudio* m_audio = nullptr;
  std::string m_currentUser = "owner.one";
  std::string m_userStatus = "ONLINE";
  std::string m_connStatus = "ONLINE";
  std::string m_audioIn = "Simulated Microphone";
  std::string m_audioOut = "Simulated Speakers";
  std::string m_videoIn;
  std::string m_version = "3.8.0.188";
  std::string m_programName;
  int32_t m_protocol = 1;
  std::map<std::string, Contact> m_contacts;
  std::map<int32_t, SimCall> m_calls;
  std::vector<SimChatMessage> m_chats;
  int32_t m_nextCallId = 2001;
  int32_t m_nextChatId = 5001;
};

}  // namespace qav::sim
