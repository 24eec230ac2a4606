// The report dialog (net/report_dialog.h) on Qt: a white heading with the rich-text notice, the
// information text, the user's contact, a description of what went wrong, pictures to attach, and
// Send and Don't Send.
//
// A problem report cannot be sent without a description (a notice says so and the dialog stays
// open); a crash report can. A crash report's dialog stays above other windows.
//
// Threading: the GUI thread, with the QApplication running. Without a QApplication, Show throws,
// so the report asks with the message box instead.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "net/report_dialog.h"

class QLineEdit;
class QPlainTextEdit;

class CQtReportDialog : public CReportDialog {
 public:
  // Chooses a file to attach ("" when the user cancels); the default is the file-open dialog.
  using FileChooser = std::function<std::u16string(QWidget* parent)>;

  CQtReportDialog() = default;
  explicit CQtReportDialog(FileChooser chooser) : m_chooser(std::move(chooser)) {}

  int Show(bool crash, qav::Hwnd parent, CReportDialogAnswer& answer) override;

  // Called with the dialog once it is built and before it runs (tests fill and click it here,
  // screenshots are taken here).
  void SetOnOpen(std::function<void(QDialog&)> onOpen) { m_onOpen = std::move(onOpen); }

 private:
  FileChooser m_chooser;
  std::function<void(QDialog&)> m_onOpen;
};

// The dialog itself; Show builds and runs one.
class CReportDialogWindow : public QDialog {
 public:
  CReportDialogWindow(bool crash, CQtReportDialog::FileChooser chooser);

  CReportDialogAnswer Answer() const { return m_answer; }

  // The controls, by role, for tests.
  QLineEdit* ContactField() const { return m_contact; }
  QPlainTextEdit* DescriptionField() const { return m_description; }
  QLineEdit* AttachmentField() const { return m_attachment; }

  // The buttons' actions.
  void Browse();
  void Send();

 private:
  const bool m_crash;
  CQtReportDialog::FileChooser m_chooser;
  QLineEdit* m_contact = nullptr;
  QPlainTextEdit* m_description = nullptr;
  QLineEdit* m_attachment = nullptr;
  CReportDialogAnswer m_answer;
};
