// CUPDialog: runs a long job on a worker thread behind a modal progress dialog (a status line, a
// progress bar and Cancel), and returns when the job ends or the user cancels.
//
// It keeps the contract of audio/progress_job.h: 1 when the job returned 1, 2 when it returned
// anything else or could not start, 0x10002 when the user cancelled. The job talks to the dialog
// only by posting it messages (position, status text) to a window of the GUI thread's platform
// loop, so a post that comes after the dialog has gone is dropped safely. Cancel sets the
// terminate flag and ends the dialog at once; the job sees the flag and stops by itself. The
// worker is never killed: it is joined before the next run and when the dialog object goes, so
// nothing of a job outlives its dialog object.
//
// GUI thread only; the GUI thread's loop must be driven by Qt (ui/bridge/qt_loop_bridge.h).
#pragma once

#include <QString>
#include <memory>
#include <thread>

#include "audio/progress_job.h"
#include "platform/window.h"

class QDialog;
class QWidget;

class CUPDialog : public qav::ProgressDialogRunner {
 public:
  // The dialog's messages (WM_USER + 1239 onward).
  static constexpr uint32_t kMsgDisableClose = 0x8D7;
  static constexpr uint32_t kMsgEnd = 0x8D8;  // wParam: the result
  static constexpr uint32_t kMsgTerminate = 0x8DB;

  explicit CUPDialog(QWidget* owner = nullptr, const QString& cancelText = QStringLiteral("Cancel"),
                     bool allowCancel = true);
  ~CUPDialog() override;
  CUPDialog(const CUPDialog&) = delete;
  CUPDialog& operator=(const CUPDialog&) = delete;

  int RunModal(std::u16string_view title, qav::ProgressJob job) override;

  // The dialog while RunModal runs (for tests and screenshots); null otherwise.
  QDialog* Dialog() const { return m_dialog; }
  // The window the job's messages go to while RunModal runs (the dialog's messages above and
  // audio/progress_job.h's); 0 otherwise.
  qav::Hwnd Window() const;
  // Asks to cancel, as the Cancel button, Escape and the close box do: refused once closing is
  // disabled (cancelling off from the start, or the disable-close message, which also takes the
  // close box off the window and greys Cancel).
  void Cancel();

  struct Shared;

 private:
  void Teardown();
  // Stops the job and ends the dialog as cancelled (also the terminate message).
  void Terminate();
  void DisableClose();

  QWidget* m_owner;
  QString m_cancelText;
  bool m_allowCancel;
  QDialog* m_dialog = nullptr;
  bool m_closeDisabled = false;
  std::shared_ptr<Shared> m_shared;
  std::thread m_worker;
};
