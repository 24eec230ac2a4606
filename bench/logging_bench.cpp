// Cost of logging: a call below every handler's level must cost no formatting (target: under
// 5 ns), and a formatted record into the memory ring stays cheap (target: under 2 us). And the
// memory the program's ring takes once it holds its 49,999 latest records of typical lines
// (target: under 16 MiB; the ring's bound is 50,000 KiB).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "foundation/logger.h"
#include "foundation/mem_buf_log_handler.h"
#include "platform/text.h"

namespace {

void BM_LogBelowMinimumLevel(benchmark::State& state) {
  CMemBufLogHandler ring(LOG_WARNING, 1000);
  g_Logger.AddHandler(&ring);
  int callId = 0;
  for (auto _ : state) {
    QAV_LOG(LOG_FINE, u"CCall::init callId: %d, p=%p", callId, &ring);
    benchmark::DoNotOptimize(++callId);
  }
  g_Logger.RemoveHandler(&ring);
  state.counters["target_ns"] = 5;
}
BENCHMARK(BM_LogBelowMinimumLevel);

void BM_LogFormattedRecordIntoRing(benchmark::State& state) {
  // The program's ring size, so the slots are reused as in a long run.
  CMemBufLogHandler ring(LOG_ALL, 50'000);
  g_Logger.AddHandler(&ring);
  int callId = 0;
  for (auto _ : state) {
    QAV_LOG(LOG_INFO, u"CCall::init callId: %d, p=%p", ++callId, &ring);
  }
  g_Logger.RemoveHandler(&ring);
  state.counters["target_ns"] = 2000;
}
BENCHMARK(BM_LogFormattedRecordIntoRing);

// Lines as the program writes them in a call: the link's traffic both ways, the commands it
// queues, the state machine's steps, now and then a text greeting sent as a chat message.
std::u16string TypicalLine(int i) {
  const int call = 1000 + i % 50;
  switch (i % 5) {
    case 0: return qav::Format(u"<- S2D[#%d]: CALL %d STATUS INPROGRESS ", i, call);
    case 1: return qav::Format(u"-> D2S[#%d]: #%d ALTER CALL %d SET_OUTPUT PORT=\"%d\" ", i, i, call, 40000 + i % 1000);
    case 2: return qav::Format(u"[CallId: %d] CallFSMDoFuncStartGreeting (Call_%d) state 5 -> 6, event 12", call, call);
    case 3: return qav::Format(u"CSTL::QueueCtrlAckCmd [GET CALL %d STATUS] [%#x]", call, 0x5a3c10 + i);
    default:
      if (i % 100 == 4) {
        return qav::Format(u"[CallId: %d] Sending Text Greeting Message (Call answered by QAV - Answering Machine for "
                           u"Skype\u2122 users.\r\n\r\nPlease leave your voice message after the tone and hangup the "
                           u"call when you are done.)",
                           call);
      }
      return qav::Format(u"<- S2D[#%d]: CALL %d DURATION %d ", i, call, i % 120);
  }
}

void BM_ProgramRingMemoryAtItsLatest49999Records(benchmark::State& state) {
  CLogger logger(u"QAV");
  size_t bytes = 0;
  size_t records = 0;
  size_t messageUnits = 0;
  for (auto _ : state) {
    CMemBufLogHandler ring(LOG_ALL, 50'000);
    logger.AddHandler(&ring);
    messageUnits = 0;
    for (int i = 0; i < 60'000; ++i) {
      const std::u16string line = TypicalLine(i) + std::u16string(static_cast<size_t>(state.range(0)), u'.');
      messageUnits += line.size();
      logger.Log(LOG_INFO, u"stl_transport.cpp", 276, line);
    }
    bytes = ring.CapacityBytes();
    records = ring.RecordCount();
    logger.RemoveHandler(&ring);
  }
  state.counters["records"] = static_cast<double>(records);
  state.counters["avg_message_chars"] = static_cast<double>(messageUnits) / 60'000.0;
  state.counters["ring_MiB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
  state.counters["target_MiB"] = 16;
}
// Arg: characters added to every line (0: the lines as they are; 64: lines twice as long).
BENCHMARK(BM_ProgramRingMemoryAtItsLatest49999Records)->Arg(0)->Arg(64)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
