#include "ui/options_sheet_link.h"

#include <QFileDialog>

std::optional<std::u16string> COptionsSheetLink::ChooseFolder(QWidget* owner, const std::u16string& title,
                                                              const std::u16string& start) {
  const QString chosen = QFileDialog::getExistingDirectory(owner, QString::fromStdU16String(title),
                                                           QString::fromStdU16String(start));
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.toStdU16String();
}

std::optional<std::u16string> COptionsSheetLink::ChooseOpenFile(QWidget* owner, const std::u16string& title,
                                                                const std::u16string& start,
                                                                const std::u16string& filter) {
  const QString chosen = QFileDialog::getOpenFileName(owner, QString::fromStdU16String(title),
                                                      QString::fromStdU16String(start), QString::fromStdU16String(filter));
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.toStdU16String();
}
