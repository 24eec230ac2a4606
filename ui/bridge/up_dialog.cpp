#include "ui/bridge/up_dialog.h"

#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>
#include <atomic>
#include <system_error>

#include "foundation/logger.h"
#include "platform/window.h"
#include "ui/bridge/thread_notice_receiver.h"

struct CUPDialog::Shared {
  std::atomic<bool> running{false};
  std::atomic<bool> terminate{false};
  std::atomic<qav::Hwnd> window{0};
};

namespace {

// The job's side: posts to the dialog's window, reads the terminate flag.
class DialogContext : public qav::ProgressJobContext {
 public:
  explicit DialogContext(std::shared_ptr<CUPDialog::Shared> shared) : m_shared(std::move(shared)) {}
  bool IsTerminated() const override { return m_shared->terminate.load(); }
  void PostPosition(int percent) override {
    if (!IsTerminated()) qav::PostMessage(m_shared->window.load(), qav::kProgressMsgSetPosition, static_cast<qav::WParam>(percent));
  }
  void PostText(std::u16string text) override {
    if (!IsTerminated()) {
      qav::PostMessage(m_shared->window.load(), qav::kProgressMsgSetText, 0, 0,
                       std::make_unique<qav::TextPayload>(std::move(text)));
    }
  }

 private:
  std::shared_ptr<CUPDialog::Shared> m_shared;
};

// The dialog: Escape and the close box ask to cancel instead of closing; once closing is
// disabled, the runner refuses them and the dialog stays.
class ProgressWindow : public QDialog {
 public:
  ProgressWindow(QWidget* owner, CUPDialog& runner) : QDialog(owner), m_runner(runner) {}
  void reject() override { m_runner.Cancel(); }

 protected:
  void closeEvent(QCloseEvent* event) override {
    m_runner.Cancel();
    // Whatever the runner decided, the dialog itself ends only through done().
    event->ignore();
  }

 private:
  CUPDialog& m_runner;
};

}  // namespace

CUPDialog::CUPDialog(QWidget* owner, const QString& cancelText, bool allowCancel)
    : m_owner(owner), m_cancelText(cancelText.left(255)), m_allowCancel(allowCancel) {}

CUPDialog::~CUPDialog() { Teardown(); }

void CUPDialog::Teardown() {
  if (m_shared) m_shared->terminate = true;
  if (m_worker.joinable()) m_worker.join();
  m_shared.reset();
}

void CUPDialog::Cancel() {
  if (!m_dialog || !m_shared || m_closeDisabled) return;
  QAV_LOG(LOG_INFO, u"CUPDialog: cancelled by the user");
  Terminate();
}

qav::Hwnd CUPDialog::Window() const { return m_dialog && m_shared ? m_shared->window.load() : 0; }

void CUPDialog::Terminate() {
  if (!m_dialog || !m_shared) return;
  m_shared->terminate = true;
  auto* status = m_dialog->findChild<QLabel*>(QStringLiteral("status"));
  if (status) status->setText(QStringLiteral("Termination Initiated.."));
  DisableClose();
  std::this_thread::yield();
  if (m_shared->running && status) status->setText(QStringLiteral("Termination Complete ..Shutting Down !!"));
  m_dialog->done(qav::kProgressJobCancelled);
}

void CUPDialog::DisableClose() {
  m_closeDisabled = true;
  if (!m_dialog) return;
  if (auto* cancel = m_dialog->findChild<QPushButton*>(QStringLiteral("cancel"))) cancel->setEnabled(false);
  const Qt::WindowFlags flags = m_dialog->windowFlags() & ~Qt::WindowCloseButtonHint;
  if (flags == m_dialog->windowFlags()) return;
  if (m_dialog->isVisible()) {
    // Setting the widget's flags would hide the dialog, and a hidden dialog ends its modal loop:
    // the open window loses its close box in place.
    m_dialog->overrideWindowFlags(flags);
    if (QWindow* window = m_dialog->windowHandle()) window->setFlags(flags);
  } else {
    m_dialog->setWindowFlags(flags);
  }
}

int CUPDialog::RunModal(std::u16string_view title, qav::ProgressJob job) {
  Teardown();
  qav::MessageLoop* loop = qav::MessageLoop::Current();
  if (!loop) return qav::kProgressJobFailed;
  m_shared = std::make_shared<Shared>();

  ProgressWindow dialog(m_owner, *this);
  dialog.setWindowTitle(QString::fromStdU16String(std::u16string(title)).left(255));
  dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
  dialog.setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* layout = new QVBoxLayout(&dialog);
  auto* status = new QLabel(&dialog);
  status->setObjectName(QStringLiteral("status"));
  status->setMinimumWidth(300);
  auto* bar = new QProgressBar(&dialog);
  bar->setObjectName(QStringLiteral("progress"));
  bar->setRange(0, 100);
  bar->setValue(0);
  auto* cancel = new QPushButton(m_cancelText, &dialog);
  cancel->setObjectName(QStringLiteral("cancel"));
  cancel->setEnabled(m_allowCancel);
  layout->addWidget(status);
  layout->addWidget(bar);
  layout->addWidget(cancel, 0, Qt::AlignHCenter);
  QObject::connect(cancel, &QPushButton::clicked, [this] { Cancel(); });
  m_dialog = &dialog;
  m_closeDisabled = false;
  if (!m_allowCancel) DisableClose();

  // Where the job posts; it goes with this scope, and posts after that are dropped.
  CThreadNoticeReceiver notices(&dialog);
  notices.Open("QAVProgressDialog", [&](qav::Msg& message) {
    switch (message.message) {
      case qav::kProgressMsgSetPosition:
        bar->setValue(static_cast<int>(std::min<qav::WParam>(message.wParam, 100)));
        return true;
      case qav::kProgressMsgSetText:
        if (const auto* text = message.Get<qav::TextPayload>()) status->setText(QString::fromStdU16String(text->text));
        return true;
      case kMsgDisableClose:
        DisableClose();
        return true;
      case kMsgEnd:
        dialog.done(static_cast<int>(message.wParam));
        return true;
      case kMsgTerminate:
        Terminate();
        return true;
      default:
        return false;
    }
  });
  m_shared->window = notices.Window();

  try {
    m_worker = std::thread([shared = m_shared, job = std::move(job)] {
      shared->running = true;
      int result = qav::kProgressJobFailed;
      if (!shared->terminate) {
        DialogContext context(shared);
        result = qav::RunProgressJobGuarded(job, context);
      }
      shared->running = false;
      if (!shared->terminate) qav::PostMessage(shared->window.load(), kMsgEnd, static_cast<qav::WParam>(result));
    });
  } catch (const std::system_error& e) {
    QAV_LOG(LOG_SEVERE, u"CUPDialog::RunModal [ERROR cannot start the worker: %s]", e.what());
    m_dialog = nullptr;
    return qav::kProgressJobFailed;
  }

  const int result = dialog.exec();
  m_dialog = nullptr;
  // A dialog ended from outside (the program quitting) counts as cancelled.
  if (result != qav::kProgressJobSucceeded && result != qav::kProgressJobFailed) {
    m_shared->terminate = true;
    return qav::kProgressJobCancelled;
  }
  return result;
}
