// A long job run on a worker thread behind the modal progress dialog, and what the job sees of
// that dialog.
//
// The dialog (the user interface builds it) starts the job on a worker thread and stays modal
// until the job ends or the user cancels. The job talks to the dialog only by posting it messages
// (the progress bar position, 0x8D9, and the status line, 0x8DA) and watches the terminate flag,
// which the dialog sets once the user cancelled or the dialog is going away; a job checks it and
// stops early.
//
// The contract a dialog keeps:
// - RunModal returns 1 when the job returned 1, 2 when it returned anything else or could not be
//   started, 0x10002 when the user cancelled. After a cancel the job may still be running: the
//   dialog sets the terminate flag and returns at once, without waiting for the job.
// - The context given to the job stays valid until the job has returned, even after RunModal has
//   returned. Messages posted once the flag is set, or once the dialog window is gone, are dropped.
// - The worker thread never lets an exception out: one that escapes the job ends it as a failure.
//   A thread cannot be killed from outside here, so the dialog never tries to; a cancelled job ends
//   by itself at its next look at the flag.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qav {

// The dialog's messages a job posts (WM_USER + 1241 and + 1242).
inline constexpr uint32_t kProgressMsgSetPosition = 0x8D9;  // wParam: 0 to 100
inline constexpr uint32_t kProgressMsgSetText = 0x8DA;      // lParam: the text

// What RunModal returns.
inline constexpr int kProgressJobSucceeded = 1;
inline constexpr int kProgressJobFailed = 2;  // IDCANCEL: the job failed or could not start
inline constexpr int kProgressJobCancelled = 0x10002;

// The job's side of the dialog. Called on the worker thread only.
class ProgressJobContext {
 public:
  virtual ~ProgressJobContext() = default;
  // True once the user cancelled or the dialog is going away.
  virtual bool IsTerminated() const = 0;
  // Posts the position (0-100) or the status text to the dialog.
  virtual void PostPosition(int percent) = 0;
  virtual void PostText(std::u16string text) = 0;
  // Leaves what the dialog shows in view for a moment before the job ends. A dialog shown to the
  // user sleeps on the worker; a run without a window has nothing to show and need not.
  virtual void Linger(std::chrono::milliseconds duration);
};

using ProgressJob = std::function<int(ProgressJobContext&)>;

class ProgressDialogRunner {
 public:
  virtual ~ProgressDialogRunner() = default;
  // Runs the job on a worker thread behind the dialog with this title (see the contract above).
  virtual int RunModal(std::u16string_view title, ProgressJob job) = 0;
};

// Runs the job on a worker thread with no window and waits for it: 1 or 2, never 0x10002.
// Posted messages go nowhere; nothing lingers. For runs without a user interface.
class HeadlessProgressRunner : public ProgressDialogRunner {
 public:
  int RunModal(std::u16string_view title, ProgressJob job) override;
};

// Calls the job the way a dialog's worker thread does: 1 when it returned 1, else 2; an exception
// that escapes the job is logged and counts as a failure.
int RunProgressJobGuarded(const ProgressJob& job, ProgressJobContext& context);

}  // namespace qav
