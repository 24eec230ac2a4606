#include "calls/call.h"

#include <gtest/gtest.h>

#include "calls/call_collection.h"
#include "calls/call_fsm_states.h"
#include "tests/support/call_model_fixture.h"

namespace {

using qav::test::CallModelFixture;
using qav::test::RecordingMainWindow;

TEST(CallStatusEvents, EachStatusSendsItsEvent) {
  const int32_t expected[] = {
      -1,                   // UNPLACED
      EV_SKYPE_ROUTING,     // ROUTING
      -1,                   // EARLYMEDIA
      EV_SKYPE_TERMINATED,  // FAILED
      EV_SKYPE_RINGING,     // RINGING
      EV_SKYPE_INPROGRESS,  // INPROGRESS
      EV_SKYPE_HOLD,        // ONHOLD
      EV_SKYPE_HOLD,        // LOCALHOLD
      EV_SKYPE_HOLD,        // REMOTEHOLD
      EV_SKYPE_FINISHED,    // FINISHED
      EV_SKYPE_TERMINATED,  // MISSED
      EV_SKYPE_TERMINATED,  // REFUSED
      EV_SKYPE_TERMINATED,  // BUSY
      EV_SKYPE_TERMINATED,  // CANCELLED
  };
  for (int32_t status = 0; status < SkypeCallStatus::NONE; ++status) {
    EXPECT_EQ(CallStatusToEvent(status), expected[status]) << status;
  }
  EXPECT_EQ(CallStatusToEvent(SkypeCallStatus::NONE), -1);
  EXPECT_EQ(CallStatusToEvent(-1), -1);
}

class CallTest : public CallModelFixture {};

TEST_F(CallTest, TheTypeSendsInOrOutOnlyForKnownTypes) {
  struct Case {
    int32_t type;
    int32_t state;
  };
  const Case cases[] = {
      {SkypeCallType::INCOMING_PSTN, ST_NEW_IN_CALL}, {SkypeCallType::OUTGOING_PSTN, ST_NEW_OUT_CALL},
      {SkypeCallType::INCOMING_P2P, ST_NEW_IN_CALL},  {SkypeCallType::OUTGOING_P2P, ST_NEW_OUT_CALL},
      {-1, ST_NEW_CALL},                              {SkypeCallType::NONE, ST_NEW_CALL},
  };
  SignIn(u"me");
  int32_t id = 1;
  for (const Case& c : cases) {
    CCall* call = AddCall(id++);
    call->set(CCall::Type{c.type});
    EXPECT_EQ(call->GetType(), c.type);
    EXPECT_EQ(call->GetState(), c.state) << c.type;
  }
}

TEST_F(CallTest, InfoIsCompleteOnlyOnceAStatusHasBeenSetEvenUnplaced) {
  CCall* call = AddCall(5);
  call->set(g_UserCollection.FindOrCreate(u"caller1"));
  call->set(CCall::Type{SkypeCallType::OUTGOING_P2P});
  EXPECT_FALSE(call->IsCallInfoComplete());
  call->set(CCall::Status{SkypeCallStatus::UNPLACED});
  EXPECT_TRUE(call->IsCallInfoComplete());
}

TEST_F(CallTest, EarlyMediaSendsNothingButCountsAsRinging) {
  CCall* call = AddCall(5);
  call->set(CCall::Type{SkypeCallType::INCOMING_P2P});
  const int32_t state = call->GetState();
  log.Clear();
  call->set(CCall::Status{SkypeCallStatus::EARLYMEDIA});
  EXPECT_EQ(call->GetState(), state);
  EXPECT_EQ(call->GetStatus(), SkypeCallStatus::EARLYMEDIA);
  EXPECT_EQ(g_CallCollection.GetCallRinging(), call);
  for (const auto& line : log.Lines()) EXPECT_FALSE(line.message.starts_with(u"FSM: ")) << qav::U8(line.message);
}

TEST_F(CallTest, AnswerDelayFollowsTheOwnStatus) {
  g_SecB4AnsweringOnline = 15;
  g_SecB4AnsweringAway = 2;
  const int32_t expected[] = {-1, -1, 15, 15, 2, 2, 2, 2, -1, -1};  // UNKNOWN .. LOGGEDOUT
  for (int32_t status = 0; status < SkypeOnlineStatus::NONE; ++status) {
    EXPECT_EQ(GetAnswerDelaySeconds(status), expected[status]) << status;
  }
  EXPECT_EQ(GetAnswerDelaySeconds(SkypeOnlineStatus::NONE), -1);
}

TEST_F(CallTest, AnswerAllowedMatrix) {
  struct Case {
    const char* name;
    int32_t answerAllowed;
    int32_t useNonAuth;
    int32_t disableNonAuth;
    int32_t partnerBuddy;  // -1 no partner, 0 not a buddy, 1 buddy
    int32_t ownStatus;
    int32_t onlineValue;
    int32_t awayValue;
    int32_t expected;
  };
  const Case cases[] = {
      {"answering off", 0, 0, 0, 1, SkypeOnlineStatus::ONLINE, 1, 1, 0},
      {"online", 1, 0, 0, 1, SkypeOnlineStatus::ONLINE, 3, 1, 3},
      {"skypeme", 1, 0, 0, 1, SkypeOnlineStatus::SKYPEME, 1, 0, 1},
      {"online option off", 1, 0, 0, 1, SkypeOnlineStatus::ONLINE, 0, 1, 0},
      {"away", 1, 0, 0, 1, SkypeOnlineStatus::AWAY, 0, 2, 2},
      {"do not disturb", 1, 0, 0, 1, SkypeOnlineStatus::DND, 0, 1, 1},
      {"invisible, away option off", 1, 0, 0, 1, SkypeOnlineStatus::INVISIBLE, 1, 0, 0},
      {"offline", 1, 0, 0, 1, SkypeOnlineStatus::OFFLINE, 1, 1, 0},
      {"unknown", 1, 0, 0, 1, SkypeOnlineStatus::UNKNOWN, 1, 1, 0},
      {"skypeout", 1, 0, 0, 1, SkypeOnlineStatus::SKYPEOUT, 1, 1, 0},
      {"logged out", 1, 0, 0, 1, SkypeOnlineStatus::LOGGEDOUT, 1, 1, 0},
      {"no partner, non-auth rules off", 1, 0, 1, -1, SkypeOnlineStatus::ONLINE, 1, 1, 1},
      {"no partner, non-auth rules on", 1, 1, 0, -1, SkypeOnlineStatus::ONLINE, 1, 1, 0},
      {"stranger refused", 1, 1, 1, 0, SkypeOnlineStatus::ONLINE, 1, 1, 0},
      {"stranger allowed", 1, 1, 0, 0, SkypeOnlineStatus::ONLINE, 1, 1, 1},
      {"buddy with non-auth rules", 1, 1, 1, 1, SkypeOnlineStatus::AWAY, 1, 1, 1},
      {"stranger, rules off", 1, 0, 1, 0, SkypeOnlineStatus::ONLINE, 1, 1, 1},
  };
  int32_t id = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearModel();
    SignIn(u"me", c.ownStatus);
    g_AnswerAllowed = c.answerAllowed;
    g_UseNonAuthorizedCallerSettings = c.useNonAuth;
    g_DisableAnswerOfNonAuthCaller = c.disableNonAuth;
    g_AnswerAllowedOnline = c.onlineValue;
    g_AnswerAllowedAway = c.awayValue;
    CCall* call = AddCall(id++);
    if (c.partnerBuddy >= 0) {
      CUser* partner = g_UserCollection.FindOrCreate(u"caller1");
      partner->SetBuddyStatus(c.partnerBuddy ? 2 : 1);
      call->set(partner);
    }
    EXPECT_EQ(call->AnswerAllowed(), c.expected);
  }
}

TEST_F(CallTest, TheFolderLimitIsMegabytesInSixtyFourBits) {
  struct Case {
    const char* name;
    int32_t limited;
    int32_t limitMb;
    int64_t sizeBytes;
    int32_t type;
    bool possible;
  };
  const int64_t kMb = int64_t{1} << 20;
  const Case cases[] = {
      {"not limited", 0, 0, 5000 * kMb, SkypeCallType::INCOMING_P2P, true},
      {"limit 0 refuses even an empty folder", 1, 0, 0, SkypeCallType::INCOMING_P2P, false},
      {"below the limit", 1, 50, 50 * kMb - 1, SkypeCallType::INCOMING_PSTN, true},
      {"at the limit", 1, 50, 50 * kMb, SkypeCallType::INCOMING_P2P, false},
      {"4096 MB does not wrap to 0", 1, 4096, 3000 * kMb, SkypeCallType::INCOMING_P2P, true},
      {"over 4096 MB", 1, 4096, 5000 * kMb, SkypeCallType::INCOMING_P2P, false},
      {"outgoing", 0, 0, 0, SkypeCallType::OUTGOING_P2P, false},
      {"type unknown", 0, 0, 0, -1, false},
  };
  int32_t id = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mainWindow.Clear();
    g_IsRcvdMsgsFolderLimited = c.limited;
    g_RcvdMsgsFolderSize = c.limitMb;
    recordings.folderSizeBytes = c.sizeBytes;
    CCall* call = AddCall(id++);
    call->set(CCall::Type{c.type});
    EXPECT_EQ(call->IsAnsweringPossible(), c.possible);
    const bool overLimit = c.limited && static_cast<uint64_t>(c.sizeBytes) >= (static_cast<uint64_t>(c.limitMb) << 20);
    EXPECT_EQ(mainWindow.Posts().size(), overLimit ? 1u : 0u);
    if (overLimit) {
      EXPECT_EQ(mainWindow.Posts()[0], (RecordingMainWindow::Posted{UM_BALLOONTIP, 2157, 10}));
    }
  }
}

TEST_F(CallTest, DeletingACallDropsItsHeldAndQueuedEvents) {
  CCall* call = AddCall(9);
  engine().PostEvent(std::make_unique<CFSMEv>(call->GetMachine(), CFSMEv::kTimeout, 500));
  engine().PostEvent(std::make_unique<CFSMEv>(call->GetMachine(), EV_SKYPE_RINGING, 100));
  engine().PostEvent(std::make_unique<CFSMEv>(call->GetMachine(), EV_SKYPE_RINGING, 0));
  EXPECT_EQ(engine().GetPendingCount(), 2u);
  g_CallCollection.Del(9);
  EXPECT_EQ(g_CallCollection.Get(9), nullptr);
  EXPECT_EQ(engine().GetPendingCount(), 0u);
  log.Clear();
  virtualLoop.AdvanceMs(1000);
  for (const auto& line : log.Lines()) EXPECT_FALSE(line.message.starts_with(u"FSM: Obj")) << qav::U8(line.message);
  EXPECT_TRUE(transport.Sent().empty());
}

TEST_F(CallTest, RebuiltCallsHaveNoMachineAndDropTheirEvents) {
  CUser* partner = g_UserCollection.FindOrCreate(u"caller1");
  auto rebuilt = std::make_unique<CCall>();
  rebuilt->InitMessage(-3001, partner, 1700000000);
  rebuilt->set(CCall::Status{SkypeCallStatus::RINGING});
  EXPECT_EQ(rebuilt->GetMachine(), nullptr);
  EXPECT_FALSE(rebuilt->IsMessageState());
  EXPECT_FALSE(rebuilt->IsConversationState());
  EXPECT_EQ(rebuilt->GetStartTime(), 1700000000);
  EXPECT_EQ(rebuilt->GetPartner(), partner);
}

TEST_F(CallTest, CollectionQueriesPickTheLowestMatchingId) {
  CCall* outgoing = AddCall(3);
  outgoing->set(CCall::Type{SkypeCallType::OUTGOING_P2P});
  outgoing->set(CCall::Status{SkypeCallStatus::RINGING});
  CCall* second = AddCall(8);
  second->set(CCall::Type{SkypeCallType::INCOMING_P2P});
  second->set(CCall::Status{SkypeCallStatus::RINGING});
  CCall* first = AddCall(4);
  first->set(CCall::Type{SkypeCallType::INCOMING_PSTN});
  first->set(CCall::Status{SkypeCallStatus::RINGING});
  EXPECT_EQ(g_CallCollection.GetCallRinging(), first);
  EXPECT_EQ(g_CallCollection.GetCallInprogress(), nullptr);
  EXPECT_EQ(g_CallCollection.GetCallRecording(), nullptr);

  second->set(CCall::Status{SkypeCallStatus::INPROGRESS});
  outgoing->set(CCall::Status{SkypeCallStatus::INPROGRESS});
  EXPECT_EQ(g_CallCollection.GetCallInprogress(), outgoing);
  std::vector<CCall*> calls;
  EXPECT_EQ(g_CallCollection.GetCallsInprogress(calls), 1);
  EXPECT_EQ(calls, (std::vector<CCall*>{outgoing, second}));
  EXPECT_EQ(g_CallCollection.GetCallsInprogress(calls), 0);  // a list that is not empty is refused
  EXPECT_EQ(calls.size(), 2u);
}

TEST_F(CallTest, ADisplacedCallStaysAliveAndPartnersCanBeMoved) {
  CUser* oldPartner = g_UserCollection.FindOrCreate(u"caller1");
  CCall* first = AddCall(-2001);
  first->InitConversation(-2001, 0, oldPartner);
  auto second = std::make_unique<CCall>();
  second->InitConversation(-2001, 0, oldPartner);
  CCall* replacing = second.get();
  g_CallCollection.Add(std::move(second));
  EXPECT_EQ(g_CallCollection.Get(-2001), replacing);

  CUser newPartner;
  newPartner.init(u"caller1");
  g_CallCollection.ReplacePartner(oldPartner, &newPartner);
  EXPECT_EQ(first->GetPartner(), &newPartner);  // still alive, still reached
  EXPECT_EQ(replacing->GetPartner(), &newPartner);
  g_CallCollection.DeleteAll();
  EXPECT_TRUE(g_CallCollection.IsEmpty());
}

TEST_F(CallTest, TheCallWaitingMarkerCountsAsARecording) {
  CCall* call = AddCall(2);
  EXPECT_FALSE(call->HoldsRecording());
  call->SetCallWaitingMarker(true);
  EXPECT_TRUE(call->HoldsRecording());
  call->SetCallWaitingMarker(false);
  EXPECT_FALSE(call->HoldsRecording());
}

}  // namespace
