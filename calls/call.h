// The program's record of one Skype call: the client's call id, the partner contact, the call type
// and status as the client reports them, the voice message or conversation recorded for it, and
// its own instance of the call state machine.
//
// The dispatcher creates calls and feeds them the partner, type and status the client reports;
// each change that matters becomes an event of the call's machine, sent synchronously to the
// engine, so the setter returns after the machine has handled it. Calls rebuilt for saved voice
// messages and conversations carry negative ids and no machine.
//
// A call points at its partner, message and conversation without owning them; deleting a call
// takes it out of its message and conversation. The machine is the call's own: deleting the call
// deletes it, and with it every event still waiting for it.
//
// Threading: GUI thread only (docs/model-threading.md).
#pragma once

#include <cstdint>
#include <memory>

#include "calls/fsm_object.h"

class CUser;
class CMessage;
class CConversation;

// The machine event a call status sends: EV_SKYPE_* for ROUTING, RINGING, INPROGRESS, the three
// holds, FINISHED and the five failure statuses; -1 for UNPLACED, EARLYMEDIA and anything else.
int32_t CallStatusToEvent(int32_t status);
// The answer delay for the user's own online status: "SecB4AnsweringOnline" while ONLINE or
// SKYPEME, "SecB4AnsweringAway" while AWAY, NA, DND or INVISIBLE, else -1.
int32_t GetAnswerDelaySeconds(int32_t ownOnlineStatus);
// The same for the current user.
int32_t GetAnswerDelaySeconds();

class CCall {
 public:
  // Bits of the information flags.
  static constexpr int32_t kInfoPartner = 1;
  static constexpr int32_t kInfoType = 2;
  static constexpr int32_t kInfoStatus = 4;

  // Id, type and status -1, nothing attached, start time now; builds the machine's shared table
  // on first use.
  CCall();
  virtual ~CCall();
  CCall(const CCall&) = delete;
  CCall& operator=(const CCall&) = delete;

  // A live call: stores the id and creates its machine ("FSM Call[%5d]") in ST_NEW_CALL; partner,
  // type and status start unknown.
  void init(int32_t callId);
  // A call rebuilt for a saved voice message or conversation: id, partner and start time, no
  // machine.
  void InitMessage(int32_t callId, CUser* partner, int64_t startTime);
  void InitConversation(int32_t callId, int64_t startTime, CUser* partner);

  // The call's type and its status as the client reports them (SkypeCallType and SkypeCallStatus
  // values), each wrapped in a type of its own so that `set` tells the properties apart.
  struct Type {
    int32_t value;
  };
  struct Status {
    int32_t value;
  };
  // The client's properties: set(partner), set(Type{...}), set(Status{...}). The type sends
  // EV_CALL_TYPE_IN or EV_CALL_TYPE_OUT (types 0..3 only), the status its event
  // (CallStatusToEvent); both return once the machine has handled it.
  void set(CUser* partner);
  void set(Type type);
  void set(Status status);

  // The user's commands from the tray and the pages.
  void UserForceAnswering();
  void UserTakeControl();
  void UserRecordConversation(bool start);

  void SetMessage(CMessage* message) { m_pMessage = message; }
  void SetConversation(CConversation* conversation) { m_pConversation = conversation; }
  CMessage* GetMessage() const { return m_pMessage; }
  CConversation* GetConversation() const { return m_pConversation; }
  // Keeps a rejected waiting call alive through its end status until the machine has sent it
  // its chat text. Nothing dereferences it; it only counts for HoldsRecording.
  void SetCallWaitingMarker(bool held) { m_bCallWaitingMarker = held; }
  bool HasCallWaitingMarker() const { return m_bCallWaitingMarker; }
  // How often the machine has looked again for the partner of this rejected waiting call.
  int32_t GetRejectTextRetries() const { return m_nRejectTextRetries; }
  void SetRejectTextRetries(int32_t retries) { m_nRejectTextRetries = retries; }
  // The machine has decided to answer this call and posted the answer, which it has not sent yet:
  // the call already has the line (CCallCollection::GetCallUsingLine), so that another call whose
  // timer falls due in the same tick is not answered as well. It counts only while the call stays
  // in the state it was marked in; sending the answer clears it.
  void MarkAnswerPosted() { m_nAnswerPostedState = GetState(); }
  void ClearAnswerPosted() { m_nAnswerPostedState = -1; }
  bool IsBeingAnswered() const { return m_nAnswerPostedState >= 0 && m_nAnswerPostedState == GetState(); }
  // The answer timer found the line in use: the call rings on and waits for the line, and once it
  // is free waits out an answer delay of its own before it is answered.
  void SetWaitingForLine(bool waiting) { m_bWaitingForLine = waiting; }
  bool IsWaitingForLine() const { return m_bWaitingForLine; }
  // How often the answer for a voice message has been sent to the client for this call.
  int32_t GetAnswerSends() const { return m_nAnswerSends; }
  void SetAnswerSends(int32_t sends) { m_nAnswerSends = sends; }
  // A message, a conversation or the call-waiting marker: the dispatcher keeps such a call when
  // its status ends it.
  bool HoldsRecording() const { return m_pMessage != nullptr || m_pConversation != nullptr || m_bCallWaitingMarker; }

  // In ST_MESSAGE_WAIT_INPROGRESS_REPLY or ST_MESSAGE_RECORDING (false without a machine).
  bool IsMessageState() const;
  // In ST_CONV_WAIT_INPROGRESS_REPLY or ST_CONV_RECORDING (false without a machine).
  bool IsConversationState() const;
  // Partner, type and status have all been set.
  bool IsCallInfoComplete() const;
  // Whether the answering machine may take this call at all: the voice-message folder is below its
  // limit (when limited; over it, the tray tells the user) and the call is incoming.
  bool IsAnsweringPossible() const;
  // Whether the answering options allow it now: the answer option's value (non-zero), or 0.
  int32_t AnswerAllowed() const;
  // Whether the options for callers who are not contacts apply to this call: the partner is not a
  // buddy (or not known) and "UseNonAuthorizedCallerSettings" is on.
  bool UsesNonAuthorizedCallerSettings() const;

  int32_t GetCallId() const { return m_nCallId; }
  int64_t GetStartTime() const { return m_nStartTime; }
  const int64_t* GetStartTimePtr() const { return &m_nStartTime; }
  CUser* GetPartner() const { return m_pPartner; }
  int32_t GetType() const { return m_nType; }
  int32_t GetStatus() const { return m_nStatus; }
  int32_t GetInfoFlags() const { return m_nInfoFlags; }
  bool IsIncoming() const;
  // The call's machine instance; null for rebuilt calls.
  CFSMObject* GetMachine() const { return m_pMachine.get(); }
  // Current machine state, -1 without a machine.
  int32_t GetState() const { return m_pMachine ? m_pMachine->GetState() : -1; }

 private:
  void SendMachineEvent(int32_t event) const;

  std::unique_ptr<CFSMObject> m_pMachine;
  int32_t m_nCallId = -1;
  int64_t m_nStartTime = 0;
  CUser* m_pPartner = nullptr;
  int32_t m_nType = -1;
  int32_t m_nStatus = -1;
  int32_t m_nInfoFlags = 0;
  CMessage* m_pMessage = nullptr;
  CConversation* m_pConversation = nullptr;
  bool m_bCallWaitingMarker = false;
  int32_t m_nRejectTextRetries = 0;
  int32_t m_nAnswerPostedState = -1;
  bool m_bWaitingForLine = false;
  int32_t m_nAnswerSends = 0;
};
