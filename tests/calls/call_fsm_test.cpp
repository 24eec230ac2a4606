#include <gtest/gtest.h>

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "calls/call.h"
#include "calls/call_collection.h"
#include "calls/call_fsm_functions.h"
#include "calls/call_fsm_states.h"
#include "calls/call_fsm_table.h"
#include "tests/support/call_model_fixture.h"

namespace {

using qav::test::CallModelFixture;

// The machine's rows, written out here on their own so that a changed row in the program's table
// fails: (state, event, next state, function without its prefix CallFSMDoFunc). One row a line;
// SAME keeps the state, T is the time-out column, ENTRY the entry column.
struct PinnedRow {
  int32_t state;
  int32_t event;
  int32_t next;
  FSMDoFunc function;
  const char* name;
};

constexpr int32_t T = kFsmTimeoutColumn;
constexpr int32_t ENTRY = kFsmEntryColumn;
constexpr int32_t SAME = kFsmSameState;
#define PIN(state, event, next, function) {state, event, next, &CallFSMDoFunc##function, #function}

// The machine as designed.
const PinnedRow kDesignedRows[] = {
    PIN(ST_NEW_CALL, EV_SKYPE_RINGING, SAME, SkypeRingingSendGetCallType),
    PIN(ST_NEW_CALL, EV_CALL_TYPE_IN, ST_NEW_IN_CALL, SkypeRingingCanWeStartAnswerTimerOrRejectCall),
    PIN(ST_NEW_CALL, EV_CALL_TYPE_OUT, ST_NEW_OUT_CALL, CollectSkypeCallDetails),
    PIN(ST_NEW_CALL, EV_SKYPE_ROUTING, ST_NEW_OUT_CALL, CollectSkypeCallDetails),
    PIN(ST_NEW_CALL, EV_USER_CONV_REC_START, SAME, CanWeAnswerConvAndSendInprogressEv),
    PIN(ST_NEW_CALL, EV_SEND_INPROGRESS_CONV, ST_CONV_WAIT_INPROGRESS_REPLY, AnswerIncomingCallConv),
    PIN(ST_NEW_CALL, EV_SKYPE_INPROGRESS, ST_CALL_INPROGRESS, SkypeInprogressCanWeAutoConvRec),
    PIN(ST_NEW_CALL, EV_SKYPE_FINISHED, ST_CALL_DONE, CleanUp),
    PIN(ST_NEW_CALL, EV_SKYPE_TERMINATED, ST_CALL_DONE, CleanUp),

    PIN(ST_NEW_IN_CALL, EV_SKYPE_RINGING, SAME, SkypeRingingCanWeStartAnswerTimerOrRejectCall),
    PIN(ST_NEW_IN_CALL, EV_START_ANSWERING_TIMER, ST_WAIT_ANSWERING_TIMER_EXPIRE, RingingStartAnswerTimer),
    PIN(ST_NEW_IN_CALL, EV_REJECT_CALL_WAIT, ST_REJECT_CALL_WAITING, RingingRejectCall),
    PIN(ST_NEW_IN_CALL, EV_USER_CONV_REC_START, SAME, CanWeAnswerConvAndSendInprogressEv),
    PIN(ST_NEW_IN_CALL, EV_SEND_INPROGRESS_CONV, ST_CONV_WAIT_INPROGRESS_REPLY, AnswerIncomingCallConv),
    PIN(ST_NEW_IN_CALL, EV_SKYPE_INPROGRESS, ST_CALL_INPROGRESS, SkypeInprogressCanWeAutoConvRec),
    PIN(ST_NEW_IN_CALL, EV_SKYPE_FINISHED, ST_CALL_DONE, CleanUp),
    PIN(ST_NEW_IN_CALL, EV_SKYPE_TERMINATED, ST_CALL_DONE, CleanUp),

    PIN(ST_NEW_OUT_CALL, EV_USER_CONV_REC_START, SAME, CanWeAnswerConvAndSendInprogressEv),
    PIN(ST_NEW_OUT_CALL, EV_SEND_INPROGRESS_CONV, ST_CONV_WAIT_INPROGRESS_REPLY, AnswerIncomingCallConv),
    PIN(ST_NEW_OUT_CALL, EV_SKYPE_INPROGRESS, ST_CALL_INPROGRESS, SkypeInprogressCanWeAutoConvRec),
    PIN(ST_NEW_OUT_CALL, EV_SKYPE_FINISHED, ST_CALL_DONE, CleanUp),
    PIN(ST_NEW_OUT_CALL, EV_SKYPE_TERMINATED, ST_CALL_DONE, CleanUp),

    PIN(ST_WAIT_ANSWERING_TIMER_EXPIRE, T, SAME, CanWeAnswerMsgAndSendInprogressEv),
    PIN(ST_WAIT_ANSWERING_TIMER_EXPIRE, EV_USER_FORCE_ANSWERING, SAME, CanWeForceAnswerMsgAndSendInprogressEv),
    PIN(ST_WAIT_ANSWERING_TIMER_EXPIRE, EV_SEND_INPROGRESS_MSG, ST_MESSAGE_WAIT_INPROGRESS_REPLY, AnswerIncomingCallMessage),
    PIN(ST_WAIT_ANSWERING_TIMER_EXPIRE, EV_ANSWER_NOT_ALLOWED, ST_CALL_RINGING, CleanUp),
    PIN(ST_WAIT_ANSWERING_TIMER_EXPIRE, EV_USER_CONV_REC_START, SAME, CanWeAnswerConvAndSendInprogressEv),
    PIN(ST_WAIT_ANSWERING_TIMER_EXPIRE, EV_SEND_INPROGRESS_CONV, ST_CONV_WAIT_INPROGRESS_REPLY, AnswerIncomingCallConv),
    PIN(ST_WAIT_ANSWERING_TIMER_EXPIRE, EV_SKYPE_INPROGRESS, ST_CALL_INPROGRESS, SkypeInprogressCanWeAutoConvRec),
    PIN(ST_WAIT_ANSWERING_TIMER_EXPIRE, EV_SKYPE_FINISHED, ST_CALL_DONE, CleanUp),
    PIN(ST_WAIT_ANSWERING_TIMER_EXPIRE, EV_SKYPE_TERMINATED, ST_CALL_DONE, CleanUp),

    PIN(ST_MESSAGE_WAIT_INPROGRESS_REPLY, EV_SKYPE_INPROGRESS, ST_MESSAGE_RECORDING, SkypeInprogressStartRecMessage),
    PIN(ST_MESSAGE_WAIT_INPROGRESS_REPLY, EV_SKYPE_FINISHED, ST_CALL_DONE, CleanUpMessage),
    PIN(ST_MESSAGE_WAIT_INPROGRESS_REPLY, EV_SKYPE_TERMINATED, ST_CALL_DONE, CleanUpMessage),

    PIN(ST_MESSAGE_RECORDING, T, ST_CALL_DONE, StopRecMessageAndSendFinish),
    PIN(ST_MESSAGE_RECORDING, EV_USER_TAKE_CONTROL, ST_CALL_INPROGRESS, StopRecMessageUserTakeControl),
    PIN(ST_MESSAGE_RECORDING, EV_SKYPE_FINISHED, ST_CALL_DONE, StopRecMessage),
    PIN(ST_MESSAGE_RECORDING, EV_SKYPE_HOLD, ST_CALL_DONE, StopRecMessage),
    PIN(ST_MESSAGE_RECORDING, EV_FAILURE, ST_CALL_INPROGRESS, SendFinish),

    PIN(ST_CONV_WAIT_INPROGRESS_REPLY, EV_SEND_INPROGRESS_CONV, SAME, AnswerIncomingCallConv),
    PIN(ST_CONV_WAIT_INPROGRESS_REPLY, EV_SKYPE_INPROGRESS, ST_CONV_RECORDING, StartConvRec),
    PIN(ST_CONV_WAIT_INPROGRESS_REPLY, EV_SKYPE_FINISHED, ST_CALL_DONE, CleanUp),
    PIN(ST_CONV_WAIT_INPROGRESS_REPLY, EV_SKYPE_TERMINATED, ST_CALL_DONE, CleanUp),

    PIN(ST_CONV_RECORDING, EV_USER_CONV_REC_STOP, ST_CALL_INPROGRESS, StopConvRecWithNotify),
    PIN(ST_CONV_RECORDING, EV_CONV_REC_INSERT_BEEP, SAME, InsertBeepToConvRec),
    PIN(ST_CONV_RECORDING, EV_CONV_REC_START_NOTIFY_IM, SAME, SendMessageStartConvRec),
    PIN(ST_CONV_RECORDING, EV_SKYPE_HOLD, ST_CONV_RECORDING_ONHOLD, StopConvRec),
    PIN(ST_CONV_RECORDING, EV_SKYPE_FINISHED, ST_CALL_DONE, CleanUp),
    PIN(ST_CONV_RECORDING, EV_FAILURE, ST_CALL_INPROGRESS, SendFinish),

    PIN(ST_CONV_RECORDING_ONHOLD, EV_SKYPE_INPROGRESS, SAME, SkypeInprogressResumeRecordOrJoinConf),
    PIN(ST_CONV_RECORDING_ONHOLD, EV_AUDIO_SET, ST_CONV_RECORDING, StartConvRec),
    PIN(ST_CONV_RECORDING_ONHOLD, EV_SKYPE_FINISHED, ST_CALL_DONE, CleanUp),

    PIN(ST_REJECT_CALL_WAITING, T, SAME, CheckSendMessageForRejectedCallWaiting),
    PIN(ST_REJECT_CALL_WAITING, EV_REJECT_CALL_WAIT_DONE, ST_CALL_DONE, CleanUp),

    PIN(ST_CALL_RINGING, EV_USER_FORCE_ANSWERING, SAME, CanWeForceAnswerMsgAndSendInprogressEv),
    PIN(ST_CALL_RINGING, EV_SEND_INPROGRESS_MSG, ST_MESSAGE_WAIT_INPROGRESS_REPLY, AnswerIncomingCallMessage),
    PIN(ST_CALL_RINGING, EV_USER_CONV_REC_START, SAME, CanWeAnswerConvAndSendInprogressEv),
    PIN(ST_CALL_RINGING, EV_SEND_INPROGRESS_CONV, ST_CONV_WAIT_INPROGRESS_REPLY, AnswerIncomingCallConv),
    PIN(ST_CALL_RINGING, EV_SKYPE_INPROGRESS, ST_CALL_INPROGRESS, DoNothing),
    PIN(ST_CALL_RINGING, EV_SKYPE_FINISHED, ST_CALL_DONE, CleanUp),
    PIN(ST_CALL_RINGING, EV_SKYPE_TERMINATED, ST_CALL_DONE, CleanUp),

    PIN(ST_CALL_INPROGRESS, EV_USER_CONV_REC_START, ST_CONV_RECORDING, StartConvRec),
    PIN(ST_CALL_INPROGRESS, EV_START_REC_CONV, ST_CONV_RECORDING, StartConvRec),
    PIN(ST_CALL_INPROGRESS, EV_SKYPE_HOLD, ST_CALL_ONHOLD, DoNothing),
    PIN(ST_CALL_INPROGRESS, EV_SKYPE_FINISHED, ST_CALL_DONE, CleanUp),

    PIN(ST_CALL_ONHOLD, EV_SKYPE_INPROGRESS, ST_CALL_INPROGRESS, SkypeInprogressCanWeAutoConvRec),
    PIN(ST_CALL_ONHOLD, EV_SKYPE_FINISHED, ST_CALL_DONE, CleanUp),

    PIN(ST_CALL_DONE, ENTRY, SAME, CallDoneNotifyEvents),
    PIN(ST_CALL_DONE, EV_SKYPE_FINISHED, SAME, CleanUp),
    PIN(ST_CALL_DONE, EV_SKYPE_TERMINATED, SAME, CleanUp),
};

// The rows the program adds, each with its reason. A failure status (FAILED, MISSED, REFUSED,
// BUSY, CANCELLED: EV_SKYPE_TERMINATED) ends these states as FINISHED does; without them the call
// stayed in its state, since the client sends no FINISHED after a failure status.
const PinnedRow kAddedRows[] = {
    // The message's audio job ran on, its file never got its name, and while the call counted as
    // recording no later call was answered.
    PIN(ST_MESSAGE_RECORDING, EV_SKYPE_TERMINATED, ST_CALL_DONE, StopRecMessage),
    // The conversation's recording ran on, its side file was never written, and while the call
    // counted as recording no later call was answered.
    PIN(ST_CONV_RECORDING, EV_SKYPE_TERMINATED, ST_CALL_DONE, CleanUp),
    // A held call's conversation never ended: no side file, no length in the list.
    PIN(ST_CONV_RECORDING_ONHOLD, EV_SKYPE_TERMINATED, ST_CALL_DONE, CleanUp),
    // A call whose recording the user stopped keeps its conversation, which never ended.
    PIN(ST_CALL_INPROGRESS, EV_SKYPE_TERMINATED, ST_CALL_DONE, CleanUp),
    // The same for such a call on hold.
    PIN(ST_CALL_ONHOLD, EV_SKYPE_TERMINATED, ST_CALL_DONE, CleanUp),
    // An answer the client never confirms (lost after the link's three sends) left the call waiting
    // here for ever, counted as recording: no later call was answered. Past a bound it is sent
    // once more, then the call is left to ring.
    PIN(ST_MESSAGE_WAIT_INPROGRESS_REPLY, T, SAME, AnswerNotConfirmed),
    PIN(ST_MESSAGE_WAIT_INPROGRESS_REPLY, EV_ANSWER_NOT_ALLOWED, ST_CALL_RINGING, DoNothing),
};
#undef PIN

const std::span<const PinnedRow> kPinnedRows[] = {kDesignedRows, kAddedRows};

std::string FunctionName(FSMDoFunc function) {
  if (function == nullptr) return "none";
  if (function == &CallFSMDoFuncDefaultFunc) return "DefaultFunc";
  for (const std::span<const PinnedRow> rows : kPinnedRows) {
    for (const PinnedRow& row : rows) {
      if (row.function == function) return row.name;
    }
  }
  return "a function no pinned row names";
}

std::string StateName(int32_t state) { return qav::U8(GetCallStateName(state)) + "(" + std::to_string(state) + ")"; }

TEST(CallFsmTable, EveryCellIsTheDesignedRowOrAnAddedOneAndEveryOtherOnlyLogs) {
  qav::test::LogCapture log;
  const auto rows = GetCallFSMTransitions();
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows.back().state, kFsmEndState);
  EXPECT_EQ(rows.back().event, kFsmEndEvent);
  FSMTable table;
  ASSERT_EQ(CFSM::BuildFullTable(CALL_FSM_STATE_COUNT, CALL_FSM_EVENT_COUNT, kCallFsmStateNames, kCallFsmEventNames,
                                 &CallFSMDoFuncDefaultFunc, rows, &table),
            1);
  for (const auto& line : log.Lines()) EXPECT_FALSE(line.message.starts_with(u"ERROR on line")) << qav::U8(line.message);
  ASSERT_EQ(table.stateCount, CALL_FSM_STATE_COUNT);
  ASSERT_EQ(table.columnCount, 27);

  // What the pinned rows compile to: every event and time-out cell not named keeps its state and
  // only logs; entry and exit cells run nothing.
  std::vector<FSMCell> expected(static_cast<size_t>(table.stateCount * table.columnCount));
  const auto at = [&](int32_t state, int32_t column) -> FSMCell& {
    return expected[static_cast<size_t>(state * table.columnCount + column)];
  };
  for (int32_t state = 0; state < table.stateCount; ++state) {
    for (int32_t column = 0; column <= table.TimeoutColumn(); ++column) at(state, column) = {state, &CallFSMDoFuncDefaultFunc};
  }
  for (const std::span<const PinnedRow> pinned : kPinnedRows) {
    for (const PinnedRow& row : pinned) {
      const int32_t column = row.event == T       ? table.TimeoutColumn()
                             : row.event == ENTRY ? table.EntryColumn()
                                                  : row.event;
      at(row.state, column) = {row.next == SAME ? row.state : row.next, row.function};
    }
  }

  for (int32_t state = 0; state < table.stateCount; ++state) {
    for (int32_t column = 0; column < table.columnCount; ++column) {
      const FSMCell& want = at(state, column);
      const FSMCell& got = table.Cell(state, column);
      const std::string event = column == table.EntryColumn()  ? "entry"
                                : column == table.ExitColumn() ? "exit"
                                                               : qav::U8(table.EventName(column));
      EXPECT_TRUE(got.nextState == want.nextState && got.function == want.function)
          << StateName(state) << " + " << event << ": the program's table goes to " << StateName(got.nextState)
          << " with " << FunctionName(got.function) << ", pinned: " << StateName(want.nextState) << " with "
          << FunctionName(want.function);
    }
  }

  // State 9 is never entered: every row of every state leads elsewhere.
  for (int32_t state = 0; state < CALL_FSM_STATE_COUNT; ++state) {
    for (int32_t column = 0; column <= table.TimeoutColumn(); ++column) {
      if (state == 9) continue;
      EXPECT_NE(table.Cell(state, column).nextState, 9) << state << "/" << column;
    }
  }
  EXPECT_EQ(qav::U8(GetCallStateName(ST_CALL_DONE)), "ST_CALL_DONE");
  EXPECT_EQ(std::u16string(GetCallStateName(9)), u"");
  EXPECT_EQ(std::u16string(GetCallStateName(15)), u"");
  EXPECT_EQ(std::u16string(table.EventName(table.TimeoutColumn())), u"FSM_EV_TIMEOUT");
}

// One step of a call's life, as the dispatcher or the user would bring it.
struct Step {
  enum Kind { kStatus, kType, kPartner, kAdvanceMs, kForceAnswer, kTakeControl, kRecord, kGreetingTake } kind;
  int64_t value = 0;
};

Step Status(int32_t status) { return {Step::kStatus, status}; }
Step Type(int32_t type) { return {Step::kType, type}; }
Step Partner() { return {Step::kPartner}; }
Step Advance(int64_t ms) { return {Step::kAdvanceMs, ms}; }
Step Force() { return {Step::kForceAnswer}; }
Step RecordStart() { return {Step::kRecord, 1}; }
// The user starts or ends recording a greeting from the microphone.
Step GreetingTake(bool recording) { return {Step::kGreetingTake, recording}; }

struct Scenario {
  const char* name;
  int32_t ownStatus;
  std::function<void()> options;
  std::vector<Step> steps;
  std::vector<std::u16string> commands;
  int32_t finalState;
};

const std::u16string kType7 = u"GET CALL 7 TYPE";
const std::u16string kPartner7 = u"GET CALL 7 PARTNER_HANDLE";
const std::u16string kStatus7 = u"GET CALL 7 STATUS";
const std::u16string kAnswer7 = u"ALTER CALL 7 ANSWER";
const std::vector<Step> kRingsIn = {Status(SkypeCallStatus::RINGING), Type(SkypeCallType::INCOMING_P2P), Partner()};
const std::vector<std::u16string> kAsked = {kType7, kPartner7, kStatus7};
// A voice message's sound: to the audio thread's ports, then back to the sound card.
const std::vector<std::u16string> kRoutedToPorts7 = {u"ALTER CALL 7 SET_OUTPUT PORT=\"40001\"",
                                                     u"ALTER CALL 7 SET_INPUT PORT=\"40002\""};
const std::vector<std::u16string> kBackToSoundCard7 = {u"ALTER CALL 7 SET_OUTPUT SOUNDCARD=\"default\"",
                                                       u"ALTER CALL 7 SET_INPUT SOUNDCARD=\"default\""};
const auto kNoTextGreeting = [] { g_GreetingTextMsgAllowed = 0; };

std::vector<Step> Then(std::vector<Step> first, const std::vector<Step>& more) {
  first.insert(first.end(), more.begin(), more.end());
  return first;
}

std::vector<std::u16string> Plus(std::vector<std::u16string> first, const std::vector<std::u16string>& more) {
  first.insert(first.end(), more.begin(), more.end());
  return first;
}

class CallFsmRoadTest : public CallModelFixture {
 protected:
  void Run(CCall& call, const Step& step) {
    switch (step.kind) {
      case Step::kStatus: call.set(CCall::Status{static_cast<int32_t>(step.value)}); break;
      case Step::kType: call.set(CCall::Type{static_cast<int32_t>(step.value)}); break;
      case Step::kPartner: call.set(g_UserCollection.FindOrCreate(u"caller1")); break;
      case Step::kAdvanceMs: virtualLoop.AdvanceMs(step.value); break;
      case Step::kForceAnswer: call.UserForceAnswering(); break;
      case Step::kTakeControl: call.UserTakeControl(); break;
      case Step::kRecord: call.UserRecordConversation(step.value != 0); break;
      case Step::kGreetingTake: audio.recordingGreeting = step.value != 0; break;
    }
    virtualLoop.RunUntilIdle();
  }
};

TEST_F(CallFsmRoadTest, CallsRunThroughTheTable) {
  const auto noOptions = [] {};
  const Scenario scenarios[] = {
      {"answered after the online delay", SkypeOnlineStatus::ONLINE, kNoTextGreeting,
       Then(kRingsIn, {Advance(15010), Status(SkypeCallStatus::INPROGRESS), Status(SkypeCallStatus::FINISHED)}),
       Plus(Plus(Plus(kAsked, {kAnswer7}), kRoutedToPorts7), kBackToSoundCard7), ST_CALL_DONE},
      {"not a millisecond before it", SkypeOnlineStatus::ONLINE, noOptions, Then(kRingsIn, {Advance(15009)}), kAsked,
       ST_WAIT_ANSWERING_TIMER_EXPIRE},
      {"answered after the away delay", SkypeOnlineStatus::AWAY, noOptions, Then(kRingsIn, {Advance(2010)}),
       Plus(kAsked, {kAnswer7}), ST_MESSAGE_WAIT_INPROGRESS_REPLY},
      {"a delay of 0 s answers after 10 ms", SkypeOnlineStatus::ONLINE, [] { g_SecB4AnsweringOnline = 0; },
       Then(kRingsIn, {Advance(10)}), Plus(kAsked, {kAnswer7}), ST_MESSAGE_WAIT_INPROGRESS_REPLY},
      {"offline: no answer timer", SkypeOnlineStatus::OFFLINE, noOptions, Then(kRingsIn, {Advance(600000)}), kAsked,
       ST_WAIT_ANSWERING_TIMER_EXPIRE},
      {"answering off", SkypeOnlineStatus::ONLINE, [] { g_AnswerAllowed = 0; }, Then(kRingsIn, {Advance(60000)}),
       kAsked, ST_WAIT_ANSWERING_TIMER_EXPIRE},
      {"caller not known yet: decided 150 ms later", SkypeOnlineStatus::ONLINE, noOptions,
       {Status(SkypeCallStatus::RINGING), Type(SkypeCallType::INCOMING_PSTN), Advance(15010), Partner(), Advance(149)},
       kAsked, ST_WAIT_ANSWERING_TIMER_EXPIRE},
      {"caller known at the retry", SkypeOnlineStatus::ONLINE, noOptions,
       {Status(SkypeCallStatus::RINGING), Type(SkypeCallType::INCOMING_PSTN), Advance(15010), Partner(), Advance(150)},
       Plus(kAsked, {kAnswer7}), ST_MESSAGE_WAIT_INPROGRESS_REPLY},
      {"the user picks up first", SkypeOnlineStatus::ONLINE, noOptions,
       Then(kRingsIn, {Advance(5000), Status(SkypeCallStatus::INPROGRESS), Advance(60000)}), kAsked,
       ST_CALL_INPROGRESS},
      {"forced answering ignores the answering options", SkypeOnlineStatus::ONLINE, [] { g_AnswerAllowed = 0; },
       Then(kRingsIn, {Advance(20000), Force()}), Plus(kAsked, {kAnswer7}), ST_MESSAGE_WAIT_INPROGRESS_REPLY},
      {"forced answering waits 200 ms for the caller", SkypeOnlineStatus::OFFLINE, noOptions,
       {Status(SkypeCallStatus::RINGING), Type(SkypeCallType::INCOMING_P2P), Force(), Partner(), Advance(200)},
       Plus(kAsked, {kAnswer7}), ST_MESSAGE_WAIT_INPROGRESS_REPLY},
      {"forced answering keeps the folder limit", SkypeOnlineStatus::ONLINE,
       [] { g_IsRcvdMsgsFolderLimited = 1; g_RcvdMsgsFolderSize = 0; },
       Then(kRingsIn, {Advance(20000), Force()}), kAsked, ST_WAIT_ANSWERING_TIMER_EXPIRE},
      {"outgoing call", SkypeOnlineStatus::ONLINE, noOptions,
       {Status(SkypeCallStatus::ROUTING), Type(SkypeCallType::OUTGOING_P2P), Status(SkypeCallStatus::INPROGRESS),
        Status(SkypeCallStatus::FINISHED)},
       {kPartner7, kType7, kStatus7}, ST_CALL_DONE},
      {"missed while ringing", SkypeOnlineStatus::ONLINE, noOptions,
       Then(kRingsIn, {Status(SkypeCallStatus::MISSED), Advance(60000)}), kAsked, ST_CALL_DONE},
      {"a failure status in progress ends the call", SkypeOnlineStatus::ONLINE, noOptions,
       Then(kRingsIn, {Status(SkypeCallStatus::INPROGRESS), Status(SkypeCallStatus::REFUSED)}), kAsked,
       ST_CALL_DONE},
      {"hold and resume", SkypeOnlineStatus::ONLINE, noOptions,
       Then(kRingsIn, {Status(SkypeCallStatus::INPROGRESS), Status(SkypeCallStatus::LOCALHOLD)}), kAsked,
       ST_CALL_ONHOLD},
      {"hold during the message ends it", SkypeOnlineStatus::ONLINE, kNoTextGreeting,
       Then(kRingsIn, {Advance(15010), Status(SkypeCallStatus::INPROGRESS), Status(SkypeCallStatus::REMOTEHOLD)}),
       Plus(Plus(Plus(kAsked, {kAnswer7}), kRoutedToPorts7), kBackToSoundCard7), ST_CALL_DONE},
      {"the user records a ringing call", SkypeOnlineStatus::ONLINE, noOptions, Then(kRingsIn, {RecordStart()}),
       Plus(kAsked, {kAnswer7}), ST_CONV_WAIT_INPROGRESS_REPLY},
      // A greeting being recorded: the call rings on for the user, looked at again each second.
      {"a greeting take holds the timer's answer", SkypeOnlineStatus::ONLINE, [] { g_SecB4AnsweringOnline = 0; },
       Then(kRingsIn, {GreetingTake(true), Advance(5010), GreetingTake(false), Advance(999)}), kAsked,
       ST_WAIT_ANSWERING_TIMER_EXPIRE},
      {"answered at the next look once the take ends", SkypeOnlineStatus::ONLINE, [] { g_SecB4AnsweringOnline = 0; },
       Then(kRingsIn, {GreetingTake(true), Advance(5010), GreetingTake(false), Advance(1000)}),
       Plus(kAsked, {kAnswer7}), ST_MESSAGE_WAIT_INPROGRESS_REPLY},
      {"a greeting take holds the forced answer", SkypeOnlineStatus::OFFLINE, noOptions,
       Then(kRingsIn, {GreetingTake(true), Force(), Advance(3000)}), kAsked, ST_WAIT_ANSWERING_TIMER_EXPIRE},
      {"forced answering goes through once the take ends", SkypeOnlineStatus::OFFLINE, noOptions,
       Then(kRingsIn, {GreetingTake(true), Force(), Advance(3000), GreetingTake(false), Advance(1000)}),
       Plus(kAsked, {kAnswer7}), ST_MESSAGE_WAIT_INPROGRESS_REPLY},
  };
  for (const Scenario& s : scenarios) {
    SCOPED_TRACE(s.name);
    ClearModel();
    SetDefaultOptions();
    recordings.folderSizeBytes = 0;
    SignIn(u"me", s.ownStatus);
    s.options();
    g_UserCollection.FindOrCreate(u"caller1");  // known already: only the call's commands count
    transport.Clear();
    audio.recordingGreeting = false;
    CCall* call = AddCall(7);
    for (const Step& step : s.steps) Run(*call, step);
    EXPECT_EQ(transport.TakeSent(), s.commands);
    EXPECT_EQ(call->GetState(), s.finalState) << qav::U8(GetCallStateName(call->GetState()));
    g_CallCollection.DeleteAll();
    EXPECT_EQ(engine().GetPendingCount(), 0u);
  }
}

TEST_F(CallFsmRoadTest, OfflineLogsTheRefusedAnswerTimer) {
  SignIn(u"me", SkypeOnlineStatus::OFFLINE);
  CCall* call = AddCall(7);
  for (const Step& step : kRingsIn) Run(*call, step);
  EXPECT_TRUE(log.Has(LOG_WARNING, u"[CallId: 7] Error for Answer Timer (-990)"));
  EXPECT_EQ(engine().GetPendingCount(), 0u);
}

TEST_F(CallFsmRoadTest, ASecondFinishedCleansUpAgainWithoutEnteringDoneAgain) {
  SignIn(u"me");
  CCall* call = AddCall(7);
  for (const Step& step : Then(kRingsIn, {Status(SkypeCallStatus::FINISHED), Status(SkypeCallStatus::FINISHED)})) {
    Run(*call, step);
  }
  int entries = 0;
  int cleanUps = 0;
  for (const auto& line : log.Lines()) {
    entries += line.message == u"FSM Call[    7] - CallFSMDoFuncCallDoneNotifyEvents";
    cleanUps += line.message == u"FSM Call[    7] - CallFSMDoFuncCleanUp";
  }
  EXPECT_EQ(entries, 1);
  EXPECT_EQ(cleanUps, 2);
  EXPECT_EQ(call->GetState(), ST_CALL_DONE);
}

TEST_F(CallFsmRoadTest, AWaitingCallIsLeftRingingWhileTheUserTalks) {
  SignIn(u"me");
  CCall* talking = AddCall(3);
  for (const Step& step : Then(kRingsIn, {Status(SkypeCallStatus::INPROGRESS)})) Run(*talking, step);
  transport.Clear();  // also the questions about the caller
  CCall* waiting = AddCall(7);
  for (const Step& step : Then(kRingsIn, {Advance(60000)})) Run(*waiting, step);
  EXPECT_EQ(waiting->GetState(), ST_NEW_IN_CALL);
  EXPECT_EQ(transport.Sent(), (std::vector<std::u16string>{kType7}));
  EXPECT_EQ(engine().GetPendingCount(), 0u);
}

}  // namespace
