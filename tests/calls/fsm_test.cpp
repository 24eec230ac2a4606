#include "calls/fsm.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/virtual_loop.h"
#include "platform/window.h"
#include "tests/support/log_capture.h"

namespace {

using qav::test::LogCapture;

// A small machine: states A, B, C; events GO (A->B), STAY (same state), PING (nothing listed in
// A), TICK; the timeout column. Every function records what ran and in which state.
enum : int32_t { A = 0, B = 1, C = 2, kStates = 3 };
enum : int32_t { GO = 0, STAY = 1, PING = 2, TICK = 3, kEvents = 4 };
const char16_t* const kStateNames[] = {u"A", u"B", u"C"};
const char16_t* const kEventNames[] = {u"GO", u"STAY", u"PING", u"TICK", u"TIMEOUT"};

std::vector<std::string> g_trace;

std::string StateOf(const CFSMEv& event) { return std::to_string(event.GetTarget()->GetState()); }
void Default(CFSMEv& event) { g_trace.push_back("default ev" + std::to_string(event.GetEvent()) + " in " + StateOf(event)); }
void Action(CFSMEv& event) { g_trace.push_back("action in " + StateOf(event)); }
void ExitA(CFSMEv& event) { g_trace.push_back("exit A in " + StateOf(event)); }
void EnterB(CFSMEv& event) { g_trace.push_back("enter B in " + StateOf(event)); }
void OnTimeout(CFSMEv& event) { g_trace.push_back("timeout in " + StateOf(event)); }
void OnTick(CFSMEv& event) { g_trace.push_back("tick in " + StateOf(event)); }

const FSMTransition kRows[] = {
    {A, GO, B, &Action},
    {A, STAY, kFsmSameState, &Action},
    {A, kFsmExitColumn, kFsmSameState, &ExitA},
    {B, kFsmEntryColumn, kFsmSameState, &EnterB},
    {A, kFsmTimeoutColumn, kFsmSameState, &OnTimeout},
    {B, kFsmTimeoutColumn, kFsmSameState, &OnTimeout},
    {A, TICK, kFsmSameState, &OnTick},
    {B, TICK, kFsmSameState, &OnTick},
    {B, GO, C, nullptr},  // a null function keeps the default one
    kFsmEndRow,
    {C, GO, A, &Action},  // after the end row: never read
};

class FsmTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_trace.clear();
    ASSERT_EQ(CFSM::BuildFullTable(kStates, kEvents, kStateNames, kEventNames, &Default, kRows, &table), 1);
    engine = std::make_unique<CFSM>(v.loop());
    g_pFSM = engine.get();
    object.Init(nullptr, u"Obj1", A, &table);
  }
  void TearDown() override { g_pFSM = nullptr; }

  void Send(int32_t event) { engine->SendEvent(std::make_unique<CFSMEv>(&object, event)); }
  void Post(int32_t event, int32_t delay) { engine->PostEvent(std::make_unique<CFSMEv>(&object, event, delay)); }

  LogCapture log;
  qav::VirtualLoop v;
  FSMTable table;
  std::unique_ptr<CFSM> engine;
  CFSMObject object;
};

TEST_F(FsmTest, ATransitionRunsExitThenActionThenTheNewStateThenEntry) {
  Send(GO);
  EXPECT_EQ(g_trace, (std::vector<std::string>{"exit A in 0", "action in 0", "enter B in 1"}));
  EXPECT_EQ(object.GetState(), B);
  EXPECT_TRUE(log.Has(LOG_INFO, u"FSM: Obj[          Obj1] Got Ev[ 0 - GO] in St[ 0 - A]"));
  EXPECT_TRUE(log.Has(LOG_INFO, u"FSM: Obj[          Obj1] Moving from St[ 0 - A] to new St[ 1 - B]"));
}

TEST_F(FsmTest, SameStateRowsAndUnlistedCellsRunOnlyTheirFunction) {
  Send(STAY);
  Send(PING);
  EXPECT_EQ(g_trace, (std::vector<std::string>{"action in 0", "default ev2 in 0"}));
  EXPECT_EQ(object.GetState(), A);
  Send(GO);
  g_trace.clear();
  Send(GO);  // B + GO has the default function and moves to C
  EXPECT_EQ(g_trace, (std::vector<std::string>{"default ev0 in 1"}));
  EXPECT_EQ(object.GetState(), C);
  Send(GO);  // the row after the end row was never read: C + GO stays in C
  EXPECT_EQ(object.GetState(), C);
}

TEST_F(FsmTest, BuildRefusesMissingPartsAndLogsBadRowsByIndex) {
  FSMTable refused;
  EXPECT_EQ(CFSM::BuildFullTable(0, kEvents, kStateNames, kEventNames, &Default, kRows, &refused), 0);
  EXPECT_EQ(CFSM::BuildFullTable(kStates, 0, kStateNames, kEventNames, &Default, kRows, &refused), 0);
  EXPECT_EQ(CFSM::BuildFullTable(kStates, kEvents, kStateNames, kEventNames, nullptr, kRows, &refused), 0);
  EXPECT_EQ(CFSM::BuildFullTable(kStates, kEvents, kStateNames, kEventNames, &Default, {}, &refused), 0);
  EXPECT_EQ(CFSM::BuildFullTable(kStates, kEvents, kStateNames, kEventNames, &Default, kRows, nullptr), 0);
  EXPECT_FALSE(refused.IsBuilt());
  EXPECT_TRUE(log.Has(LOG_WARNING, u"FSM ASSERT ERROR. [0]"));

  const FSMTransition bad[] = {
      {A, GO, B, &Action},
      {3, GO, A, nullptr},    // state outside the table
      {A, 7, A, nullptr},     // column outside (4 events + 3 columns)
      {A, STAY, 5, nullptr},  // next state outside
      {A, -9, A, nullptr},    // no special column
      kFsmEndRow,
  };
  FSMTable built;
  log.Clear();
  ASSERT_EQ(CFSM::BuildFullTable(kStates, kEvents, kStateNames, kEventNames, &Default, bad, &built), 1);
  EXPECT_TRUE(log.Has(LOG_WARNING, u"ERROR on line [  1]: St[ 3], Ev[ 0] (nextSt[ 0], doFunc[0])"));
  EXPECT_TRUE(log.Has(LOG_WARNING, u"ERROR on line [  2]: St[ 0], Ev[ 7] (nextSt[ 0], doFunc[0])"));
  EXPECT_TRUE(log.Has(LOG_WARNING, u"ERROR on line [  3]: St[ 0], Ev[ 1] (nextSt[ 5], doFunc[0])"));
  EXPECT_TRUE(log.Has(LOG_WARNING, u"ERROR on line [  4]: St[ 0], Ev[-9] (nextSt[ 0], doFunc[0])"));
  EXPECT_TRUE(log.Has(LOG_INFO, u"FSM full table processing allocated memory size of 180 bytes."));
  // The skipped rows left their cells at the default.
  EXPECT_EQ(built.Cell(A, STAY).nextState, A);
  EXPECT_EQ(built.Cell(A, STAY).function, &Default);
  EXPECT_EQ(built.Cell(A, GO).nextState, B);
  FreeFSMTable(&built);
  EXPECT_FALSE(built.IsBuilt());
  EXPECT_EQ(built.stateCount, -1);
  FreeFSMTable(nullptr);
}

TEST_F(FsmTest, DelayedEventsShareOneTimerArmedForTheEarliest) {
  Post(TICK, 500);
  Post(TICK, 200);
  EXPECT_EQ(v.loop().NextTimerDelayMs(), 200);
  v.AdvanceMs(199);
  EXPECT_TRUE(g_trace.empty());
  v.AdvanceMs(1);
  EXPECT_EQ(g_trace.size(), 1u);
  EXPECT_EQ(v.loop().NextTimerDelayMs(), 300);
  v.AdvanceMs(299);
  EXPECT_EQ(g_trace.size(), 1u);
  v.AdvanceMs(1);
  EXPECT_EQ(g_trace.size(), 2u);
  EXPECT_EQ(engine->GetPendingCount(), 0u);
  EXPECT_EQ(v.loop().NextTimerDelayMs(), std::nullopt);
}

TEST_F(FsmTest, AChangeOfStateCancelsTimeoutsButNotOrdinaryDelayedEvents) {
  Post(CFSMEv::kTimeout, 100);
  Post(TICK, 100);
  v.AdvanceMs(50);
  Send(GO);
  v.AdvanceMs(100);
  EXPECT_EQ(g_trace, (std::vector<std::string>{"exit A in 0", "action in 0", "enter B in 1", "tick in 1"}));
  EXPECT_TRUE(log.Has(LOG_FINE, u"CFSM::StopObjStateTimer()"));

  // A transition to the same state keeps the time-out.
  g_trace.clear();
  Post(CFSMEv::kTimeout, 100);
  Send(STAY);
  v.AdvanceMs(100);
  EXPECT_EQ(g_trace, (std::vector<std::string>{"default ev1 in 1", "timeout in 1"}));
}

TEST_F(FsmTest, ATimeoutWithoutDelayIsStillHeldAndCancellable) {
  Post(CFSMEv::kTimeout, 0);
  EXPECT_EQ(engine->GetPendingCount(), 1u);
  Send(GO);
  v.RunUntilIdle();
  EXPECT_EQ(g_trace, (std::vector<std::string>{"exit A in 0", "action in 0", "enter B in 1"}));
}

TEST_F(FsmTest, PostedEventsRunAfterWhatIsQueuedAndSentOnesAtOnce) {
  std::vector<std::string> order;
  qav::Window other;
  ASSERT_TRUE(other.Create(v.loop(), "QAVTestOther", u"", qav::WindowKind::kLocal, [&](qav::Msg& message) {
    if (message.message == qav::WM_USER) order.push_back("queued before");
    return qav::LResult{0};
  }));
  qav::PostMessage(other.handle(), qav::WM_USER);
  Post(STAY, 0);
  EXPECT_TRUE(g_trace.empty());  // never inside the poster
  Send(PING);
  EXPECT_EQ(g_trace, (std::vector<std::string>{"default ev2 in 0"}));  // before Send returned
  v.RunUntilIdle();
  order.insert(order.end(), g_trace.begin(), g_trace.end());
  EXPECT_EQ(order, (std::vector<std::string>{"queued before", "default ev2 in 0", "action in 0"}));
}

TEST_F(FsmTest, EventsOfADestroyedInstanceAreDroppedNotDispatched) {
  auto doomed = std::make_unique<CFSMObject>();
  doomed->Init(nullptr, u"Doomed", A, &table);
  engine->PostEvent(std::make_unique<CFSMEv>(doomed.get(), CFSMEv::kTimeout, 100));
  engine->PostEvent(std::make_unique<CFSMEv>(doomed.get(), TICK, 300));
  engine->PostEvent(std::make_unique<CFSMEv>(doomed.get(), STAY, 0));  // queued as a window message
  Post(TICK, 200);
  EXPECT_EQ(engine->GetPendingCount(), 3u);
  doomed.reset();
  EXPECT_EQ(engine->GetPendingCount(), 1u);
  v.AdvanceMs(1000);
  EXPECT_EQ(g_trace, (std::vector<std::string>{"tick in 0"}));
}

TEST_F(FsmTest, NumbersOutsideTheTableAndUnbuiltTablesAreRefused) {
  Send(kEvents + 1);
  Send(-1);
  FSMTable unbuilt;
  CFSMObject orphan;
  orphan.Init(nullptr, u"Orphan", A, &unbuilt);
  EXPECT_EQ(engine->SendEvent(std::make_unique<CFSMEv>(&orphan, GO)), 0);
  EXPECT_TRUE(g_trace.empty());
  EXPECT_EQ(object.GetState(), A);
}

TEST_F(FsmTest, ASendFromAnotherThreadReturnsAfterDispatchAndSeesTheNewState) {
  std::atomic<int32_t> seen{-1};
  std::atomic<bool> done{false};
  std::thread sender([&] {
    engine->SendEvent(std::make_unique<CFSMEv>(&object, GO));
    seen = object.GetState();
    done = true;
  });
  for (int round = 0; round < 10000 && !done; ++round) v.WaitForWork(5);
  sender.join();
  EXPECT_EQ(seen.load(), B);
  EXPECT_EQ(g_trace, (std::vector<std::string>{"exit A in 0", "action in 0", "enter B in 1"}));
}

TEST_F(FsmTest, ADelayedPostFromAnotherThreadIsHeldOnTheGuiThread) {
  std::thread poster([&] { Post(TICK, 100); });
  poster.join();
  v.RunUntilIdle();
  EXPECT_EQ(engine->GetPendingCount(), 1u);
  v.AdvanceMs(100);
  EXPECT_EQ(g_trace, (std::vector<std::string>{"tick in 0"}));
}

}  // namespace
