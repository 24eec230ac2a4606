#include "app/loop_serving_progress_runner.h"

#include <algorithm>
#include <atomic>
#include <system_error>

#include "foundation/logger.h"
#include "platform/crash_signals.h"

struct CLoopServingProgressRunner::Shared {
  std::atomic<bool> terminate{false};
  std::atomic<bool> ended{false};
  std::atomic<int> result{qav::kProgressJobFailed};
};

namespace {

// How often the serving thread looks whether the job has ended, at most.
constexpr int64_t kLookMs = 20;

class FlagContext : public qav::ProgressJobContext {
 public:
  explicit FlagContext(std::shared_ptr<CLoopServingProgressRunner::Shared> shared) : m_shared(std::move(shared)) {}
  bool IsTerminated() const override { return m_shared->terminate.load(); }
  void PostPosition(int) override {}
  void PostText(std::u16string) override {}
  void Linger(std::chrono::milliseconds) override {}

 private:
  std::shared_ptr<CLoopServingProgressRunner::Shared> m_shared;
};

}  // namespace

CLoopServingProgressRunner::~CLoopServingProgressRunner() { Teardown(); }

void CLoopServingProgressRunner::Teardown() {
  if (m_shared) m_shared->terminate = true;
  if (m_worker.joinable()) m_worker.join();
  m_shared.reset();
}

int CLoopServingProgressRunner::RunModal(std::u16string_view title, qav::ProgressJob job) {
  Teardown();
  QAV_LOG(LOG_FINE, u"CLoopServingProgressRunner::RunModal %s", title);
  m_shared = std::make_shared<Shared>();
  try {
    m_worker = std::thread([shared = m_shared, job = std::move(job)] {
      qav::PrepareThreadForCrashes();
      FlagContext context(shared);
      shared->result = qav::RunProgressJobGuarded(job, context);
      shared->ended = true;
    });
  } catch (const std::system_error& e) {
    QAV_LOG(LOG_SEVERE, u"CLoopServingProgressRunner::RunModal [ERROR cannot start the worker: %s]", e.what());
    return qav::kProgressJobFailed;
  }
  while (!m_shared->ended) {
    if (m_loop.QuitRequested()) {
      m_shared->terminate = true;
      return qav::kProgressJobCancelled;
    }
    const int64_t wait = std::min(m_loop.NextTimerDelayMs().value_or(kLookMs), kLookMs);
    m_loop.WaitForWork(static_cast<int>(m_loop.clock().RealWaitMs(wait)));
    m_loop.ProcessDue();
  }
  m_worker.join();
  return m_shared->result;
}
