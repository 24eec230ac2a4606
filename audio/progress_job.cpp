#include "audio/progress_job.h"

#include <exception>
#include <system_error>
#include <thread>

#include "foundation/logger.h"
#include "platform/crash_signals.h"

namespace qav {
namespace {

class WindowlessContext : public ProgressJobContext {
 public:
  bool IsTerminated() const override { return false; }
  void PostPosition(int) override {}
  void PostText(std::u16string) override {}
  void Linger(std::chrono::milliseconds) override {}
};

}  // namespace

void ProgressJobContext::Linger(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

int RunProgressJobGuarded(const ProgressJob& job, ProgressJobContext& context) {
  try {
    return job && job(context) == 1 ? kProgressJobSucceeded : kProgressJobFailed;
  } catch (const std::exception& e) {
    QAV_LOG(LOG_SEVERE, u"RunProgressJobGuarded [ERROR job threw %s]", e.what());
  } catch (...) {
    QAV_LOG(LOG_SEVERE, u"RunProgressJobGuarded [ERROR job threw an unknown exception]");
  }
  return kProgressJobFailed;
}

int HeadlessProgressRunner::RunModal(std::u16string_view title, ProgressJob job) {
  QAV_LOG(LOG_FINE, u"HeadlessProgressRunner::RunModal %s", title);
  WindowlessContext context;
  int result = kProgressJobFailed;
  try {
    std::thread worker([&] {
      qav::PrepareThreadForCrashes();
      result = RunProgressJobGuarded(job, context);
    });
    worker.join();
  } catch (const std::system_error& e) {
    QAV_LOG(LOG_SEVERE, u"HeadlessProgressRunner::RunModal [ERROR cannot start the worker: %s]", e.what());
    return kProgressJobFailed;
  }
  return result;
}

}  // namespace qav
