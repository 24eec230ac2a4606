// A progress runner without a window for the GUI thread: the job runs on a worker while the
// calling thread goes on serving its message loop (sends, posts and timers: the call link and the
// answer timers among them), until the job ends or the loop is asked to quit. The program uses it
// where no user interface gives a progress dialog, since a runner that waits for its job
// (HeadlessProgressRunner) would stop the GUI thread for as long as the job runs.
//
// It keeps the contract of audio/progress_job.h: 1 or 2 as the job returned; 0x10002 when the loop
// was asked to quit first: the terminate flag is then set and RunModal returns without waiting.
// The worker is joined before the next run and when the runner goes.
//
// Threading: RunModal on the loop's own thread only.
#pragma once

#include <memory>
#include <thread>

#include "audio/progress_job.h"
#include "platform/message_loop.h"

class CLoopServingProgressRunner : public qav::ProgressDialogRunner {
 public:
  explicit CLoopServingProgressRunner(qav::MessageLoop& loop) : m_loop(loop) {}
  ~CLoopServingProgressRunner() override;
  CLoopServingProgressRunner(const CLoopServingProgressRunner&) = delete;
  CLoopServingProgressRunner& operator=(const CLoopServingProgressRunner&) = delete;

  int RunModal(std::u16string_view title, qav::ProgressJob job) override;

  struct Shared;

 private:
  void Teardown();

  qav::MessageLoop& m_loop;
  std::shared_ptr<Shared> m_shared;
  std::thread m_worker;
};
