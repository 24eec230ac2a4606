#include "ui/bridge/qt_user_interface.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>

#include "foundation/logger.h"
#include "platform/message_box.h"
#include "ui/art/app_image_lists.h"
#include "ui/art/art_images.h"
#include "ui/art/qt_image_lists_part.h"
#include "ui/bridge/qt_loop_runner.h"
#include "ui/bridge/qt_message_box.h"
#include "ui/sheet/qt_property_sheet.h"
#include "ui/reports/qt_report_dialog.h"
#include "ui/bridge/qt_tray_host.h"
#include "ui/bridge/up_dialog.h"

bool CQtUserInterface::DisplayAvailable() {
  return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

CQtUserInterface::CQtUserInterface(int& argc, char** argv, qav::MessageLoop& guiLoop)
    : m_guiLoop(guiLoop), m_application(std::make_unique<QApplication>(argc, argv)) {
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setApplicationName(QStringLiteral("QAV"));
  if (const auto icon = FindArtImage(128)) {
    QPixmap pixmap;
    if (pixmap.loadFromData(icon->data(), static_cast<uint>(icon->size()))) QApplication::setWindowIcon(QIcon(pixmap));
  }
  m_messageBox = std::make_unique<CQtMessageBox>(guiLoop);
  qav::SetMessageBoxHandler(m_messageBox.get());
}

CQtUserInterface::~CQtUserInterface() {
  if (qav::GetMessageBoxHandler() == m_messageBox.get()) qav::SetMessageBoxHandler(nullptr);
  m_messageBox.reset();
}

void CQtUserInterface::Install(CAppComponents& components) {
  components.loopRunner = [] { return std::make_unique<QtLoopRunner>(); };
  components.imageLists = [] { return std::make_unique<CQtImageListsPart>(); };
  components.trayHost = []() -> std::unique_ptr<CTrayHost> {
    return std::make_unique<CQtTrayHost>(g_pImageLists ? g_pImageLists->m_trayList : CImageList(16, 16));
  };
  components.propertySheet = [](CSheetServices& services) -> std::unique_ptr<CAppPropertySheet> {
    return std::make_unique<CQtPropertySheet>(services);
  };
  components.reportDialog = []() -> std::unique_ptr<CReportDialog> { return std::make_unique<CQtReportDialog>(); };
  components.progressDialog = []() -> std::unique_ptr<qav::ProgressDialogRunner> { return std::make_unique<CUPDialog>(); };
}
