#include "ui/reports/qt_crash_report_ui.h"

#include <QApplication>

#include "platform/message_box.h"
#include "platform/message_loop.h"
#include "ui/bridge/qt_message_box.h"
#include "ui/reports/qt_report_dialog.h"
#include "ui/bridge/qt_user_interface.h"

namespace {

class CQtCrashReportUi : public CReportDialog {
 public:
  CQtCrashReportUi(int& argc, char** argv)
      : m_application(argc, argv), m_boxes(m_loop), m_previousBoxes(qav::GetMessageBoxHandler()) {
    QApplication::setQuitOnLastWindowClosed(false);
    qav::SetMessageBoxHandler(&m_boxes);
  }
  ~CQtCrashReportUi() override { qav::SetMessageBoxHandler(m_previousBoxes); }

  int Show(bool crash, qav::Hwnd parent, CReportDialogAnswer& answer) override {
    return m_dialog.Show(crash, parent, answer);
  }

 private:
  QApplication m_application;
  qav::MessageLoop m_loop;
  CQtMessageBox m_boxes;
  qav::MessageBoxHandler* m_previousBoxes;
  CQtReportDialog m_dialog;
};

}  // namespace

std::unique_ptr<CReportDialog> MakeQtCrashReportUi(int& argc, char** argv) {
  if (!CQtUserInterface::DisplayAvailable() || QApplication::instance()) return nullptr;
  return std::make_unique<CQtCrashReportUi>(argc, argv);
}
