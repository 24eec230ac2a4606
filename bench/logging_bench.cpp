// Cost of logging: a call below every handler's level must cost no formatting (target: under
// 5 ns), and a formatted record into the memory ring stays cheap (target: under 2 us).
#include <benchmark/benchmark.h>

#include <cstdio>

#include "foundation/logger.h"
#include "foundation/mem_buf_log_handler.h"

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

}  // namespace
