#include "ui/options/options_page_site.h"

#include <QFileDialog>

std::optional<std::u16string> COptionsPageSite::ChooseFolder(QWidget* owner, const std::u16string& title,
                                                             const std::u16string& start) {
  const QString chosen = QFileDialog::getExistingDirectory(owner, QString::fromStdU16String(title),
                                                           QString::fromStdU16String(start));
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.toStdU16String();
}

std::optional<std::u16string> COptionsPageSite::ChooseOpenFile(QWidget* owner, const std::u16string& title,
                                                               const std::u16string& start,
                                                               const std::u16string& filter) {
  const QString chosen = QFileDialog::getOpenFileName(owner, QString::fromStdU16String(title),
                                                      QString::fromStdU16String(start), QString::fromStdU16String(filter));
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.toStdU16String();
}

std::optional<std::u16string> COptionsPageSite::ChooseSaveFile(QWidget* owner, const std::u16string& title,
                                                               const std::u16string& start,
                                                               const std::u16string& filter,
                                                               const std::u16string& extension) {
  QFileDialog dialog(owner, QString::fromStdU16String(title), QString::fromStdU16String(start),
                     QString::fromStdU16String(filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QString::fromStdU16String(extension));
  if (!start.empty()) dialog.selectFile(QString::fromStdU16String(start));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdU16String();
}
